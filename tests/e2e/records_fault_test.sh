#!/usr/bin/env bash
# A station's records against faults: three ports of kqsim fixtures (each
# flashed module replaced by a fresh one), at least CYCLES cycles per port, the
# records database stopped for a while in the middle and started again, the
# station killed with SIGKILL twice at random moments and started again each
# time; the last start runs until every port has its cycles. Afterwards
# (and after a last "records push") the database holds
# exactly one row per record of the journal, none missing, none twice, and
# the journal holds every cycle the station reported as ended.
#   tests/e2e/records_fault_test.sh BIN_DIR PG_STATE_DIR [CYCLES]
# PG_STATE_DIR is the test cluster's (scripts/pg-test-cluster.sh); the test
# makes a database of its own there and drops it afterwards. It stops and
# starts that cluster's server, so it runs alone (RUN_SERIAL in ctest).
set -uo pipefail
export LC_ALL=C  # sort and the database order run ids alike
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bin="${1:?usage: $0 BIN_DIR PG_STATE_DIR [CYCLES]}"
state="${2:?usage: $0 BIN_DIR PG_STATE_DIR [CYCLES]}"
cycles="${3:-50}"
ports=3
deadline_s=400        # the whole test, s
seed="${KQ_FAULT_SEED:-$RANDOM}"
RANDOM=$seed
[ -f "$state/connection" ] || { echo "no test cluster in $state: skipped"; exit 77; }
command -v psql >/dev/null || { echo "no psql: skipped"; exit 77; }

work="$(mktemp -d)"
url="$(cat "$state/psql")"
database="kq_fault_$$"
sims=()
station_pid=""
halted=0
started_s=$SECONDS

fail() {
  echo "FAILED: $*" >&2
  for f in "$work"/stint*.err; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
  exit 1
}

cleanup() {
  [ -n "$station_pid" ] && kill -KILL "$station_pid" 2>/dev/null && wait "$station_pid" 2>/dev/null
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  # The cluster serves the other database tests: never leave it stopped.
  [ $halted -eq 1 ] && "$root/scripts/pg-test-cluster.sh" resume "$state" >/dev/null 2>&1
  psql "$url" -X -q -c "DROP DATABASE IF EXISTS $database" >/dev/null 2>&1
  [ -n "${KQ_FAULT_KEEP:-}" ] && { echo "kept $work" >&2; return; }
  rm -rf "$work"
}
trap cleanup EXIT

sql() { psql "${url%/*}/$database" -X -A -t -q -c "$1"; }
psql "$url" -X -q -c "CREATE DATABASE $database" >/dev/null || fail "the test database could not be made"
connection="$(cat "$state/connection")"
export KQ_RECORDS_PWD="${connection##*Pwd=}"
connection="${connection%%Database=*}Database=$database;Uid=kq;Pwd=\${KQ_RECORDS_PWD}"

# The smallest image that still takes every step: two records of one sector.
hex="$work/tiny.hex"
printf ':0200000400FFFB\r\n:10100000021080021203000000000002125D0000C6\r\n:10101000000000021293000000000002129A00007B\r\n:00000001FF\r\n' >"$hex"

port_list=""
for i in $(seq $ports); do
  "$bin/kqsim" --family 251 --replace-after 1200 --link "$work/p$i" >"$work/sim$i.out" 2>&1 &
  sims+=($!)
  port_list+="${port_list:+, }\"$work/p$i\""
done
for i in $(seq $ports); do
  for _ in $(seq 100); do grep -q ready "$work/sim$i.out" 2>/dev/null && break; sleep 0.05; done
  grep -q ready "$work/sim$i.out" || fail "kqsim $i did not start: $(cat "$work/sim$i.out")"
done

records="$work/records"
recipe="$work/line.toml"
cat >"$recipe" <<EOF
station = "fault-line"
hex-file = "$hex"
sha256 = "$(sha256sum "$hex" | cut -d' ' -f1)"
port = [$port_list]
chip = "251"
log-dir = "$records"
records-db = "$connection"
EOF

