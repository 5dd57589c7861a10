#!/usr/bin/env bash
# The whole system as a user meets it: the built setup program is installed
# into a fresh Wine prefix (its wizard clicked through), the installed product
# is switched to IMM32 with its installer, the layout is selected in Wine's
# own Notepad as the system's language switcher does, Wubi codes are typed
# there through the system's input path, Notepad's text is printed after each
# key and a picture of Notepad with the candidate window and the status bar
# is saved.
#
#   scripts/demo-install.sh [KEYS] [PICTURE.png]
#
# KEYS in zntype's notation (default "wqvbkhlg {LShift}ok{LShift}ggll{Space}wqv":
# 你好 completed by the fifth letter, 中国, a Shift tap into English and back,
# 一, and 你好 still being typed for the picture); the picture goes to
# build/demo-install.png unless named. The prefix (build/wineprefix-demo) is
# removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
export WINEPREFIX="$BUILD_DIR/wineprefix-demo"
default_keys='wqvbkhlg {LShift}ok{LShift}ggll{Space}wqv'
keys="${1:-$default_keys}"
shot="${2:-$BUILD_DIR/demo-install.png}"
package=$(ls "$BUILD_DIR"/package/zinIME-*-setup.exe 2>/dev/null | head -n 1)
[ -n "$package" ] || { echo "no setup program: run scripts/build.sh first" >&2; exit 2; }

# A Windows path of a path of this machine (drive Z: is the root).
zpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

export DEMO_PACKAGE DEMO_KEYS DEMO_SHOT
DEMO_PACKAGE=$(zpath "$package")
DEMO_KEYS=$keys
DEMO_SHOT=$(zpath "$shot")
wineserver -k >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  scripts/wine-throwaway.sh start >/dev/null || exit 1
  status=0
  driver="$BUILD_DIR/tests/endtoend/setupdriver.exe"
  echo "== installing $(basename "$DEMO_PACKAGE")"
  wine "$driver" install "$DEMO_PACKAGE" || status=$?
  if [ $status -eq 0 ]; then
    echo "== switching to IMM32 and typing $DEMO_KEYS into Notepad"
    wine "$driver" type "C:\\Program Files\\zinIME\\installer.exe" "$DEMO_KEYS" "$DEMO_SHOT" ||
      status=$?
  fi
  scripts/wine-throwaway.sh stop >/dev/null
  exit $status'
