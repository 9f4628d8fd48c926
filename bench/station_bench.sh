#!/usr/bin/env bash
# Station benchmark: flashwright-cli station on 1 and on 4 ports, each port a
# fixture where kqsim replaces the flashed module by a fresh one 1.5 s after
# its jump (--replace-after 1500), both directions paced at 115200 baud.
#
# Usage: bench/station_bench.sh [BUILD_DIR] [--modules N] [--idle SECONDS]
#   BUILD_DIR     build folder holding bin/flashwright-cli and bin/kqsim
#                 (default: $KQ_BUILD_DIR, else the repository's "build").
#                 The script builds nothing.
#   --modules N   modules flashed on every port (default 20)
#   --idle S      how long the processor share of a waiting station is
#                 measured (default 8 seconds)
#   KQ_BENCH_KEEP=1 keeps the work folder and prints where it is.
#
# Each module gets the same 16 KiB image (32 sectors) by the local path. Per
# port count it prints the station's wall time, and how long after a
# module's arrival (kqsim's "has arrived" line) its cycle began (the record's
# start time): median and worst, over every module but each port's first
# (that one is there before the station starts). Then the station's
# processor share per port while it waits: on 4 ports whose modules never
# answer (waiting for a module), and on 4 ports whose flashed modules stay
# (remove the module). Targets: every cycle starts within 1 s of its
# module's arrival, 4 ports take at most 1.05 x the time of one, and a
# waiting station uses under 2 % of a core per port.
# Exit status: 0 all targets held, 1 a target missed or a run failed,
# 2 usage or missing binaries.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
here="$root/bench"

readonly Baud=115200
readonly ReplaceAfterMs=1500
readonly StartTargetS=1          # longest time from a module's arrival to its cycle's start
readonly WallTargetRatio=1.05    # 4 ports' wall time at most this times one port's
readonly CpuTargetPercent=2      # most processor time per waiting port, in percent of wall time

die() { echo "station_bench: $*" >&2; exit 2; }

if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  sed -n "2,/^set -euo/{/^#/s/^# \\{0,1\\}//p}" "${BASH_SOURCE[0]}"
  exit 0
fi
build="${KQ_BUILD_DIR:-$root/build}"
modules=20
idle=8
while [ $# -gt 0 ]; do
  case "$1" in
    --modules) modules="${2:-}"; shift 2 ;;
    --idle) idle="${2:-}"; shift 2 ;;
    -*) die "unknown option $1" ;;
    *) build="$1"; shift ;;
  esac
done
[[ "$modules" =~ ^[1-9][0-9]{0,2}$ ]] && [ "$modules" -ge 2 ] || die "--modules takes 2 to 999"
[[ "$idle" =~ ^[1-9][0-9]{0,2}$ ]] || die "--idle takes 1 to 999 seconds"
bin="$build/bin"
for program in flashwright-cli kqsim; do
  [ -x "$bin/$program" ] || die "$bin/$program is missing: build first (cmake --build $build)"
done

work="$(mktemp -d "${TMPDIR:-/tmp}/station_bench.XXXXXX")"
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

# The user program of an ARM-core module starts at 0x4000; 16 KiB fills 32 sectors.
hex="$work/image.hex"
awk -v base=0x4000 -v size=16384 -v seed=20240601 -f "$here/make_image_hex.awk" >"$hex"

# Starts one fixture on a link in dir; its standard error lines get the time
# they came (seconds since the epoch) in front.
start_sim() {
  local dir="$1"
  shift
  mkdir -p "$dir"
  "$bin/kqsim" --family arm --baud "$Baud" --pace both --link "$dir/port" "$@" >"$dir/sim.out" \
    2> >(while IFS= read -r line; do printf '%s %s\n' "$(date +%s.%N)" "$line"; done >"$dir/sim.err") &
  sim_pids+=($!)
  for _ in $(seq 200); do
    grep -q ready "$dir/sim.out" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "station_bench: kqsim did not start:" >&2
  cat "$dir/sim.err" >&2
  exit 1
}

# The recipe of count ports in dir.
write_recipe() {
  local dir="$1" count="$2" ports="" i
  for i in $(seq "$count"); do ports+="${ports:+, }\"$dir/m$i/port\""; done
  cat >"$dir/recipe.toml" <<EOF
station = "bench"
hex-file = "$hex"
sha256 = "$(sha256sum "$hex" | cut -d' ' -f1)"
port = [$ports]
baud = $Baud
chip = "arm"
log-dir = "records"
EOF
}

# Seconds since the epoch of a local time "YYYY-MM-DD hh:mm:ss.mmm".
epoch() { date -d "$1" +%s.%N; }

echo "Station benchmark: $modules modules per port, each replaced $ReplaceAfterMs ms after its jump,"
echo "16 KiB (32 sectors) each, ARM-core kqsim at $Baud baud 8N1, both directions paced"
echo "station: $bin/flashwright-cli   load average: $(cut -d' ' -f1-3 /proc/loadavg)   processors: $(nproc)"
echo
printf '%5s %8s %11s %12s %14s %13s %5s  %s\n' ports wall_s wall/single start_least_s start_median_s start_worst_s \
  exit targets

