#!/usr/bin/env bash
# The IMM32 demo: installs the built zinIME.ime as an IME in the build tree's
# Wine prefix, types keys into an EDIT control on a virtual display through
# SendInput (a blank is Space), prints the EDIT's text after each key and
# saves a screenshot with the candidate window over the EDIT.
#   scripts/demo-imm.sh [KEYS] [--shot FILE.png] [--messages]
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
keys="wqvb khlg "
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then keys="$1"; shift; fi
shot="$BUILD_DIR/imm-demo.png"
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --shot) shot="$2"; shift 2 ;;
    *) extra+=("$1"); shift ;;
  esac
done
. scripts/wine-env.sh
scripts/wine-prefix.sh
host="$BUILD_DIR/tests/imehost"
wineserver -k >/dev/null 2>&1 || true
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  scripts/wine-fixture.sh start >/dev/null
  wine "$0/imehost.exe" --data "Z:$1/data" --module "Z:$0/zinIME.ime" --keys "$2" \
    --print --hold 300 --shot "Z:$3" "${@:4}"
  status=$?
  scripts/wine-fixture.sh stop >/dev/null
  exit $status' "$host" "$BUILD_DIR" "$keys" "$(realpath -m "$shot")" "${extra[@]}" || status=$?
exit $status
