#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the built suite once more as an ordinary user. Root passes over permission bits, takes a
# lease on any file and reads every process in /proc, so a suite that only ever ran as root hides
# what a user meets. Run as root (CI does, after ./test.sh): it creates the user sorvanta-test
# (or $SORVANTA_TEST_USER) when missing, hands it the build folder, lets it pass through the
# folders above the tree for the run, and runs ctest as that user.
#   tools/test_as_user.sh [build folder] [ctest arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-"$top/build"}" && pwd)
[ $# -eq 0 ] || shift
user=${SORVANTA_TEST_USER:-sorvanta-test}
if [ "$(id -u)" -ne 0 ]; then
    echo "test_as_user: run this as root; as $(id -un) run ctest in the build folder directly" >&2
    exit 1
fi
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"
need_packages "to let the test user through the folders above the tree" acl
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /usr/sbin/nologin "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# The build folder is the user's for the run and goes back to its owner afterwards. The user may
# pass through (not list) each folder above the tree that it could not enter, for the run only.
owner=$(stat -c %u:%g "$build")
opened=()
runtime=$(mktemp -d)
cleanup() {
    local dir
    for dir in "${opened[@]}"; do
        setfacl -x "u:$user" "$dir" || true
    done
    rm -rf "$runtime"
    chown -R "$owner" "$build"
}
trap cleanup EXIT
chown -R "$user:" "$build"
dir=$top
while :; do
    if ! runuser -u "$user" -- test -x "$dir"; then
        setfacl -m "u:$user:x" "$dir"
        opened+=("$dir")
    fi
    [ "$dir" != / ] || break
    dir=$(dirname "$dir")
done
chown "$user:" "$runtime"
chmod 700 "$runtime"

echo "Running the suite as $user ($(id -u "$user"))" >&2
cd "$build"
runuser -u "$user" -- env -i HOME="$home" PATH="$PATH" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$runtime" ctest --output-on-failure -j "$(nproc)" "$@"
