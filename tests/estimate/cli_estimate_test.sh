#!/bin/bash
# mirvosim-cli estimate end to end. Usage: cli_estimate_test.sh MIRVOSIM_CLI
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect() {  # expect NAME STATUS STDERR-TEXT -- command...
    local name=$1 status=$2 message=$3; shift 4
    "$@" > "$dir/out" 2> "$dir/err"
    local got=$?
    [ "$got" = "$status" ] || fail "$name: exit $got, expected $status"
    if [ -n "$message" ]; then
        [ "$(cat "$dir/err")" = "$message" ] || fail "$name: stderr '$(cat "$dir/err")', expected '$message'"
    fi
    if [ "$status" != 0 ] && [ -s "$dir/out" ]; then fail "$name: wrote on stdout after an error"; fi
}

"$cli" run --setting 2 --plays 8000 --seed 21 --out "$dir/run.sim" > /dev/null || fail "run"

# The header's setting is the answer: the estimate must not move when it lies,
# and a setting the machine does not have marks a damaged file.
for s in 1 6 9; do
    cp "$dir/run.sim" "$dir/wrong$s.sim"
    perl -e 'print pack("l<", $ARGV[0])' "$s" | dd of="$dir/wrong$s.sim" bs=1 seek=4 conv=notrunc status=none
done
for evidence in hall record; do
    expect "true header $evidence" 0 "" -- "$cli" estimate "$dir/run.sim" --evidence "$evidence" --json
    cp "$dir/out" "$dir/true.json"
    for s in 1 6; do
        expect "header $s $evidence" 0 "" -- "$cli" estimate "$dir/wrong$s.sim" --evidence "$evidence" --json
        cmp -s "$dir/out" "$dir/true.json" || fail "header setting $s changes the $evidence estimate"
    done
    expect "header 9 $evidence" 1 "error: '$dir/wrong9.sim': damaged file, header: setting 9 is not 1 to 6" -- \
        "$cli" estimate "$dir/wrong9.sim" --evidence "$evidence"
done

# Exactly the documented keys, a posterior that sums to 1.
expect "json" 0 "" -- "$cli" estimate "$dir/run.sim" --json
python3 - "$dir/out" <<'PY' || fail "json shape"
import json, sys
d = json.load(open(sys.argv[1]))
assert list(d) == ["evidence", "games", "log_likelihood", "posterior", "most_likely_setting",
                   "expected_payout_percent"], list(d)
assert d["evidence"] == "hall" and d["games"] == 8000
assert len(d["log_likelihood"]) == 6 and len(d["posterior"]) == 6
assert abs(sum(d["posterior"]) - 1) < 1e-12
assert d["most_likely_setting"] == 1 + max(range(6), key=lambda i: d["posterior"][i])
assert 90 < d["expected_payout_percent"] < 120
PY
expect "prior on one setting" 0 "" -- "$cli" estimate "$dir/run.sim" --json --prior 0,0,0,0,0,1
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["posterior"]==[0,0,0,0,0,1]' "$dir/out" ||
    fail "prior 0,0,0,0,0,1"
expect "table" 0 "" -- "$cli" estimate "$dir/run.sim"
[ "$(head -n 1 "$dir/out")" = "[設定推測]" ] || fail "table caption"
[ "$(grep -c $'^[1-6]' "$dir/out")" = 6 ] || fail "table: six setting lines"

# Errors.
expect "bad prior count" 2 "error: --prior takes six weights separated by commas, one per setting" -- \
    "$cli" estimate "$dir/run.sim" --prior 1,1,1
expect "negative prior" 2 "error: --prior: the weight of setting 3 is negative" -- \
    "$cli" estimate "$dir/run.sim" --prior 1,1,-2,1,1,1
expect "zero prior" 2 "error: --prior: all six weights are zero" -- "$cli" estimate "$dir/run.sim" --prior 0,0,0,0,0,0
expect "text prior" 2 "error: --prior: 'a' is not a number (weight of setting 2)" -- \
    "$cli" estimate "$dir/run.sim" --prior 1,a,1,1,1,1
expect "bad evidence" 2 "error: --evidence must be hall or record, not 'both'" -- \
    "$cli" estimate "$dir/run.sim" --evidence both
expect "no file" 2 "" -- "$cli" estimate
printf 'not a simulation' > "$dir/text.sim"
expect "not a sim file" 1 "" -- "$cli" estimate "$dir/text.sim"
perl -e 'print pack("l<*", 5, 3, 0)' > "$dir/empty.sim"
expect "no plays" 1 "error: no plays in file" -- "$cli" estimate "$dir/empty.sim"
# One normal game showing a JAC game's outcome: no setting plays it.
perl -e 'print pack("l<*", 5, 3, 1,  1, -3, 1, 0, 0, 0, 10, 0, 0, 0, 0)' > "$dir/bad.sim"
expect "impossible" 1 "error: '$dir/bad.sim': damaged file, record 1: outcome 10 cannot come in a normal game" -- \
    "$cli" estimate "$dir/bad.sim"
expect "missing" 1 "" -- "$cli" estimate "$dir/missing.sim"

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all passed"
