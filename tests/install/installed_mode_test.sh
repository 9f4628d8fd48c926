#!/usr/bin/env bash
# The programs installed, run by a user who cannot write where they lie:
#   installed_mode_test.sh SOURCE_DIR PARENT_BUILD_DIR GUI(ON|OFF) BUILD_TYPE
#
# The programs know their install location from the prefix they were built
# for, so this test configures a build of its own (PARENT_BUILD_DIR/
# installed-mode, sharing objects through ccache) for a prefix in a fresh
# temporary folder, installs into it, makes it read-only and runs the
# installed programs as uid 65534 (as root, through setpriv) or as the
# current user (otherwise). It checks that the remembered files, saved logs,
# the merged file and the ports/ links land in the user's folders and come
# back on the next start. Exit status 77 (skipped) when root cannot switch
# users.
#
# Every process it starts ends with it: on its way out (done, failed, or
# stopped by a signal) it stops whatever it started that still runs; each
# program run as the user also gets SIGTERM when the script dies without a
# word (SIGKILL), and the script itself when its parent (ctest) goes.
set -euo pipefail
if [ -z "${KQ_INSTALL_TEST_GUARDED:-}" ] && command -v setpriv >/dev/null; then
  KQ_INSTALL_TEST_GUARDED=1 exec setpriv --pdeathsig TERM "$0" "$@"
fi
source_dir="$1" parent_build="$2" gui="$3" build_type="$4"
sub_build="$parent_build/installed-mode"

if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "skipped: running as root without setpriv to become another user"; exit 77; }
  run_uid=65534
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --pdeathsig TERM)
else
  run_uid="$(id -u)"
  as_user=()
  command -v setpriv >/dev/null && as_user=(setpriv --pdeathsig TERM)
fi

# A fixed prefix per build folder, so that the test build is configured once.
tag="$(printf '%s' "$parent_build" | cksum | cut -d' ' -f1)"
top="${TMPDIR:-/tmp}/kq-installed-mode-$(id -u)-$tag"
prefix="$top/usr"
sim_pid=""
# The processes below pid, each after its own (the command substitution
# that asks is left out).
descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    [ "$child" = "$BASHPID" ] && continue
    descendants "$child"
    echo "$child"
  done
}
# Stops everything the script started that still runs: SIGTERM, then SIGKILL
# for what is left after five seconds.
stop_children() {
  local pids
  pids="$(descendants $$)"
  [ -n "$pids" ] || return 0
  # shellcheck disable=SC2086 # one word per process id
  kill -TERM $pids 2>/dev/null || true
  for _ in $(seq 50); do
    # Gone, or ended and not yet reaped.
    ps -o stat= -p "$(paste -sd, <<<"$pids")" 2>/dev/null | grep -qv '^Z' || return 0
    sleep 0.1
  done
  # shellcheck disable=SC2086
  kill -KILL $pids 2>/dev/null || true
}
cleanup() {
  [ -z "$sim_pid" ] || { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null || true; }
  sim_pid=""
  chmod -R u+w "$top" 2>/dev/null || true
  rm -rf "$top"
}
leave() {
  local status=$?
  trap - EXIT
  stop_children
  cleanup
  exit $status
}
# Also on SIGTERM and SIGINT: bash runs the exit trap when either ends it
# (a trap of their own would wait for the command that runs at the time).
trap leave EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

# ---- build and install ------------------------------------------------------------------
targets=(flashwright-cli hexsplice-cli kqsim installed-windows-check kq_install_files)
[ "$gui" = ON ] && targets+=(flashwright hexsplice kq_icon_files)
cmake -S "$source_dir" -B "$sub_build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DKQ_BUILD_GUI="$gui" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$sub_build" -j2 --target "${targets[@]}" >/dev/null
cleanup
mkdir -p "$top"
cmake --install "$sub_build" >/dev/null
cp "$sub_build/tests/installed-windows-check" "$prefix/bin/"
chmod -R a-w "$prefix"
bin="$prefix/bin"

# The user's world: a home, a runtime folder, a temporary folder, the inputs.
for d in home home2 run tmp work; do mkdir -p "$top/$d"; done
cp "$source_dir/samples/demo_kq581x.hex" "$source_dir/tests/fixtures/hex/boot_segment_lf.hex" \
  "$source_dir/tests/fixtures/hex/user_segment_lf.hex" "$top/work/"
chmod 0700 "$top/run"
[ "$(id -u)" -eq 0 ] && chown -R "$run_uid:$run_uid" "$top/home" "$top/home2" "$top/run" "$top/tmp" "$top/work"
chmod 0755 "$top"

# Runs a program as the user, with only the variables given.
as_env=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$top/home" TMPDIR="$top/tmp")
as() { "${as_env[@]}" "$@"; }

