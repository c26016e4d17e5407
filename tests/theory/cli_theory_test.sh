#!/bin/bash
# mirvosim-cli theory and compare end to end. Usage: cli_theory_test.sh MIRVOSIM_CLI
set -u
cli=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The JSON: exactly the documented keys, six settings in order, table lines in
# table order, null only for the line the table shows as "-".
"$cli" theory --json | python3 -c '
import json, sys
data = json.load(sys.stdin)
keys = ["setting", "payout_percent", "big_odds", "reg_odds", "bonus_odds", "first_big_odds",
        "medals_per_big", "medals_per_reg", "balance_sd_per_game", "fresh_start_offset", "tables"]
assert [d["setting"] for d in data] == [1, 2, 3, 4, 5, 6], "settings"
for d in data:
    assert list(d) == keys, list(d)
    assert list(d["tables"]) == ["1G連情報", "小役出現率", "モード別滞在率", "RT解除情報"]
    rt = d["tables"]["RT解除情報"]
    assert [l["name"] for l in rt] == ["規定RT消化", "チェリー解除", "弁当箱解除", "純ハズレ解除", "チャンス目解除", "1G連"]
    assert rt[0]["rate"] is None and all(l["rate"] is not None for l in rt[1:])
    assert abs(sum(l["share_of_releases"] for l in rt) - 1) < 1e-12
    assert all("share_of_releases" not in l for t in list(d["tables"].values())[:3] for l in t)
' || fail "theory --json"

one=$("$cli" theory --setting 3 --json | python3 -c 'import json, sys; print(json.load(sys.stdin)["setting"])')
[ "$one" = 3 ] || fail "theory --setting 3 --json: $one"

# The table: a header and one column per setting.
"$cli" theory > /tmp/theory_table.$$ || fail "theory"
[ "$(sed -n 2p /tmp/theory_table.$$)" = $'項目\t設定1\t設定2\t設定3\t設定4\t設定5\t設定6' ] || fail "theory header"
[ "$("$cli" theory --setting 6 | sed -n 2p)" = $'項目\t設定6' ] || fail "theory --setting 6 header"
rm -f /tmp/theory_table.$$

for bad in "--setting 0" "--setting 7" "--setting x" "extra" "--json --json"; do
    # shellcheck disable=SC2086
    "$cli" theory $bad > /dev/null 2>&1
    [ $? = 2 ] || fail "theory $bad: not refused with status 2"
done

# compare: a machine run against one setting and against all six.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$cli" run --setting 2 --plays 20000 --seed 3 --out "$dir/r.sim" > /dev/null || fail "run"
"$cli" compare "$dir/r.sim" --setting 2 > "$dir/one" || fail "compare --setting 2"
[ "$(sed -n 3p "$dir/one")" = $'項目\tこのシミュレーション\t設定2\t偏差(SE)' ] || fail "compare header"
[ "$(wc -l < "$dir/one")" = 40 ] || fail "compare: $(wc -l < "$dir/one") lines"
"$cli" compare "$dir/r.sim" > "$dir/all" || fail "compare"
[ "$(sed -n 4p "$dir/all" | awk -F'\t' '{print NF}')" = 14 ] || fail "compare: six settings"
"$cli" compare "$dir/none.sim" > /dev/null 2>&1
[ $? = 1 ] || fail "compare of a missing file: not status 1"
"$cli" compare "$dir/r.sim" --setting 9 > /dev/null 2>&1
[ $? = 2 ] || fail "compare --setting 9: not status 2"

# A file edited to claim play 1,200,000,000 in its 100th record: every analysis
# of a whole run refuses it alike, naming the record; report and charts show
# it as it is, as before (and report the same rows as of the whole file).
cp "$dir/r.sim" "$dir/edited.sim"
perl -e 'print pack("l<", 1200000000)' | dd of="$dir/edited.sim" bs=1 seek=$((12 + 44 * 99 + 8)) conv=notrunc status=none
refusal="error: '$dir/edited.sim': damaged file, record 100: play 1200000000 where play"
for command in "compare" "estimate" "summary" "export --what summary --format json"; do
    # shellcheck disable=SC2086
    "$cli" $command "$dir/edited.sim" > "$dir/out" 2> "$dir/err"
    status=$?
    [ "$status" = 1 ] || fail "$command of an edited file: status $status"
    [ ! -s "$dir/out" ] || fail "$command of an edited file wrote on stdout"
    case "$(cat "$dir/err")" in "$refusal"*) ;; *) fail "$command: $(cat "$dir/err")" ;; esac
done
for command in report charts; do
    "$cli" "$command" "$dir/edited.sim" > /dev/null || fail "$command of an edited file"
done

[ "$failures" = 0 ] && echo "all theory and compare checks passed"
exit "$failures"
