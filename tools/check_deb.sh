#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from build/, checks its file list, installs it, runs the installed
# /usr/bin/sorvanta /a offscreen against a prepared ~/.local/share/sorvanta of a scratch home, and
# removes the package again. Needs root or sudo; CI runs it after ./test.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if dpkg-query -W -f='${Status}' sorvanta 2>/dev/null | grep -q 'install ok installed'; then
    echo "check_deb: a sorvanta package is installed already; leaving it alone" >&2
    exit 1
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$build" && cpack -G DEB -B "$tmp/out" >/dev/null)
deb=$(ls "$tmp"/out/sorvanta_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/files"
for f in ./usr/bin/sorvanta ./usr/lib/sorvanta/libmd5.so ./usr/share/sorvanta/help/14.html \
    ./usr/share/applications/sorvanta.desktop ./usr/share/metainfo/org.sorvanta.Sorvanta.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/sorvanta.svg; do
    grep -qx "$f" "$tmp/files" || { echo "check_deb: $f is not in the package"; exit 1; }
done
dpkg-deb -f "$deb" Depends
cp "$deb" "$tmp/sorvanta.deb"
chmod 644 "$tmp/sorvanta.deb"
chmod 755 "$tmp"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$tmp/sorvanta.deb" >/dev/null
remove() { $sudo apt-get purge -y -qq sorvanta >/dev/null || true; rm -rf "$tmp"; }
trap remove EXIT

home=$tmp/home
data=$home/.local/share/sorvanta
mkdir -p "$data" "$tmp/src" "$tmp/dst" "$tmp/run"
chmod 700 "$tmp/run"
text() { printf '%s' "$1" | tr '/' '\\'; }
printf '[Path]\r\nSource=%s\r\n' "$(text "$tmp/src")" >"$data/Sorvanta.ini"
printf 'txt\r\n%s\005%s\006%s\023%s\r\n' "$(text "$tmp/dst")" "0  1022" "0  1022" "0212121111" >"$data/Condition.txt"
echo sorted >"$tmp/src/note.txt"
env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp/run" /usr/bin/sorvanta /a
[ -f "$tmp/dst/note.txt" ] || { echo "check_deb: the installed program did not sort"; exit 1; }
[ -s "$data/History.dat" ] || { echo "check_deb: no history in ~/.local/share/sorvanta"; exit 1; }
echo "check_deb: installed, sorted with /usr/bin/sorvanta /a, removed"
