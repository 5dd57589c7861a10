#!/usr/bin/env bash
# The main job: type sample codes through the console host against a copy of
# the data folder the build made (so frequencies and history stay as shipped),
# printing each candidate page and the committed text. Extra arguments go to
# zntype (e.g. --json, --set "[-IME设置-],临时词功能开启=是").
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
# --imm: type into a real EDIT control through the IMM32 front end instead.
if [ "${1:-}" = "--imm" ]; then shift; exec scripts/demo-imm.sh "$@"; fi
default_keys="ggll{Space}sfg1wqvb{Space}aaaa{Backspace}{Space}"
keys="${1:-$default_keys}"
shift || true
. scripts/wine-env.sh
scripts/wine-run.sh "$BUILD_DIR/tools/zntype/zntype.exe" --data "$(WINEPREFIX=$WINEPREFIX winepath -w "$BUILD_DIR/data")\\" --scratch --keys "$keys" "$@"
status=$?
wineserver -k >/dev/null 2>&1 || true
exit $status
