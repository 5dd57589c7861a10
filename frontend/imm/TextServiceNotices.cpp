// The text service's candidate notices through the IMM32 message buffer.
#include "frontend/imm/TextServiceNotices.h"

#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeMessages.h"
#include "frontend/imm/ImmGuard.h"

void NotifyTextServiceCandidates(HWND window, WPARAM notification, LPARAM lists) {
  Guarded<int>(0, [&] {
    if (!window) return 0;
    HIMC himc = ImmGetContext(window);
    if (!himc) return 0;
    bool own = false;
    {
      LockedImc imc(himc);
      // A context shared with another window would tell the wrong one.
      own = imc && imc->hWnd == window;
    }
    if (own) GenerateImeMessage(himc, WM_IME_NOTIFY, notification, lists);
    ImmReleaseContext(window, himc);
    return 0;
  });
}
