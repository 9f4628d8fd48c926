#!/usr/bin/env bash
# Flash benchmark: how close flashwright-cli comes to the speed of the line.
#
# Usage: bench/flash_bench.sh [--base BASE_DIR] [--adapters LIST] [BUILD_DIR] [CASE...]
#   BUILD_DIR  build folder holding bin/flashwright-cli and bin/kqsim
#              (default: $KQ_BUILD_DIR, else the repository's "build").
#              The script builds nothing.
#   BASE_DIR   a second build folder (e.g. of an older commit) whose
#              flashwright-cli runs each case just before BUILD_DIR's, against
#              the same kqsim: both rows side by side, measured under the same
#              load. Only BUILD_DIR's rows are held to the targets.
#   LIST       the lines each case runs on, comma-separated: pty (the bare
#              pseudo-terminal) and latency timers in ms of a modelled USB
#              adapter (kqsim --adapter-latency); default pty,1,16
#   CASE       local-115200, local-19200, local-9600, backup-9600 or
#              backup-115200-64 (default: all five)
#   KQ_BENCH_KEEP=1 keeps the work folder (HEX file, flasher output,
#   simulator request logs) and prints where it is.
#
# Each case writes a 64 KiB image of random-looking bytes (128 sectors) to an
# ARM-core module played by kqsim, which holds every request and every reply
# for its time on the line (8N1, 10 bits per character); backup-115200-64 is
# the remote upgrade with backup in 64-byte frames (1024 requests). Per case
# and build it prints the wall time of the flasher, the wire time (all request
# and reply bytes of kqsim's request log x 10 / baud, a lower bound for any
# run), wire/wall, the flasher's own processor time (user + system) as a share
# of wall time, and the flasher's exit status; then whether the targets hold.
# Each case runs on the bare pseudo-terminal and behind a modelled USB adapter
# whose latency timer holds every reply until the timer runs out (1 ms, and an
# FTDI chip's default of 16 ms) or 62 bytes have gathered: the line use a real
# adapter gives. Only the pseudo-terminal's rows are held to the targets.
# Exit status: 0 all targets held, 1 a target missed or a run failed,
# 2 usage or missing binaries.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
here="$root/bench"

# Bits per character on the line: start, 8 data, stop.
readonly BitsPerCharacter=10
# Most processor time the flasher may use, in percent of its wall time.
readonly CpuTargetPercent=2

die() { echo "flash_bench: $*" >&2; exit 2; }

usage="usage: bench/flash_bench.sh [--base BASE_DIR] [--adapters LIST] [BUILD_DIR] [CASE...]"
build="${KQ_BUILD_DIR:-$root/build}"
base=""
adapters="pty,1,16"
if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  sed -n "2,/^set -euo/{/^#/s/^# \\{0,1\\}//p}" "${BASH_SOURCE[0]}"
  exit 0
