#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: 64-bit, reporting Windows 10,
# a CJK face standing in for 宋体, no window-manager stalls.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/.zn-ready" ] && exit 0
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
touch "$WINEPREFIX/.zn-ready"
