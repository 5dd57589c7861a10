// The key runner inside the text service's edit sessions: one session
// applies the whole result of a key or command. Keys that may ask the user
// something run outside any session and have their result applied in a new
// one, so no message box is ever shown while the document is locked.
#include "frontend/tsf/TextService.h"

#include "frontend/tsf/EditSessions.h"
#include "frontend/tsf/SessionOutput.h"

bool CTextService::MayAsk(uint64_t flags) const {
  return (flags & (KeyFunction::kDeleteWord | KeyFunction::kEntryOperation | KeyFunction::kDeleteEntry)) != 0;
}

HRESULT CTextService::RunPendingKeyIn(TfEditCookie ec, ITfContext* context) {
  if (!context_) return E_FAIL;
  SessionOutput output(this, ec, context);
  runner_.RunPendingKey(context_, output);
  return S_OK;
}

HRESULT CTextService::RunCommandIn(TfEditCookie ec, ITfContext* context, int kind, int a, int b) {
  if (!context_) return E_FAIL;
  SessionOutput output(this, ec, context);
  if (kind == kCombinationKey) {
    runner_.RunCombinationKey(context_, a, output);
  } else {
    runner_.RunMenuCommand(context_, a, b, 0, output);
  }
  return S_OK;
}

HRESULT CTextService::CancelIn(TfEditCookie ec, ITfContext* context) {
  if (context_) {
    SessionOutput output(this, ec, context);
    runner_.Cancel(context_, output);
  }
  // Whatever the runner had open, the document keeps no composition of ours.
  EndComposition(ec, context);
  return S_OK;
}

bool CTextService::RunPendingKey(ITfContext* context) {
  if (MayAsk(context_->pendingKeyFlags)) return RunPendingKeyAsking(context);
  if (!keySession_) return false;
  keySession_->Bind(context);
  HRESULT result = E_FAIL;
  const HRESULT hr = context->RequestEditSession(clientId_, keySession_.Get(), TF_ES_SYNC | TF_ES_READWRITE, &result);
  keySession_->Bind(nullptr);
  return SUCCEEDED(hr) && result == S_OK;
}

bool CTextService::RunPendingKeyAsking(ITfContext* context) {
  RecordedOutput recorded;
  runner_.RunPendingKey(context_, recorded);
  if (recorded.empty()) return true;
  const HRESULT hr = RequestSession(context, clientId_, new ReplayEditSession(this, context, &recorded),
                                    TF_ES_SYNC | TF_ES_READWRITE);
  if (hr != S_OK) runner_.CompositionEnded(context_);
  return true;
}

bool CTextService::RunCommand(ITfContext* context, int kind, int a, int b) {
  if (!context_ || !context) return false;
  if (kind == kCombinationKey && context_->dmeBlock && a >= 0 && a < kCombinationCapacity &&
      MayAsk(context_->dmeBlock->combinations[a].flags)) {
    RecordedOutput recorded;
    runner_.RunCombinationKey(context_, a, recorded);
    if (!recorded.empty() &&
        RequestSession(context, clientId_, new ReplayEditSession(this, context, &recorded),
                       TF_ES_SYNC | TF_ES_READWRITE) != S_OK) {
      runner_.CompositionEnded(context_);
    }
    return true;
  }
  return RequestSession(context, clientId_, new CommandEditSession(this, context, kind, a, b),
                        TF_ES_SYNC | TF_ES_READWRITE) == S_OK;
}

void CTextService::CandidatesChanged(const CandidateView& view) {
  ImeWindows* windows = environment_.windows;
  if (!windows || !context_) return;
  if (view.count > 0) {
    windows->ShowCandidateWindow(context_);
  } else {
    windows->HideCandidateWindow(context_);
  }
}

void CTextService::StatusChanged(uint32_t changes) {
  if (!context_) return;
  const uint32_t state = context_->stateFlags;
  if (changes & StatusChange::kConversion) {
    LONG mode = GetConversionMode();
    const auto set = [&mode](LONG bit, bool on) { mode = on ? (mode | bit) : (mode & ~bit); };
    set(TF_CONVERSIONMODE_NOCONVERSION, (state & kStateEnglish) != 0);
    set(TF_CONVERSIONMODE_NATIVE, (state & kStateEnglish) == 0);
    set(TF_CONVERSIONMODE_FULLSHAPE, (state & kStateFullWidth) != 0);
    set(TF_CONVERSIONMODE_SYMBOL, (state & kStateEnglishPunct) == 0);
    SetConversionMode(mode);
  }
  if ((changes & StatusChange::kOpenClose) && threadMgr_) {
    const LONG open = (state & kStateInputClosed) ? 0 : 1;
    if (GetKeyboardOpen() != open) SetKeyboardOpen(open);
  }
  RefreshStatusDisplay();
}

void CTextService::SoftKeyboardChanged() {
  ImeWindows* windows = environment_.windows;
  if (!windows || !context_) return;
  if (context_->stateFlags & kStateSoftKeyboard) {
    windows->ShowSoftKeyboard(context_);
  } else {
    windows->HideSoftKeyboard(context_);
  }
}
