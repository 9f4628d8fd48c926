# Sourced by the scripts that run kqsim beside a flasher. Defines
#   start_kqsim KQSIM ARGS...   starts it in the background in a fresh $work
#                               folder and waits for its ready line, which it
#                               leaves in $ready (the process id in $sim_pid);
# and an exit trap that stops it and removes $work.
work="$(mktemp -d)"
sim_pid=""
stop_kqsim() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop_kqsim EXIT

start_kqsim() {
  "$@" >"$work/ready" 2>"$work/sim.err" &
  sim_pid=$!
  for _ in $(seq 100); do grep -q ready "$work/ready" 2>/dev/null && break; sleep 0.05; done
  ready="$(cat "$work/ready")"
  [ -n "$ready" ] || { echo "kqsim did not start:" >&2; cat "$work/sim.err" >&2; exit 1; }
}
