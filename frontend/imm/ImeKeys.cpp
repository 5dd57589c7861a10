// Key processing entry points: the key runner decides whether a key is
// taken and runs it; IMM32 delivers what it reports as IME messages.
#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/ImeDeclarations.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmGuard.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"
#include "frontend/imm/ImmStateSync.h"
#include "frontend/imm/KeyHook.h"

namespace {

BOOL ProcessKey(HIMC himc, UINT virtualKey, LPARAM keyData, const BYTE* keyState) {
  ImcLock lock(himc);
  if (!lock.ok() || !lock.context()->dmeBlock) return FALSE;
  ImeContext* context = lock.context();
  if (!SyncBeforeKey(lock)) return FALSE;
  // The status bar shows the Caps Lock state: let it draw again. The state
  // comes with the key; asking the system for it is a slow call under Wine.
  // Caps Lock's own key leaves it to be asked once.
  const bool capsKey = (virtualKey & 0xFF) == VK_CAPITAL;
  lock.privateBlock()->capsLock = !keyState || capsKey ? 0 : (keyState[VK_CAPITAL] & 1) ? 2 : 1;
  if (capsKey) SendImeNotify(lock, IMN_SETOPENSTATUS);
  const KeyEvent event{virtualKey, static_cast<uint32_t>(keyData)};
  KeyRunner& runner = ThreadKeyRunner();
  const KeyDecision decision = runner.TestKey(context, event, KeyState(keyState));
  NoteImeKey(himc, event.IsUp() && decision == KeyDecision::kTake);
  switch (decision) {
    case KeyDecision::kTake:
      return TRUE;
    case KeyDecision::kPassAfterCancel: {
      ImmOutput output(lock, ImmWindows());
      runner.Cancel(context, output);
      return FALSE;
    }
    case KeyDecision::kPass:
      return FALSE;
  }
  return FALSE;
}

UINT ToAsciiEx(HIMC himc) {
  ImcLock lock(himc);
  if (lock.ok() && lock.context()->imeBlock) RunPendingImeKey(lock);
  return 0;
}

}  // namespace

void RunPendingImeKey(const ImcLock& lock) {
  ImeContext* context = lock.context();
  {
    ImmOutput output(lock, ImmWindows());
    // Notifications that arrive while the key works must not move windows;
    // the messages go out after it.
    context->uiFlags |= kUiKeyInProgress;
    ThreadKeyRunner().RunPendingKey(context, output);
    context->uiFlags &= ~kUiKeyInProgress;
  }
  SyncAfterKey(lock);
}

extern "C" {

BOOL WINAPI ImeProcessKey(HIMC himc, UINT virtualKey, LPARAM keyData, CONST LPBYTE keyState) {
  return Guarded<BOOL>(FALSE, [&] { return ProcessKey(himc, virtualKey, keyData, keyState); });
}

// Everything goes through the input context's message buffer, so nothing is
// returned in transBuffer: Wine 8 reads that list at the wrong offset on x64.
UINT WINAPI ImeToAsciiEx(UINT, UINT, CONST LPBYTE, LPTRANSMSGLIST, UINT, HIMC himc) {
  return Guarded<UINT>(0, [&] { return ToAsciiEx(himc); });
}

}  // extern "C"
