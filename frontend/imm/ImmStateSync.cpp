// State flags following the input context.
#include "frontend/imm/ImmStateSync.h"

#include "engine/ImeContext.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/WindowlessUi.h"

bool ApplyHostOpenStatus(const ImcLock& lock) {
  ImeContext* context = lock.context();
  switch (NoticeHostOpenStatus(lock.imc(), lock.privateBlock())) {
    case HostOpenChange::kClose:
      if (context->compositionOpen) CancelImeComposition(lock);
      context->stateFlags |= kStateInputClosed;
      return true;
    case HostOpenChange::kOpen:
      context->stateFlags &= ~kStateInputClosed;
      return true;
    case HostOpenChange::kNone:
      break;
  }
  return false;
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
  ImeContext* context = lock.context();
  bool changed = ApplyHostOpenStatus(lock);
  if (NoticeHostConversion(lock.imc(), lock.privateBlock(), context->stateFlags)) {
    ApplyHostConversionMode(lock);
    changed = true;
  }
  if (changed) ImmWindows().UpdateStatusWindow(context);
}

void SyncBeforeKey(const ImcLock& lock) {
  FollowHostModes(lock);
  ShowFirstStatusWithoutUiWindow(lock);
}

void SyncAfterKey(const ImcLock& lock) {
  FollowCaretWithoutUiWindow(lock);
}
