#!/usr/bin/env bash
# Takes the README's pictures of both windows under Xvfb:
#   flashwright-window.png  one local upgrade of the KQ581X sample against kqsim,
#                           saved once the run has ended;
#   hexsplice-window.png    the hexsplice window with a bootloader and the
#                           sample chosen.
# The HEX files are shown from ~/firmware (made for the pictures and removed
# afterwards), so that the pictures show no checkout path.
#   scripts/window_screenshot.sh [FOLDER]   (default docs/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs}")"
"$root/scripts/deps.sh" xvfb xauth
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

source "$root/scripts/picture_files.sh"
cleanup() {
  rm -f "$bin/ports/COM1"
  picture_files_remove
  stop_kqsim
}
trap cleanup EXIT
picture_files_make

mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x900x24" \
  "$bin/flashwright-screenshot" --port COM1 --hex "$user" --out "$out/flashwright-window.png"
xvfb-run -a -s "-screen 0 1280x900x24" \
  "$bin/hexsplice-screenshot" --boot "$boot" --user "$user" --out "$out/hexsplice-window.png"
echo "saved $out/flashwright-window.png and $out/hexsplice-window.png" >&2
