// Edit-session classes and the request helper.
#include "frontend/tsf/EditSessions.h"

#include "frontend/tsf/ComAdopt.h"
#include "frontend/tsf/SessionOutput.h"

EditSessionBase::EditSessionBase(CTextService* service, ITfContext* context, bool counted)
    : service_(service), context_(context) {
  if (counted) serviceRef_ = service;
}

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
  // A host that runs a session after the service was deactivated finds nothing to do.
  if (!service_ || !context_) return E_UNEXPECTED;
  // A box shown while the session runs (a launch that fails, a run( word)
  // runs the host's message loop, where the framework may deactivate the
  // service: that detaches the key session and may drop the service's last
  // reference. Both stay held here until the session is over.
  CTextService* service = service_;
  ComPtr<ITfTextInputProcessorEx> keep(service);
  ComPtr<ITfContext> document = context_;
  service->EnterSession(ec);
  const HRESULT hr = Run(ec);
  service->LeaveSession();
  return hr;
}

HRESULT KeyHandlerEditSession::Run(TfEditCookie ec) {
  return service_->RunPendingKeyIn(ec, context_.Get());
}

HRESULT EndCompositionEditSession::Run(TfEditCookie ec) {
  return service_->CancelIn(ec, context_.Get());
}

HRESULT CommandEditSession::Run(TfEditCookie ec) {
  return service_->RunCommandIn(ec, context_.Get(), command_);
}

HRESULT TextExtentEditSession::Run(TfEditCookie ec) {
  service_->MeasureTextExtent(ec, view_.Get(), range_.Get());
  return S_OK;
}

HRESULT ReplayEditSession::Run(TfEditCookie ec) {
  SessionOutput output(service_, ec, context_.Get());
  recorded_->ReplayInto(output);
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
