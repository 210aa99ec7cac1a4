#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the screenshots the package ships and the AppStream metainfo names
# (packaging/screenshots/*.png): the main window with a few sorting conditions, the condition
# editor and the run window, each drawn by the built program under a virtual X display with
# nothing else on it, and cut out of the screen along the window's edges.
#   tools/screenshots.sh [build folder]
# The build must have its tests (the editor and the run window are shown by tests/gui/show_*).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-"$top/build"}" && pwd)
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"
need_packages "to take screenshots under a virtual display" xvfb xauth imagemagick python3 \
    fonts-ipafont-gothic
out=$top/packaging/screenshots
mkdir -p "$out"
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$tmp/display")"
export QT_QPA_PLATFORM=xcb
mkdir -m 700 "$tmp/run"
export XDG_RUNTIME_DIR="$tmp/run"

# shot <name> <command...>: starts the command, waits until its window is on the screen and has
# stopped changing, keeps the screen cut to the window as <name>.png, and ends the command.
shot() {
    local name=$1 previous="" current
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 60); do
        sleep 0.5
        import -window root "$tmp/screen.png"
        convert "$tmp/screen.png" -trim +repage "$tmp/window.png"
        current=$(identify -format '%wx%h %#' "$tmp/window.png")
        if [ "${current%% *}" != 1x1 ] && [ "$current" = "$previous" ]; then
            break
        fi
        previous=$current
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "${current%% *}" != 1x1 ] || { echo "screenshots: $name showed no window" >&2; exit 1; }
    # No time stamps in the file, so that a picture that did not change keeps its bytes.
    convert "$tmp/window.png" -define png:exclude-chunks=date,time -strip "$out/$name.png"
    echo "$out/$name.png: ${current%% *}" >&2
}

# The main window: the program installed in a folder of its own, with a source folder and a few
# conditions in its data files (code page 932, CR LF, paths with backslashes). The folders it shows
# live in a short folder of their own, /tmp/demo when that is free.
demo=/tmp/demo
if ! mkdir -m 700 "$demo" 2>/dev/null; then
    demo=$(mktemp -d /tmp/demo.XXXXXX)
fi
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$tmp" "$demo"' EXIT
prog=$demo/Sorvanta
mkdir -p "$prog/help" "$demo/ダウンロード"
cp "$build/sorvanta" "$build/libmd5.so" "$prog/"
cp "$build"/help/* "$prog/help/"
for f in 夏祭りの写真.jpg 会議資料（第３版）.pdf 猫の動画.mp4 ライブ録音.mp3 setup.exe; do
    : >"$demo/ダウンロード/$f"
done
python3 - "$demo" <<'EOF'
import sys
tmp = sys.argv[1]
def text(path):
    return path.replace("/", "\\")
down = text(tmp + "/ダウンロード")
ini = "[Path]\r\nSource=%s\r\n[Size]\r\nFormWidth=600\r\nFormHeight=300\r\n" % down
open(tmp + "/Sorvanta/Sorvanta.ini", "wb").write(ini.encode("cp932"))
conditions = [
    ("jpg//写真", "写真"),
    ("資料//書類", "書類"),
    ("mp4//動画", "動画"),
    ("mp3//音楽", "音楽"),
    ("setup//インストーラ", "インストーラ"),
]
lines = []
for keywords, dest in conditions:
    lines.append(keywords)
    lines.append(text(tmp + "/") + dest + "\x050  1022\x060  1022\x130212121111")
open(tmp + "/Sorvanta/Condition.txt", "wb").write(("\r\n".join(lines) + "\r\n").encode("cp932"))
EOF
shot main "$prog/sorvanta"
shot editor "$build/tests/gui/show_condition_dialog" 0 30
shot run "$build/tests/gui/show_report_window" 60 0 30
