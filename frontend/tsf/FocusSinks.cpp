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

HRESULT CTextService::OnPushContext(ITfContext*) {
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
  if (context && currentContext_.Get() == context) UnhookDocument();
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
  if (!top) return true;
  if (FAILED(AdviseSourceSink(top.Get(), IID_ITfTextEditSink, static_cast<ITfTextEditSink*>(this),
                              &textEditSinkCookie_))) {
    return false;
  }
  currentContext_ = top;
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
