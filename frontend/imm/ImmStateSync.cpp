// State flags following the input context.
#include "frontend/imm/ImmStateSync.h"

#include "engine/ImeContext.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/WindowlessUi.h"

bool ApplyHostOpenStatus(const ImcLock& lock) {
  ImeContext* context = lock.context();
  switch (NoticeHostOpenStatus(lock.imc(), lock.privateBlock())) {
    case HostOpenChange::kClose:
      if (context->compositionOpen) {
        CancelImeComposition(lock);
        if (!lock.Intact()) return false;
      }
      context->stateFlags |= kStateInputClosed;
      break;
    case HostOpenChange::kOpen:
      context->stateFlags &= ~kStateInputClosed;
      break;
    case HostOpenChange::kNone:
      break;
  }
  return true;
}

void ApplyHostConversionMode(const ImcLock& lock) {
  ImeContext* context = lock.context();
  context->stateFlags = StateWithConversion(context->stateFlags, lock.imc()->fdwConversion);
}

void RederiveHostState(const ImcLock& lock) {
  ImeContext* context = lock.context();
  context->stateFlags = RederiveState(context->stateFlags, lock.imc()->fdwConversion);
}

bool FollowHostModes(const ImcLock& lock) {
  if (!ApplyHostOpenStatus(lock)) return false;
  if (NoticeHostConversion(lock.imc(), lock.privateBlock(), lock.context()->stateFlags))
    ApplyHostConversionMode(lock);
  return true;
}

bool SyncBeforeKey(const ImcLock& lock) {
  if (!FollowHostModes(lock)) return false;
  ShowFirstStatusWithoutUiWindow(lock);
  return true;
}

void SyncAfterKey(const ImcLock& lock) {
  if (!lock.Intact()) return;
  // The module's own change of the mode is no change by the host.
  lock.privateBlock()->hostConversionSeen = lock.imc()->fdwConversion;
  AfterKeyWithoutUiWindow(lock);
}
