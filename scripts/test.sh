#!/usr/bin/env bash
# Runs every test of $BUILD_DIR under Wine inside one virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
scripts/wine-prefix.sh
wineserver -k >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD_DIR" -j"$(nproc)" --output-on-failure "$@"
