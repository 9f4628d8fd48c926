#!/usr/bin/env bash
# The Windows step of CI: cross-builds the Windows programs (build-win/),
# boots a fresh Wine prefix (with an Xvfb display), runs the Windows unit
# and Win32 dialog tests in it (the dialogs' upgrade against the Linux
# build's kqsim) and then the end-to-end tests against the .exe files (label
# wine of the Linux build, which it configures with KQ_WINDOWS_BIN_DIR), and
# stops Wine. Installs the Debian packages it needs when missing; prints the
# time of each stage.
#   scripts/windows-tests.sh
# KQ_BUILD_DIR and KQ_WIN_BUILD_DIR name other Linux and Windows build folders.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
linux="${KQ_BUILD_DIR:-$root/build}"
win="${KQ_WIN_BUILD_DIR:-$root/build-win}"
ctest_jobs=$(nproc)

now() { date +%s%N; }
seconds() { awk -v ns="$(( $(now) - $1 ))" 'BEGIN { printf "%.1f s", ns / 1e9 }'; }
timings=()

# The Linux build's packages (kqsim and the end-to-end tests), Wine, Xvfb,
# and the Chinese locale and font of the dialogs.
"$root/scripts/deps.sh"
"$root/scripts/deps.sh" --only wine wine64 socat xvfb xauth fonts-wqy-microhei locales

started=$(now)
KQ_WIN_BUILD_DIR="$win" "$root/scripts/build-windows.sh"
timings+=("cross-build: $(seconds "$started")")

started=$(now)
if [ -f "$linux/CMakeCache.txt" ]; then
  cmake "$linux" -DKQ_WINDOWS_BIN_DIR="$win/bin" >/dev/null
else
  cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKQ_WINDOWS_BIN_DIR="$win/bin" >/dev/null
fi
# e2e_db_tests: the station's records through Wine's ODBC into the test cluster.
cmake --build "$linux" -j"$(nproc)" --target e2e_tests e2e_db_tests
export KQ_KQSIM="$linux/bin/kqsim"  # built for the end-to-end tests
timings+=("Linux end-to-end build: $(seconds "$started")")

started=$(now)
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
trap kq_wine_stop EXIT
timings+=("Wine prefix boot: $(seconds "$started")")

# As in run-tests.sh, a failing test is run once more before it counts: a
# Wine process on a loaded two-core machine may stumble once.
status=0
started=$(now)
ctest --test-dir "$win" --output-on-failure --repeat until-pass:2 --timeout 120 -j"$ctest_jobs" || status=1
timings+=("Windows unit tests: $(seconds "$started")")

started=$(now)
ctest --test-dir "$linux" -L wine --output-on-failure --repeat until-pass:2 --timeout 400 -j"$ctest_jobs" || status=1
timings+=("end-to-end under Wine: $(seconds "$started")")

# What was skipped under Wine, and why (GTEST_SKIP's message follows "Skipped").
for dir in "$win" "$linux"; do
  grep -h -A1 ': Skipped$' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | grep -v -e ': Skipped$' -e '^--$' || true
done | sort -u | sed 's/^/Skipped under Wine: /' >&2
printf '%s\n' "${timings[@]}" >&2
exit $status
