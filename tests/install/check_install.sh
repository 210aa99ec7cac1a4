#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix and checks what a Linux user gets: a valid desktop
# entry and metainfo, the icon, the help pages and the digest library in their folders, and a
# program whose own folder takes no files keeping its data in ~/.local/share/sorvanta.
#   check_install.sh <build folder>
set -euo pipefail
build=$1
tmp=$(mktemp -d)
bin=""
cleanup() {
    if [ -n "$bin" ]; then
        chattr -i "$bin" 2>/dev/null || true
        chmod 755 "$bin" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/sorvanta lib/sorvanta/libmd5.so share/sorvanta/help/14.html share/applications/sorvanta.desktop \
    share/metainfo/org.sorvanta.Sorvanta.metainfo.xml share/icons/hicolor/scalable/apps/sorvanta.svg \
    share/icons/hicolor/16x16/apps/sorvanta.png share/icons/hicolor/256x256/apps/sorvanta.png \
    share/sorvanta/screenshots/main.png share/doc/sorvanta/copyright share/doc/sorvanta/changelog.gz \
    share/sorvanta/sorvanta-autostart.desktop lib/systemd/user/sorvanta-watch.service share/man/man1/sorvanta.1.gz; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
# The rendered icons have the sizes their folders promise.
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/sorvanta.png
    file "$png" | grep -q "PNG image data, $size x $size," || { echo "not a ${size}x${size} PNG: $png"; exit 1; }
done
# The installed binaries carry no compiler notes.
if readelf -S "$prefix/bin/sorvanta" | grep -q '\.comment'; then
    echo "bin/sorvanta keeps its .comment section"
    exit 1
fi
desktop-file-validate "$prefix/share/applications/sorvanta.desktop"
desktop-file-validate "$prefix/share/sorvanta/sorvanta-autostart.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.sorvanta.Sorvanta.metainfo.xml" >/dev/null

# The program's folder takes no files: the data goes to the user's data folder.
bin=$prefix/bin
if [ "$(id -u)" -eq 0 ]; then
    chattr +i "$bin" 2>/dev/null || { echo "SKIP: cannot make the program folder immutable"; exit 0; }
else
    chmod 555 "$bin"
fi
home=$tmp/home
data=$home/.local/share/sorvanta
mkdir -p "$data" "$tmp/src" "$tmp/dst" "$tmp/run"
chmod 700 "$tmp/run"
native_to_text() { printf '%s' "$1" | tr '/' '\\'; }
printf '[Path]\r\nSource=%s\r\n' "$(native_to_text "$tmp/src")" >"$data/Sorvanta.ini"
printf 'txt\r\n%s\005%s\006%s\023%s\r\n' "$(native_to_text "$tmp/dst")" "0  1022" "0  1022" "0212121111" \
    >"$data/Condition.txt"
echo sorted >"$tmp/src/note.txt"
env -i HOME="$home" PATH="$PATH" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp/run" \
    "$bin/sorvanta" /a 2>"$tmp/stderr" || { cat "$tmp/stderr"; echo "the installed program failed"; exit 1; }
[ -f "$tmp/dst/note.txt" ] || { cat "$tmp/stderr"; echo "the installed program did not sort"; exit 1; }
[ -s "$data/History.dat" ] || { echo "no history in the user's data folder"; exit 1; }
[ ! -e "$bin/Sorvanta.ini" ] && [ ! -e "$bin/History.dat" ] || { echo "data written beside the program"; exit 1; }
echo "installed program: data in $data, help, library and desktop files in place"
