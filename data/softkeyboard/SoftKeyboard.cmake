# The soft keyboard's picture (bitmap 129), drawn at build time by
# make_keyboard.py, as a resource object: a program or module that shows the
# soft keyboard links zn_soft_keyboard_picture.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ZN_SOFT_KEYBOARD_BMP ${CMAKE_BINARY_DIR}/data/softkeyboard/keyboard.bmp)
add_custom_command(
  OUTPUT ${ZN_SOFT_KEYBOARD_BMP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data/softkeyboard
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/data/softkeyboard/make_keyboard.py
          ${ZN_SOFT_KEYBOARD_BMP}
  DEPENDS ${CMAKE_SOURCE_DIR}/data/softkeyboard/make_keyboard.py
          ${CMAKE_SOURCE_DIR}/data/skins/raster.py
  COMMENT "Drawing the soft keyboard"
  VERBATIM)

set(ZN_SOFT_KEYBOARD_RC ${CMAKE_BINARY_DIR}/generated/data/softkeyboard/SoftKeyboard.rc)
configure_file(${CMAKE_SOURCE_DIR}/data/softkeyboard/SoftKeyboard.rc.in ${ZN_SOFT_KEYBOARD_RC}
               @ONLY)
set_source_files_properties(${ZN_SOFT_KEYBOARD_RC} PROPERTIES OBJECT_DEPENDS
                            ${ZN_SOFT_KEYBOARD_BMP})
add_library(zn_soft_keyboard_picture OBJECT ${ZN_SOFT_KEYBOARD_RC} ${ZN_SOFT_KEYBOARD_BMP})
