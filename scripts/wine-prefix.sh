#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: 64-bit, reporting Windows 10,
# a CJK face standing in for 宋体, Wine's own faces, no window-manager stalls.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
# Wine's own faces (Marlett draws the caption buttons, Tahoma the captions):
# this Wine does not look for them in its data folder, so the prefix gets
# copies; also into a prefix made before they were installed.
wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  [ -d "$fonts" ] || return 0
  for f in /usr/share/wine/fonts/*.ttf; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
  done
  return 0
}
if [ -f "$WINEPREFIX/.zn-ready" ]; then wine_fonts; exit 0; fi
mkdir -p "$WINEPREFIX"
wineserver -k >/dev/null 2>&1 || true
wineboot -i >/dev/null 2>&1 </dev/null
reg() { wine reg add "$@" /f >/dev/null 2>&1 </dev/null; }
reg 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# Calibri: the soft keyboard's characters, many of them Chinese.
for face in 宋体 SimSun 新宋体 NSimSun 微软雅黑 "Microsoft YaHei" Calibri; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei"
done
wineserver -w >/dev/null 2>&1 || true
wine_fonts
touch "$WINEPREFIX/.zn-ready"
