#!/usr/bin/env bash
# Records database benchmark: 1,000,000 records in a PostgreSQL cluster of its
# own (scripts/pg-test-cluster.sh), then "what is on module X" through the
# store's query and single inserts through the store's insert.
#
# Usage: bench/records_bench.sh [BUILD_DIR] [RECORDS]
#   BUILD_DIR  build folder holding bin/kq_records_bench (default:
#              $KQ_BUILD_DIR, else the repository's "build"); built when missing.
#   RECORDS    how many records to load (default 1000000), ten per module.
#
# The tables are made by the store itself; the records go in by one
# server-side INSERT ... SELECT (setup, not measured). Then it prints median,
# 95th percentile and worst of 200 module questions (each a module chosen at
# random, about ten rows), of 10 fresh connections with one question, and of
# 200 inserts, each in its own transaction, and whether the targets hold: a
# question under 50 ms (worst), an insert under 20 ms (median).
# Exit status: 0 targets held, 1 a failure, 3 a target missed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-${KQ_BUILD_DIR:-$root/build}}" && pwd)"
records="${2:-1000000}"
modules=$(( records / 10 ))
[ "$modules" -ge 1 ] || { echo "need at least 10 records" >&2; exit 2; }
bench="$build/bin/kq_records_bench"
[ -x "$bench" ] || KQ_BUILD_DIR="$build" "$root/scripts/build.sh" kq_records_bench >/dev/null

state="$(mktemp -d "${TMPDIR:-/tmp}/kq-records-bench.XXXXXX")"
trap '"$root/scripts/pg-test-cluster.sh" stop "$state"' EXIT
"$root/scripts/pg-test-cluster.sh" start "$state" >/dev/null
connection="$(cat "$state/connection")"
psql_url="$(cat "$state/psql")"
psql=(psql -X -q -v ON_ERROR_STOP=1 "$psql_url")
command -v psql >/dev/null || psql=("$(ls /usr/lib/postgresql/*/bin/psql | sort -V | tail -n 1)" "${psql[@]:1}")

"$bench" schema "$connection"
started=$(date +%s%N)
# Ten upgrades per module, a minute apart; every tenth failed; three stations.
"${psql[@]}" <<SQL
INSERT INTO upgrade_runs (run_id, program, station, started, port, baud, type, module_address, result,
                          exit_status, duration_s, verified, hex_sha256, image_crc16, log)
SELECT substr(h, 1, 8) || '-' || substr(h, 9, 4) || '-4' || substr(h, 14, 3) || '-8' || substr(h, 18, 3) || '-' ||
           substr(h, 21, 12),
       'flashwright-cli', 'line-' || (g % 3), to_char(timestamp '2026-01-01' + g * interval '1 second',
                                                       'YYYY-MM-DD HH24:MI:SS.MS'),
       '/dev/serial/by-path/pci-0000:00:14.0-usb-0:' || (g % 4) || ':1.0-port0', 115200, 'remote-backup',
       lpad((g % $modules + 1)::text, 12, '0'), CASE WHEN g % 10 = 0 THEN 'failed' ELSE 'passed' END,
       CASE WHEN g % 10 = 0 THEN 5 ELSE 0 END, 12.5, 1, md5((g % 20)::text) || md5((g % 20)::text), '0x1D0F',
       '["升级开始","擦除成功","升级成功"]'
FROM (SELECT g, md5(g::text) AS h FROM generate_series(1, $records) g) s;
ANALYZE upgrade_runs;
SQL
echo "loaded $records records ($modules modules) in $(( ($(date +%s%N) - started) / 1000000 )) ms"
"${psql[@]}" -t -A -c "SELECT 'table and indexes: ' || pg_size_pretty(pg_total_relation_size('upgrade_runs'))"
"$bench" measure "$connection" "$modules"
