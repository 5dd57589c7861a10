// Ending and cancelling the composition of an input context.
#include "frontend/imm/ImmComposition.h"

#include <algorithm>

#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"

void EndImeComposition(const ImcLock& lock) {
  ImeContext* c = lock.context();
  COMPOSITIONSTRING* cs = lock.composition();
  if (cs->dwCompReadStrLen > 0) {
    // lastReading holds 128 units: 127 and the terminator.
    const int units = FitUnits(ReadingString(cs),
                               static_cast<int>(std::min<DWORD>(cs->dwCompReadStrLen, 128)), 127);
    std::copy(ReadingString(cs), ReadingString(cs) + units, c->lastReading);
    c->lastReading[units] = 0;
  }
  ClearCompositionString(cs);
  WriteCandidateList(lock.candidateList(), nullptr, nullptr, 0, 0);
  lock.privateBlock()->listAnnounced = 0;
  SendImeMessage(lock, WM_IME_COMPOSITION, 0, WriteCompositionString(cs, nullptr, 0, nullptr, 0, 0));
  SendImeNotify(lock, kNotifyCompositionCancelled);
  SendImeNotify(lock, IMN_CLOSECANDIDATE, 1);
  SendImeMessage(lock, WM_IME_ENDCOMPOSITION);
}

void CancelImeComposition(const ImcLock& lock) {
  ImmOutput output(lock, ImmWindows());
  ThreadKeyRunner().Cancel(lock.context(), output);
  ClearCompositionString(lock.composition());
  WriteCandidateList(lock.candidateList(), nullptr, nullptr, 0, 0);
}
