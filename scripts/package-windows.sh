#!/usr/bin/env bash
# Makes the Windows packages into dist/: the portable zip of the tool folder
# and the NSIS installer (cpack in the Windows build, which it builds first).
# With --check, also installs the installer silently in a fresh Wine prefix,
# runs an installed program, and checks that its uninstaller removes it all.
#   scripts/package-windows.sh [--check]
# KQ_WIN_BUILD_DIR names another Windows build folder. Installs nsis (and Wine
# for --check) when missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win="${KQ_WIN_BUILD_DIR:-$root/build-win}"
dist="$root/dist"
check=0
[ "${1:-}" = "--check" ] && check=1

packages=(nsis)
[ $check -eq 1 ] && packages+=(wine wine64)
"$root/scripts/deps.sh" --only "${packages[@]}"
KQ_WIN_BUILD_DIR="$win" "$root/scripts/build-windows.sh"

staging="$win/packages"
rm -rf "$staging"
(cd "$win" && cpack -B "$staging" >/dev/null)
mkdir -p "$dist"
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$win/CPackConfig.cmake")
cp "$staging/$name.zip" "$staging/$name.exe" "$dist/"
ls -l "$dist/$name.zip" "$dist/$name.exe"
[ $check -eq 1 ] || exit 0

# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
trap kq_wine_stop EXIT
folder="$WINEPREFIX/drive_c/Program Files/flashwright"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/flashwright"
fail() { echo "package check: $*" >&2; exit 1; }

wine "$dist/$name.exe" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
programs=$(cmake -E tar tf "$dist/$name.zip" | sed -n 's|^[^/]*/\([^/]*\.exe\)$|\1|p')
for program in $programs; do
  [ -f "$folder/$program" ] || fail "$program is not installed"
done
wine "$folder/hexsplice-cli.exe" --help </dev/null >/dev/null 2>&1 || fail "the installed hexsplice-cli.exe does not run"
for window in flashwright hexsplice; do
  if echo "$programs" | grep -qx "$window.exe"; then
    [ -f "$menu/$window.lnk" ] || fail "no Start-menu shortcut for $window"
  fi
done
[ -f "$menu/Uninstall.lnk" ] || fail "no Start-menu shortcut for the uninstaller"
echo "Installed silently: ${programs//$'\n'/ }; Start menu: $(cd "$menu" && echo *.lnk)" >&2

# The uninstaller runs again from a temporary copy and returns at once.
wine "$folder/Uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
for _ in $(seq 100); do
  [ -e "$folder" ] || [ -e "$menu" ] || break
  sleep 0.2
done
[ ! -e "$folder" ] || fail "the uninstaller left $(ls "$folder")"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder"
echo "Uninstalled: program folder and Start-menu folder removed" >&2
