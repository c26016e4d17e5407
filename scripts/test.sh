#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the whole
# program with warnings as errors, the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of the file-reader fuzzer, and the
# Debian package installed on this machine and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

cmake --workflow --preset ci
cmake --workflow --preset asan-ubsan

cmake --preset fuzz
cmake --build --preset fuzz --target sim_file_fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build/ci/bin/mirvosim-cli run --setting '?' --plays 300 --sims 3 --seed 1 --out "$corpus/seed.sim" >/dev/null
build/fuzz/bin/sim_file_fuzz -max_total_time=60 -max_len=20000 -timeout=10 "$corpus"
# The Debian package: built, checked by lintian, installed, used, removed.
bash scripts/package-test.sh
echo "all tests passed"
