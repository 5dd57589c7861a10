// Reference counting shared by the text service's COM objects: counts are
// interlocked and start at one (the creator's reference, adopted), the
// object is deleted at zero, and it counts in the module's object count
// while it lives. Each class keeps its own QueryInterface table.
#pragma once

#include <windows.h>

#include "frontend/tsf/ModuleObjects.h"

template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

 protected:
  virtual ~ComObject() = default;

 private:
  LONG refs_ = 1;
  ModuleObjectToken token_;
};
