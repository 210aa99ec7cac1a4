#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by test.sh and run.sh: installs the Debian packages the build needs (only those that are
# missing), then configures and builds into build/ (or build-asan/ with SORVANTA_SANITIZE=1).
# Everything it has to say, the build's progress among it, goes to standard error; standard output
# carries only the build folder, for the calling script.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"

# The compiler and libraries; fonts, Qt's Japanese texts and the SVG plugin for the windows;
# desktop-file-utils and appstream for the installation test; dpkg-dev, file and librsvg2-bin for
# the Debian package (dependencies, file types, the PNG icons).
need_packages "to build and test Sorvanta" g++ cmake make qt6-base-dev libgtest-dev libssl-dev \
    fonts-ipafont-gothic qt6-translations-l10n libqt6svg6 desktop-file-utils appstream dpkg-dev file \
    librsvg2-bin

if [ "${SORVANTA_SANITIZE:-0}" = 1 ]; then
    build="$top/build-asan"
    sanitize=ON
else
    build="$top/build"
    sanitize=OFF
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "Configuring $build. The first build takes about 14 minutes on two cores and needs about 1.3 GB of disk." >&2
fi
cmake -S "$top" -B "$build" -DSORVANTA_SANITIZE=$sanitize >/dev/null
cmake --build "$build" -j "$(nproc)" >&2
echo "$build"
