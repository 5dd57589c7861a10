# Cross-compile for 32-bit Windows (the x86 module). Nothing built with it
# runs here: this machine's kernel executes no 32-bit programs, and the
# 32-bit Wine package breaks the wine command, so there is no emulator.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
