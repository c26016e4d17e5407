#!/usr/bin/env bash
# Fails when a C++ source of the repository does not follow .clang-format.
# Usage: scripts/check-format.sh [clang-format binary]
set -euo pipefail
cd "$(dirname "$0")/.."
find . -path './build*' -prune -o -path './.git' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
  sort -z | xargs -0 "${1:-clang-format}" --dry-run --Werror
