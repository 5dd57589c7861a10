// Turning the key runner's reports into the input context's blocks and IME
// messages, in the order hosts expect them.
#include "frontend/imm/ImmOutput.h"

#include <algorithm>

#include "engine/ImeContext.h"
#include "frontend/imm/CandidateAnchor.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/DeferredMessages.h"
#include "frontend/imm/ImmComposition.h"

namespace {

// The tips window's own size and timer.
constexpr int kTipType = 0;

}  // namespace

ImmOutput::ImmOutput(const ImcLock& lock, ImeWindows& windows) : lock_(lock), windows_(windows) {
  // Messages still held from an earlier call go before this call's.
  DeliverDeferredImeMessages();
}

ImmOutput::~ImmOutput() {
  // A box (or the host, taking a message) let the input context or its
  // blocks go: nothing more is written or sent to it.
  if (!lock_.Intact()) {
    batchCount_ = 0;
    return;
  }
  // A result the runner left in an open composition still ends it; the runner
  // opens a new one when it next shows something.
  if (resultPending_) {
    QueueEnd();
    lock_.context()->compositionOpen = 0;
  }
  FlushStart();
  if (resultDelivered_ && batchCount_ > 0) {
    if (lock_.Intact()) DeferImeMessages(lock_.himc(), batch_, batchCount_);
    batchCount_ = 0;
    return;
  }
  Deliver();
}

void ImmOutput::Queue(UINT message, WPARAM wParam, LPARAM lParam) {
  // A full batch goes out first; the result it may carry is read with it.
  if (batchCount_ == kBatchCapacity) Deliver();
  batch_[batchCount_++] = TRANSMSG{message, wParam, lParam};
}

void ImmOutput::Deliver() {
  if (batchCount_ == 0) return;
  ImeContext* context = lock_.context();
  // Deselected while a box was open: the input context may be gone, and
  // the deselection already ended the composition for the host.
  if (!lock_.Intact()) {
    batchCount_ = 0;
    resultQueued_ = false;
    return;
  }
  // The host may ask for the composition while it takes a result: for that
  // time the composition counts as closed.
  const int32_t open = context->compositionOpen;
  if (resultQueued_) context->compositionOpen = 0;
  GenerateImeMessages(lock_.himc(), batch_, batchCount_);
  context->compositionOpen = open;
  batchCount_ = 0;
  resultQueued_ = false;
}

void ImmOutput::FlushStart() {
  if (!startPending_) return;
  startPending_ = false;
  Queue(WM_IME_STARTCOMPOSITION);
}

bool ImmOutput::BeginContent() {
  if (resultPending_) {
    QueueEnd();
    startPending_ = true;
    // The host took the result: it may have let the input context go.
    if (!lock_.Intact()) return false;
  }
  FlushStart();
  return true;
}

void ImmOutput::StartComposition() {
  lock_.privateBlock()->listAnnounced = 0;
  startPending_ = true;
}

void ImmOutput::UpdateComposition(const CompositionView& view) {
  if (!BeginContent()) return;
  const LPARAM flags = WriteCompositionString(lock_.composition(), view.code, view.codeUnits,
                                              view.text, view.lenUnits, view.caretUnits);
  Queue(WM_IME_COMPOSITION, 0, flags);
}

void ImmOutput::CommitText(const wchar_t* text, int lenUnits) {
  FlushStart();
  COMPOSITIONSTRING* cs = lock_.composition();
  WriteResultString(cs, text, lenUnits, resultPending_);
  // Announced with the flags of the composition it replaces.
  if (!resultPending_) resultFlags_ = ResultFlags(cs);
  resultPending_ = true;
}

void ImmOutput::EndComposition() {
  FlushStart();
  QueueEnd();
}

void ImmOutput::QueueEnd() {
  ImeContext* context = lock_.context();
  COMPOSITIONSTRING* cs = lock_.composition();
  KeepLastReading(lock_);
  ClearCompositionString(cs, resultPending_);
  WriteCandidateList(lock_.candidateList(), nullptr, nullptr, 0, 0);
  lock_.privateBlock()->listAnnounced = 0;
  // A cancelled composition is emptied on screen; a result replaces it.
  if (!resultPending_) Queue(WM_IME_COMPOSITION, 0, WriteCompositionString(cs, nullptr, 0, nullptr, 0, 0));
  Queue(WM_IME_NOTIFY, kNotifyCompositionCancelled);
  Queue(WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1);
  windows_.DestroyCandidateWindow(context);
  if (!resultPending_) {
    Queue(WM_IME_ENDCOMPOSITION);
    return;
  }
  resultPending_ = false;
  Queue(WM_IME_COMPOSITION, 0, resultFlags_);
  resultQueued_ = true;
  Queue(WM_IME_ENDCOMPOSITION);
  // The host reads the result now, before the blocks change for what follows.
  Deliver();
  resultDelivered_ = true;
}

