#!/bin/sh
# Runs kqsim (the arguments after the first) until the file named by the
# first argument appears, two minutes at most, then stops it with SIGTERM
# (it removes its port link as it goes). A Windows test under Wine can start
# a Linux program, but cannot signal it or wait for it; Wine starts it apart
# from the test, so a test that dies (killed at a time-out) leaves it to run
# on. It also ends when the stop file's folder has gone, as it does with the
# Wine prefix (kq_wine_stop), so that none outlives the prefix it serves.
# Started from Wine, the environment holds Windows' PATH.
PATH=/usr/bin:/bin
stop="$1"
shift
"$@" >/dev/null 2>&1 &
sim=$!
tries=0
while [ ! -e "$stop" ] && [ -d "$(dirname "$stop")" ] && kill -0 "$sim" 2>/dev/null && [ "$tries" -lt 2400 ]; do
  sleep 0.05
  tries=$((tries + 1))
done
kill "$sim" 2>/dev/null
wait "$sim"
