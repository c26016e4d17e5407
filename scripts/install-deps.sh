#!/usr/bin/env bash
# Installs the Debian 12 packages that building (run) or testing (test) needs.
# Usage: scripts/install-deps.sh run|test
set -euo pipefail

RUN_PACKAGES=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev
  qt6-translations-l10n fonts-noto-cjk xdg-utils nlohmann-json3-dev scdoc file libgmp-dev libmpfr-dev
)
TEST_PACKAGES=(
  "${RUN_PACKAGES[@]}"
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev python3
  slurm-wlm munge parallel
  lintian man-db shared-mime-info desktop-file-utils libfile-mimeinfo-perl bash-completion
)

case "${1:-}" in
  run) packages=("${RUN_PACKAGES[@]}") ;;
  test) packages=("${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
