// Messages to the host about the composition of a locked input context, and
// ending or cancelling that composition.
#pragma once

#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeMessages.h"

// UI flags of ImeContext::uiFlags.
enum ImmUiFlag : uint32_t {
  kUiCandidateWanted = 0x1,
  kUiAnchorKnown = 0x100,
  kUiKeyInProgress = 0x80000000,
};

inline BOOL SendImeMessage(const ImcLock& lock, UINT message, WPARAM wParam = 0,
                           LPARAM lParam = 0) {
  return GenerateImeMessage(lock.himc(), message, wParam, lParam);
}
inline BOOL SendImeNotify(const ImcLock& lock, WPARAM code, LPARAM lParam = 0) {
  return GenerateImeMessage(lock.himc(), WM_IME_NOTIFY, code, lParam);
}

// The composition ended: the reading is kept as the last one, the blocks are
// emptied and the host is told (composition, cancel notice, closed list, end).
void EndImeComposition(const ImcLock& lock);
// Drops the typed code and candidates through the key runner and empties the
// blocks; an open composition ends as above.
void CancelImeComposition(const ImcLock& lock);
