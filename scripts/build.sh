#!/usr/bin/env bash
# Configures (once) and builds everything into build/ (programs in build/bin);
# with arguments, only those targets (run-demo.sh builds just what it runs).
# KQ_BUILD_DIR names another build folder; KQ_CMAKE_ARGS adds configure
# options for a new one (the CI's sanitizer pass uses both). KQ_BUILD_GUI=OFF
# configures a new folder without the Qt windows (and installs no Qt).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
build="${KQ_BUILD_DIR:-$root/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086 # the options are words on purpose
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKQ_BUILD_GUI="${KQ_BUILD_GUI:-ON}" ${KQ_CMAKE_ARGS:-} >/dev/null
fi
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
