#!/usr/bin/env bash
# Configures and builds everything into $BUILD_DIR (default: build/).
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
scripts/wine-prefix.sh
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
fi
status=0
cmake --build "$BUILD_DIR" -j"$(nproc)" || status=$?
# Build-time data tools may have left a headless server running.
wineserver -k >/dev/null 2>&1 || true
exit $status
