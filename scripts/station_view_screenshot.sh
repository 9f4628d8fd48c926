#!/usr/bin/env bash
# Takes the README's picture of the station page from a real station run:
# flashwright-cli station --http on three kqsim modules of a remote recipe
# (the first passes, the second writes slowly and is caught flashing, the
# third returns a wrong flash CRC and fails), in headless Chromium, in
# Chinese.
#   scripts/station_view_screenshot.sh [FILE]   (default docs/station-view.png)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/station-view.png}")"
"$root/scripts/deps.sh" --only chromium fonts-wqy-microhei curl
"$root/scripts/build.sh" flashwright-cli kqsim >&2
bin="${KQ_BUILD_DIR:-$root/build}/bin"

work="$(mktemp -d)"
pids=()
station_pid=""
cleanup() {
  set +e
  if [ -n "$station_pid" ]; then
    kill -INT "$station_pid" 2>/dev/null
    wait "$station_pid" 2>/dev/null
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The fixtures, linked under the names of a line's adapters by their USB
# sockets (the station names its ports by the recipe's port texts, read from
# the recipe's folder as the HEX file is).
faults=("" "--delay write-sector:400" "--bad-crc")
ports=""
cp "$root/samples/demo_kq581x.hex" "$work/"
for i in 0 1 2; do
  link="pci-0000:00:14.0-usb-0:2.$((i + 1)):1.0-port0"
  # shellcheck disable=SC2086 # the fault's words on purpose
  "$bin/kqsim" --family 251 --mode app --stay-in-boot --link "$work/$link" ${faults[$i]} >"$work/kqsim-$i.out" 2>&1 &
  pids+=($!)
  ports+="${ports:+, }\"$link\""
done
for i in 0 1 2; do
  for _ in $(seq 50); do grep -q 'ready on' "$work/kqsim-$i.out" && break; sleep 0.1; done
done
cat >"$work/line.toml" <<EOF
station = "Line 3 · station A"
hex-file = "demo_kq581x.hex"
sha256 = "$(sha256sum "$work/demo_kq581x.hex" | cut -d' ' -f1)"
chip = "251"
type = "nobackup"
port = [$ports]
log-dir = "records"
EOF

(cd "$work" && exec "$bin/flashwright-cli" station --json --http 127.0.0.1:0 line.toml \
  </dev/null >"$work/station.out" 2>"$work/station.err") &
station_pid=$!
for _ in $(seq 50); do grep -q '^station view: ' "$work/station.err" 2>/dev/null && break; sleep 0.1; done
url="$(sed -n 's/^station view: //p' "$work/station.err")"
[ -n "$url" ] || { cat "$work/station.err" >&2; echo "the station did not start its view" >&2; exit 1; }
base="${url%%#*}"
token="${url##*#token=}"

post() { curl -fsS -o /dev/null -X POST -H "X-Station-Token: $token" "${base}api/$1"; }
# Waits (up to 60 s) until the station's state makes the Python expression
# over its ports p true.
wait_until() {
  python3 - "${base}api/state" "$1" <<'PY' || { echo "the station never came to: $1" >&2; exit 1; }
import json, sys, time, urllib.request
deadline = time.monotonic() + 60
while time.monotonic() < deadline:
    with urllib.request.urlopen(sys.argv[1], timeout=5) as answer:
        p = json.load(answer)["ports"]
    if eval(sys.argv[2]):
        sys.exit(0)
    time.sleep(0.05)
sys.exit(1)
PY
}
# A port that waits for the operator after its n-th cycle.
done_with() { echo "p[$1]['cycles'] == $2 and p[$1]['activity'] == 'waiting-for-operator'"; }
post ports/0/next
post ports/2/next
wait_until "$(done_with 0 1) and $(done_with 2 1)"
post ports/0/next
post ports/1/next
wait_until "$(done_with 0 2) and p[1]['activity'] == 'flashing' and p[1]['progress_percent'] >= 20"

# The page shows the state it was served with at once; the event stream
# only keeps it current, so the load event is the moment to take it.
chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --lang=zh-CN --accept-lang=zh-CN \
  --window-size=1600,1330 --screenshot="$out" "$url" >/dev/null 2>&1
post stop
wait "$station_pid" 2>/dev/null || true
station_pid=""
echo "wrote $out" >&2
