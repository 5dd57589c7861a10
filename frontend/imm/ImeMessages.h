// Messages from the IME to its host: appended to the input context's message
// buffer and delivered by ImmGenerateMessage.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

// WM_IME_NOTIFY codes the module sends itself besides the IMN_* codes.
enum PrivateNotify : WPARAM {
  kNotifyStatusWindow = 256,    // show or hide the status window by the option
  kNotifyCandidateAnchor = 512,  // recompute the candidate window's anchor
  kNotifyCompositionCancelled = 768,
  kNotifyHotKeys = 1024,  // register the combination hot keys again
};

// Appends messages to hMsgBuf and has the system deliver them, in order.
// Returns the result of ImmGenerateMessage, 0 when the host window is gone
// or the buffer cannot grow (the buffer and its count are then left as they
// were).
BOOL GenerateImeMessages(HIMC himc, const TRANSMSG* messages, int count);
inline BOOL GenerateImeMessage(HIMC himc, UINT message, WPARAM wParam, LPARAM lParam) {
  const TRANSMSG one{message, wParam, lParam};
  return GenerateImeMessages(himc, &one, 1);
}
