#!/usr/bin/env bash
# Lets Wine draw the Chinese texts of the Windows programs. Their dialogs are
# set in SimSun (宋体), which Wine does not have; with another font package
# installed (fonts-liberation, say) Wine takes a face without Chinese letters
# for it and every Chinese caption draws as empty boxes. This maps both names
# to WenQuanYi Micro Hei (fonts-wqy-microhei) in the Wine prefix, as Wine's
# font replacements, once per prefix:
#   HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements
#     "SimSun" = "宋体" = "WenQuanYi Micro Hei"
#   scripts/wine-fonts.sh          # in $WINEPREFIX, ~/.wine when unset
# scripts/wine-env.sh does the same in the prefixes of the tests.
set -euo pipefail
if ! fc-list 2>/dev/null | grep -q "WenQuanYi Micro Hei"; then
  echo "WenQuanYi Micro Hei is not installed: sudo apt install fonts-wqy-microhei" >&2
  exit 1
fi
# A registry file in UTF-16 with its byte-order mark keeps the Chinese name whatever the locale.
reg="$(mktemp --suffix=.reg)"
trap 'rm -f "$reg"' EXIT
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"SimSun"="WenQuanYi Micro Hei"\r\n"宋体"="WenQuanYi Micro Hei"\r\n' |
  iconv -f UTF-8 -t UTF-16 >"$reg"
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
echo "Wine prefix ${WINEPREFIX:-$HOME/.wine}: SimSun and 宋体 drawn with WenQuanYi Micro Hei"
