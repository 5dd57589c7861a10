#!/usr/bin/env bash
# The whole system as a user meets it: the built setup program is installed
# into a fresh Wine prefix (its wizard clicked through), Wubi codes are typed
# into an EDIT control through the installed IME, the text is printed after
# each key and a picture of the window (with the candidate window) is saved.
#
#   scripts/demo-install.sh [KEYS] [PICTURE.png]
#
# KEYS in zntype's notation (default "wqvb{Space}khlg{Space}": 你好中国);
# the picture goes to build/demo-install.png unless named. The prefix
# (build/wineprefix-demo) is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
export WINEPREFIX="$BUILD_DIR/wineprefix-demo"
default_keys='wqvb{Space}khlg{Space}'
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
  echo "== installing $(basename "$DEMO_PACKAGE")"
  wine "$BUILD_DIR/tests/endtoend/setupdriver.exe" install "$DEMO_PACKAGE" || status=$?
  if [ $status -eq 0 ]; then
    echo "== typing $DEMO_KEYS through the installed IME"
    wine "$BUILD_DIR/tests/imehost/imehost.exe" --installed --keys "$DEMO_KEYS" \
      --print --shot "$DEMO_SHOT" || status=$?
  fi
  scripts/wine-throwaway.sh stop >/dev/null
  exit $status'
