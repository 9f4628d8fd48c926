#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-win/ (programs
# in build-win/bin, unit tests in build-win/tests). With --test, also runs
# the unit tests under Wine through ctest; further arguments go to ctest.
#   scripts/build-windows.sh [--test [CTEST_ARGS...]]
# KQ_WIN_BUILD_DIR names another build folder. Installs the Debian packages
# it needs when missing. The Win32 dialogs' tests run under Xvfb in a
# Chinese locale, their whole upgrade against kqsim from the Linux build
# folder (KQ_BUILD_DIR, default build/) when that folder is configured.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KQ_WIN_BUILD_DIR:-$root/build-win}"
run_tests=0
if [ "${1:-}" = "--test" ]; then
  run_tests=1
  shift
fi

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest nlohmann-json3-dev libtomlplusplus-dev ccache)
[ $run_tests -eq 1 ] && packages+=(wine wine64 socat xvfb xauth fonts-wqy-microhei locales)
"$root/scripts/deps.sh" --only "${packages[@]}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  # ccache keeps a rebuild from a clean clone short.
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # -O2 as in the Linux build (GCC 12 gives false -Wrestrict warnings at -O3).
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "${launcher[@]}" >/dev/null
fi
started=$(date +%s%N)
cmake --build "$build" -j"$(nproc)"
echo "Built in $(( ($(date +%s%N) - started) / 1000000 )) ms: $build/bin" >&2
[ $run_tests -eq 1 ] || exit 0

linux_build="${KQ_BUILD_DIR:-$root/build}"
if [ -f "$linux_build/CMakeCache.txt" ] && cmake --build "$linux_build" -j"$(nproc)" --target kqsim >/dev/null; then
  export KQ_KQSIM="$linux_build/bin/kqsim"
else
  echo "no Linux build in $linux_build: the dialog test's upgrade against kqsim is skipped" >&2
fi

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
trap kq_wine_stop EXIT
echo "Wine prefix booted in $KQ_WINE_BOOT_MS ms" >&2
ctest --test-dir "$build" --output-on-failure --timeout 120 -j"$(nproc)" "$@"
