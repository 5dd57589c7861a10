// Message delivery through the input context's message buffer. The buffer of
// ImeToAsciiEx is not used: Wine 8 reads it at the wrong offset on x64, while
// hMsgBuf with ImmGenerateMessage works on Wine and Windows alike. Each
// ImmGenerateMessage costs tens of microseconds under Wine, so callers hand
// over all messages of a key at once.
#include "frontend/imm/ImeMessages.h"

#include "frontend/imm/ImcLock.h"

BOOL GenerateImeMessages(HIMC himc, const TRANSMSG* list, int count) {
  if (count <= 0) return TRUE;
  LockedImc imc(himc);
  if (!imc || !IsWindow(imc->hWnd)) return FALSE;
  HIMCC buffer = imc->hMsgBuf;
  // The count comes with the input context: one its buffer cannot hold is
  // stale, as for a missing buffer, and never an index past the block.
  if (!buffer || imc->dwNumMsgBuf > ImmGetIMCCSize(buffer) / sizeof(TRANSMSG)) imc->dwNumMsgBuf = 0;
  const DWORD bytes = (imc->dwNumMsgBuf + count) * sizeof(TRANSMSG);
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
  }
  auto* messages = static_cast<TRANSMSG*>(ImmLockIMCC(imc->hMsgBuf));
  if (!messages) return FALSE;
  if (ImmGetIMCCSize(imc->hMsgBuf) < (imc->dwNumMsgBuf + count) * sizeof(TRANSMSG)) {
    ImmUnlockIMCC(imc->hMsgBuf);
    return FALSE;
  }
  for (int i = 0; i < count; ++i) messages[imc->dwNumMsgBuf + i] = list[i];
  imc->dwNumMsgBuf += count;
  ImmUnlockIMCC(imc->hMsgBuf);
  return ImmGenerateMessage(himc);
}
