#!/bin/bash
# The README's GNU parallel recipe: a study split into 8 shards run by
# parallel, summarised from the shard files, equals the single-process
# summary byte for byte. Exit 77: skipped (GNU parallel is missing).
set -uo pipefail
cli=$1
command -v parallel >/dev/null || { echo "SKIP: GNU parallel is missing (apt-get install parallel)"; exit 77; }
tmp=$(mktemp -d /tmp/mirvosim-parallel-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
fail() { echo "FAIL: $*"; exit 1; }

parallel --will-cite --halt now,fail=1 \
    "$cli" run --setting 5 --plays 2000 --sims 50 --seed 3 --independent --jobs 1 --shard {}/8 \
    --records part{}.csv ::: $(seq 8) >/dev/null || fail "a shard failed"
"$cli" run --setting 5 --plays 2000 --sims 50 --seed 3 --independent --records whole.csv >/dev/null ||
    fail "the single-process study failed"
for format in "" --json; do
    "$cli" summary $format part*.csv >parts.out || fail "summary of the parts failed"
    "$cli" summary $format whole.csv >whole.out || fail "summary of the whole failed"
    cmp whole.out parts.out || fail "the summaries ($format) differ"
done
echo "PASS: 8 shards through GNU parallel give the single-process summary"
