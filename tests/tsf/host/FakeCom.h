// The fake TSF host's COM plumbing: interlocked counts, one QueryInterface
// over the interfaces a class lists, and host-wide counters of live objects,
// advised sinks and lock faults that every test checks at its end.
#pragma once

#include <windows.h>
#include <olectl.h>
#include <wrl/client.h>

#include <tuple>

#include "frontend/tsf/ComAdopt.h"
#include "frontend/tsf/TsfDeclarations.h"

namespace fakehost {

using Microsoft::WRL::ComPtr;

struct HostCounters {
  LONG liveObjects = 0;
  // Range, composition, property or selection calls without the live cookie
  // (or with a read cookie where a write was needed).
  int noLockFaults = 0;
  // Synchronous requests made while a lock was held: on Windows they fail.
  int syncRequestsInsideLock = 0;
  int sessionsRun = 0;
};

HostCounters& Counters();

template <class... Interfaces>
class FakeCom : public Interfaces... {
 public:
  FakeCom() { InterlockedIncrement(&Counters().liveObjects); }
  FakeCom(const FakeCom&) = delete;
  FakeCom& operator=(const FakeCom&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
      *ppv = static_cast<IUnknown*>(static_cast<std::tuple_element_t<0, std::tuple<Interfaces...>>*>(this));
    } else {
      (void)((riid == __uuidof(Interfaces) ? (*ppv = static_cast<Interfaces*>(this), true) : false) || ...);
      if (!*ppv) *ppv = Extra(riid);
    }
    if (!*ppv) return E_NOINTERFACE;
    // Extra may answer with another object (a thread manager's compartments).
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

 protected:
  virtual ~FakeCom() { InterlockedDecrement(&Counters().liveObjects); }
  // Interfaces a class answers beyond its bases (e.g. a base interface).
  virtual void* Extra(REFIID) { return nullptr; }

 private:
  LONG refs_ = 1;
};

// Creates a fake with its first reference adopted by the smart pointer.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
  return Adopt(new T(static_cast<Args&&>(args)...));
}

}  // namespace fakehost
