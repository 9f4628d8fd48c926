#!/usr/bin/env bash
# Makes the Debian package dist/flashwright_<version>-<revision>_<arch>.deb:
# builds the installed programs for the prefix /usr with Debian's hardening
# flags (dpkg-buildflags) into build-package/ (or $KQ_PACKAGE_BUILD_DIR), then
# CPack's DEB generator packs what `cmake --install` installs, stripped, with
# the library dependencies that dpkg-shlibdeps finds
# (cmake/linux_install.cmake).
#   scripts/package.sh [--check]
# --check also runs lintian (failing on an error) and desktop-file-validate
# on the package. Installs the Debian packages it needs when missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${KQ_PACKAGE_BUILD_DIR:-$root/build-package}"
dist="$root/dist"
check=0
if [ "${1:-}" = "--check" ]; then check=1; fi

# dpkg-dev: dpkg-shlibdeps and dpkg-buildflags; file: CPack tells programs by it.
extra=(dpkg-dev file)
[ $check -eq 1 ] && extra+=(lintian desktop-file-utils)
"$root/scripts/deps.sh" "${extra[@]}"

cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
# The install rule does not build everything first (tests are not packaged).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKQ_BUILD_GUI=ON \
  -DCMAKE_INSTALL_PREFIX=/usr -DKQ_DEBIAN_DOCS=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target flashwright hexsplice flashwright-cli hexsplice-cli kqsim \
  kq_install_files kq_icon_files

rm -rf "$dist/_CPack_Packages"
(cd "$build" && cpack -G DEB -B "$dist" >/dev/null)
rm -rf "$dist/_CPack_Packages"
deb="$(ls -t "$dist"/flashwright_*.deb | head -n 1)"
echo "$deb ($(du -k "$deb" | cut -f1) KiB)"

[ $check -eq 1 ] || exit 0
lintian --fail-on error --info "$deb"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work"/usr/share/applications/*.desktop
echo "lintian and desktop-file-validate: no errors" >&2
