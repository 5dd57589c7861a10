#!/usr/bin/env bash
# Configures and builds everything into $BUILD_DIR (default: build/), and the
# 32-bit parts into $BUILD_DIR/x86.
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR="${BUILD_DIR:-$(pwd)/build}"
. scripts/wine-env.sh
scripts/wine-prefix.sh

# build_tree DIR TOOLCHAIN [TARGET...]: configures DIR once, then builds the
# targets named (all when none is).
build_tree() {
  local dir=$1 toolchain=$2
  shift 2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=Release
  fi
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j"$(nproc)" --target "$@"
  else
    cmake --build "$dir" -j"$(nproc)"
  fi
}

# What the 32-bit tree builds. Nothing 32-bit runs on this machine (no 32-bit
# Wine), so it is compiled and linked, never run: only the 32-bit module's
# export table is checked by a test.
x86_targets=(engine ui_skin ui_dialogs zn_frontend_common zn_tsf ui_windows zn_frontend_windows
  settings_pages zinIME)

status=0
build_tree "$BUILD_DIR" mingw-w64-x86_64.cmake || status=$?
build_tree "$BUILD_DIR/x86" mingw-w64-i686.cmake "${x86_targets[@]}" || status=$?
# The package takes the 32-bit module once the tree above has made it.
cmake --build "$BUILD_DIR" --target zn_package || status=$?
# Build-time data tools may have left a headless server running.
wineserver -k >/dev/null 2>&1 || true
exit $status
