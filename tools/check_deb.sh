#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package as a Debian maintainer would: builds it (tools/build_deb.sh), checks
# its file list, runs lintian (pedantic, infos shown), desktop-file-validate and appstreamcli
# validate on it and fails on any error or warning; then installs it, runs the installed
# /usr/bin/sorvanta /a offscreen against a prepared ~/.local/share/sorvanta of a scratch home,
# removes it (nothing may stay behind but the data in the home) and purges it. Needs root or sudo;
# CI runs it after ./test.sh.
#   tools/check_deb.sh [package build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"
need_packages "to check the Debian package" lintian desktop-file-utils appstream
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if dpkg-query -W -f='${Status}' sorvanta 2>/dev/null | grep -q 'install ok installed'; then
    echo "check_deb: a sorvanta package is installed already; leaving it alone" >&2
    exit 1
fi
packages=$("$top/tools/build_deb.sh" "$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
deb=$(ls "$packages"/sorvanta_*.deb)
ddeb=$(ls "$packages"/sorvanta-dbgsym_*.ddeb)
echo "package: $(basename "$deb"), $(basename "$ddeb")"

# The version the project states, everywhere it states it.
version=$(sed -n 's/^project(Sorvanta VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
[ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ] || { echo "check_deb: package version is not $version-1"; exit 1; }
head -n 1 "$top/packaging/changelog.Debian" | grep -q "^sorvanta ($version-1) " ||
    { echo "check_deb: packaging/changelog.Debian does not start with $version-1"; exit 1; }
grep -q "^## $version " "$top/CHANGELOG.md" || { echo "check_deb: CHANGELOG.md has no entry for $version"; exit 1; }
grep -q "<release version=\"$version\"" "$top/packaging/org.sorvanta.Sorvanta.metainfo.xml.in" ||
    { echo "check_deb: the metainfo has no release $version"; exit 1; }

dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/files"
for f in ./usr/bin/sorvanta ./usr/share/sorvanta/help/14.html ./usr/share/applications/sorvanta.desktop \
    ./usr/share/metainfo/org.sorvanta.Sorvanta.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/sorvanta.svg \
    ./usr/share/icons/hicolor/48x48/apps/sorvanta.png ./usr/share/icons/hicolor/256x256/apps/sorvanta.png \
    ./usr/share/doc/sorvanta/copyright ./usr/share/doc/sorvanta/changelog.gz \
    ./usr/share/doc/sorvanta/changelog.Debian.gz ./usr/share/sorvanta/screenshots/main.png; do
    grep -qx "$f" "$tmp/files" || { echo "check_deb: $f is not in the package"; exit 1; }
done
# The private digest library, where no ldconfig looks for it.
grep -q '^\./usr/lib/[^/]*-linux-gnu/sorvanta/libmd5\.so$' "$tmp/files" ||
    { echo "check_deb: libmd5.so is not in /usr/lib/<triplet>/sorvanta"; exit 1; }
dpkg-deb -f "$deb" Depends

# lintian reads a debug package only by the name of a package.
cp "$deb" "$tmp/sorvanta.deb"
cp "$ddeb" "$tmp/sorvanta-dbgsym.deb"
lintian -I --pedantic --fail-on error,warning "$tmp/sorvanta.deb" "$tmp/sorvanta-dbgsym.deb" 2>&1 |
    grep -v '^running with root privileges' | tee "$tmp/lintian" || true
if grep -q '^[EW]: ' "$tmp/lintian"; then
    echo "check_deb: lintian reports errors or warnings"
    exit 1
fi
mkdir "$tmp/contents"
dpkg-deb -x "$deb" "$tmp/contents"
desktop-file-validate "$tmp/contents/usr/share/applications/sorvanta.desktop"
desktop-file-validate "$tmp/contents/usr/share/sorvanta/sorvanta-autostart.desktop"
appstreamcli validate --pedantic --no-net "$tmp/contents/usr/share/metainfo/org.sorvanta.Sorvanta.metainfo.xml" |
    tee "$tmp/appstream" || { echo "check_deb: appstreamcli validate failed"; exit 1; }
if grep -q '^[EW]: ' "$tmp/appstream"; then
    echo "check_deb: appstreamcli reports errors or warnings"
    exit 1
fi
echo "check_deb: lintian, desktop-file-validate and appstreamcli validate report no error and no warning"

chmod 644 "$tmp/sorvanta.deb"
chmod 755 "$tmp"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$tmp/sorvanta.deb" >/dev/null
remove() {
    if dpkg-query -W sorvanta >/dev/null 2>&1; then
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq sorvanta >/dev/null || true
    fi
    rm -rf "$tmp"
}
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

# Removal leaves nothing of the package behind: no configuration files, so no "rc" state.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq sorvanta >/dev/null
state=$(dpkg-query -W -f='${db:Status-Abbrev}' sorvanta 2>/dev/null || true)
case "$state" in
"" | "un"* | "pn"*) ;;
*) echo "check_deb: after removal the package is in state '$state'"; exit 1 ;;
esac
echo "check_deb: installed, sorted with /usr/bin/sorvanta /a, removed without a trace"
