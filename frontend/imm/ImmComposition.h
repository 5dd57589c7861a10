// Composition, candidate list and result of a locked input context, and the
// messages that tell the host about them.
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

// Typed code as the reading, the composition text with its cursor; sends
// WM_IME_COMPOSITION when asked. Returns the GCS_* flags.
LPARAM FillCompositionString(const ImcLock& lock, bool send = true);
// The page's texts as the candidate list (empty without candidates).
void FillImeCandidateList(const ImcLock& lock);
// Writes text as the result (or appends it), keeps it as the last output and,
// when asked, sends WM_IME_COMPOSITION with the result flags while the
// composition counts as closed.
void WriteResult(const ImcLock& lock, const wchar_t* text, int units, bool append, bool send);
// Drops the typed code, candidates and composition; tells an open composition
// it ended (and sends WM_IME_ENDCOMPOSITION when asked). keepResult leaves a
// result string written just before for the message that follows.
void CancelComposition(const ImcLock& lock, bool endMessage, bool keepResult = false);
