#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ (or $KQ_SANITIZE_BUILD_DIR)
# and runs every test there: unit, window, end-to-end and the fuzz corpus
# replays. Fails on a failing test and on any sanitizer report, also one from
# a program a test started and whose exit status that test does not look at.
#
# Leak reports whose stack lies in third-party libraries only (Qt's font and
# platform set-up, fontconfig) are suppressed by scripts/lsan-suppressions.txt.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KQ_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
reports="$build/sanitizer-reports"

KQ_BUILD_DIR="$build" KQ_CMAKE_ARGS="-DKQ_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fno-sanitize-recover=undefined" \
  "$root/scripts/build.sh"

rm -rf "$reports"
mkdir -p "$reports"
# Address and leak reports go to a file per process, so that none is lost in
# the output of a child process. Undefined behaviour is reported on stderr
# (the runtime ignores log_path for it) and always ends the process, so the
# test that met it fails.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"

status=0
ctest --test-dir "$build" --output-on-failure --repeat until-pass:2 -j"$(nproc)" "$@" || status=1
if [ -n "$(ls -A "$reports")" ]; then
  echo "Sanitizer reports:" >&2
  for f in "$reports"/*; do
    echo "---- $f" >&2
    cat "$f" >&2
  done
  status=1
fi
[ $status -eq 0 ] && echo "Sanitizer pass: all tests passed, no reports."
exit $status
