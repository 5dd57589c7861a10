// Records that hold pointers have one layout in the 64-bit module and
// another in the 32-bit one; their checks name both figures.
#pragma once

#include <cstddef>

constexpr size_t ByPointerSize(size_t on64, size_t on32) {
  return sizeof(void*) == 8 ? on64 : on32;
}
