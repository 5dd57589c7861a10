// Turning the key runner's reports into the input context's blocks and IME
// messages, in the order hosts expect them.
#include "frontend/imm/ImmOutput.h"

#include <algorithm>

#include "engine/ImeContext.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/ImmComposition.h"

namespace {

// The tips window's own size and timer.
constexpr int kTipType = 0;

}  // namespace

void ImmOutput::FlushStart(bool forCode) {
  if (!startPending_) return;
  startPending_ = false;
  if (forCode) SendImeMessage(lock_, WM_IME_ENDCOMPOSITION);
  SendImeMessage(lock_, WM_IME_STARTCOMPOSITION);
}

void ImmOutput::StartComposition() {
  lock_.privateBlock()->listAnnounced = 0;
  startPending_ = true;
}

void ImmOutput::UpdateComposition(const CompositionView& view) {
  FlushStart(true);
  const LPARAM flags = WriteCompositionString(lock_.composition(), view.code, view.codeUnits,
                                              view.text, view.lenUnits, view.caretUnits);
  SendImeMessage(lock_, WM_IME_COMPOSITION, 0, flags);
}

void ImmOutput::CommitText(const wchar_t* text, int lenUnits) {
  FlushStart(false);
  ImeContext* context = lock_.context();
  COMPOSITIONSTRING* cs = lock_.composition();
  WriteResultString(cs, text, lenUnits, false);
  // The host reads the composition while it takes the result: for that time
  // the composition counts as closed.
  const int32_t open = context->compositionOpen;
  context->compositionOpen = 0;
  SendImeMessage(lock_, WM_IME_COMPOSITION, 0, ResultFlags(cs));
  context->compositionOpen = open;
}

void ImmOutput::EndComposition() {
  FlushStart(false);
  EndImeComposition(lock_);
  windows_.DestroyCandidateWindow(lock_.context());
}

void ImmOutput::UpdateCandidates(const CandidateView& view) {
  FlushStart(true);
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
    SendImeNotify(lock_, IMN_CHANGECANDIDATE, 1);
  }
  SendImeNotify(lock_, count > 0 ? IMN_OPENCANDIDATE : IMN_CLOSECANDIDATE, 1);
  SendImeNotify(lock_, kNotifyCandidateAnchor);
  ShowImeWindows(lock_, windows_);
}

void ImmOutput::UpdateStatus(uint32_t changes) {
  ImeContext* context = lock_.context();
  INPUTCONTEXT* imc = lock_.imc();
  if (changes & (StatusChange::kOpenClose | StatusChange::kConversion)) {
    imc->fdwConversion = ConversionFromState(imc->fdwConversion, context->stateFlags);
    SendImeNotify(lock_, IMN_SETCONVERSIONMODE);
  }
  if (changes & StatusChange::kOpenClose) SendImeNotify(lock_, kNotifyHotKeys);
  if (changes & StatusChange::kStatusWindow) SendImeNotify(lock_, kNotifyStatusWindow);
  if (changes & StatusChange::kCandidateWindow) {
    SendImeNotify(lock_, kNotifyCandidateAnchor);
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