# ---- versions and hexsplice-cli ---------------------------------------------------------
version="$("$bin/flashwright-cli" --version)"
[[ "$version" =~ ^flashwright-cli\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "flashwright-cli --version: $version"
ok "$version"
(cd "$top/work" && as "$bin/hexsplice-cli" --chip arm boot_segment_lf.hex user_segment_lf.hex >/dev/null) ||
  fail "hexsplice-cli merges into the current folder"
[ -f "$top/work/KQ58XX_bootload_合并.hex" ] || fail "hexsplice-cli wrote no merged file"
ok "hexsplice-cli merges in the current folder"

# ---- kqsim and flashwright-cli meet in the runtime folder -------------------------------
# start_sim ENV...: kqsim in the background as the user; its ready line in $top/ready.
start_sim() {
  # Started as a simple command, not through the function as(): the process
  # id is then kqsim's own, not that of a subshell that kill would end alone.
  "${as_env[@]}" "$@" "$bin/kqsim" --family 251 --baud 115200 >"$top/ready" 2>"$top/sim.err" &
  sim_pid=$!
  for _ in $(seq 100); do grep -q ready "$top/ready" 2>/dev/null && return 0; sleep 0.05; done
  cat "$top/sim.err" >&2
  return 1
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }
flash_through() {
  as "$@" "$bin/flashwright-cli" flash --port COM1 --handshake-timeout 20 "$top/work/demo_kq581x.hex" >"$top/flash.log" ||
    { cat "$top/flash.log" >&2; fail "flashwright-cli upgrades through COM1 ($*)"; }
}
mode_of() { stat -c %a "$1"; }

# Without XDG_RUNTIME_DIR (cron, su): a private folder under the temporary folder.
start_sim || fail "kqsim starts without XDG_RUNTIME_DIR"
fallback="$top/tmp/flashwright-$run_uid"
[ -L "$fallback/ports/COM1" ] || fail "kqsim links $fallback/ports/COM1"
[ "$(mode_of "$fallback")" = 700 ] || fail "$fallback has mode $(mode_of "$fallback")"
flash_through
stop_sim
ok "kqsim and flashwright-cli meet in $fallback/ports/"

# With XDG_RUNTIME_DIR.
start_sim XDG_RUNTIME_DIR="$top/run" || fail "kqsim starts with XDG_RUNTIME_DIR"
[ -L "$top/run/flashwright/ports/COM1" ] || fail "kqsim links \$XDG_RUNTIME_DIR/flashwright/ports/COM1"
as XDG_RUNTIME_DIR="$top/run" "$bin/flashwright-cli" ports | grep -q '^COM1 ' || fail "flashwright-cli ports lists COM1"
flash_through XDG_RUNTIME_DIR="$top/run"
stop_sim
ok "kqsim and flashwright-cli meet in \$XDG_RUNTIME_DIR/flashwright/ports/"

# A fallback folder that another could have made is refused.
chmod 0755 "$fallback"
status=0
as timeout 5 "$bin/kqsim" >"$top/ready" 2>"$top/sim.err" || status=$?
[ $status -eq 1 ] || fail "kqsim does not refuse a fallback folder of mode 0755 (exit status $status)"
grep -q "refused" "$top/sim.err" || fail "kqsim says why: $(cat "$top/sim.err")"
ok "kqsim refuses $fallback with mode 0755: $(cat "$top/sim.err")"

# ---- the windows' files -----------------------------------------------------------------
inputs=("$top/work/demo_kq581x.hex" "$top/work/boot_segment_lf.hex" "$top/work/user_segment_lf.hex")
as "$bin/installed-windows-check" save "${inputs[@]}" || fail "the windows save their files"
home="$top/home"
for f in ".config/flashwright/参数配置.txt" ".config/flashwright/用户文件路径.txt" ".config/hexsplice/路径.txt" \
         ".local/share/hexsplice/KQ58XX_bootload_合并.hex"; do
  [ -f "$home/$f" ] || fail "no ~/$f"
done
compgen -G "$home/.local/share/flashwright/日志保存--*.txt" >/dev/null || fail "no saved log in ~/.local/share/flashwright/"
as "$bin/installed-windows-check" check "${inputs[@]}" || fail "the windows' files come back"
ok "remembered files, saved log and merged file in ~/.config and ~/.local/share, and back"

[ -z "$(find "$prefix" -newer "$bin/installed-windows-check" ! -type d)" ] || fail "something was written in $prefix"

# ---- the Qt programs start, and make their folders --------------------------------------
if [ "$gui" = ON ]; then
  for program in flashwright hexsplice; do
    rm -rf "$top/home2/$program"
    status=0
    as HOME="$top/home2/$program" QT_QPA_PLATFORM=offscreen timeout 5 "$bin/$program" 2>/dev/null || status=$?
    [ $status -eq 124 ] || fail "$program did not keep running (exit status $status)"
    [ -d "$top/home2/$program/.config/$program" ] || fail "$program made no ~/.config/$program"
  done
  ok "flashwright and hexsplice start from the read-only prefix and use the user's folders"
fi
echo "installed mode: all checks passed"
