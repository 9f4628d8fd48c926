#!/bin/sh
# Soak: 300 consecutive upgrades through the core against simulated modules
# with random faults (see kq_soak --help). Builds kq_soak and kqsim in the
# given build folder first.
#   bench/soak.sh [BUILD_DIR] [kq_soak options, e.g. --seed 7 --runs 300]
# Exit status 0 only when every run passed, no descriptor leaked and memory
# stayed flat.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
[ $# -gt 0 ] && shift
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DKQ_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" --target kq_soak kqsim -j2 >/dev/null
exec "$build/bin/kq_soak" --runs 300 "$@"