failed=0
single=""
for count in 1 4; do
  dir="$work/$count"
  for i in $(seq "$count"); do start_sim "$dir/m$i" --replace-after "$ReplaceAfterMs"; done
  write_recipe "$dir" "$count"
  status=0
  TIMEFORMAT='%3R %3U %3S'
  # A port whose module never leaves would keep the station waiting: it is stopped in time.
  { time timeout -s INT $((modules * 15 + 30)) "$bin/flashwright-cli" station --json --cycles "$modules" "$dir/recipe.toml" \
      >"$dir/station.json" 2>"$dir/station.err"; } 2>"$dir/time" || status=$?
  stop_sims
  read -r wall user sys <"$dir/time"
  [ -n "$single" ] || single="$wall"

  # Each port's n-th arrival (from the second module on) against its n-th cycle's start.
  : >"$dir/delays"
  for i in $(seq "$count"); do
    port="$dir/m$i/port"
    grep ' has arrived$' "$dir/m$i/sim.err" | cut -d' ' -f1 >"$dir/m$i/arrivals" || true
    grep -F "\"port_name\":\"$port\"" "$dir/station.json" | sed 's/.*"started":"\([^"]*\)".*/\1/' | tail -n +2 |
      while IFS= read -r started; do epoch "$started"; done >"$dir/m$i/starts"
    paste "$dir/m$i/arrivals" "$dir/m$i/starts" | awk 'NF == 2 { printf "%.3f\n", $2 - $1 }' >>"$dir/delays"
  done
  expected=$((count * (modules - 1)))
  verdict="$(sort -n "$dir/delays" | awk -v wall="$wall" -v single="$single" -v expected="$expected" \
      -v start_target="$StartTargetS" -v ratio_target="$WallTargetRatio" -v status="$status" -v n="$count" '
    { d[NR] = $1 }
    END {
      median = NR ? (NR % 2 ? d[(NR + 1) / 2] : (d[NR / 2] + d[NR / 2 + 1]) / 2) : -1
      worst = NR ? d[NR] : -1
      ratio = single > 0 ? wall / single : 0
      # An arrival is stamped when its line has been read, a few ms late at
      # worst: a start a little before it is that lag, more would be a
      # cycle paired with the wrong arrival.
      start_ok = NR == expected && worst <= start_target && d[1] > -0.2
      ratio_ok = n == 1 || ratio <= ratio_target
      printf "%d %.3f %.3f %.3f %.3f start<=%ss:%s", status == 0 && start_ok && ratio_ok, ratio, d[1], median, worst,
        start_target, (start_ok ? "held" : "MISSED(" NR "/" expected " cycles matched)")
      if (n > 1) printf " wall<=%sx:%s", ratio_target, (ratio_ok ? "held" : "MISSED")
      printf "\n"
    }')"
  read -r ok ratio least median worst verdicts <<<"$verdict"
  printf '%5s %8s %11s %12s %14s %13s %5s  %s\n' "$count" "$wall" "$ratio" "$least" "$median" "$worst" "$status" \
    "$verdicts"
  echo "      (station user ${user} s + sys ${sys} s over the whole run)"
  if [ "$status" -ne 0 ]; then
    echo "      station failed; last lines of its output:"
    tail -n 8 "$dir/station.err" | sed 's/^/      /'
  fi
  [ "$ok" = 1 ] || failed=1
done

# A waiting station: Ctrl-C after the time given, its processor time read from `time`.
echo
printf '%-24s %5s %8s %12s  %s\n' waiting ports wall_s cpu_%/port target
for kind in "waiting for a module" "remove the module"; do
  dir="$work/idle-${kind// /-}"
  for i in 1 2 3 4; do
    if [ "$kind" = "remove the module" ]; then start_sim "$dir/m$i" --stay-in-boot; else start_sim "$dir/m$i" --silent handshake:all; fi
  done
  write_recipe "$dir" 4
  TIMEFORMAT='%3R %3U %3S'
  { time timeout -s INT "$idle" "$bin/flashwright-cli" station "$dir/recipe.toml" \
      >"$dir/station.out" 2>"$dir/station.err"; } 2>"$dir/time" || true
  stop_sims
  read -r wall user sys <"$dir/time"
  verdict="$(awk -v wall="$wall" -v user="$user" -v sys="$sys" -v target="$CpuTargetPercent" 'BEGIN {
    cpu = wall > 0 ? 100 * (user + sys) / wall / 4 : 0
    printf "%d %.2f cpu<%s%%:%s\n", cpu < target, cpu, target, (cpu < target ? "held" : "MISSED")
  }')"
  read -r ok cpu cpu_verdict <<<"$verdict"
  printf '%-24s %5s %8s %12s  %s\n' "$kind" 4 "$wall" "$cpu" "$cpu_verdict"
  [ "$ok" = 1 ] || failed=1
done

echo
if [ "$failed" = 0 ]; then echo "all targets held"; else echo "some targets MISSED"; fi
exit "$failed"