fi
while [ "${1:-}" = --base ] || [ "${1:-}" = --adapters ]; do
  [ $# -ge 2 ] || die "$usage"
  if [ "$1" = --base ]; then base="$2"; else adapters="$2"; fi
  shift 2
done
IFS=, read -r -a lines <<<"$adapters"
[ ${#lines[@]} -gt 0 ] || die "$usage"
for line in "${lines[@]}"; do
  [ "$line" = pty ] || { [[ "$line" =~ ^[0-9]+$ ]] && [ "$line" -ge 1 ] && [ "$line" -le 255 ]; } ||
    die "--adapters: $line is neither pty nor a latency of 1 to 255 ms"
done
if [ $# -gt 0 ] && [[ "$1" != local-* && "$1" != backup-* ]]; then
  build="$1"
  shift
fi
[ "$build" != "${build#-}" ] && die "$usage"
bin="$build/bin"
for program in flashwright-cli kqsim; do
  [ -x "$bin/$program" ] || die "$bin/$program is missing: build first (cmake --build $build)"
done
[ -z "$base" ] || [ -x "$base/bin/flashwright-cli" ] || die "$base/bin/flashwright-cli is missing"

# name  baud  bootload type  frame bytes  wire/wall target
all_cases=(
  "local-115200 115200 local 512 0.92"
  "local-19200 19200 local 512 0.97"
  "local-9600 9600 local 512 0.97"
  "backup-9600 9600 backup 512 0.97"
  "backup-115200-64 115200 backup 64 0.55"
)
all_names=(local-115200 local-19200 local-9600 backup-9600 backup-115200-64)
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=("${all_names[@]}")
cases=()
for name in "${chosen[@]}"; do
  found=""
  for row in "${all_cases[@]}"; do [ "${row%% *}" = "$name" ] && found="$row"; done
  [ -n "$found" ] || die "unknown case $name (use ${all_names[*]})"
  cases+=("$found")
done
# Flashers to time per case: label and folder, the base (if any) first.
builds=()
[ -z "$base" ] || builds+=("base $base/bin")
builds+=("this $bin")

work="$(mktemp -d "${TMPDIR:-/tmp}/flash_bench.XXXXXX")"
sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
}
cleanup() {
  stop_sim
  if [ "${KQ_BENCH_KEEP:-0}" = 1 ]; then echo "work folder kept: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The user program of an ARM-core module starts at 0x4000; 64 KiB fills 128 sectors.
hex="$work/image.hex"
awk -v base=0x4000 -v size=65536 -v seed=20240601 -f "$here/make_image_hex.awk" >"$hex"

# Starts kqsim for one case on a link in the work folder, behind a modelled
# adapter unless the line is pty; sets sim_pid.
start_sim() {
  local dir="$1" baud="$2" mode="$3" line="$4"
  local adapter=()
  [ "$line" = pty ] || adapter=(--adapter-latency "$line")
  "$bin/kqsim" --family arm --mode "$mode" --baud "$baud" --pace both --bits "$BitsPerCharacter" "${adapter[@]}" \
    --link "$dir/port" --log "$dir/requests.jsonl" >"$dir/sim.out" 2>"$dir/sim.err" &
  sim_pid=$!
  for _ in $(seq 200); do
    grep -q ready "$dir/sim.out" 2>/dev/null && return 0
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "flash_bench: kqsim did not start:" >&2
  cat "$dir/sim.err" >&2
  exit 1
}

# Sum of request and reply bytes and the request count of a kqsim log.
line_bytes() {
  [ -f "$1" ] || { echo "0 0"; return; }
  awk '{
      for (i = 1; i <= NF; i++) {
        if ($i == "request_bytes") total += $(i + 1)
        if ($i == "reply_bytes") total += $(i + 1)
      }
      requests++
    }
    END { printf "%d %d\n", total, requests }' FS='[":,{}]+' "$1"
}

echo "Flash benchmark: 64 KiB (128 sectors) to an ARM-core module on kqsim, 8N1, both directions paced"
echo "flasher: $bin/flashwright-cli   load average: $(cut -d' ' -f1-3 /proc/loadavg)   processors: $(nproc)"
[ -z "$base" ] || echo "base:    $base/bin/flashwright-cli (runs each case first; kqsim of $bin for both)"
echo
echo "line: pty = the bare pseudo-terminal; N ms = behind a USB adapter whose latency timer is N ms"
echo
printf '%-16s %6s %5s %5s %8s %8s %9s %6s %5s  %s\n' case baud line build wall_s wire_s wire/wall cpu_% exit targets

# Runs one case with one flasher on one line and prints its row; sets case_ok.
run_case() {
  local name="$1" baud="$2" type="$3" frame="$4" target="$5" label="$6" flasher="$7" line="$8"
  local dir="$work/$name-$line-$label"
  mkdir -p "$dir"
  local extra
  if [ "$type" = local ]; then
    start_sim "$dir" "$baud" boot "$line"
    extra=(--handshake-timeout 10)
  else
    # The user program runs; the upgrade goes to 0x20000, clear of the 64 KiB at 0x4000.
    start_sim "$dir" "$baud" app "$line"
    extra=(--type backup --frame "$frame" --area 64 --upgrade-offset 20000)
  fi

  # Times the flasher alone: kqsim runs in the background and is reaped later.
  local status=0
  TIMEFORMAT='%3R %3U %3S'
  { time "$flasher/flashwright-cli" flash --port "$dir/port" --baud "$baud" --chip arm "${extra[@]}" "$hex" \
      >"$dir/flasher.out" 2>"$dir/flasher.err"; } 2>"$dir/time" || status=$?
  stop_sim

  local wall user sys bytes requests verdict ok wire ratio cpu wire_verdict cpu_verdict gap
  read -r wall user sys <"$dir/time"
  read -r bytes requests < <(line_bytes "$dir/requests.jsonl")
  verdict="$(awk -v wall="$wall" -v user="$user" -v sys="$sys" -v bytes="$bytes" -v baud="$baud" \
      -v bits="$BitsPerCharacter" -v target="$target" -v cpu_target="$CpuTargetPercent" -v status="$status" 'BEGIN {
    wire = bytes * bits / baud
    ratio = wall > 0 ? wire / wall : 0
    cpu = wall > 0 ? 100 * (user + sys) / wall : 0
    ok = status == 0 && ratio >= target && cpu <= cpu_target
    printf "%d %.3f %.3f %.3f %.2f wire/wall>=%s:%s cpu<=%s%%:%s\n", ok, wall, wire, ratio, cpu,
      target, (ratio >= target ? "held" : "MISSED"), cpu_target, (cpu <= cpu_target ? "held" : "MISSED")
  }')"
  read -r ok wall wire ratio cpu wire_verdict cpu_verdict <<<"$verdict"
  # The base and the adapter rows are measured for comparison only.
  local shown_line="$line"
  [ "$line" = pty ] || shown_line="${line}ms"
  if [ "$label" = base ] || [ "$line" != pty ]; then
    wire_verdict=""
    cpu_verdict=""
    [ "$status" -eq 0 ] && ok=1
  fi
  printf '%-16s %6s %5s %5s %8s %8s %9s %6s %5s  %s %s\n' "$name" "$baud" "$shown_line" "$label" "$wall" "$wire" \
    "$ratio" "$cpu" "$status" "$wire_verdict" "$cpu_verdict"
  gap="$(awk -v wall="$wall" -v wire="$wire" -v n="$requests" 'BEGIN { printf "%.1f", (n > 0 ? 1000 * (wall - wire) / n : 0) }')"
  echo "                 ($requests requests, $bytes bytes on the line, ${gap} ms beyond the wire per request;"
  echo "                  flasher user ${user} s + sys ${sys} s)"
  if [ "$status" -ne 0 ]; then
    echo "                 flasher failed; last lines of its output:"
    tail -n 5 "$dir/flasher.out" | sed 's/^/                 /'
  fi
  case_ok="$ok"
}

failed=0
for row in "${cases[@]}"; do
  read -r name baud type frame target <<<"$row"
  for line in "${lines[@]}"; do
    for entry in "${builds[@]}"; do
      read -r label flasher <<<"$entry"
      run_case "$name" "$baud" "$type" "$frame" "$target" "$label" "$flasher" "$line"
      [ "$label" = base ] || [ "$case_ok" = 1 ] || failed=1
    done
  done
done

echo
if [ "$failed" = 0 ]; then echo "all targets held"; else echo "some targets MISSED"; fi
exit "$failed"