void ImmOutput::UpdateCandidates(const CandidateView& view) {
  if (!BeginContent()) return;
  const wchar_t* texts[kCandidateStrings] = {};
  int units[kCandidateStrings] = {};
  const int count = std::clamp(view.count, 0, kCandidateStrings);
  for (int i = 0; i < count; ++i) {
    texts[i] = view.slots[i].text;
    units[i] = std::clamp(view.slots[i].length, 0, kCompAreaUnits);
  }
  WriteCandidateList(lock_.candidateList(), texts, units, count, view.selection);
  ImePrivateBlock* block = lock_.privateBlock();
  if (!block->listAnnounced) {
    block->listAnnounced = 1;
    Queue(WM_IME_NOTIFY, IMN_CHANGECANDIDATE, 1);
  }
  Queue(WM_IME_NOTIFY, count > 0 ? IMN_OPENCANDIDATE : IMN_CLOSECANDIDATE, 1);
  // The UI window recomputes the anchor on this notice when the host passes
  // it on; a first anchor is taken now, so the window can show before the
  // messages go out (and without a UI window at all).
  Queue(WM_IME_NOTIFY, kNotifyCandidateAnchor);
  if (!(lock_.context()->uiFlags & kUiAnchorKnown)) ComputeCandidateAnchor(lock_.imc(), lock_.context());
  ShowImeWindows(lock_, windows_);
}

void ImmOutput::UpdateStatus(uint32_t changes) {
  ImeContext* context = lock_.context();
  INPUTCONTEXT* imc = lock_.imc();
  if (changes & (StatusChange::kOpenClose | StatusChange::kConversion)) {
    imc->fdwConversion = ConversionFromState(imc->fdwConversion, context->stateFlags);
    Queue(WM_IME_NOTIFY, IMN_SETCONVERSIONMODE);
  }
  if (changes & StatusChange::kOpenClose) Queue(WM_IME_NOTIFY, kNotifyHotKeys);
  if (changes & StatusChange::kStatusWindow) Queue(WM_IME_NOTIFY, kNotifyStatusWindow);
  if (changes & StatusChange::kCandidateWindow) {
    Queue(WM_IME_NOTIFY, kNotifyCandidateAnchor);
    if (!(context->uiFlags & kUiAnchorKnown)) ComputeCandidateAnchor(imc, context);
    ShowImeWindows(lock_, windows_);
  }
  if (changes & StatusChange::kSkin) windows_.UpdateCandidateWindow(context);
  if (changes & (StatusChange::kSkin | StatusChange::kOutput)) windows_.UpdateStatusWindow(context);
}

void ImmOutput::ShowTip(const wchar_t* text) {
  ImeContext* context = lock_.context();
  windows_.RequestTipsWindow(context, context->caretPosition.x, context->caretPosition.y, kTipType,
                             text);
}

void ImmOutput::SoftKeyboardChanged() {
  ImeContext* context = lock_.context();
  if (context->stateFlags & kStateSoftKeyboard)
    windows_.ShowSoftKeyboard(context);
  else
    windows_.HideSoftKeyboard(context);
}

void ShowImeWindows(const ImcLock& lock, ImeWindows& windows) {
  ImeContext* context = lock.context();
  // Until the host told where the caret is, a window would land anywhere.
  if (!(context->uiFlags & kUiAnchorKnown)) {
    windows.HideCandidateWindow(context);
    return;
  }
  const bool content = context->candidateCount > 0 || context->compositionLength > 0;
  if (!(context->uiFlags & kUiCandidateWanted) && !content) {
    windows.HideCandidateWindow(context);
    return;
  }
  if (context->charCell.cx <= 0 || context->charCell.cy <= 0) context->charCell = SIZE{41, 21};
  windows.ShowCandidateWindow(context);
}
