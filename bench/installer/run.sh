#!/usr/bin/env bash
# Times install and uninstall of the built setup program in a Wine prefix
# made for the run and removed afterwards: bench/installer/run.sh [CYCLES]
set -euo pipefail
cd "$(dirname "$0")/../.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
export WINEPREFIX="$BUILD_DIR/wineprefix-bench"
package=$(ls "$BUILD_DIR"/package/zinIME-*-setup.exe | head -n 1)
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  scripts/wine-throwaway.sh start >/dev/null
  wine "$BUILD_DIR/bench/installer/install_bench.exe" "Z:$1" "$2"
  status=$?
  scripts/wine-throwaway.sh stop >/dev/null
  exit $status' bench "$package" "${1:-5}"
