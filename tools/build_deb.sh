#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages (sorvanta and sorvanta-dbgsym) from a build of their own in build-deb/:
# installed under /usr, compiled with Debian's flags from dpkg-buildflags (hardening among them),
# without the tests and without warnings as errors. Prints the folder that holds the packages.
#   tools/build_deb.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build-deb"}
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"
need_packages "to build the Debian package" g++ cmake make qt6-base-dev libssl-dev dpkg-dev file \
    librsvg2-bin binutils

# dpkg-buildflags maps the source folder to "." in the debug information; it is asked from there.
# All of Debian's hardening, binding at load time (-z now) among it; CMake reads no CPPFLAGS, so
# they go with the compiler's flags.
cd "$top"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
echo "Building the package in $build" >&2
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DSORVANTA_BUILD_TESTS=OFF \
    -DSORVANTA_WERROR=OFF -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$(nproc)" >&2
rm -f "$build"/packages/*.deb "$build"/packages/*.ddeb
(cd "$build" && cpack -G DEB -B "$build/packages" >&2)

# CPack 3.25 lists the debug package's files in its md5sums by their absolute paths in its staging
# folder and gives it no documents. It is mended as debhelper makes one: md5sums relative to the
# root, the debug files not executable, and its document folder a link to the one of sorvanta,
# which it depends on and comes from the same source as.
ddeb=$(ls "$build"/packages/sorvanta-dbgsym_*.ddeb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -R "$ddeb" "$work/root"
find "$work/root/usr/lib/debug" -type f -exec chmod 644 {} +
mkdir -p "$work/root/usr/share/doc"
ln -s sorvanta "$work/root/usr/share/doc/sorvanta-dbgsym"
(cd "$work/root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$work/root/DEBIAN/md5sums"
grep -q '^Source:' "$work/root/DEBIAN/control" || sed -i '/^Package:/a Source: sorvanta' "$work/root/DEBIAN/control"
dpkg-deb --root-owner-group -b "$work/root" "$ddeb" >/dev/null
echo "$build/packages"
