// The keyboard compartments: open/close, conversion mode, disabled and empty
// context, and the change sink on open/close. Missing compartments read as 0;
// writes to a missing one are skipped.
#include "frontend/tsf/TextService.h"

#include "engine/OutputConversion.h"
#include "frontend/tsf/SinkAdvice.h"

namespace {

HRESULT GetCompartment(IUnknown* owner, REFGUID guid, ComPtr<ITfCompartment>* out) {
  if (!owner) return E_FAIL;
  ComPtr<ITfCompartmentMgr> manager;
  HRESULT hr = owner->QueryInterface(IID_PPV_ARGS(&manager));
  if (FAILED(hr)) return hr;
  return manager->GetCompartment(guid, out->ReleaseAndGetAddressOf());
}

}  // namespace

HRESULT CTextService::ReadCompartment(IUnknown* owner, REFGUID guid, LONG* value) const {
  *value = 0;
  ComPtr<ITfCompartment> compartment;
  HRESULT hr = GetCompartment(owner, guid, &compartment);
  if (FAILED(hr) || !compartment) return FAILED(hr) ? hr : E_FAIL;
  VARIANT v;
  VariantInit(&v);
  hr = compartment->GetValue(&v);
  if (hr == S_OK && v.vt == VT_I4) *value = v.lVal;
  VariantClear(&v);
  return hr;
}

HRESULT CTextService::WriteCompartment(IUnknown* owner, REFGUID guid, LONG value) {
  ComPtr<ITfCompartment> compartment;
  HRESULT hr = GetCompartment(owner, guid, &compartment);
  if (FAILED(hr) || !compartment) return E_FAIL;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return compartment->SetValue(clientId_, &v);
}

LONG CTextService::GetKeyboardOpen() const {
  LONG value = 0;
  ReadCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &value);
  return value;
}

HRESULT CTextService::SetKeyboardOpen(LONG open) {
  return WriteCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, open);
}

LONG CTextService::GetConversionMode() const {
  LONG value = 0;
  ReadCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION, &value);
  return value;
}

HRESULT CTextService::SetConversionMode(LONG mode) {
  return WriteCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION, mode);
}

bool CTextService::IsKeyboardDisabled() const {
  if (!threadMgr_) return true;
  ComPtr<ITfDocumentMgr> focus;
  if (FAILED(threadMgr_->GetFocus(&focus)) || !focus) return true;
  ComPtr<ITfContext> top;
  if (FAILED(focus->GetTop(&top)) || !top) return true;
  // Either compartment alone disables typing: a read-only field sets the
  // first, a window without a text store the second.
  LONG disabled = 0;
  LONG empty = 0;
  ReadCompartment(top.Get(), GUID_COMPARTMENT_KEYBOARD_DISABLED, &disabled);
  ReadCompartment(top.Get(), GUID_COMPARTMENT_EMPTYCONTEXT, &empty);
  return disabled != 0 || empty != 0;
}

bool CTextService::AdviseOpenCloseSink() {
  ComPtr<ITfCompartment> compartment;
  if (FAILED(GetCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &compartment)) ||
      !compartment) {
    return false;
  }
  return SUCCEEDED(AdviseSourceSink(compartment.Get(), IID_ITfCompartmentEventSink,
                                    static_cast<ITfCompartmentEventSink*>(this), &openCloseSinkCookie_));
}

void CTextService::UnadviseOpenCloseSink() {
  if (openCloseSinkCookie_ == TF_INVALID_COOKIE) return;
  ComPtr<ITfCompartment> compartment;
  GetCompartment(threadMgr_.Get(), GUID_COMPARTMENT_KEYBOARD_OPENCLOSE, &compartment);
  UnadviseSourceSink(compartment.Get(), &openCloseSinkCookie_);
}

HRESULT CTextService::OnChange(REFGUID guid) {
  if (guid != GUID_COMPARTMENT_KEYBOARD_OPENCLOSE || !context_) return S_OK;
  context_->stateFlags &= ~kStateEnglish;
  // Another client (the system's switch, the language bar) may have moved it.
  RefreshStatusDisplay();
  RegisterPreservedKeys();
  ResetPairedPunctuation(context_->quotePairStates);
  return S_OK;
}
