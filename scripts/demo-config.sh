#!/usr/bin/env bash
# Starts config.exe under Xvfb on a scratch copy of the data folder and saves
# a PNG of its window: demo-config.sh [keyword] [out.png]. The keyword is
# config's "/do" value (default gaoji, the system page of the settings dialog).
# config loads the module from the system folder, so the built zinIME.ime is
# placed in the prefix's system32 for the run (and taken away again when it
# was not there before): without it the 常用 and 界面 tabs stay empty.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
keyword="${1:-gaoji}"
out="$(realpath -m "${2:-$BUILD_DIR/config-demo.png}")"
. scripts/wine-env.sh
scripts/wine-prefix.sh
scratch=$(mktemp -d /tmp/zn-config-demo.XXXXXX)
system_module="$WINEPREFIX/drive_c/windows/system32/zinIME.ime"
placed=""
cleanup() {
  [ -n "$placed" ] && rm -f "$system_module"
  rm -rf "$scratch"
}
trap cleanup EXIT
cp -r "$BUILD_DIR/data" "$scratch/data"
# The skins live in the install folder, as the installer lays them out.
cp -r "$BUILD_DIR/data/tessel" "$scratch/tessel"
if [ ! -e "$system_module" ]; then
  cp "$BUILD_DIR/frontend/module/zinIME.ime" "$system_module"
  placed=1
elif ! cmp -s "$BUILD_DIR/frontend/module/zinIME.ime" "$system_module"; then
  echo "note: $system_module is not the built module; config shows that one" >&2
fi
# A demo product key of its own, so the build tree's real key stays unset.
key='{5A1D7E00-DE30-4C0F-9E2B-3C0F1DEC0DE0}'
winpath() { winepath -w "$1" 2>/dev/null; }
wineserver -k >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  reg() { wine reg add "HKLM\\Software\\ZinnorIME3\\'"$key"'" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 </dev/null; }
  (wineserver -p5 >/dev/null 2>&1 </dev/null &)
  reg IMEName zinIME
  reg DisplayName 星禾五笔
  reg InstallLocation "'"$(winpath "$scratch")"'\\"
  reg DataLocation "'"$(winpath "$scratch/data")"'\\"
  wine "'"$BUILD_DIR"'/config/app/config.exe" /n "'"$key"'" /do "'"$keyword"'" >/dev/null 2>&1 </dev/null &
  sleep 6
  xwd -root -silent > "'"$scratch"'/shot.xwd"
  wine reg delete "HKLM\\Software\\ZinnorIME3\\'"$key"'" /f >/dev/null 2>&1 </dev/null || true
  wineserver -k >/dev/null 2>&1 || true
'
python3 scripts/xwd2png.py "$scratch/shot.xwd" "$out"
echo "config window saved to $out"
