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
# Captions are drawn bold in "MS Shell Dlg", which maps to Tahoma Bold: no
# Chinese glyphs, so Chinese window titles showed as boxes. The caption font
# becomes the CJK face (a LOGFONTW: -11 px, weight 700, then the face name).
caption_font() {
  local face logfont
  face=$(printf 'WenQuanYi Micro Hei' | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n')
  logfont="F5FFFFFF000000000000000000000000BC0200000000000000000022${face}"
  while [ ${#logfont} -lt 184 ]; do logfont="${logfont}00"; done
  wine reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v CaptionFont /t REG_BINARY \
    /d "$logfont" /f >/dev/null 2>&1 </dev/null
  touch "$WINEPREFIX/.zn-caption"
}
if [ -f "$WINEPREFIX/.zn-ready" ]; then
  wine_fonts
  if [ ! -f "$WINEPREFIX/.zn-caption" ]; then caption_font; wineserver -w >/dev/null 2>&1 || true; fi
  exit 0
fi
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
caption_font
wineserver -w >/dev/null 2>&1 || true
wine_fonts
touch "$WINEPREFIX/.zn-ready"
