// State flags following the input context.
#include "frontend/imm/ImmStateSync.h"

#include "engine/ImeContext.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/WindowlessUi.h"

void ApplyHostOpenStatus(const ImcLock& lock) {
  ImeContext* context = lock.context();
  switch (NoticeHostOpenStatus(lock.imc(), lock.privateBlock())) {
    case HostOpenChange::kClose:
      if (context->compositionOpen) CancelImeComposition(lock);
      context->stateFlags |= kStateInputClosed;
      break;
    case HostOpenChange::kOpen:
      context->stateFlags &= ~kStateInputClosed;
      break;
    case HostOpenChange::kNone:
      break;
  }
}

void ApplyHostConversionMode(const ImcLock& lock) {
  ImeContext* context = lock.context();
  context->stateFlags = StateWithConversion(context->stateFlags, lock.imc()->fdwConversion);
}

void RederiveHostState(const ImcLock& lock) {
  ImeContext* context = lock.context();
  context->stateFlags = RederiveState(context->stateFlags, lock.imc()->fdwConversion);
}

void FollowHostModes(const ImcLock& lock) {
  ApplyHostOpenStatus(lock);
  if (NoticeHostConversion(lock.imc(), lock.privateBlock(), lock.context()->stateFlags))
    ApplyHostConversionMode(lock);
}

void SyncBeforeKey(const ImcLock& lock) {
  FollowHostModes(lock);
  ShowFirstStatusWithoutUiWindow(lock);
}

void SyncAfterKey(const ImcLock& lock) {
  if (!lock.Intact()) return;
  // The module's own change of the mode is no change by the host.
  lock.privateBlock()->hostConversionSeen = lock.imc()->fdwConversion;
  AfterKeyWithoutUiWindow(lock);
}
