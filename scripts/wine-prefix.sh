#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: 64-bit, reporting Windows 10,
# a CJK face standing in for 宋体, linked behind the Western faces as on a
# Chinese Windows, Wine's own faces, no window-manager stalls.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
# Wine's own faces (Marlett draws the caption buttons) but Tahoma (below):
# this Wine does not look for them in its data folder, so the prefix gets
# copies; also into a prefix made before they were installed.
wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  [ -d "$fonts" ] || return 0
  for f in /usr/share/wine/fonts/*.ttf; do
    case "$(basename "$f")" in tahoma*) continue ;; esac
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
# A Chinese Windows links a CJK face behind every Western UI face, so text
# asked for in Tahoma, MS Shell Dlg or Segoe UI still shows Chinese. Wine's
# own links name Windows' font files, which a prefix lacks: each face gets
# the installed CJK face first (file name and face, as Windows lists them).
# Segoe UI and Arial are missing here and stand in for Tahoma. Wine's
# RichEdit draws glyph indexes of the named face alone (no linking, and no
# font binding as Windows' RichEdit does), so Tahoma itself is left out of
# the prefix and replaced by the CJK face, whose Latin letters serve too.
# Calibri (the soft keyboard's face) becomes DejaVu Sans, a Western face
# with its symbols, side bearings and pinyin tones, the CJK face linked
# behind it.
cjk_face='WenQuanYi Micro Hei'
font_links() {
  local face key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
  for face in "Microsoft Sans Serif" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" \
      "Segoe UI" Arial "Lucida Sans Unicode" "Courier New" "Times New Roman" Calibri \
      "DejaVu Sans"; do
    wine reg add "$key\FontLink\SystemLink" /v "$face" /t REG_MULTI_SZ \
      /d "wqy-microhei.ttc,$cjk_face" /f >/dev/null 2>&1 </dev/null
  done
  for face in "Segoe UI" Arial; do
    wine reg add "$key\FontSubstitutes" /v "$face" /t REG_SZ /d Tahoma /f >/dev/null 2>&1 </dev/null
  done
  rm -f "$WINEPREFIX/drive_c/windows/Fonts/"tahoma*.ttf
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /t REG_SZ /d "$cjk_face" \
    /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Calibri /t REG_SZ /d "DejaVu Sans" \
    /f >/dev/null 2>&1 </dev/null
  touch "$WINEPREFIX/.zn-cjkfonts"
}
if [ -f "$WINEPREFIX/.zn-ready" ]; then
  wine_fonts
  if [ ! -f "$WINEPREFIX/.zn-caption" ]; then caption_font; wineserver -w >/dev/null 2>&1 || true; fi
  if [ ! -f "$WINEPREFIX/.zn-cjkfonts" ]; then font_links; wineserver -w >/dev/null 2>&1 || true; fi
  exit 0
fi
mkdir -p "$WINEPREFIX"
wineserver -k >/dev/null 2>&1 || true
wineboot -i >/dev/null 2>&1 </dev/null
reg() { wine reg add "$@" /f >/dev/null 2>&1 </dev/null; }
reg 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
for face in 宋体 SimSun 新宋体 NSimSun 微软雅黑 "Microsoft YaHei"; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei"
done
caption_font
font_links
wineserver -w >/dev/null 2>&1 || true
wine_fonts
touch "$WINEPREFIX/.zn-ready"
