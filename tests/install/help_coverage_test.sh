#!/bin/bash
# The man pages and the bash completion follow the programs' own --help: every
# command and option a program names there must be in its man page and be
# offered by its completion.
# Usage: help_coverage_test.sh MIRVOSIM_CLI MIRVOSIM SOURCE_DIR
set -u
cli=$1 window=$2 source=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

source /usr/share/bash-completion/bash_completion || { echo "FAIL: bash-completion is not installed"; exit 1; }
source "$source/packaging/completion/mirvosim-cli"
source "$source/packaging/completion/mirvosim"

# Candidates offered for the last of the words given, one a line.
complete_words() {
    local function=$1; shift
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
}

options_of() { grep -o -- '--[a-z][a-z-]*' | sort -u; }

commands=$("$cli" --help | sed -n 's/^\(usage:\)\? *mirvosim-cli \([a-z][a-z-]*\).*/\2/p' | sort -u)
[ -n "$commands" ] || fail "no command found in 'mirvosim-cli --help'"
offered=$(complete_words _mirvosim_cli mirvosim-cli '')
for command in $commands; do
    grep -qx -- "$command" <<<"$offered" || fail "completion does not offer the command '$command'"
    grep -q -- "^\*mirvosim-cli $command\*" "$source/docs/man/mirvosim-cli.1.scd" ||
        fail "mirvosim-cli(1) has no synopsis line for '$command'"
    help=$("$cli" "$command" --help) || { fail "'mirvosim-cli $command --help' failed"; continue; }
    offered_options=$(complete_words _mirvosim_cli mirvosim-cli "$command" --)
    for option in $(options_of <<<"$help"); do
        grep -qx -- "$option" <<<"$offered_options" || fail "completion of '$command' does not offer $option"
        grep -q -- "\*$option\*" "$source/docs/man/mirvosim-cli.1.scd" || fail "mirvosim-cli(1) does not name $option"
    done
done
for option in $("$cli" --help | grep '^ *\(usage: \)\?mirvosim-cli --' | options_of); do
    grep -qx -- "$option" <<<"$offered" || fail "completion does not offer $option"
done

# The window program: its options, with --export-chart's own after it.
help=$("$window" --help) || fail "'mirvosim --help' failed"
for option in $(options_of <<<"$help"); do
    offered=$( (complete_words _mirvosim mirvosim --; complete_words _mirvosim mirvosim --export-chart slump a.sim --) )
    grep -qx -- "$option" <<<"$offered" || fail "completion of mirvosim does not offer $option"
    grep -q -- "\*$option\*" "$source/docs/man/mirvosim.1.scd" || fail "mirvosim(1) does not name $option"
done

# What the completion itself promises.
[ "$(complete_words _mirvosim_cli mirvosim-cli r | sort | tr '\n' ' ')" = "report run " ] || fail "'r' does not complete to report and run"
[ "$(complete_words _mirvosim_cli mirvosim-cli run --setting '' | tr '\n' ' ')" = '1 2 3 4 5 6 \? ' ] ||
    fail "run --setting does not offer 1 to 6 and an escaped ?"

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "help, man pages and completion agree"
