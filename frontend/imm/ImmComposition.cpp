// The last reading and cancelling the composition of an input context.
#include "frontend/imm/ImmComposition.h"

#include <algorithm>

#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/ImmOutput.h"

void KeepLastReading(const ImcLock& lock) {
  const COMPOSITIONSTRING* cs = lock.composition();
  if (cs->dwCompReadStrLen == 0) return;
  ImeContext* c = lock.context();
  // lastReading holds 128 units: 127 and the terminator.
  const int units = FitUnits(ReadingString(cs),
                             static_cast<int>(std::min<DWORD>(cs->dwCompReadStrLen, 128)), 127);
  std::copy(ReadingString(cs), ReadingString(cs) + units, c->lastReading);
  c->lastReading[units] = 0;
}

void CancelImeComposition(const ImcLock& lock) {
  {
    ImmOutput output(lock, ImmWindows());
    ThreadKeyRunner().Cancel(lock.context(), output);
  }
  // The host may have let the context go while it took the messages.
  if (!lock.Intact()) return;
  ClearCompositionString(lock.composition());
  WriteCandidateList(lock.candidateList(), nullptr, nullptr, 0, 0);
}
