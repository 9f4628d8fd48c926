#!/usr/bin/env bash
# Upgrades a simulated module: builds the programs it runs when missing,
# starts kqsim on a pseudo-terminal (linked as build/bin/ports/COMn) and opens
# the flashwright window beside it; choose that COM port and press "升级". The
# simulated module returns to its bootloader after each upgrade, so the button
# (which reads "下载" after the first run) can be pressed again. Closing the
# window stops the simulated module.
#
# Without a display (or with --cli) the same upgrade runs in the terminal
# through flashwright-cli; further arguments then go to flashwright-cli
# (e.g. --type nobackup). KQ_DEMO_CHIP=arm uses the ARM sample and module.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bin="${KQ_BUILD_DIR:-$root/build}/bin"

use_cli=0
if [ "${1:-}" = "--cli" ]; then use_cli=1; shift; fi
if [ $use_cli -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running the upgrade in the terminal instead of the window." >&2
  use_cli=1
fi
# Only the programs the demo runs (run-tests.sh builds the rest); a build
# without the Qt windows has no window to build.
programs=(kqsim flashwright-cli)
[ "${KQ_BUILD_GUI:-ON}" != "OFF" ] && programs+=(flashwright)
"$root/scripts/build.sh" "${programs[@]}" >&2

chip="${KQ_DEMO_CHIP:-251}"
case "$chip" in
  251) hex="$root/samples/demo_kq581x.hex" ;;
  arm) hex="$root/samples/demo_kq58xx.hex" ;;
  *) echo "KQ_DEMO_CHIP must be 251 or arm" >&2; exit 2 ;;
esac
mode=boot
for a in "$@"; do case "$a" in nobackup|backup|--type=nobackup|--type=backup) mode=app ;; esac; done

source "$root/scripts/background_kqsim.sh"
# The module answers at 115200 baud and paces its replies like a real line.
# --stay-in-boot: after the jump it is in its bootloader again, ready for the next upgrade.
start_kqsim "$bin/kqsim" --family "$chip" --mode "$mode" --baud 115200 --pace both --stay-in-boot \
  --log "$work/requests.jsonl"
echo "$ready" >&2
port="$(sed -n 's/^kqsim: ready on \(COM[0-9]*\) .*/\1/p' "$work/ready")"

if [ $use_cli -eq 1 ]; then
  status=0
  "$bin/flashwright-cli" flash --port "$port" --chip "$chip" "$@" "$hex" || status=$?
  echo "flashwright-cli exit status: $status ($(wc -l <"$work/requests.jsonl") requests seen by the simulated module)" >&2
  exit "$status"
fi

# First demo on this build: the window comes up with the sample already chosen.
last_path="$bin/用户文件路径.txt"
if [ ! -e "$last_path" ]; then
  printf '%s\r\r\n\r\r\n' "$hex" | iconv -f UTF-8 -t GB18030 >"$last_path"
fi
chip_item="KQ581X(251内核)"; [ "$chip" = arm ] && chip_item="KQ58XX(ARM内核)"
cat >&2 <<INFO
The flashwright window opens now. Choose port ${port/COM/COM } in "串口", chip type $chip_item,
bootload type "本地", the HEX file $(basename "$hex") ("选择hex文件"), then press "升级".
After the first run the button reads "下载"; press it again for another upgrade.
Close the window to end the demo.
INFO
status=0
"$bin/flashwright" || status=$?
echo "$(wc -l <"$work/requests.jsonl") requests seen by the simulated module" >&2
exit "$status"
