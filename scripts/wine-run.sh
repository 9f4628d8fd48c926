#!/usr/bin/env bash
# Runs one Windows program under Wine, quietly: the emulator of the Windows
# build (cmake/mingw-w64-x86_64.cmake), so that CTest runs the .exe tests.
# Uses WINEPREFIX as set by scripts/wine-env.sh.
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
