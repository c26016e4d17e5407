#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the whole
# program with warnings as errors, the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of each fuzzer, and the
# Debian package installed on this machine and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

cmake --workflow --preset ci
cmake --workflow --preset asan-ubsan

cmake --preset fuzz
fuzzers=(sim_file_fuzz run_figures_fuzz estimate_fuzz export_fuzz)
cmake --build --preset fuzz --target "${fuzzers[@]}"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build/ci/bin/mirvosim-cli run --setting '?' --plays 300 --sims 3 --seed 1 --out "$corpus/seed.sim" >/dev/null
# Each fuzzer starts from the same small files and keeps its own finds.
for fuzzer in "${fuzzers[@]}"; do
    mkdir "$corpus/$fuzzer"
    cp "$corpus"/*.sim "$corpus/$fuzzer/"
    build/fuzz/bin/"$fuzzer" -max_total_time=45 -max_len=20000 -timeout=10 "$corpus/$fuzzer"
done
# The Debian package: built, checked by lintian, installed, used, removed.
bash scripts/package-test.sh
echo "all tests passed"
