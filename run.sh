#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, installs the program into its own folder and starts it there
# with the given arguments. The data files live beside the installed executable, so they survive
# a rebuild or a deleted build/; reinstalling never touches them.
# SORVANTA_PROGRAM_DIR chooses that folder (default: ~/.local/share/sorvanta).
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=$("$top/tools/setup.sh")
dest=${SORVANTA_PROGRAM_DIR:-"${XDG_DATA_HOME:-$HOME/.local/share}/sorvanta"}
mkdir -p "$dest/help"

# A new file renamed over the old one: a running copy keeps its own file untouched.
put() {
    local from=$1 to=$2 mode=$3
    install -m "$mode" "$from" "$to.new.$$"
    mv -f "$to.new.$$" "$to"
}
put "$build/sorvanta" "$dest/sorvanta" 755
for page in "$build"/help/*; do
    put "$page" "$dest/help/$(basename "$page")" 644
done
# The digest library, once it is built, goes beside the executable as well.
for lib in "$build"/libmd5.so*; do
    if [ -e "$lib" ]; then
        put "$lib" "$dest/$(basename "$lib")" 755
    fi
done
exec "$dest/sorvanta" "$@"
