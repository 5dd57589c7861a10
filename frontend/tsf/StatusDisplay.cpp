// Where the input state shows: the skinned status bar (through the window
// facade) or the language-bar buttons; the input-state indicator and the
// tips placed at the caret.
#include "frontend/tsf/TextService.h"

#include "engine/ImeOptionBits.h"
#include "frontend/tsf/TsfPlacement.h"

namespace {

// The indicator's tips in modern-UI contexts, by indicator value.
constexpr const wchar_t* kIndicatorTips[] = {L"中", L"英", L"A", L"禁", L"关"};
// Tips type of the tips window: the large font, closing by itself.
constexpr int kTipType = 0;

}  // namespace

bool CTextService::LanguageBarMode() const {
  return context_ && context_->imeBlock && (context_->imeBlock->optionFlags & ImeBits::kStatusInLanguageBar);
}

bool CTextService::StatusBarWanted() const {
  if (!context_ || !environment_.windows) return false;
  const uint32_t options = context_->imeBlock ? context_->imeBlock->optionFlags : 0;
  // Hosts with their own UI (immersive, UI-less, console) show no status bar.
  return activationFlags_ == 0 && !(options & (ImeBits::kHideStatus | ImeBits::kStatusInLanguageBar));
}

bool CTextService::ReadKeyboard(uint8_t state[256]) const {
  return environment_.readKeyboard ? environment_.readKeyboard(state) : GetKeyboardState(state) != 0;
}

bool CTextService::CapsLockOn() const {
  uint8_t keyboard[256] = {};
  return ReadKeyboard(keyboard) && (keyboard[VK_CAPITAL] & 0x01) != 0;
}

void CTextService::UpdateLangBarItems(bool all) {
  for (int i = 0; i < kLangBarButtons; ++i) {
    if (langBar_[i] && (all || i == static_cast<int>(LangBarButton::kOpenClose)))
      langBar_[i]->NotifyUpdate(TF_LBI_ICON | TF_LBI_STATUS);
  }
}

void CTextService::ShowStatusDisplay() {
  if (!context_) return;
  UpdateInputStateIndicator();
  if (LanguageBarMode()) {
    for (auto& item : langBar_) {
      if (item && item->hidden()) {
        item->SetHidden(false);
        item->NotifyUpdate(TF_LBI_ICON | TF_LBI_STATUS);
      }
    }
    return;
  }
  if (StatusBarWanted()) environment_.windows->ShowStatusWindow(context_);
}

void CTextService::HideStatusDisplay() {
  if (!context_) return;
  if (LanguageBarMode()) {
    for (auto& item : langBar_) {
      if (item && !item->hidden()) {
        item->SetHidden(true);
        item->NotifyUpdate(TF_LBI_ICON | TF_LBI_STATUS);
      }
    }
    return;
  }
  if (activationFlags_ == 0 && environment_.windows) environment_.windows->HideStatusWindow(context_);
}

void CTextService::RefreshStatusDisplay() {
  if (!context_) return;
  UpdateInputStateIndicator();
  UpdateLangBarItems(LanguageBarMode());
  if (StatusBarWanted()) environment_.windows->UpdateStatusWindow(context_);
}

int CTextService::UpdateInputStateIndicator() {
  if (!context_) return -1;
  uint32_t& state = context_->stateFlags;
  state &= ~(kStateInputDisabled | kStateInputClosed);
  int value = 0;
  if (IsKeyboardDisabled()) {
    state |= kStateInputDisabled;
    value = 3;
  } else if (GetKeyboardOpen()) {
    value = CapsLockOn() ? 2 : ((state & kStateEnglish) ? 1 : 0);
  } else {
    state |= kStateInputClosed;
    value = 4;
  }
  if (value == lastIndicator_) return value;
  lastIndicator_ = value;
  // Modern-UI applications have no status bar: the new state shows at the caret.
  if (immersive() && IsWindows8OrLater(context_->osVersion)) ShowTipAtCaret(kIndicatorTips[value]);
  return value;
}

HWND CTextService::GetFocusWindow() const {
  ComPtr<ITfContextView> view;
  HWND window = nullptr;
  if (currentContext_ && SUCCEEDED(currentContext_->GetActiveView(&view)) && view &&
      FAILED(view->GetWnd(&window))) {
    window = nullptr;
  }
  return window;
}

void CTextService::ShowTipAtCaret(const wchar_t* text) {
  if (!context_ || !environment_.windows || !threadMgr_ || !text) return;
  ComPtr<ITfDocumentMgr> focus;
  if (FAILED(threadMgr_->GetFocus(&focus)) || !focus) return;
  ComPtr<ITfContext> top;
  ComPtr<ITfContextView> view;
  HWND window = nullptr;
  if (SUCCEEDED(focus->GetTop(&top)) && top && SUCCEEDED(top->GetActiveView(&view)) && view &&
      FAILED(view->GetWnd(&window))) {
    window = nullptr;
  }
  POINT caret{0, 0};
  if (window) {
    if (!GetCaretPos(&caret)) caret = POINT{0, 0};
    ClientToScreen(window, &caret);
    context_->focusWindow = window;
  }
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const POINT at = TipPointAtCaret(caret, work);
  environment_.windows->RequestTipsWindow(context_, at.x, at.y, kTipType, text);
}
