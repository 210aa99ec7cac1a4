#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program and the unit tests with clang into build-clang/, warnings as errors, and runs
# the unit tests. Packagers and sanitizer or fuzzing builds use clang, so the tree must build with
# it as well as with GCC. The window tests and benchmarks are left to the GCC build, which keeps
# this check to about half a build.
#   tools/check_clang.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build-clang"}
# shellcheck source=tools/packages.sh
source "$top/tools/packages.sh"
need_packages "to build with clang" clang cmake make qt6-base-dev libgtest-dev libssl-dev
echo "Building with clang in $build" >&2
cmake -S "$top" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DSORVANTA_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target sorvanta sorvanta_tests >&2
"$build/tests/sorvanta_tests" --gtest_brief=1
