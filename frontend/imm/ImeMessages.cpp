// Message delivery through the input context's message buffer. The buffer of
// ImeToAsciiEx is not used: Wine 8 reads it at the wrong offset on x64, while
// hMsgBuf with ImmGenerateMessage works on Wine and Windows alike.
#include "frontend/imm/ImeMessages.h"

#include "frontend/imm/ImcLock.h"

BOOL GenerateImeMessage(HIMC himc, UINT message, WPARAM wParam, LPARAM lParam) {
  LockedImc imc(himc);
  if (!imc || !IsWindow(imc->hWnd)) return FALSE;
  const DWORD count = imc->dwNumMsgBuf;
  const DWORD bytes = (count + 1) * sizeof(TRANSMSG);
  HIMCC buffer = imc->hMsgBuf;
  if (buffer) {
    // The system frees the old block when the resize moves it; keep only the
    // handle it returns. On failure the buffer and its count stay as they are.
    HIMCC resized = ImmReSizeIMCC(buffer, bytes);
    if (!resized) return FALSE;
    imc->hMsgBuf = resized;
  } else {
    HIMCC created = ImmCreateIMCC(bytes);
    if (!created) return FALSE;
    imc->hMsgBuf = created;
    // A missing buffer holds no messages, whatever the count says.
    imc->dwNumMsgBuf = 0;
  }
  auto* messages = static_cast<TRANSMSG*>(ImmLockIMCC(imc->hMsgBuf));
  if (!messages) return FALSE;
  if (ImmGetIMCCSize(imc->hMsgBuf) < (imc->dwNumMsgBuf + 1) * sizeof(TRANSMSG)) {
    ImmUnlockIMCC(imc->hMsgBuf);
    return FALSE;
  }
  messages[imc->dwNumMsgBuf] = TRANSMSG{message, wParam, lParam};
  ++imc->dwNumMsgBuf;
  ImmUnlockIMCC(imc->hMsgBuf);
  return ImmGenerateMessage(himc);
}
