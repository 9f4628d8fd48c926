#!/usr/bin/env bash
# Builds everything and runs every test: unit, window (offscreen) and
# end-to-end against the simulated module.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/build.sh"
build="${KQ_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
