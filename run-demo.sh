#!/usr/bin/env bash
# Flashes a sample program into a simulated module: builds what is missing,
# starts kqsim on a pseudo-terminal and runs flashwright-cli against it.
# Extra arguments go to flashwright-cli (e.g. --type nobackup); set
# KQ_DEMO_CHIP=arm to flash the ARM sample into an ARM module.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/build.sh" >&2
bin="${KQ_BUILD_DIR:-$root/build}/bin"

chip="${KQ_DEMO_CHIP:-251}"
case "$chip" in
  251) hex="$root/samples/demo_kq581x.hex" ;;
  arm) hex="$root/samples/demo_kq58xx.hex" ;;
  *) echo "KQ_DEMO_CHIP must be 251 or arm" >&2; exit 2 ;;
esac
mode=boot
for a in "$@"; do case "$a" in nobackup|backup|--type=nobackup|--type=backup) mode=app ;; esac; done

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The module answers at 115200 baud and paces its replies like a real line.
"$bin/kqsim" --family "$chip" --mode "$mode" --baud 115200 --pace both \
  --log "$work/requests.jsonl" >"$work/ready" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do grep -q ready "$work/ready" 2>/dev/null && break; sleep 0.05; done
ready="$(cat "$work/ready")"
[ -n "$ready" ] || { echo "kqsim did not start:" >&2; cat "$work/sim.err" >&2; exit 1; }
echo "$ready" >&2
port="$(sed -n 's/^kqsim: ready on \(COM[0-9]*\) .*/\1/p' "$work/ready")"

status=0
"$bin/flashwright-cli" flash --port "$port" --chip "$chip" "$@" "$hex" || status=$?
echo "flashwright-cli exit status: $status ($(wc -l <"$work/requests.jsonl") requests seen by the simulated module)" >&2
exit "$status"
