# Version resources for the deliverables, from the one product identity in
# engine/Product.h:
#   zn_add_version_resource(<target> DESCRIPTION <text> FILENAME <name> [IME])
# IME marks a keyboard driver of the input-method kind; otherwise an
# application. Sets ZN_VERSION (as written in Product.h) for the package name.
file(STRINGS ${CMAKE_SOURCE_DIR}/engine/Product.h zn_version_line
     REGEX "^#define ZN_VERSION_TEXT L\"[0-9.]+\"")
string(REGEX REPLACE ".*L\"([0-9.]+)\".*" "\\1" ZN_VERSION "${zn_version_line}")
file(STRINGS ${CMAKE_SOURCE_DIR}/engine/Product.h zn_name_line ENCODING UTF-8
     REGEX "^#define ZN_DISPLAY_NAME L\".+\"")
string(REGEX REPLACE ".*L\"(.+)\".*" "\\1" ZN_PRODUCT_NAME "${zn_name_line}")
if(NOT ZN_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$" OR NOT ZN_PRODUCT_NAME)
  message(FATAL_ERROR "engine/Product.h: ZN_VERSION_TEXT or ZN_DISPLAY_NAME not found")
endif()

string(REPLACE "." ";" zn_version_parts "${ZN_VERSION}")
list(LENGTH zn_version_parts zn_version_count)
while(zn_version_count LESS 4)
  list(APPEND zn_version_parts 0)
  math(EXPR zn_version_count "${zn_version_count} + 1")
endwhile()
string(REPLACE ";" "," ZN_VERSION_COMMAS "${zn_version_parts}")
string(REPLACE ";" "." ZN_VERSION_FULL "${zn_version_parts}")

set(ZN_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in)

function(zn_add_version_resource target)
  cmake_parse_arguments(V "IME" "DESCRIPTION;FILENAME" "" ${ARGN})
  if(NOT V_DESCRIPTION OR NOT V_FILENAME)
    message(FATAL_ERROR "zn_add_version_resource(${target}): DESCRIPTION and FILENAME are required")
  endif()
  if(V_IME)
    set(ZN_FILE_TYPE "VFT_DRV")
    set(ZN_FILE_SUBTYPE "VFT2_DRV_INPUTMETHOD")
  else()
    set(ZN_FILE_TYPE "VFT_APP")
    set(ZN_FILE_SUBTYPE "VFT2_UNKNOWN")
  endif()
  set(ZN_DESCRIPTION "${V_DESCRIPTION}")
  set(ZN_FILENAME "${V_FILENAME}")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${ZN_VERSION_RC_TEMPLATE} ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
