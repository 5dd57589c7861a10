// Helpers for the composition of a locked input context: single messages to
// the host, the last reading, and cancelling through the key runner.
#pragma once

#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeMessages.h"

// UI flags of ImeContext::uiFlags.
enum ImmUiFlag : uint32_t {
  kUiCandidateWanted = 0x1,
  kUiAnchorKnown = 0x100,
  kUiKeyInProgress = 0x80000000,
};

inline BOOL SendImeNotify(const ImcLock& lock, WPARAM code, LPARAM lParam = 0) {
  return GenerateImeMessage(lock.himc(), WM_IME_NOTIFY, code, lParam);
}

// Keeps the reading of the composition block as the context's last reading
// (read back by the command language).
void KeepLastReading(const ImcLock& lock);
// Runs the key the key runner took last and sends what it reports.
void RunPendingImeKey(const ImcLock& lock);
// Drops the typed code and candidates through the key runner and empties the
// blocks; an open composition ends with its messages.
void CancelImeComposition(const ImcLock& lock);
