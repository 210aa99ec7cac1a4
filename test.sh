#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds into build/ and runs every test. SORVANTA_SANITIZE=1 builds
# into build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$("$top/tools/setup.sh")
export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
chmod 0700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
trap 'rm -rf "$runtime"' EXIT
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
