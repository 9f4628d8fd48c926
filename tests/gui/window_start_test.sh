#!/usr/bin/env bash
# The window programs before their windows, as built: without a display, or
# with one named that cannot be reached, each ends with its line and exit
# status 1 (not the toolkit's abort); --version and --help print and exit 0
# without one.
#   window_start_test.sh BIN_DIR VERSION
set -uo pipefail
bin="$1" version="$2"
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in flashwright hexsplice; do
  line="$program: no display: set DISPLAY, or use $program-cli"
  err="$("${no_display[@]}" "$bin/$program" 2>&1 >/dev/null)"
  status=$?
  [ $status -eq 1 ] || fail "$program without a display: exit status $status"
  [ "$err" = "$line" ] || fail "$program without a display said: $err"
  # A display named that is not there: the toolkit's warnings, then the same line.
  err="$("${no_display[@]}" DISPLAY=:65000 "$bin/$program" 2>&1 >/dev/null)"
  status=$?
  [ $status -eq 1 ] || fail "$program with an unreachable display: exit status $status"
  [ "$(tail -n1 <<<"$err")" = "$line" ] || fail "$program with an unreachable display said: $err"
  out="$("${no_display[@]}" "$bin/$program" --version)" || fail "$program --version: exit status $?"
  [ "$out" = "$program $version" ] || fail "$program --version printed: $out"
  out="$("${no_display[@]}" "$bin/$program" --help)" || fail "$program --help: exit status $?"
  [[ "$out" == "Usage: $program "* ]] || fail "$program --help printed: $out"
done
[ $failed -eq 0 ] && echo "both windows: no display, --version and --help as they should be"
exit $failed
