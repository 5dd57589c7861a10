// Following the thread's focus: the thread-manager event sink (document
// focus, pushed and popped contexts) and the thread-focus sink.
#include "frontend/tsf/TextService.h"

#include "frontend/common/ContextAssembly.h"
#include "frontend/tsf/SinkAdvice.h"

HRESULT CTextService::OnInitDocumentMgr(ITfDocumentMgr*) {
  return S_OK;
}

HRESULT CTextService::OnUninitDocumentMgr(ITfDocumentMgr*) {
  return S_OK;
}

namespace {

bool InDocument(ITfContext* context, ITfDocumentMgr* documentMgr) {
  ComPtr<ITfDocumentMgr> owner;
  return context && documentMgr && SUCCEEDED(context->GetDocumentMgr(&owner)) && owner.Get() == documentMgr;
}

// The context that is the top of its document once `popped` is gone. The
// sink may hear of the pop before or after the stack changes.
ComPtr<ITfContext> ContextBelow(ITfContext* popped) {
  ComPtr<ITfDocumentMgr> documentMgr;
  ComPtr<ITfContext> below;
  if (FAILED(popped->GetDocumentMgr(&documentMgr)) || !documentMgr) return below;
  if (SUCCEEDED(documentMgr->GetTop(&below)) && below && below.Get() != popped) return below;
  below.Reset();
  if (FAILED(documentMgr->GetBase(&below)) || below.Get() == popped) below.Reset();
  return below;
}

}  // namespace

HRESULT CTextService::OnPushContext(ITfContext* context) {
  if (!context_ || !threadMgr_) return S_OK;
  // Keys go to the top context of the focused document: a context pushed
  // onto it takes them from now on.
  ComPtr<ITfDocumentMgr> focus;
  if (SUCCEEDED(threadMgr_->GetFocus(&focus)) && InDocument(context, focus.Get())) HookDocument(focus.Get());
  return S_OK;
}

HRESULT CTextService::OnPopContext(ITfContext* context) {
  // A popped context can no longer be edited: forget its composition.
  const int slot = FindSlot(context);
  if (slot >= 0) {
    ReleaseComposition(slot);
    heldUnits_ = 0;
    if (context_) runner_.CompositionEnded(context_);
  }
  if (candidateList_ && candidateList_->begun() && candidateList_->context() == context) EndCandidateList();
  if (context && currentContext_.Get() == context) HookContext(ContextBelow(context).Get());
  return S_OK;
}

HRESULT CTextService::OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr*) {
  if (!context_) return S_OK;
  // Tables, key functions and the skin that config changed apply from here on.
  ReopenTables(context_);
  RegisterPreservedKeys();
  ReloadContextSkin(context_);
  HookDocument(focus);
  ImeWindows* windows = environment_.windows;
  if (focus) {
    if (windows && (context_->stateFlags & kStateSoftKeyboard)) windows->ShowSoftKeyboard(context_);
    ShowStatusDisplay();
  } else {
    if (windows) {
      windows->HideCandidateWindow(context_);
      windows->HideSoftKeyboard(context_);
    }
    HideStatusDisplay();
  }
  return S_OK;
}

bool CTextService::HookDocument(ITfDocumentMgr* documentMgr) {
  UnhookDocument();
  if (!documentMgr) return true;
  ComPtr<ITfContext> top;
  if (FAILED(documentMgr->GetTop(&top))) return false;
  return HookContext(top.Get());
}

bool CTextService::HookContext(ITfContext* context) {
  UnhookDocument();
  if (!context) return true;
  if (FAILED(AdviseSourceSink(context, IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this),
                              &textEditSinkCookie_))) {
    return false;
  }
  currentContext_ = context;
  return true;
}

void CTextService::UnhookDocument() {
  UnadviseSourceSink(currentContext_.Get(), &textEditSinkCookie_);
  currentContext_.Reset();
}

HRESULT CTextService::OnSetThreadFocus() {
  ShowStatusDisplay();
  return S_OK;
}

HRESULT CTextService::OnKillThreadFocus() {
  HideStatusDisplay();
  // Leaving the thread ends typing: nothing half-typed stays in the document.
  RequestEndComposition(currentContext_.Get());
  return S_OK;
}
