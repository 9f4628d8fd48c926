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
#
# Without a DISPLAY, an Xvfb of its own serves the windows (the Win32 dialogs'
# tests and pictures). The dialogs are set in SimSun (宋体), which Wine does
# not have: when fonts-wqy-microhei is installed, the prefix draws both names
# with WenQuanYi Micro Hei (scripts/wine-fonts.sh, Wine's font replacements).
# Sets WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, KQ_WINE_BOOT_MS (the boot time),
# LC_ALL=C.UTF-8 when the locale is not UTF-8, and DISPLAY when it starts an Xvfb.

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

# The Win32 dialogs' tests run in a Chinese locale (Wine's code page, the
# message boxes' buttons and the fonts follow it): made here when missing.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 2>/dev/null || echo "no zh_CN.UTF-8 locale: the dialog tests run without it" >&2
fi

kq_wine_started=$(date +%s%N)
kq_wine_xvfb_pid=""
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  kq_wine_display="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$kq_wine_display" </dev/null >/dev/null 2>&1 &
  kq_wine_xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$kq_wine_display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$kq_wine_display")"
  rm -f "$kq_wine_display"
fi
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running for a reused prefix
if ! wineboot -i </dev/null >"$WINEPREFIX/boot.log" 2>&1; then
  cat "$WINEPREFIX/boot.log" >&2
  return 1
fi
if fc-list 2>/dev/null | grep -q "WenQuanYi Micro Hei"; then
  "$(dirname "${BASH_SOURCE[0]}")/wine-fonts.sh" >/dev/null || true
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
  if [ -n "$kq_wine_xvfb_pid" ]; then kill "$kq_wine_xvfb_pid" 2>/dev/null || true; fi
  case "$WINEPREFIX" in /tmp/kq-wine.*) rm -rf "$WINEPREFIX" ;; esac
}
