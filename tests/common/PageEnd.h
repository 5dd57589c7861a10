// A value laid at the very end of a readable page with an inaccessible page
// behind it: code that reads past the value faults at once, whatever happens
// to lie next to it on a stack.
#pragma once

#include <windows.h>

#include <cstring>
#include <new>
#include <type_traits>

namespace zn::test {

template <typename T>
class AtPageEnd {
 public:
  AtPageEnd() {
    base_ = static_cast<char*>(
        VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD was = 0;
    VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &was);
    void* at = base_ + kPage - sizeof(T);
    std::memset(at, 0, sizeof(T));
    value_ = std::launder(reinterpret_cast<T*>(at));
  }
  ~AtPageEnd() { VirtualFree(base_, 0, MEM_RELEASE); }
  AtPageEnd(const AtPageEnd&) = delete;
  AtPageEnd& operator=(const AtPageEnd&) = delete;

  T& operator*() { return *value_; }
  T* operator->() { return value_; }
  T* get() { return value_; }

 private:
  static constexpr size_t kPage = 4096;
  // Plain data only: the value is zeroed bytes, never constructed.
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= kPage);
  char* base_ = nullptr;
  T* value_ = nullptr;
};

}  // namespace zn::test
