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

source "$root/scripts/background_kqsim.sh"
start_kqsim "$bin/kqsim" --family 251 --mode boot --baud 115200 --pace both --link "$work/COM"
# The window lists the ports/ links beside the program: pin the module as COM1 there.
mkdir -p "$bin/ports"
if [ -e "$bin/ports/COM1" ] || [ -L "$bin/ports/COM1" ]; then
  echo "$bin/ports/COM1 is in use (is another kqsim running?)" >&2
  exit 1
fi
ln -s "$work/COM" "$bin/ports/COM1"
trap 'rm -f "$bin/ports/COM1"; stop_kqsim' EXIT

mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x900x24" \
  "$bin/flashwright-screenshot" --port COM1 --hex "$root/samples/demo_kq581x.hex" --out "$out"
echo "saved $out" >&2
