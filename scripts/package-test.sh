#!/usr/bin/env bash
# The Debian package end to end: builds it from the release preset, checks it
# with lintian (errors fail, the rest is listed), installs it on this machine
# with apt-get, checks what an installed Mirvosim must do, and removes it with
# every package its installation brought in. Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=300 "$@"; }

if dpkg-query -W -f='${Status}' mirvosim 2>/dev/null | grep -q "ok installed"; then
  echo "package test: mirvosim is installed here already; remove it first (apt-get purge mirvosim)" >&2
  exit 1
fi

cmake --preset release
cmake --build --preset release
rm -f build/release/mirvosim_*.deb
(cd build/release && cpack -G DEB)
debs=(build/release/mirvosim_*_*.deb)
deb=$PWD/${debs[0]}
version=$(dpkg-deb -f "$deb" Version)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== lintian ${deb##*/}"
lintian_status=0
lintian --fail-on error --display-info "$deb" > "$work/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
if ((lintian_status)); then
  echo "package test: lintian reports errors" >&2
  exit 1
fi

# What apt is about to add besides mirvosim: removed again afterwards.
brought_in=$(apt-get -s install "$deb" | sed -n 's/^Inst \([^ ]*\).*/\1/p' | grep -vx mirvosim || true)
remove_package() {
  apt_get purge mirvosim ${brought_in} > "$work/purge.log" 2>&1 || cat "$work/purge.log" >&2
  rm -rf "$work"
}
trap remove_package EXIT
echo "== apt-get install ${deb##*/}${brought_in:+ (brings in: $(echo $brought_in))}"
apt_get install "$deb" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A clean session: no user's own desktop settings take part.
run_clean() { env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_DIRS -u XDG_DATA_HOME -u XDG_CONFIG_HOME \
  -u XDG_CONFIG_DIRS HOME="$work/home" "$@"; }
mkdir -p "$work/home"

[ "$(command -v mirvosim-cli)" = /usr/bin/mirvosim-cli ] || fail "mirvosim-cli is not /usr/bin/mirvosim-cli"
[ "$(run_clean mirvosim-cli --version)" = "mirvosim-cli $version" ] || fail "mirvosim-cli --version"
[ "$(run_clean mirvosim --version)" = "mirvosim $version" ] || fail "mirvosim --version"
run_clean mirvosim-cli run --setting 3 --plays 800 --seed 1 --out "$work/run3_800_1.sim" > /dev/null || fail "mirvosim-cli run"

# The window comes up offscreen with the file and stays until it is told to
# quit: timeout's 124 says it was still running after 5 seconds.
status=0
run_clean QT_QPA_PLATFORM=offscreen timeout -s TERM 5 mirvosim "$work/run3_800_1.sim" > "$work/window.log" 2>&1 ||
  status=$?
[ "$status" = 124 ] || fail "the window did not stay up (status $status): $(tail -3 "$work/window.log")"

# As lintian and man-db render them. A machine whose dpkg excludes man
# pages gets the packaged copies checked instead.
for page in mirvosim mirvosim-cli; do
  file=/usr/share/man/man1/$page.1.gz
  if [ ! -f "$file" ]; then
    echo "note: dpkg did not install $file here (path-exclude); checking the packaged copy"
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$file" > "$work/$page.1.gz"
    file=$work/$page.1.gz
  fi
  LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$file" > "$work/man.out" 2> "$work/man.err" ||
    fail "man -l $page"
  [ -s "$work/man.out" ] || fail "$page(1) renders empty"
  [ ! -s "$work/man.err" ] || fail "$page(1) warns: $(head -3 "$work/man.err")"
done

# The desktop's databases, rebuilt by the packages' dpkg triggers.
[ "$(run_clean xdg-mime query default application/x-mirvosim)" = mirvosim.desktop ] ||
  fail "default application for application/x-mirvosim: '$(run_clean xdg-mime query default application/x-mirvosim)'"
[ "$(run_clean xdg-mime query filetype "$work/run3_800_1.sim")" = application/x-mirvosim ] ||
  fail "file type of a .sim file: $(run_clean xdg-mime query filetype "$work/run3_800_1.sim")"
cp "$work/run3_800_1.sim" "$work/no-extension"
[ "$(run_clean xdg-mime query filetype "$work/no-extension")" = application/x-mirvosim ] ||
  fail "file type by content: $(run_clean xdg-mime query filetype "$work/no-extension")"

# Completion as bash-completion loads it on demand: mirvosim-cli r<Tab>.
completed=$(run_clean bash -c 'source /usr/share/bash-completion/bash_completion
  _completion_loader mirvosim-cli
  COMP_WORDS=(mirvosim-cli r) COMP_CWORD=1 COMP_LINE="mirvosim-cli r" COMP_POINT=14
  _mirvosim_cli mirvosim-cli r mirvosim-cli
  printf "%s " $(printf "%s\n" "${COMPREPLY[@]}" | sort)')
[ "$completed" = "report run " ] || fail "mirvosim-cli r<Tab> offers '$completed'"

trap - EXIT
remove_package
[ ! -e /usr/bin/mirvosim ] && [ ! -e /usr/share/applications/mirvosim.desktop ] || fail "files left after purge"
! grep -qs 'x-mirvosim' /usr/share/mime/globs2 || fail "the file type is still registered after purge"
! dpkg-query -W -f='${Status}' mirvosim 2>/dev/null | grep -q installed || fail "mirvosim still installed"

if ((failures)); then
  echo "package test: $failures failure(s)"
  exit 1
fi
echo "package test passed: ${deb##*/} installs, works and leaves again"
