#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by test.sh and run.sh: installs the Debian packages the build needs (only those that are
# missing), then configures and builds into build/ (or build-asan/ with SORVANTA_SANITIZE=1).
set -euo pipefail

packages=(g++ cmake make qt6-base-dev libgtest-dev libssl-dev fonts-ipafont-gothic qt6-translations-l10n
    libqt6svg6 desktop-file-utils appstream dpkg-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${SORVANTA_SANITIZE:-0}" = 1 ]; then
    build="$top/build-asan"
    sanitize=ON
else
    build="$top/build"
    sanitize=OFF
fi
cmake -S "$top" -B "$build" -DSORVANTA_SANITIZE=$sanitize >/dev/null
cmake --build "$build" -j "$(nproc)"
echo "$build"
