#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Extra package names given as arguments are installed as well (bench/fuzz.sh
# asks for clang this way); with --only, just the packages given (the Windows
# build asks for its cross compiler and Wine this way). With KQ_BUILD_GUI=OFF
# the Qt windows are not built, and neither Qt nor the windows' font is
# installed; with KQ_BROWSER_TESTS=OFF, no browser for the station page's
# test.
set -euo pipefail

if [ "${1:-}" = "--only" ]; then
  shift
  packages=("$@")
else
  # fonts-wqy-microhei: the Chinese sans face the windows are set in (1.6 MB;
  # fonts-noto-cjk would do as well but weighs 57 MB to download).
  # ccache: a second build folder reuses the objects of the first.
  # nlohmann-json3-dev: JSON (header-only; the Windows build takes the same
  # header). unixodbc-dev: the ODBC driver manager the records database is
  # reached through. libtomlplusplus-dev: the station's recipes (header-only,
  # the same header for Windows).
  packages=(g++ make cmake ninja-build pkg-config ccache libgtest-dev libgmock-dev nlohmann-json3-dev unixodbc-dev libtomlplusplus-dev "$@")
  if [ "${KQ_BUILD_GUI:-ON}" != "OFF" ]; then
    packages+=(qt6-base-dev libgl-dev libxkbcommon-dev fonts-wqy-microhei)
  fi
  # The station page's test in a real browser (label browser): Chromium, its
  # WebDriver and Selenium for Debian's python3. KQ_BROWSER_TESTS=OFF leaves
  # them out (the test then skips, saying which is missing).
  if [ "${KQ_BROWSER_TESTS:-ON}" != "OFF" ]; then
    packages+=(chromium chromium-driver python3-selenium fonts-wqy-microhei)
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
log="$(mktemp)"
if ! { $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq && $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "Installing the packages failed." >&2
  exit 1
fi
rm -f "$log"
