#!/usr/bin/env bash
# Draws the icons and status pictures of the Windows programs into win32/art/
# with the Qt windows' own drawing code (qt/tools/win32_art_main.cpp). The cross
# build has no Qt, so the files are kept in the repository: run this after
# changing a drawing, and commit what it wrote.
#   scripts/make_win32_art.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KQ_BUILD_DIR:-$root/build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target win32-art
mkdir -p "$root/win32/art"
QT_QPA_PLATFORM=offscreen "$build/bin/win32-art" "$root/win32/art"
ls -l "$root/win32/art" >&2
