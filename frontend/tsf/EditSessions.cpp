// Edit-session classes and the request helper.
#include "frontend/tsf/EditSessions.h"

#include "frontend/tsf/ComAdopt.h"

EditSessionBase::EditSessionBase(CTextService* service, ITfContext* context)
    : service_(service), context_(context) {}

HRESULT EditSessionBase::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_ITfEditSession) return E_NOINTERFACE;
  *ppv = static_cast<ITfEditSession*>(this);
  AddRef();
  return S_OK;
}

ULONG EditSessionBase::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG EditSessionBase::Release() {
  const LONG n = InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

HRESULT EditSessionBase::DoEditSession(TfEditCookie ec) {
  service_->EnterSession(ec);
  const HRESULT hr = Run(ec);
  service_->LeaveSession();
  return hr;
}

HRESULT KeyHandlerEditSession::Run(TfEditCookie ec) {
  return service_->RunKeySession(ec, context_.Get());
}

HRESULT EndCompositionEditSession::Run(TfEditCookie ec) {
  service_->EndComposition(ec, context_.Get());
  return S_OK;
}

HRESULT RequestSession(ITfContext* context, TfClientId clientId, EditSessionBase* session, DWORD flags) {
  ComPtr<EditSessionBase> owned = Adopt(session);
  if (!context || !session) return E_INVALIDARG;
  HRESULT sessionResult = E_FAIL;
  const HRESULT hr = context->RequestEditSession(clientId, session, flags, &sessionResult);
  if (FAILED(hr)) return hr;
  return sessionResult;
}
