// CTextService identity: construction, reference counting and the one
// QueryInterface table of all its interfaces.
#include "frontend/tsf/TextService.h"

#include "frontend/common/ContextAssembly.h"
#include "frontend/tsf/EditSessions.h"

namespace {

ImeContext* CreateInstalledContext() {
  return CreateContextWithSkin();
}

// Module-wide: filled at attach, copied by every service made afterwards.
TextServiceEnvironment& ModuleEnvironment() {
  static TextServiceEnvironment environment{&CreateInstalledContext, &DestroyContextWithSkin};
  return environment;
}

}  // namespace

const TextServiceEnvironment& DefaultTextServiceEnvironment() {
  return ModuleEnvironment();
}

void SetDefaultTextServiceWindows(ImeWindows* windows) {
  ModuleEnvironment().windows = windows;
}

void SetImmCandidateNotifier(ImmCandidateNotifier notifier) {
  ModuleEnvironment().notifyImm = notifier;
}

CTextService::CTextService(const TextServiceEnvironment& environment)
    : environment_(environment), runner_(environment.clock ? *environment.clock : DefaultOs()) {}

CTextService::~CTextService() {
  // A host that releases without Deactivate must not leave sinks behind.
  Deactivate();
}

HRESULT CTextService::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_ITfTextInputProcessor ||
      riid == __uuidof(ITfTextInputProcessorEx)) {
    *ppv = static_cast<ITfTextInputProcessorEx*>(this);
  } else if (riid == IID_ITfThreadMgrEventSink) {
    *ppv = static_cast<ITfThreadMgrEventSink*>(this);
  } else if (riid == IID_ITfTextEditSink) {
    *ppv = static_cast<ITfTextEditSink*>(this);
  } else if (riid == IID_ITfKeyEventSink) {
    *ppv = static_cast<ITfKeyEventSink*>(this);
  } else if (riid == IID_ITfCompositionSink) {
    *ppv = static_cast<ITfCompositionSink*>(this);
  } else if (riid == __uuidof(ITfDisplayAttributeProvider)) {
    *ppv = static_cast<ITfDisplayAttributeProvider*>(this);
  } else if (riid == IID_ITfActiveLanguageProfileNotifySink) {
    *ppv = static_cast<ITfActiveLanguageProfileNotifySink*>(this);
  } else if (riid == IID_ITfThreadFocusSink) {
    *ppv = static_cast<ITfThreadFocusSink*>(this);
  } else if (riid == IID_ITfCompartmentEventSink) {
    *ppv = static_cast<ITfCompartmentEventSink*>(this);
  } else if (riid == __uuidof(ITfFunction) || riid == __uuidof(ITfFnConfigure)) {
    *ppv = static_cast<ITfFnConfigure*>(this);
  } else if (riid == __uuidof(ITfFnReconversion)) {
    *ppv = static_cast<ITfFnReconversion*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CTextService::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG CTextService::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT CTextService::Activate(ITfThreadMgr* threadMgr, TfClientId clientId) {
  return ActivateEx(threadMgr, clientId, 0);
}

HRESULT CTextService::OnActivated(REFCLSID, REFGUID, BOOL) {
  return S_OK;
}
