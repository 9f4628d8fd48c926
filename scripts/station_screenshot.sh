#!/usr/bin/env bash
# The terminal picture of the README's "Production station": a station of
# three ports against kqsim fixtures (two replace each flashed module 1.5 s
# after its jump, one keeps its module in the bootloader), run in a tmux
# window of 120 x 12 and captured as text after a few cycles into
# docs/station-terminal.txt.
#
# Usage: scripts/station_screenshot.sh [BUILD_DIR]   (default: build; builds nothing)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
for program in flashwright-cli kqsim; do
  [ -x "$bin/$program" ] || { echo "station_screenshot: $bin/$program is missing" >&2; exit 2; }
done
command -v tmux >/dev/null || "$root/scripts/deps.sh" --only tmux

work="$(mktemp -d "${TMPDIR:-/tmp}/station_screenshot.XXXXXX")"
session="station-shot-$$"
pids=()
cleanup() {
  tmux kill-session -t "$session" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/fixture-1" "$work/fixture-2" "$work/fixture-3"
"$bin/kqsim" --replace-after 1500 --pace both --link "$work/fixture-1/port" >/dev/null 2>&1 & pids+=($!)
"$bin/kqsim" --replace-after 1500 --pace both --link "$work/fixture-2/port" >/dev/null 2>&1 & pids+=($!)
"$bin/kqsim" --stay-in-boot --pace both --link "$work/fixture-3/port" >/dev/null 2>&1 & pids+=($!)
sleep 0.5
cd "$work"
"$bin/flashwright-cli" station --print-recipe --port fixture-1/port --port fixture-2/port --port fixture-3/port \
  --log-dir records "$root/samples/demo_kq581x.hex" | sed '1a station = "line-3"' >line-3.toml
tmux new-session -d -s "$session" -x 120 -y 12 "cd '$work' && '$bin/flashwright-cli' station line-3.toml; sleep 60"
sleep 9.3
tmux capture-pane -p -t "$session" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' >"$root/docs/station-terminal.txt"
cat "$root/docs/station-terminal.txt"
