# cmake -DSOURCE=<file> -DTARGET=<file> -P PickOptional.cmake
# TARGET becomes a copy of SOURCE when SOURCE exists (a part built by
# another build tree), else an empty file the packer leaves out. TARGET is
# rewritten only when its content changes, so the package is remade only then.
if(EXISTS "${SOURCE}")
  file(COPY_FILE "${SOURCE}" "${TARGET}" ONLY_IF_DIFFERENT)
elseif(NOT EXISTS "${TARGET}")
  file(WRITE "${TARGET}" "")
else()
  file(SIZE "${TARGET}" size)
  if(size GREATER 0)
    file(WRITE "${TARGET}" "")
  endif()
endif()
