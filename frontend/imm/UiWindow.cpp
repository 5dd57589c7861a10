// The UI window procedure: answers the system's IME messages for the input
// context in window slot 0, keeps the state, the hot keys and the status
// and candidate windows in step.
#include "frontend/imm/UiWindow.h"

#include "engine/ImeContext.h"
#include "engine/ImeOptionBits.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/CandidateAnchor.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"
#include "frontend/imm/ImmStateSync.h"
#include "frontend/imm/WindowlessUi.h"
#include "ui/windows/CandidateFonts.h"

namespace {

HIMC WindowContext(HWND window) {
  return reinterpret_cast<HIMC>(GetWindowLongPtrW(window, IMMGWLP_IMC));
}

bool StatusHidden(const ImeContext* context) {
  return context->imeBlock && (context->imeBlock->optionFlags & ImeBits::kHideStatus);
}

// Shows or hides the status window by the option that hides it.
void RefreshStatusWindow(ImeContext* context) {
  if (StatusHidden(context))
    ImmWindows().HideStatusWindow(context);
  else if (ImmModule().statusWindowAllowed)
    ImmWindows().ShowStatusWindow(context);
}

bool AsyncKeyDown(int virtualKey) {
  return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void OnSetContext(HWND window, const ImcLock& lock, bool active) {
  ImeContext* context = lock.context();
  if (active) {
    if (ImmModule().statusWindowAllowed) {
      RederiveHostState(lock);
      ReloadContextSkin(context);
      RefreshStatusWindow(context);
    }
    RegisterImeHotKeys(window, context);
    ReopenTables(context);
  } else {
    ImmWindows().HideStatusWindow(context);
    CancelImeComposition(lock);
    UnregisterImeHotKeys(window);
  }
}

void PlaceCandidateWindow(const ImcLock& lock) {
  ImeContext* context = lock.context();
  ComputeCandidateAnchor(lock.imc(), context);
  ShowImeWindows(lock, ImmWindows());
}

void OnNotify(HWND window, const ImcLock& lock, WPARAM code) {
  ImeContext* context = lock.context();
  const bool keyInProgress = (context->uiFlags & kUiKeyInProgress) != 0;
  switch (code) {
    case IMN_OPENSTATUSWINDOW:
      if (!StatusHidden(context)) ImmModule().statusWindowAllowed = true;
      RefreshStatusWindow(context);
      break;
    case IMN_CLOSESTATUSWINDOW:
      ImmWindows().HideStatusWindow(context);
      break;
    case IMN_OPENCANDIDATE:
    case IMN_CHANGECANDIDATE:
      context->uiFlags |= kUiCandidateWanted;
      break;
    case IMN_CLOSECANDIDATE:
      if (context->candidateCount <= 0 && context->compositionLength <= 0)
        context->uiFlags &= ~kUiCandidateWanted;
      break;
    case IMN_SETOPENSTATUS:
      if (!ApplyHostOpenStatus(lock)) break;
      [[fallthrough]];
    case IMN_SETCONVERSIONMODE:
    case IMN_SETSENTENCEMODE:
      ApplyHostConversionMode(lock);
      if (ImmModule().statusWindowAllowed) RefreshStatusWindow(context);
      break;
    case kNotifyStatusWindow:
      RefreshStatusWindow(context);
      break;
    case IMN_SETSTATUSWINDOWPOS:
      if (!keyInProgress) RefreshStatusWindow(context);
      break;
    case IMN_SETCANDIDATEPOS:
      context->uiFlags |= kUiCandidateWanted;
      if (context->compositionOpen && !keyInProgress) {
        ComputeCandidateAnchor(lock.imc(), context);
        if (context->caretPosition.x > 0 && context->caretPosition.y > 0)
          ShowImeWindows(lock, ImmWindows());
      }
      break;
    case IMN_SETCOMPOSITIONWINDOW:
      if (context->compositionOpen && !keyInProgress) {
        context->uiFlags |= kUiCandidateWanted;
        PlaceCandidateWindow(lock);
      }
      break;
    case kNotifyCandidateAnchor:
      ComputeCandidateAnchor(lock.imc(), context);
      break;
    case kNotifyHotKeys:
      RegisterImeHotKeys(window, context);
      break;
    case IMN_SETCOMPOSITIONFONT:
      MeasureFontCharSize(context, lock.imc()->lfFont.W);
      break;
    default:
      break;
  }
}

void OnHotKey(const ImcLock& lock, WPARAM id) {
  ImeContext* context = lock.context();
  const int entry = HotKeyEntry(context, id);
  KeyRunner& runner = ThreadKeyRunner();
  if (entry >= 0 && context->dmeBlock->combinations[entry].flags &&
      HotKeySidesHeld(context->dmeBlock->combinations[entry].keyCode, AsyncKeyDown)) {
    ImmOutput output(lock, ImmWindows());
    runner.RunCombinationKey(context, entry, output);
  }
  // The modifiers of the hot key must not count as a lone modifier tap.
  runner.ForgetKeyDown();
}

LRESULT HandleUiMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_CONTROL:
    case WM_IME_COMPOSITIONFULL:
    case WM_IME_REQUEST:
      return 0;
    case WM_IME_ENDCOMPOSITION:
      ReleaseCapture();
      return 1;
    case WM_DESTROY: {
      ImcLock lock(WindowContext(window));
      if (lock.ok()) ImmWindows().DestroyWindows(lock.context());
      UnregisterImeHotKeys(window);
      return 0;
    }
    case WM_IME_SETCONTEXT: {
      ImcLock lock(WindowContext(window));
      if (!lock.ok()) return 0;
      NoteUiWindowServes(lock);
      OnSetContext(window, lock, wParam != 0);
      return 0;
    }
    case WM_IME_NOTIFY: {
      ImcLock lock(WindowContext(window));
      if (!lock.ok()) return 0;
      NoteUiWindowServes(lock);
      OnNotify(window, lock, wParam);
      return 0;
    }
    case WM_IME_SELECT: {
      ImcLock lock(WindowContext(window));
      if (wParam && lock.ok()) RegisterImeHotKeys(window, lock.context());
      if (!wParam) UnregisterImeHotKeys(window);
      return 0;
    }
    case WM_HOTKEY: {
      ImcLock lock(WindowContext(window));
      if (lock.ok()) OnHotKey(lock, wParam);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded<LRESULT>(0, [&] { return HandleUiMessage(window, message, wParam, lParam); });
}
