// Closes an operating-system handle on every path out of a scope.
#pragma once

#include <windows.h>

template <typename H, typename Close, Close close>
class ScopedHandle {
 public:
  explicit ScopedHandle(H handle) : h_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~ScopedHandle() {
    if (h_) close(h_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  H get() const { return h_; }

 private:
  H h_;
};

using KernelHandle = ScopedHandle<HANDLE, BOOL(WINAPI*)(HANDLE), &CloseHandle>;
