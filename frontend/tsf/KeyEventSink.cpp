// The key-event sink. Whether a key is taken, and what it does, belong to the
// shared key runner; here a taken key becomes one synchronous edit session,
// and a key is reported eaten only when that session ran.
#include "frontend/tsf/TextService.h"

#include "frontend/tsf/ProductGuids.h"

bool CTextService::TakeKey(ITfContext* context, WPARAM wParam, LPARAM lParam, KeyDecision* decision) {
  *decision = KeyDecision::kPass;
  if (!context_ || !context || context != currentContext_.Get() || IsKeyboardDisabled()) return false;
  // A composition left in another context (focus moved) ends first.
  for (int i = 0; i < kCompositionSlots; ++i) {
    ComPtr<ITfContext> other = slots_[i].context;
    if (other && other.Get() != context) RequestEndComposition(other.Get());
  }
  uint8_t keyboard[256] = {};
  if (!ReadKeyboard(keyboard)) return false;
  KeyEvent key;
  key.virtualKey = static_cast<uint32_t>(wParam);
  key.keyData = static_cast<uint32_t>(lParam);
  *decision = runner_.TestKey(context_, key, KeyState(keyboard));
  if (*decision == KeyDecision::kPassAfterCancel) RequestEndComposition(context);
  return *decision == KeyDecision::kTake;
}

HRESULT CTextService::OnSetFocus(BOOL foreground) {
  if (!foreground && context_ && environment_.windows) environment_.windows->HideCandidateWindow(context_);
  return S_OK;
}

HRESULT CTextService::OnTestKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  KeyDecision decision;
  *eaten = TakeKey(context, wParam, lParam, &decision) ? TRUE : FALSE;
  // Caps Lock passed to the system changes what the status bar shows.
  if (!*eaten && (wParam & 0xFF) == VK_CAPITAL) RefreshStatusDisplay();
  return S_OK;
}

HRESULT CTextService::OnKeyDown(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  testedUp_ = TestedKeyUp{};
  KeyDecision decision;
  *eaten = FALSE;
  if (TakeKey(context, wParam, lParam, &decision)) *eaten = RunPendingKey(context) ? TRUE : FALSE;
  return S_OK;
}

// A key-up ends the runner's memory of the key-down, so the decision of the
// test call is kept for the real call of the same event.
HRESULT CTextService::OnTestKeyUp(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  KeyDecision decision;
  *eaten = TakeKey(context, wParam, lParam, &decision) ? TRUE : FALSE;
  testedUp_ = TestedKeyUp{true, context, wParam, lParam, decision == KeyDecision::kTake};
  return S_OK;
}

HRESULT CTextService::OnKeyUp(ITfContext* context, WPARAM wParam, LPARAM lParam, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  const TestedKeyUp tested = testedUp_;
  testedUp_ = TestedKeyUp{};
  bool take = false;
  if (tested.valid && tested.context == context && tested.wParam == wParam && tested.lParam == lParam) {
    take = tested.take && context_ && context_->pendingKeyIndex != 0;
  } else {
    KeyDecision decision;
    take = TakeKey(context, wParam, lParam, &decision);
  }
  if (take) *eaten = RunPendingKey(context) ? TRUE : FALSE;
  return S_OK;
}

HRESULT CTextService::OnPreservedKey(ITfContext* context, REFGUID guid, BOOL* eaten) {
  if (!eaten) return E_INVALIDARG;
  *eaten = FALSE;
  if (!context_ || !context) return S_OK;
  ComPtr<CTextService> self(this);  // a combination key may show a box
  const uint32_t state = context_->stateFlags;
  namespace M = MenuCommand;
  if (guid == ProductGuids::kWidthToggleKey) {
    *eaten = RunCommand(context, ServiceCommand::Menu((state & kStateFullWidth) ? M::kFullWidthOff : M::kFullWidthOn));
  } else if (guid == ProductGuids::kPunctuationToggleKey) {
    *eaten = RunCommand(context, ServiceCommand::Menu((state & kStateEnglishPunct) ? M::kChinesePunctuation
                                                                                   : M::kEnglishPunctuation));
  } else {
    const int count = context_->dmeBlock ? GetCombinationKeyCount(context_->dmeBlock) : 0;
    for (int i = 0; i < count; ++i) {
      if (guid != ProductGuids::CombinationKey(i)) continue;
      ServiceCommand command;
      command.kind = ServiceCommand::kCombinationKey;
      command.code = i;
      *eaten = RunCommand(context, command);
    }
  }
  // A modifier released after a preserved key must not count as pressed alone.
  runner_.ForgetKeyDown();
  return S_OK;
}
