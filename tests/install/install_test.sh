#!/bin/bash
# `cmake --install` into a scratch prefix: the layout a desktop expects, both
# programs' versions, the man pages rendered by man(1) without a warning, the
# desktop entry, and the file type recognised by name and by content.
# Usage: install_test.sh BUILD_DIR VERSION
set -u
build=$1 version=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=$dir/usr
cmake --install "$build" --prefix "$prefix" > "$dir/install.log" || { cat "$dir/install.log"; exit 1; }

for file in bin/mirvosim bin/mirvosim-cli \
    share/doc/mirvosim/mirvosim-manual.html share/doc/mirvosim/copyright share/doc/mirvosim/changelog.gz \
    share/applications/mirvosim.desktop share/mime/packages/mirvosim.xml \
    share/icons/hicolor/scalable/apps/mirvosim.svg share/icons/hicolor/48x48/apps/mirvosim.png \
    share/man/man1/mirvosim.1.gz share/man/man1/mirvosim-cli.1.gz \
    share/bash-completion/completions/mirvosim share/bash-completion/completions/mirvosim-cli; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
for size in 16 24 32 48 64 128 256; do
    file -b "$prefix/share/icons/hicolor/${size}x$size/apps/mirvosim.png" | grep -q "^PNG image data, $size x $size," ||
        fail "hicolor ${size}x$size icon missing or of another size"
done
[ -z "$(find "$prefix/bin" -type f ! -name 'mirvosim*')" ] || fail "bin holds more than the programs: $(ls "$prefix/bin")"

[ "$("$prefix/bin/mirvosim-cli" --version)" = "mirvosim-cli $version" ] || fail "mirvosim-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/mirvosim" --version)" = "mirvosim $version" ] ||
    fail "mirvosim --version"

# As lintian checks man pages.
for page in mirvosim mirvosim-cli; do
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$prefix/share/man/man1/$page.1.gz" > "$dir/out" 2> "$dir/err"
    [ -s "$dir/out" ] || fail "$page(1) renders empty"
    [ ! -s "$dir/err" ] || fail "$page(1) warns: $(head -3 "$dir/err")"
done

desktop-file-validate "$prefix/share/applications/mirvosim.desktop" || fail "desktop entry does not validate"

# The file type, as the desktop sees it once the databases are built. No
# user or system setting of this machine takes part.
export XDG_DATA_HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_CONFIG_DIRS=$dir/config XDG_DATA_DIRS=$prefix/share
update-mime-database "$prefix/share/mime" || fail "update-mime-database"
update-desktop-database "$prefix/share/applications" || fail "update-desktop-database"
[ "$(xdg-mime query default application/x-mirvosim)" = mirvosim.desktop ] ||
    fail "default application: '$(xdg-mime query default application/x-mirvosim)'"

filetype_is() {  # filetype_is FILE EXPECTED
    local got
    got=$(xdg-mime query filetype "$1")
    [ "$got" = "$2" ] || fail "file type of ${1##*/}: $got, expected $2"
}
"$prefix/bin/mirvosim-cli" run --setting 3 --plays 50 --seed 1 --out "$dir/run3_50_1.sim" > /dev/null || fail "run"
cp "$dir/run3_50_1.sim" "$dir/run-without-extension"
filetype_is "$dir/run3_50_1.sim" application/x-mirvosim
filetype_is "$dir/run-without-extension" application/x-mirvosim
# By content alone: a header and one empty record, in a file without extension.
while read -r identification setting plays expected; do
    file=$dir/header-$identification-$setting-$plays
    perl -e 'print pack("l<*", @ARGV), "\0" x 44' -- "$identification" "$setting" "$plays" > "$file"
    filetype_is "$file" "$expected"
done <<'CASES'
5 1 8000 application/x-mirvosim
5 6 1 application/x-mirvosim
5 4 1073741824 application/x-mirvosim
5 5 2147483647 application/x-mirvosim
5 0 8000 application/octet-stream
5 7 8000 application/octet-stream
5 257 8000 application/octet-stream
5 2 0 application/octet-stream
5 2 -8000 application/octet-stream
4 3 8000 application/octet-stream
CASES

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "install layout, versions, man pages, desktop entry and file type are right"
