#!/usr/bin/env bash
# Fuzzing: builds the fuzz targets of tests/fuzz with clang and libFuzzer
# (address and undefined-behaviour sanitizers on) and runs each for a while.
#
# Usage: bench/fuzz.sh [SECONDS] [TARGET...]
#   SECONDS  fuzzing time per target (default 60)
#   TARGET   hex_image, merge_engine, link_receive, parameter_file, line_file,
#            module_address (default: every target that is built)
#   KQ_FUZZ_JOBS=N  targets fuzzed side by side (default 1)
#
# Build folder: build-fuzz-clang (or $KQ_FUZZ_BUILD_DIR). Each target fuzzes
# a work corpus under it, started from tests/fuzz/corpus/<target>; afterwards
# only the inputs that reach new code are merged back into that folder.
# Inputs that crash or break an invariant land in <build>/findings/<target>/.
# The fuzzers run at the lowest priority (nice 19): others build on this machine.
#
# Per target it prints the seconds run, the executions, the corpus size
# before and after the merge, and the findings. Exit status: 0 no findings,
# 1 findings, 2 usage or build failure.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KQ_FUZZ_BUILD_DIR:-$root/build-fuzz-clang}"
jobs="${KQ_FUZZ_JOBS:-1}"
readonly MaxInputBytes=8192     # largest input the fuzzers make, bytes
readonly InputTimeoutSeconds=10 # one input running longer is a finding
readonly RssLimitMb=2048        # memory per fuzzer, MiB

case "${1:-}" in
  -h|--help) sed -n '2,20p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -gt 0 ]] || { echo "SECONDS must be a positive number" >&2; exit 2; }
shift || true

"$root/scripts/deps.sh" clang libclang-rt-14-dev

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DKQ_BUILD_GUI=OFF -DKQ_FUZZ_ENGINE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null || exit 2
fi

all=()
for source in "$root"/tests/fuzz/*_fuzz.cpp; do
  name="$(basename "$source" _fuzz.cpp)"
  all+=("$name")
done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
build_targets=()
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "unknown target: $t" >&2; exit 2; }
  build_targets+=("fuzz_$t")
done
nice -n 19 cmake --build "$build" -j2 --target "${build_targets[@]}" >"$build/fuzz-build.log" 2>&1 ||
  { tail -30 "$build/fuzz-build.log" >&2; echo "fuzz build failed (log: $build/fuzz-build.log)" >&2; exit 2; }

count_files() { find "$1" -maxdepth 1 -type f 2>/dev/null | wc -l; }

# Fuzzes one target; writes its figures to $build/fuzz-<target>.result.
fuzz_one() {
  local name="$1"
  local binary="$build/fuzz/fuzz_$name"
  local corpus="$root/tests/fuzz/corpus/$name"
  local work="$build/work/$name"
  local findings="$build/findings/$name"
  local log="$build/fuzz-$name.log"
  mkdir -p "$corpus" "$work" "$findings"
  local before; before="$(count_files "$corpus")"
  local start; start="$(date +%s)"
  # The fuzzer writes new inputs to the work corpus and reads the committed one too.
  nice -n 19 "$binary" -max_total_time="$seconds" -max_len="$MaxInputBytes" -timeout="$InputTimeoutSeconds" \
    -rss_limit_mb="$RssLimitMb" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$work" "$corpus" >"$log" 2>&1 || true
  local ran=$(( $(date +%s) - start ))
  # Only inputs that reach new code (edges, not hit counts) join the committed corpus.
  nice -n 19 "$binary" -merge=1 -use_counters=0 -max_len="$MaxInputBytes" -timeout="$InputTimeoutSeconds" \
    -rss_limit_mb="$RssLimitMb" -artifact_prefix="$findings/" "$corpus" "$work" >"$log.merge" 2>&1 || true
  local after; after="$(count_files "$corpus")"
  local execs; execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  local found; found="$(count_files "$findings")"
  echo "$name $ran ${execs:-?} $before $after $found" >"$build/fuzz-$name.result"
}

rm -f "$build"/fuzz-*.result
running=0
for t in "${targets[@]}"; do
  fuzz_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then wait -n || true; running=$((running - 1)); fi
done
wait

status=0
printf '%-16s %8s %14s %16s %9s\n' target seconds executions corpus findings
for t in "${targets[@]}"; do
  read -r name ran execs before after found <"$build/fuzz-$t.result"
  printf '%-16s %8s %14s %16s %9s\n' "$name" "$ran" "$execs" "$before -> $after" "$found"
  if [ "$found" -gt 0 ]; then
    status=1
    for f in "$build/findings/$t"/*; do echo "  finding: $f"; done
    grep -m3 -E 'ERROR: |invariant failed|runtime error' "$build/fuzz-$t.log" | sed 's/^/  /' || true
  fi
done
exit $status
