#!/usr/bin/env bash
# Takes the README's picture of the flashwright window: starts kqsim, runs
# one local upgrade of the KQ581X sample in the window under Xvfb and saves
# the window once the run has ended.
#   scripts/window_screenshot.sh [PICTURE.png]   (default docs/flashwright-window.png)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/flashwright-window.png}")"
"$root/scripts/deps.sh" xvfb xauth fonts-wqy-microhei
"$root/scripts/build.sh" >&2
bin="${KQ_BUILD_DIR:-$root/build}/bin"

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/kqsim" --family 251 --mode boot --baud 115200 --pace both --link "$work/COM" >"$work/ready" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do grep -q ready "$work/ready" 2>/dev/null && break; sleep 0.05; done
grep -q ready "$work/ready" || { echo "kqsim did not start:" >&2; cat "$work/sim.err" >&2; exit 1; }
# The window lists the ports/ links beside the program: pin the module as COM1 there.
mkdir -p "$bin/ports"
if [ -e "$bin/ports/COM1" ] || [ -L "$bin/ports/COM1" ]; then
  echo "$bin/ports/COM1 is in use (is another kqsim running?)" >&2
  exit 1
fi
ln -s "$work/COM" "$bin/ports/COM1"
trap 'rm -f "$bin/ports/COM1"; cleanup' EXIT

mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x900x24" \
  "$bin/flashwright-screenshot" --port COM1 --hex "$root/samples/demo_kq581x.hex" --out "$out"
echo "saved $out" >&2
