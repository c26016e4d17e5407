#!/bin/bash
# mirvosim-cli report/charts end to end. Usage: cli_report_test.sh MIRVOSIM_CLI
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Writes a simulation file from 32-bit integers: header then records.
sim() { local out=$1; shift; perl -e 'print pack("l<*", @ARGV)' -- "$@" > "$out"; }

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

# A machine run: sections, line ends and row counts.
"$cli" run --setting 4 --plays 3000 --seed 11 --out "$dir/run.sim" > /dev/null || fail "run"
expect "report" 0 "" -- "$cli" report "$dir/run.sim"
cp "$dir/out" "$dir/report.txt"
expect "charts" 0 "" -- "$cli" charts "$dir/run.sim"
cp "$dir/out" "$dir/charts.txt"

sections=$(grep '^\[' "$dir/report.txt" | tr '\n' ' ')
[ "$sections" = "[PLAY情報] [ボーナス情報] [1G連情報] [小役出現率] [モード別滞在率] [RT解除情報] [シミュレーション結果] " ] ||
    fail "report sections: $sections"
sections=$(grep '^\[' "$dir/charts.txt" | tr '\n' ' ')
[ "$sections" = "[axis] [SlumpSeries] [ModeSeries] [BIG] [REG] [Cherry] [Bell] [Bentou] [Chance] [Hazure] [SlumpBSeries] [RenSeries] [KoyakuSeries] [ModeStaySeries] [RTCancelSeries] " ] ||
    fail "charts sections: $sections"
for f in report charts; do
    [ "$(tail -c 1 "$dir/$f.txt" | od -An -c | tr -d ' ')" = '\n' ] || fail "$f: last line without LF"
    ! grep -q $'\r' "$dir/$f.txt" || fail "$f: CR in output"
    ! grep -q '^$' <(tail -n 1 "$dir/$f.txt") || fail "$f: ends with an empty line"
done

records=$(( ($(stat -c %s "$dir/run.sim") - 12) / 44 ))
playRows=$(awk '/^\[PLAY情報\]/{s=1; next} /^$/{s=0} s' "$dir/report.txt" | tail -n +2 | wc -l)
[ "$playRows" = "$records" ] || fail "play list has $playRows rows for $records records"
awk -F'\t' '/^\[ボーナス情報\]/{s=1; next} /^$/{s=0} s && NF != 7 {bad=1} END{exit bad}' "$dir/report.txt" ||
    fail "a bonus line without 7 cells"
[ "$(awk '/^\[シミュレーション結果\]/{s=1; next} s' "$dir/report.txt" | wc -l)" = 4 ] || fail "summary is not four lines"
grep -qx $'SlumpChart.bottom\t1\t3000' "$dir/charts.txt" || fail "axis row"
slump=$(awk '/^\[SlumpSeries\]/{s=1; next} /^$/{s=0} s' "$dir/charts.txt" | wc -l)
[ "$slump" = 3000 ] || fail "slump line has $slump points"

# A hand-made file: one play releasing a red BIG on the first game.
sim "$dir/one.sim" 5 3 1  1 12 1 0 1 0 7 0 0 0 0
expect "one play" 0 "" -- "$cli" report "$dir/one.sim"
grep -qx $'1\t1\t777(赤)\tBIG!\t12\t-\t1G連' "$dir/out" || fail "one play: play line"
grep -qx $'1\t1\t777(赤)\t1G連\t-\t\t' "$dir/out" || fail "one play: open bonus line"
grep -qx '収支:240円  機械割：500%' "$dir/out" || fail "one play: summary"
expect "one play charts" 0 "" -- "$cli" charts "$dir/one.sim"
grep -qz $'\\[Bentou\\]\n\n\\[Chance\\]\n\n' "$dir/out" || fail "empty sections"
grep -qx $'6\t0\tパンク\t0,255,255' "$dir/out" || fail "zero-sized slice"

# Errors.
printf 'not a simulation\n' > "$dir/text.sim"
for command in report charts; do
    expect "$command of a text file" 1 "error: '$dir/text.sim': このファイルは、Mirvosimファイルではありません。" -- \
        "$cli" $command "$dir/text.sim"
    expect "$command of a missing file" 1 "" -- "$cli" $command "$dir/missing.sim"
    grep -q "^error: cannot open '.*missing.sim'" "$dir/err" || fail "$command of a missing file: $(cat "$dir/err")"
    sim "$dir/empty.sim" 5 1 0
    expect "$command of a header" 1 "error: no plays in file" -- "$cli" $command "$dir/empty.sim"
    sim "$dir/zero.sim" 5 1 0  1 0 0 0 0 0 0 0 0 0 0
    expect "$command of play count 0" 1 "error: no plays in file" -- "$cli" $command "$dir/zero.sim"
    expect "$command without a file" 2 "" -- "$cli" $command
    expect "$command with two files" 2 "" -- "$cli" $command "$dir/one.sim" "$dir/one.sim"
    expect "$command with an option" 2 "" -- "$cli" $command --verbose
    if [ -w /dev/full ]; then
        "$cli" $command "$dir/run.sim" > /dev/full 2> "$dir/err"
        [ $? = 1 ] || fail "$command to a full disk did not fail"
    fi
done

[ "$failures" = 0 ] && echo "all passed"
exit $((failures > 0))
