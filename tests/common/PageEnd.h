// A value laid at the very end of a readable page with an inaccessible page
// behind it: code that reads past the value faults at once, whatever happens
// to lie next to it on a stack.
#pragma once

#include <windows.h>

#include <new>

namespace zn::test {

template <typename T>
class AtPageEnd {
 public:
  AtPageEnd() {
    base_ = static_cast<char*>(
        VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD was = 0;
    VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &was);
    value_ = new (base_ + kPage - sizeof(T)) T{};
  }
  ~AtPageEnd() {
    value_->~T();
    VirtualFree(base_, 0, MEM_RELEASE);
  }
  AtPageEnd(const AtPageEnd&) = delete;
  AtPageEnd& operator=(const AtPageEnd&) = delete;

  T& operator*() { return *value_; }
  T* operator->() { return value_; }
  T* get() { return value_; }

 private:
  static constexpr size_t kPage = 4096;
  static_assert(sizeof(T) <= kPage);
  char* base_ = nullptr;
  T* value_ = nullptr;
};

}  // namespace zn::test
