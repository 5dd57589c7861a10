// The window facade: each call finds or makes the context's window and hands
// over to the window code of ui/.
#include "frontend/windows/SkinnedImeWindows.h"

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/Menus.h"
#include "ui/windows/SkinWindows.h"
#include "ui/windows/SoftKeyboardWindow.h"
#include "ui/windows/StatusWindow.h"

namespace {

HWND Existing(HWND window) { return window && IsWindow(window) ? window : nullptr; }

void Destroy(HWND* window) {
  if (Existing(*window)) DestroyWindow(*window);
  *window = nullptr;
}

}  // namespace

void SkinnedImeWindows::ShowCandidateWindow(ImeContext* context) {
  HWND window = ::CreateCandidateWindow(context);
  if (!window) return;
  RelayoutCandidateWindow(window);
  ::ShowCandidateWindow(window);
}

void SkinnedImeWindows::UpdateCandidateWindow(ImeContext* context) {
  HWND window = context ? Existing(context->candidateWindow.window) : nullptr;
  if (!window) return;
  RelayoutCandidateWindow(window);
  if (IsWindowVisible(window)) ::ShowCandidateWindow(window);
}

void SkinnedImeWindows::HideCandidateWindow(ImeContext* context) {
  HWND window = context ? Existing(context->candidateWindow.window) : nullptr;
  if (window) ::HideCandidateWindow(window);
}

void SkinnedImeWindows::MoveCandidateWindow(ImeContext* context) {
  HWND window = context ? Existing(context->candidateWindow.window) : nullptr;
  if (!window || !IsWindowVisible(window)) return;
  const POINT before = context->candidateWindow.position;
  ComputeCandidatePosition(context);
  const POINT after = context->candidateWindow.position;
  if (after.x == before.x && after.y == before.y) return;
  SetWindowPos(window, HWND_TOPMOST, after.x, after.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void SkinnedImeWindows::DestroyCandidateWindow(ImeContext* context) {
  if (context) Destroy(&context->candidateWindow.window);
}

void SkinnedImeWindows::ShowStatusWindow(ImeContext* context) {
  if (!context) return;
  // The user may have switched the status bar off in the settings.
  if (context->imeBlock && (context->imeBlock->optionFlags & ImeBits::kHideStatus)) {
    HideStatusWindow(context);
    return;
  }
  HWND window = RequestStatusWindow(context);
  if (window) ::UpdateStatusWindow(window);
}

void SkinnedImeWindows::UpdateStatusWindow(ImeContext* context) {
  HWND window = context ? Existing(context->statusWindow.window) : nullptr;
  if (window && IsWindowVisible(window)) PaintStatusWindow(window);
}

void SkinnedImeWindows::HideStatusWindow(ImeContext* context) {
  HWND window = context ? Existing(context->statusWindow.window) : nullptr;
  if (window) ShowWindow(window, SW_HIDE);
}

void SkinnedImeWindows::ShowSoftKeyboard(ImeContext* context) {
  if (!context) return;
  if (context->stateFlags & kStateSoftKeyboard) {
    ::ShowSoftKeyboard(context);
  } else {
    DestroySoftKeyboard(context);
  }
}

void SkinnedImeWindows::HideSoftKeyboard(ImeContext* context) { DestroySoftKeyboard(context); }

HWND SkinnedImeWindows::RequestTipsWindow(ImeContext* context, int x, int y, int type,
                                          const wchar_t* text) {
  return ::RequestTipsWindow(context, x, y, type, text);
}

HWND SkinnedImeWindows::RequestDictWindow(ImeContext* context, int candidateIndex) {
  return ::RequestDictWindow(context, candidateIndex);
}

void SkinnedImeWindows::DestroyTipsWindow(ImeContext* context) { ::DestroyTipsWindow(context); }

void SkinnedImeWindows::TrackMenu(ImeContext* context, ImeMenu menu, HWND owner, int slot) {
  switch (menu) {
    case ImeMenu::kFunctions:
      ShowFunctionMenu(context, owner);
      break;
    case ImeMenu::kSoftKeyboard:
      ShowSoftKeyboardMenu(context, owner);
      break;
    case ImeMenu::kInputState:
      ShowInputStateMenu(context, owner);
      break;
    case ImeMenu::kCandidateEntry:
      ShowCandidateWordMenu(context, slot, owner);
      break;
  }
}

void SkinnedImeWindows::DestroyWindows(ImeContext* context) {
  if (!context) return;
  // Each window clears the context's handle and its drawing state as it goes.
  Destroy(&context->candidateWindow.window);
  Destroy(&context->statusWindow.window);
  Destroy(&context->tipsWindow.window);
  Destroy(&context->softKeyboardWindow.window);
  Destroy(&context->dictionaryWindow.window);
}

ImeWindows& ModuleImeWindows() {
  static SkinnedImeWindows windows;
  return windows;
}
