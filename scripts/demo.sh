#!/usr/bin/env bash
# The main job: type sample codes through the console host against a copy of
# the data folder the build made (so frequencies and history stay as shipped),
# printing each candidate page and the committed text. Extra arguments go to
# zntype (e.g. --json, --set "[-IME设置-],临时词功能开启=是").
# With --tsf first, the keys go through the TSF text service on a fake TSF
# host instead (tools/tsfdemo), which prints the document after each key.
# With --imm first, the built module is installed as an IME and the keys are
# typed into a real EDIT control (scripts/demo-imm.sh), with a screenshot.
# With --install first, the setup program is installed into a fresh prefix,
# switched to IMM32 and the keys are typed into Wine's Notepad through the
# installed IME (scripts/demo-install.sh).
# `demo.sh config [keyword] [png]` instead starts config.exe on a scratch
# data folder and saves a screenshot of its window.
# `demo.sh --shot FILE.png [KEYS] [--skin night.col] [--soft-keyboard N]`
# types KEYS (default "xc") with the real candidate window and status bar on
# a virtual display and saves a picture of them; with --soft-keyboard the
# soft keyboard of layout N (1-13) is in the picture too.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
usage() {
  cat <<'USAGE'
usage: scripts/demo.sh ['{keys}'] [zntype options]   type keys through the console host
       scripts/demo.sh --tsf '{keys}' [--inline] [--langbar]
       scripts/demo.sh --imm ['keys'] [--shot FILE.png]
       scripts/demo.sh --install [KEYS PICTURE.png]
       scripts/demo.sh --shot FILE.png [KEYS] [--skin FILE.col] [--soft-keyboard N]
       scripts/demo.sh config [keyword] [out.png]
Keys and zntype options (--json, --time, --answer no, --set LINE): zntype --help,
shown below when the build has it.
USAGE
}
if [ "${1:-}" = "--help" ] || [ "${1:-}" = "-h" ]; then
  usage
  zntype="$BUILD_DIR/tools/zntype/zntype.exe"
  if [ -f "$zntype" ]; then
    echo
    . scripts/wine-env.sh
    scripts/wine-run.sh "$zntype" --help || true
    wineserver -k >/dev/null 2>&1 || true
  fi
  exit 0
fi
if [ "${1:-}" = "--imm" ]; then shift; exec scripts/demo-imm.sh "$@"; fi
if [ "${1:-}" = "--install" ]; then shift; exec scripts/demo-install.sh "$@"; fi

# A Windows path of a path of this machine (drive Z: is the root).
zpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

if [ "${1:-}" = "--shot" ]; then
  [ $# -ge 2 ] || {
    echo "usage: $0 --shot FILE.png [KEYS] [--skin FILE.col] [--soft-keyboard N]" >&2
    exit 2
  }
  out=$2
  shift 2
  keys="xc"
  if [ $# -gt 0 ] && [ "${1:0:2}" != "--" ]; then keys=$1; shift; fi
  . scripts/wine-env.sh
  scripts/wine-prefix.sh
  wineserver -k >/dev/null 2>&1 || true
  status=0
  xvfb-run -a -s "-screen 0 1024x768x24" \
    wine "$BUILD_DIR/tools/znshot/znshot.exe" --data "$(zpath "$BUILD_DIR/data")" \
    --out "$(zpath "$out")" --keys "$keys" "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status
fi
if [ "${1:-}" = "--tsf" ]; then
  shift
  tsf_keys="wqvb{Space}sfg1ggll{Space}"
  [ $# -gt 0 ] && { tsf_keys=$1; shift; }
  . scripts/wine-env.sh
  status=0
  scripts/wine-run.sh "$BUILD_DIR/tools/tsfdemo/tsfdemo.exe" --data "$(WINEPREFIX=$WINEPREFIX winepath -w "$BUILD_DIR/data")\\" \
    --keys "$tsf_keys" "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $status
fi
default_keys="ggll{Space}sfg1wqvb{Space}aaaa{Backspace}{Space}"
if [ "${1:-}" = "config" ]; then
  shift
  exec scripts/demo-config.sh "$@"
fi
# An option first: the default keys, and every argument goes to zntype.
keys=$default_keys
if [ $# -gt 0 ] && [ "${1:0:2}" != "--" ]; then keys=$1; shift; fi
. scripts/wine-env.sh
scripts/wine-run.sh "$BUILD_DIR/tools/zntype/zntype.exe" --data "$(WINEPREFIX=$WINEPREFIX winepath -w "$BUILD_DIR/data")\\" --scratch --keys "$keys" "$@"
status=$?
wineserver -k >/dev/null 2>&1 || true
exit $status
