#!/usr/bin/env bash
# Installs what the program needs, builds it and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake --preset release
cmake --build --preset release
exec build/release/bin/mirvosim "$@"
