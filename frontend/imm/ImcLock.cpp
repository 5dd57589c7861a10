// Locking an input context and its blocks.
#include "frontend/imm/ImcLock.h"

#include "engine/ImeContext.h"

LockedImcc::LockedImcc(HIMCC block, DWORD minBytes) : block_(block) {
  if (!block) return;
  // A block another IME left, or one whose sizing failed, may be smaller than
  // our layout: writing into it would run past its end.
  if (ImmGetIMCCSize(block) < minBytes) return;
  data_ = static_cast<uint8_t*>(ImmLockIMCC(block));
}

ImcLock::ImcLock(HIMC himc)
    : imc_(himc),
      candidates_(imc_ ? imc_->hCandInfo : nullptr, kCandidateInfoBytes),
      composition_(imc_ ? imc_->hCompStr : nullptr, kCompositionBytes),
      private_(imc_ ? imc_->hPrivate : nullptr, kPrivateBlockBytes) {
  if (!blocks()) return;
  context_ = privateBlock()->context;
  if (context_) {
    context_->inputContext = himc;
    context_->hostWindow = imc_->hWnd;
  }
}
