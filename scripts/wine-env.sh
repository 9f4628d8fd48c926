# Sourced (bash): a fresh Wine prefix for running the Windows programs and
# tests, booted with its standard streams redirected (a Wine helper that
# inherited the caller's pipe would keep ctest waiting for ever) and a
# persistent wineserver, so that each program then starts in a tenth of a
# second.
#
#   source scripts/wine-env.sh            # a new prefix under /tmp
#   ...                                    # wine prog.exe, ctest ...
#   kq_wine_stop                           # ends the server, removes the prefix
#
# When socat is installed, two of Wine's COM ports are joined by a null-modem
# pair of pseudo-terminals (dosdevices/com20 <-> com21); KQ_WINE_COM_PAIR
# names them for the serial backend's tests.
# Sets WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, KQ_WINE_BOOT_MS (the boot time),
# and LC_ALL=C.UTF-8 when the locale is not UTF-8.

export WINEPREFIX="${KQ_WINEPREFIX:-$(mktemp -d /tmp/kq-wine.XXXXXX)}"
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers: nothing here needs .NET or a browser engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine turns Unix file names and arguments into Windows ones by the locale's
# character set: without UTF-8 a Chinese path does not survive the crossing.
if [ "$(locale charmap 2>/dev/null)" != "UTF-8" ]; then
  export LC_ALL=C.UTF-8
fi

kq_wine_started=$(date +%s%N)
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running for a reused prefix
if ! wineboot -i </dev/null >"$WINEPREFIX/boot.log" 2>&1; then
  cat "$WINEPREFIX/boot.log" >&2
  return 1
fi
KQ_WINE_BOOT_MS=$(( ($(date +%s%N) - kq_wine_started) / 1000000 ))
export KQ_WINE_BOOT_MS

kq_wine_com_pair_pid=""
if command -v socat >/dev/null; then
  socat pty,raw,echo=0,link="$WINEPREFIX/dosdevices/com20" pty,raw,echo=0,link="$WINEPREFIX/dosdevices/com21" \
    </dev/null >/dev/null 2>&1 &
  kq_wine_com_pair_pid=$!
  for _ in $(seq 50); do
    [ -e "$WINEPREFIX/dosdevices/com20" ] && [ -e "$WINEPREFIX/dosdevices/com21" ] && break
    sleep 0.1
  done
  export KQ_WINE_COM_PAIR="20 21"
fi

kq_wine_stop() {
  if [ -n "$kq_wine_com_pair_pid" ]; then kill "$kq_wine_com_pair_pid" 2>/dev/null || true; fi
  wineserver -k </dev/null >/dev/null 2>&1 || true
  case "$WINEPREFIX" in /tmp/kq-wine.*) rm -rf "$WINEPREFIX" ;; esac
}
