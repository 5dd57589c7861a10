// ITfFnConfigure and ITfFnReconversion: the settings entry of the language
// settings dialog; reconversion is offered but does nothing.
#include "frontend/tsf/TextService.h"

#include "engine/Launchers.h"
#include "engine/WideString.h"
#include "frontend/common/ContextLifetime.h"

namespace {

constexpr int kDisplayNameUnits = 40;

}  // namespace

HRESULT ProductDisplayName(const ImeContext* context, BSTR* name) {
  if (!name) return E_INVALIDARG;
  *name = nullptr;
  if (!context || !context->softBlock) return E_FAIL;
  // A field of the shared settings: bounded, whether or not it is terminated.
  const wchar_t* text = context->softBlock->languageName;
  *name = SysAllocStringLen(text, BoundedLength(text, kDisplayNameUnits));
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTextService::GetDisplayName(BSTR* name) {
  return ProductDisplayName(context_, name);
}

HRESULT CTextService::Show(HWND parent, LANGID, REFGUID) {
  // The logon screen and other secure desktops must not start programs.
  if (activationFlags_ & TF_TMAE_SECUREMODE) return E_ACCESSDENIED;
  if (context_) {
    // A start that fails shows the system's box, whose message loop may
    // deactivate the service: the context stays until the launch returns.
    ComPtr<CTextService> self(this);
    ImeContext* running = context_;
    ContextHold hold(running, environment_.destroyContext);
    LaunchConfigTool(running, parent, L"", ContextEffects(running));
    return S_OK;
  }
  // Not active in this thread: a context only long enough to start config.
  if (!environment_.createContext) return E_FAIL;
  ImeContext* temporary = environment_.createContext();
  if (!temporary) return E_FAIL;
  LaunchConfigTool(temporary, parent, L"", ContextEffects(temporary));
  if (environment_.destroyContext) environment_.destroyContext(temporary);
  return S_OK;
}

HRESULT CTextService::QueryRange(ITfRange*, ITfRange** newRange, BOOL* convertible) {
  if (newRange) *newRange = nullptr;
  if (convertible) *convertible = FALSE;
  return S_OK;
}

HRESULT CTextService::GetReconversion(ITfRange*, ITfCandidateList** list) {
  if (list) *list = nullptr;
  return S_OK;
}

HRESULT CTextService::Reconvert(ITfRange*) {
  return S_OK;
}
