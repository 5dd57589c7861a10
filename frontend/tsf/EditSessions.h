// The edit sessions of the text service: a base that owns its context and
// service references and marks the service as inside a session, and one
// small class per kind of session. Each returns a real HRESULT.
#pragma once

#include "frontend/tsf/TextService.h"

class EditSessionBase : public ITfEditSession {
 public:
  // counted: the session keeps the service alive; the one session kept by
  // the service for every key holds it uncounted, and the service detaches
  // it at deactivation.
  EditSessionBase(CTextService* service, ITfContext* context, bool counted = true);
  EditSessionBase(const EditSessionBase&) = delete;
  EditSessionBase& operator=(const EditSessionBase&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DoEditSession(TfEditCookie ec) final;

 protected:
  virtual ~EditSessionBase() = default;
  virtual HRESULT Run(TfEditCookie ec) = 0;

  CTextService* service_;
  ComPtr<ITfContext> context_;

 private:
  ComPtr<ITfTextInputProcessorEx> serviceRef_;
  LONG refs_ = 1;
  ModuleObjectToken token_;
};

// Runs the pending key of the context through the key runner. The service
// keeps one and binds it to the key's context, so a key stroke allocates
// nothing.
class KeyHandlerEditSession : public EditSessionBase {
 public:
  explicit KeyHandlerEditSession(CTextService* service) : EditSessionBase(service, nullptr, false) {}
  void Bind(ITfContext* context) { context_ = context; }
  void Detach() {
    service_ = nullptr;
    context_.Reset();
  }

 protected:
  HRESULT Run(TfEditCookie ec) override;
};

// Drops the typed input and ends the context's composition (focus loss, a
// caret moved away, deactivation).
class EndCompositionEditSession : public EditSessionBase {
 public:
  using EditSessionBase::EditSessionBase;

 protected:
  HRESULT Run(TfEditCookie ec) override;
};

// A menu command, a combination key or key-function flags run through the
// key runner.
class CommandEditSession : public EditSessionBase {
 public:
  CommandEditSession(CTextService* service, ITfContext* context, const ServiceCommand& command)
      : EditSessionBase(service, context), command_(command) {}

 protected:
  HRESULT Run(TfEditCookie ec) override;

 private:
  ServiceCommand command_;
};

// Measures the composition again after the host's layout changed (a read
// session).
class TextExtentEditSession : public EditSessionBase {
 public:
  TextExtentEditSession(CTextService* service, ITfContext* context, ITfContextView* view, ITfRange* range)
      : EditSessionBase(service, context), view_(view), range_(range) {}

 protected:
  HRESULT Run(TfEditCookie ec) override;

 private:
  ComPtr<ITfContextView> view_;
  ComPtr<ITfRange> range_;
};

class RecordedOutput;

// Applies what the key runner reported while it ran outside a session (a
// key that asked the user something first).
class ReplayEditSession : public EditSessionBase {
 public:
  ReplayEditSession(CTextService* service, ITfContext* context, const RecordedOutput* recorded)
      : EditSessionBase(service, context), recorded_(recorded) {}

 protected:
  HRESULT Run(TfEditCookie ec) override;

 private:
  const RecordedOutput* recorded_;  // owned by the caller, which waits for the session
};

// Requests session (adopting its first reference) on context with flags.
// Returns the session's own result when it ran, TF_S_ASYNC when the host
// queued it, or the request's failure.
HRESULT RequestSession(ITfContext* context, TfClientId clientId, EditSessionBase* session, DWORD flags);
