// The class factory of CTextService and the COM server exports.
#include "frontend/tsf/ClassFactory.h"

#include <new>

#include "engine/Os.h"
#include "frontend/tsf/ModuleObjects.h"
#include "frontend/tsf/TextService.h"

namespace {

// The product key in the module's string table is the service's CLSID.
constexpr UINT kProductKeyString = 1;
constexpr int kProductKeyUnits = 40;

class ClassFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // A reference handed out keeps the module loaded.
  ULONG STDMETHODCALLTYPE AddRef() override {
    ModuleObjects::Add();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    ModuleObjects::Remove();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CTextService* service = new (std::nothrow) CTextService();
    if (!service) return E_OUTOFMEMORY;
    // The service starts at one reference: a failed request frees it here.
    const HRESULT hr = service->QueryInterface(riid, ppv);
    service->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ModuleObjects::Add() : ModuleObjects::Remove();
    return S_OK;
  }
};

ClassFactory factory;

struct ServedClass {
  bool valid = false;
  CLSID clsid{};
};

// Read once; a magic static is thread-safe, so no lock is needed at attach.
const ServedClass& Served() {
  static const ServedClass served = [] {
    ServedClass s;
    wchar_t text[kProductKeyUnits] = {};
    if (DefaultOs().LoadModuleString(kProductKeyString, text, kProductKeyUnits) > 0)
      s.valid = ParseProductClsid(text, &s.clsid);
    return s;
  }();
  return served;
}

}  // namespace

bool ParseProductClsid(const wchar_t* text, CLSID* clsid) {
  if (!text || !clsid) return false;
  int n = 0;
  while (n < 39 && text[n]) ++n;
  if (n != 38 || text[0] != L'{' || text[37] != L'}') return false;
  wchar_t copy[39];
  for (int i = 0; i < 38; ++i) copy[i] = text[i];
  copy[38] = 0;
  return SUCCEEDED(IIDFromString(copy, clsid));
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IClassFactory && riid != IID_IUnknown) return CLASS_E_CLASSNOTAVAILABLE;
  const ServedClass& served = Served();
  if (!served.valid || rclsid != served.clsid) return CLASS_E_CLASSNOTAVAILABLE;
  *ppv = static_cast<IClassFactory*>(&factory);
  factory.AddRef();
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return ModuleObjects::Count() <= 0 ? S_OK : S_FALSE;
}

// The installer registers the text service; the module registers nothing.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return S_OK;
}
