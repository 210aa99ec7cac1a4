#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the program with the given arguments.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$("$top/tools/setup.sh" | tail -n 1)
if [ ! -x "$build/sorvanta" ]; then
    echo "Sorvanta: メインウィンドウはまだありません。現在はライブラリとテストのみ構築されます (./test.sh)。"
    echo "Sorvanta: the main window is not built yet; only the library and its tests are (./test.sh)."
    exit 0
fi
exec "$build/sorvanta" "$@"
