// Counts the heap allocations of a benchmark program through a replaced
// global operator new. Include in exactly one source file of the program.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long long> gAllocations{0};

void* operator new(size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