# Complete journal lines only: a line torn by a kill is no record.
journal_ids() { grep -a -o '^{"run_id":"[0-9a-f-]\{36\}".*}$' "$records/records.jsonl" 2>/dev/null | cut -c12-47; }
journal_count() { journal_ids | wc -l; }
port_count() { grep -a -c "\"port_name\":\"$work/p$1\".*}$" "$records/records.jsonl" 2>/dev/null || true; }
every_port_done() {
  for i in $(seq $ports); do [ "$(port_count "$i")" -ge "$cycles" ] || return 1; done
}
out_of_time() { [ $((SECONDS - started_s)) -ge $deadline_s ]; }

stint=0
start_station() {
  stint=$((stint + 1))
  "$bin/flashwright-cli" station --json "$@" "$recipe" </dev/null >"$work/stint$stint.out" 2>"$work/stint$stint.err" &
  station_pid=$!
}
# Waits until the journal holds at least $1 records.
wait_for_records() {
  while [ "$(journal_count)" -lt "$1" ]; do
    out_of_time && fail "only $(journal_count) records after ${deadline_s} s (waited for $1)"
    kill -0 "$station_pid" 2>/dev/null || fail "the station ended by itself"
    sleep 0.1
  done
}
kill_station() {
  sleep "0.$((RANDOM % 10))"  # anywhere in a cycle
  kill -KILL "$station_pid"
  wait "$station_pid" 2>/dev/null
  station_pid=""
  kills=$((kills + 1))
}
kills=0
total=$((ports * cycles))

start_station
wait_for_records $((total * 15 / 100))
"$root/scripts/pg-test-cluster.sh" halt "$state" || fail "the database could not be stopped"
halted=1
rows_at_halt="$(journal_count)"
wait_for_records $((total * 25 / 100 + RANDOM % (total / 10)))
kill_station
start_station
wait_for_records $((total * 45 / 100))
"$root/scripts/pg-test-cluster.sh" resume "$state" || fail "the database could not be started again"
halted=0
wait_for_records $((total * 60 / 100 + RANDOM % (total / 10)))
kill_station
# The last stint runs until every port has its cycles, and ends by itself
# (with its short last push).
least=$cycles
for i in $(seq $ports); do c="$(port_count "$i")"; [ "$c" -lt "$least" ] && least=$c; done
start_station --cycles $((cycles - least))
while kill -0 "$station_pid" 2>/dev/null; do
  out_of_time && fail "the last station did not end in ${deadline_s} s"
  sleep 0.2
done
wait "$station_pid"
status=$?
station_pid=""
[ $status -eq 0 ] || fail "the last station ended with exit status $status"
every_port_done || fail "a port has fewer than $cycles cycles"

rows_by_station="$(sql "SELECT COUNT(*) FROM upgrade_runs")"
"$bin/flashwright-cli" records push --records-db "$connection" "$records" >"$work/push.out" 2>&1 ||
  fail "records push: $(cat "$work/push.out")"

journal_ids | sort >"$work/journal.ids"
sql "SELECT run_id FROM upgrade_runs ORDER BY run_id" >"$work/db.ids"
cat "$work"/stint*.out | grep -o '^{"run_id":"[0-9a-f-]\{36\}"' | cut -c12-47 | sort >"$work/ended.ids"
journal_lines="$(wc -l <"$work/journal.ids")"
rows="$(wc -l <"$work/db.ids")"
twice="$(uniq -d "$work/journal.ids" | wc -l)"
counts=""
for i in $(seq $ports); do counts+="${counts:+ }$(port_count "$i")"; done
echo "seed $seed: $journal_lines records (per port: $counts), $kills kills, database away from record" \
  "$rows_at_halt; $rows_by_station rows sent by the station, $rows after records push" \
  "($(cat "$work/push.out")); $((SECONDS - started_s)) s"

[ "$twice" -eq 0 ] || fail "$twice run ids twice in the journal"
cmp -s "$work/journal.ids" "$work/db.ids" ||
  fail "the database's run ids differ from the journal's: $(diff "$work/journal.ids" "$work/db.ids" | head)"
missing="$(comm -23 "$work/ended.ids" "$work/journal.ids" | wc -l)"
[ "$missing" -eq 0 ] || fail "$missing cycles reported as ended are not in the journal"
[ "$rows_by_station" -gt "$rows_at_halt" ] || fail "the station sent nothing after the database came back"
if grep -r -a -q -F "$KQ_RECORDS_PWD" "$records" "$work"/stint*.out "$work"/stint*.err "$work/push.out"; then
  fail "the password reached an output or the record folder"
fi
echo "passed"
