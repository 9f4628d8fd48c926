#!/usr/bin/env bash
# Takes the README's picture of the station page: station-view-fake (three
# ports of a remote recipe in the middle of a shift: one passed, one
# flashing, one failed with its reason) in headless Chromium, in Chinese.
#   scripts/station_view_screenshot.sh [FILE]   (default docs/station-view.png)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/station-view.png}")"
"$root/scripts/deps.sh" --only chromium fonts-wqy-microhei
"$root/scripts/build.sh" station-view-fake >&2
fake="${KQ_BUILD_DIR:-$root/build}/tests/station-view-fake"

work="$(mktemp -d)"
mkfifo "$work/in"
"$fake" --scene picture <"$work/in" >"$work/out" &
fake_pid=$!
exec 3>"$work/in"  # held open: the fake ends when it closes
cleanup() {
  exec 3>&-
  wait "$fake_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do
  grep -q '^url ' "$work/out" 2>/dev/null && break
  sleep 0.1
done
url="$(sed -n 's/^url //p' "$work/out")"
[ -n "$url" ] || { echo "station-view-fake did not start" >&2; exit 1; }

# The page shows the state it was served with at once; the event stream
# only keeps it current, so the load event is the moment to take it.
chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --lang=zh-CN --accept-lang=zh-CN \
  --window-size=1600,1250 --screenshot="$out" "$url" >/dev/null 2>&1
echo "wrote $out" >&2
