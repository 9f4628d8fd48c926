#!/usr/bin/env bash
# Takes the README's pictures of both Win32 windows under Wine and Xvfb:
#   flashwright-window-windows.png  one local upgrade of the KQ581X sample
#                                   against kqsim, after the run has ended;
#   hexsplice-window-windows.png    a bootloader and the sample chosen.
# Each window runs in a Wine virtual desktop (which draws the title bar) in a
# Chinese locale; the HEX files are shown from ~/firmware (made for the
# pictures and removed afterwards), so that no checkout path appears.
#   scripts/windows_screenshot.sh [FOLDER]   (default docs/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs}")"
# fonts-wine: the caption buttons' glyphs (Marlett) in the pictures' title bars.
"$root/scripts/deps.sh" --only imagemagick xvfb xauth fonts-wqy-microhei fonts-wine locales
locale -a | grep -qi '^zh_CN\.utf-\?8$' || localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
"$root/scripts/build-windows.sh" >&2
win="${KQ_WIN_BUILD_DIR:-$root/build-win}"
cmake --build "$win" --target win32-dialog-pictures >&2
linux="${KQ_BUILD_DIR:-$root/build}"
[ -f "$linux/CMakeCache.txt" ] || cmake -S "$root" -B "$linux" -G Ninja >/dev/null
cmake --build "$linux" -j2 --target kqsim >&2

source "$root/scripts/picture_files.sh"

unset DISPLAY  # wine-env.sh starts an Xvfb of its own
source "$root/scripts/wine-env.sh"
# The caption buttons' glyphs: Wine reads the fonts of its Windows folder.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
source "$root/scripts/background_kqsim.sh"
cleanup() {
  picture_files_remove
  stop_kqsim
  kq_wine_stop
}
trap cleanup EXIT
picture_files_make
start_kqsim "$linux/bin/kqsim" --family 251 --mode boot --baud 115200 --link "$WINEPREFIX/dosdevices/com3"

# picture NAME ARGS...: runs the window in a virtual desktop until it is
# ready, then saves the part of the screen it takes.
picture() {
  local name="$1" ready="$work/window-ready"
  shift
  rm -f "$ready"
  LC_ALL=zh_CN.UTF-8 wine explorer /desktop=pictures,1100x760 "$win/tests/win32-dialog-pictures.exe" "$@" \
    "$(winepath -w "$ready")" </dev/null >/dev/null 2>&1 &
  local shown=$!
  for _ in $(seq 1200); do [ -s "$ready" ] && break; sleep 0.05; done
  [ -s "$ready" ] || { echo "the $name window did not come up" >&2; exit 1; }
  sleep 1  # the last repaint
  import -window root -crop "$(cat "$ready")" +repage "$out/$name"
  rm -f "$ready"
  wait "$shown" || true
}

mkdir -p "$out"
picture flashwright-window-windows.png flashwright "$(winepath -w "$user")" 3
picture hexsplice-window-windows.png hexsplice "$(winepath -w "$boot")" "$(winepath -w "$user")"
echo "saved $out/flashwright-window-windows.png and $out/hexsplice-window-windows.png" >&2
