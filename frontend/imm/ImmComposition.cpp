// Writing the composition, candidate and result blocks from the ImeContext.
#include "frontend/imm/ImmComposition.h"

#include <algorithm>

#include "engine/Candidates.h"
#include "engine/ImeContext.h"

namespace {

void CopyLastText(const wchar_t* text, int units, wchar_t* out, int capacity, int32_t* length) {
  const int n = FitUnits(text, units, capacity - 1);
  std::copy(text, text + n, out);
  out[n] = 0;
  if (length) *length = n;
}

}  // namespace

LPARAM FillCompositionString(const ImcLock& lock, bool send) {
  const ImeContext* c = lock.context();
  const LPARAM flags =
      WriteCompositionString(lock.composition(), c->code, std::clamp(c->codeLength, 0, kMaxCodeUnits),
                             c->composition, std::clamp(c->compositionLength, 0, kMaxCodeUnits),
                             c->compositionCursor);
  if (send) SendImeMessage(lock, WM_IME_COMPOSITION, 0, flags);
  return flags;
}

void FillImeCandidateList(const ImcLock& lock) {
  const ImeContext* c = lock.context();
  const wchar_t* texts[kCandidateStrings];
  int units[kCandidateStrings];
  const int count = c->candidateCount > 0 ? std::clamp(c->slotsFilled, 0, kCandidateStrings) : 0;
  for (int i = 0; i < count; ++i) {
    texts[i] = c->pageSlots[i].text;
    units[i] = std::clamp(c->pageSlots[i].length, 0, kSlotTextUnits);
  }
  WriteCandidateList(lock.candidateList(), texts, units, count, c->selection);
}

void WriteResult(const ImcLock& lock, const wchar_t* text, int units, bool append, bool send) {
  ImeContext* c = lock.context();
  COMPOSITIONSTRING* cs = lock.composition();
  const int total = WriteResultString(cs, text, units, append);
  CopyLastText(ResultString(cs), total, c->lastOutput, 130, &c->lastOutputLength);
  if (!send) return;
  // The host may ask for the composition while it handles the result: it is
  // closed for that time.
  const int32_t open = c->compositionOpen;
  c->compositionOpen = 0;
  SendImeMessage(lock, WM_IME_COMPOSITION, 0, ResultFlags(cs));
  c->compositionOpen = open;
}

void CancelComposition(const ImcLock& lock, bool endMessage, bool keepResult) {
  ImeContext* c = lock.context();
  COMPOSITIONSTRING* cs = lock.composition();
  ResetInput(c);
  c->commitLength = 0;
  if (cs->dwCompReadStrLen > 0) {
    const int units = static_cast<int>(std::min<DWORD>(cs->dwCompReadStrLen, kCompAreaUnits));
    // lastReading holds 128 units: 127 and the terminator.
    CopyLastText(ReadingString(cs), units, c->lastReading, 128, nullptr);
  }
  if (cs->dwResultStrLen > 0) {
    const int units = static_cast<int>(std::min<DWORD>(cs->dwResultStrLen, kCompAreaUnits));
    CopyLastText(ResultString(cs), units, c->lastOutput, 130, &c->lastOutputLength);
  }
  ClearCompositionString(cs, keepResult);
  WriteCandidateList(lock.candidateList(), nullptr, nullptr, 0, 0);
  if (c->compositionOpen) {
    SendImeMessage(lock, WM_IME_COMPOSITION, 0,
                   WriteCompositionString(cs, nullptr, 0, nullptr, 0, 0));
    SendImeNotify(lock, kNotifyCompositionCancelled);
    SendImeNotify(lock, IMN_CLOSECANDIDATE, 1);
    c->compositionOpen = 0;
  }
  if (endMessage) SendImeMessage(lock, WM_IME_ENDCOMPOSITION);
}
