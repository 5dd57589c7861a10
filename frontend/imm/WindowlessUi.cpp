// Status bar and candidate placement for input contexts no UI window serves.
#include "frontend/imm/WindowlessUi.h"

#include "engine/ImeContext.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/imm/CandidateAnchor.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmModule.h"
#include "ui/windows/WindowClasses.h"

namespace {

bool IsUiWindow(HWND window) {
  wchar_t name[32];
  return GetClassNameW(window, name, 32) > 0 && lstrcmpW(name, kImeUiWindowClass) == 0;
}

BOOL CALLBACK FindUiWindow(HWND window, LPARAM found) {
  if (!IsUiWindow(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The system's UI windows are children of the default IME window on some
// versions and owned top-level windows on others: look for both.
HWND ThreadUiWindow(HWND host) {
  HWND found = nullptr;
  if (HWND ime = host ? ImmGetDefaultIMEWnd(host) : nullptr)
    found = FindWindowExW(ime, nullptr, kImeUiWindowClass, nullptr);
  if (!found) EnumThreadWindows(GetCurrentThreadId(), FindUiWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A slot not set yet is the system still setting the window up; a slot that
// does not lock as an input context reaches no context at all.
bool SlotServes(HWND ui) {
  const HIMC slot = reinterpret_cast<HIMC>(GetWindowLongPtrW(ui, IMMGWLP_IMC));
  if (!slot) return true;
  LockedImc imc(slot);
  return static_cast<bool>(imc);
}

// What the status bar draws: the input modes, the soft keyboard, Caps Lock.
uint32_t StatusLook(const ImcLock& lock) {
  constexpr uint32_t kShown = kStateFullWidth | kStateEnglishPunct | kStateInputClosed |
                              kStateInputDisabled | kStateEnglish | kStateSoftKeyboard;
  constexpr uint32_t kCapsLock = 0x80000000;
  const uint32_t known = lock.privateBlock()->capsLock;
  const bool caps = known ? known == 2 : (GetKeyState(VK_CAPITAL) & 1) != 0;
  return (lock.context()->stateFlags & kShown) | (caps ? kCapsLock : 0);
}

void ShowStatus(const ImcLock& lock) {
  ImmWindows().ShowStatusWindow(lock.context());
  lock.privateBlock()->statusShown = 1;
  lock.privateBlock()->statusDrawn = StatusLook(lock);
}

// The UI window redraws the status bar on the mode notifications a key
// sends; without one the module does, when what it shows changed.
void RedrawStatus(const ImcLock& lock) {
  ImeContext* context = lock.context();
  const uint32_t look = StatusLook(lock);
  if (look == lock.privateBlock()->statusDrawn) return;
  lock.privateBlock()->statusDrawn = look;
  ImmWindows().UpdateStatusWindow(context);
}

}  // namespace

bool UiWindowMissing(const ImcLock& lock) {
  ImePrivateBlock* block = lock.privateBlock();
  if (block->uiWindow == kUiWindowUnknown) {
    const HWND ui = ThreadUiWindow(lock.imc()->hWnd ? lock.imc()->hWnd : GetFocus());
    block->uiWindow = ui && SlotServes(ui) ? kUiWindowServes : kUiWindowMissing;
  }
  return block->uiWindow == kUiWindowMissing;
}

void NoteUiWindowServes(const ImcLock& lock) {
  lock.privateBlock()->uiWindow = kUiWindowServes;
}

void ActivateWithoutUiWindow(const ImcLock& lock, bool active) {
  if (!UiWindowMissing(lock)) return;
  ImeContext* context = lock.context();
  if (active) {
    ShowStatus(lock);
    ReopenTables(context);
    return;
  }
  ImmWindows().HideStatusWindow(context);
  if (context->compositionOpen) CancelImeComposition(lock);
  ImmWindows().HideCandidateWindow(context);
}

void ShowFirstStatusWithoutUiWindow(const ImcLock& lock) {
  if (lock.privateBlock()->statusShown || !UiWindowMissing(lock)) return;
  ShowStatus(lock);
}

void AfterKeyWithoutUiWindow(const ImcLock& lock) {
  ImeContext* context = lock.context();
  if (lock.privateBlock()->uiWindow != kUiWindowMissing) return;
  RedrawStatus(lock);
  if (!context->candidateWindow.window) return;
  const POINT before = context->caretPosition;
  const LONG cellBefore = context->charCell.cy;
  ComputeCandidateAnchor(lock.imc(), context);
  // Placing the window costs a few hundred microseconds under Wine (monitor
  // queries): only when the host's caret moved.
  const POINT after = context->caretPosition;
  if (after.x == before.x && after.y == before.y && context->charCell.cy == cellBefore) return;
  ImmWindows().MoveCandidateWindow(context);
}
