# zlib from the mingw-w64 package; minizip and libpng from the Debian sources
# the set-up unpacked into third_party/ (never committed).

# FindZLIB would pick the import library; the runtime must stay static.
add_library(zn_zlib STATIC IMPORTED GLOBAL)
set_target_properties(zn_zlib PROPERTIES
  IMPORTED_LOCATION ${CMAKE_FIND_ROOT_PATH}/lib/libz.a
  INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_FIND_ROOT_PATH}/include)

set(ZN_MINIZIP_DIR "${ZN_THIRD_PARTY_DIR}/zlib/contrib/minizip")
set(ZN_LIBPNG_DIR "${ZN_THIRD_PARTY_DIR}/libpng")
if(NOT EXISTS "${ZN_MINIZIP_DIR}/unzip.c" OR NOT EXISTS "${ZN_LIBPNG_DIR}/png.c")
  message(FATAL_ERROR "Third-party sources missing: run scripts/setup.sh first")
endif()

add_library(zn_minizip STATIC
  ${ZN_MINIZIP_DIR}/ioapi.c ${ZN_MINIZIP_DIR}/unzip.c ${ZN_MINIZIP_DIR}/iowin32.c)
target_include_directories(zn_minizip SYSTEM PUBLIC ${ZN_MINIZIP_DIR})
target_compile_options(zn_minizip PRIVATE -w)
target_compile_definitions(zn_minizip PRIVATE NOCRYPT NOUNCRYPT)
target_link_libraries(zn_minizip PUBLIC zn_zlib)

set(ZN_PNG_GEN "${CMAKE_BINARY_DIR}/third_party/png")
configure_file(${ZN_LIBPNG_DIR}/scripts/pnglibconf.h.prebuilt ${ZN_PNG_GEN}/pnglibconf.h COPYONLY)
add_library(zn_png STATIC
  ${ZN_LIBPNG_DIR}/png.c ${ZN_LIBPNG_DIR}/pngerror.c ${ZN_LIBPNG_DIR}/pngget.c
  ${ZN_LIBPNG_DIR}/pngmem.c ${ZN_LIBPNG_DIR}/pngpread.c ${ZN_LIBPNG_DIR}/pngread.c
  ${ZN_LIBPNG_DIR}/pngrio.c ${ZN_LIBPNG_DIR}/pngrtran.c ${ZN_LIBPNG_DIR}/pngrutil.c
  ${ZN_LIBPNG_DIR}/pngset.c ${ZN_LIBPNG_DIR}/pngtrans.c ${ZN_LIBPNG_DIR}/pngwio.c
  ${ZN_LIBPNG_DIR}/pngwrite.c ${ZN_LIBPNG_DIR}/pngwtran.c ${ZN_LIBPNG_DIR}/pngwutil.c)
target_include_directories(zn_png SYSTEM PUBLIC ${ZN_LIBPNG_DIR} ${ZN_PNG_GEN})
target_compile_options(zn_png PRIVATE -w)
target_compile_definitions(zn_png PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0)
target_link_libraries(zn_png PUBLIC zn_zlib)
