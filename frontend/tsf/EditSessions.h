// The edit sessions of the text service: a base that owns its context and
// service references and marks the service as inside a session, and one
// small class per kind of session. Each returns a real HRESULT.
#pragma once

#include "frontend/tsf/TextService.h"

class EditSessionBase : public ITfEditSession {
 public:
  EditSessionBase(CTextService* service, ITfContext* context);
  EditSessionBase(const EditSessionBase&) = delete;
  EditSessionBase& operator=(const EditSessionBase&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DoEditSession(TfEditCookie ec) final;

 protected:
  virtual ~EditSessionBase() = default;
  virtual HRESULT Run(TfEditCookie ec) = 0;

  ComPtr<CTextService> service_;
  ComPtr<ITfContext> context_;

 private:
  LONG refs_ = 1;
  ModuleObjectToken token_;
};

// Runs the pending key of the context through the key runner.
class KeyHandlerEditSession : public EditSessionBase {
 public:
  using EditSessionBase::EditSessionBase;

 protected:
  HRESULT Run(TfEditCookie ec) override;
};

// Ends the context's composition (focus loss, a caret moved away, menus).
class EndCompositionEditSession : public EditSessionBase {
 public:
  using EditSessionBase::EditSessionBase;

 protected:
  HRESULT Run(TfEditCookie ec) override;
};

// Requests session (adopting its first reference) on context with flags.
// Returns the session's own result when it ran, TF_S_ASYNC when the host
// queued it, or the request's failure.
HRESULT RequestSession(ITfContext* context, TfClientId clientId, EditSessionBase* session, DWORD flags);
