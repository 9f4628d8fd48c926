#!/usr/bin/env bash
# Parallel flash benchmark: one flashwright-cli flashing several modules at
# once, one port each, as a production line does.
#
# Usage: bench/parallel_bench.sh [BUILD_DIR] [COUNT...]
#   BUILD_DIR  build folder holding bin/flashwright-cli and bin/kqsim
#              (default: $KQ_BUILD_DIR, else the repository's "build").
#              The script builds nothing.
#   COUNT      numbers of modules flashed at once (default: 1 2 4)
#   KQ_BENCH_KEEP=1 keeps the work folder and prints where it is.
#
# Every module is an ARM-core kqsim at 115200 baud, 8N1, that holds every
# request and every reply for its time on the line (--pace both); each gets
# the same 64 KiB image (128 sectors) by the local path. Per count it prints
# the flasher's wall time, its processor time (user + system) as a share of
# wall time per port, and its exit status; then whether the targets hold:
# every count's wall time at most 1.15 x the single module's (the line, not
# the processor, sets the pace), and under 2 % processor time per port.
# Exit status: 0 all targets held, 1 a target missed or a run failed,
# 2 usage or missing binaries.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
here="$root/bench"

readonly Baud=115200
readonly BitsPerCharacter=10
readonly WallTargetRatio=1.15   # longest wall time allowed, times the single module's
readonly CpuTargetPercent=2     # most processor time per port, in percent of wall time

die() { echo "parallel_bench: $*" >&2; exit 2; }

if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  sed -n "2,/^set -euo/{/^#/s/^# \\{0,1\\}//p}" "${BASH_SOURCE[0]}"
  exit 0
fi
build="${KQ_BUILD_DIR:-$root/build}"
if [ $# -gt 0 ] && ! [[ "$1" =~ ^[0-9]+$ ]]; then
  build="$1"
  shift
fi
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 2 4)
for count in "${counts[@]}"; do
  [[ "$count" =~ ^[1-9][0-9]?$ ]] && [ "$count" -le 32 ] || die "a count is 1 to 32, got $count"
done
bin="$build/bin"
for program in flashwright-cli kqsim; do
  [ -x "$bin/$program" ] || die "$bin/$program is missing: build first (cmake --build $build)"
done

work="$(mktemp -d "${TMPDIR:-/tmp}/parallel_bench.XXXXXX")"
sim_pids=()
stop_sims() {
  for pid in "${sim_pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${sim_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  sim_pids=()
}
cleanup() {
  stop_sims
  if [ "${KQ_BENCH_KEEP:-0}" = 1 ]; then echo "work folder kept: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The user program of an ARM-core module starts at 0x4000; 64 KiB fills 128 sectors.
hex="$work/image.hex"
awk -v base=0x4000 -v size=65536 -v seed=20240601 -f "$here/make_image_hex.awk" >"$hex"

# Starts one paced module on a link in dir.
start_sim() {
  local dir="$1"
  mkdir -p "$dir"
  "$bin/kqsim" --family arm --baud "$Baud" --pace both --bits "$BitsPerCharacter" \
    --link "$dir/port" >"$dir/sim.out" 2>"$dir/sim.err" &
  sim_pids+=($!)
  for _ in $(seq 200); do
    grep -q ready "$dir/sim.out" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "parallel_bench: kqsim did not start:" >&2
  cat "$dir/sim.err" >&2
  exit 1
}

echo "Parallel flash benchmark: 64 KiB (128 sectors) into each of N ARM-core modules on kqsim at once,"
echo "$Baud baud 8N1, both directions paced; one flashwright-cli, one port per module"
echo "flasher: $bin/flashwright-cli   load average: $(cut -d' ' -f1-3 /proc/loadavg)   processors: $(nproc)"
echo
printf '%7s %8s %10s %12s %5s  %s\n' modules wall_s wall/single cpu_%/port exit targets

failed=0
single=""
for count in "${counts[@]}"; do
  dir="$work/$count"
  ports=()
  for i in $(seq "$count"); do
    start_sim "$dir/m$i"
    ports+=(--port "$dir/m$i/port")
  done
  status=0
  TIMEFORMAT='%3R %3U %3S'
  { time "$bin/flashwright-cli" flash "${ports[@]}" --baud "$Baud" --chip arm --handshake-timeout 10 "$hex" \
      >"$dir/flasher.out" 2>"$dir/flasher.err"; } 2>"$dir/time" || status=$?
  stop_sims
  read -r wall user sys <"$dir/time"
  [ -n "$single" ] || single="$wall"
  verdict="$(awk -v wall="$wall" -v user="$user" -v sys="$sys" -v n="$count" -v single="$single" \
      -v ratio_target="$WallTargetRatio" -v cpu_target="$CpuTargetPercent" -v status="$status" 'BEGIN {
    ratio = single > 0 ? wall / single : 0
    cpu = wall > 0 ? 100 * (user + sys) / wall / n : 0
    ok = status == 0 && ratio <= ratio_target && cpu < cpu_target
    printf "%d %.3f %.2f wall<=%sx:%s cpu<%s%%:%s\n", ok, ratio, cpu,
      ratio_target, (ratio <= ratio_target ? "held" : "MISSED"), cpu_target, (cpu < cpu_target ? "held" : "MISSED")
  }')"
  read -r ok ratio cpu wall_verdict cpu_verdict <<<"$verdict"
  printf '%7s %8s %10s %12s %5s  %s %s\n' "$count" "$wall" "$ratio" "$cpu" "$status" "$wall_verdict" "$cpu_verdict"
  echo "        (flasher user ${user} s + sys ${sys} s)"
  if [ "$status" -ne 0 ]; then
    echo "        flasher failed; last lines of its output:"
    tail -n 8 "$dir/flasher.out" "$dir/flasher.err" | sed 's/^/        /'
  fi
  [ "$ok" = 1 ] || failed=1
done

echo
if [ "$failed" = 0 ]; then echo "all targets held"; else echo "some targets MISSED"; fi
exit "$failed"
