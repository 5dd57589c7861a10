// The UI window procedure: answers the system's IME messages for the input
// context in window slot 0, keeps the state and hot keys in step.
#include "frontend/imm/UiWindow.h"

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "frontend/imm/CandidateAnchor.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmStateSync.h"

namespace {

HIMC WindowContext(HWND window) {
  return reinterpret_cast<HIMC>(GetWindowLongPtrW(window, IMMGWLP_IMC));
}

void OnSetContext(HWND window, const ImcLock& lock, bool active) {
  if (active) {
    if (ImmModule().statusWindowAllowed) RederiveHostState(lock);
    RegisterImeHotKeys(window, lock.context());
    ReopenTables(lock.context());
  } else {
    CancelComposition(lock, true);
    UnregisterImeHotKeys(window);
  }
}

void OnNotify(HWND window, const ImcLock& lock, WPARAM code) {
  ImeContext* context = lock.context();
  const bool keyInProgress = (context->uiFlags & kUiKeyInProgress) != 0;
  switch (code) {
    case IMN_OPENSTATUSWINDOW:
      ImmModule().statusWindowAllowed = true;
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
      ApplyHostOpenStatus(lock);
      ApplyHostConversionMode(lock);
      break;
    case IMN_SETCONVERSIONMODE:
    case IMN_SETSENTENCEMODE:
      ApplyHostConversionMode(lock);
      break;
    case IMN_SETCANDIDATEPOS:
      context->uiFlags |= kUiCandidateWanted;
      if (context->compositionOpen && !keyInProgress) ComputeCandidateAnchor(lock.imc(), context);
      break;
    case IMN_SETCOMPOSITIONWINDOW:
      if (context->compositionOpen && !keyInProgress) {
        context->uiFlags |= kUiCandidateWanted;
        ComputeCandidateAnchor(lock.imc(), context);
      }
      break;
    case kNotifyCandidateAnchor:
      ComputeCandidateAnchor(lock.imc(), context);
      break;
    case kNotifyHotKeys:
      RegisterImeHotKeys(window, context);
      break;
    default:
      break;
  }
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
      if (lock.ok()) DestroyContextWindows(lock.context());
      UnregisterImeHotKeys(window);
      return 0;
    }
    case WM_IME_SETCONTEXT: {
      ImcLock lock(WindowContext(window));
      if (lock.ok()) OnSetContext(window, lock, wParam != 0);
      return 0;
    }
    case WM_IME_NOTIFY: {
      ImcLock lock(WindowContext(window));
      if (lock.ok()) OnNotify(window, lock, wParam);
      return 0;
    }
    case WM_IME_SELECT: {
      ImcLock lock(WindowContext(window));
      if (wParam && lock.ok()) RegisterImeHotKeys(window, lock.context());
      if (!wParam) UnregisterImeHotKeys(window);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterUiWindowClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_IME | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = UiWindowProc;
  // The system keeps the input context in slot 0; nothing else is stored.
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = EngineModule();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kUiClassName;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded<LRESULT>(0, [&] { return HandleUiMessage(window, message, wParam, lParam); });
}

void DestroyContextWindows(ImeContext* context) {
  if (!context) return;
  ImeWindowState* windows[] = {&context->dictionaryWindow, &context->candidateWindow,
                               &context->tipsWindow, &context->softKeyboardWindow,
                               &context->statusWindow};
  for (ImeWindowState* state : windows) {
    // A window left alive would keep a pointer to the context about to be freed.
    if (state->window && IsWindow(state->window)) DestroyWindow(state->window);
    state->window = nullptr;
  }
}
