// Locking an input context and its blocks.
#include "frontend/imm/ImcLock.h"

#include "engine/ImeContext.h"
#include "frontend/common/ContextLifetime.h"
#include "frontend/imm/ImmModule.h"

LockedImcc::LockedImcc(HIMCC block, DWORD minBytes) : block_(block) {
  if (!block) return;
  // A block another IME left, or one whose sizing failed, may be smaller than
  // our layout: writing into it would run past its end.
  if (ImmGetIMCCSize(block) < minBytes) return;
  data_ = static_cast<uint8_t*>(ImmLockIMCC(block));
}

namespace {

bool SameBlock(HIMCC now, const LockedImcc& locked, DWORD minBytes) {
  if (now != locked.handle() || ImmGetIMCCSize(now) < minBytes) return false;
  void* data = ImmLockIMCC(now);
  if (data) ImmUnlockIMCC(now);
  return data == locked.data();
}

}  // namespace

ImcLock::ImcLock(HIMC himc)
    : imc_(himc),
      candidates_(imc_ ? imc_->hCandInfo : nullptr, kCandidateInfoBytes),
      composition_(imc_ ? imc_->hCompStr : nullptr, kCompositionBytes),
      private_(imc_ ? imc_->hPrivate : nullptr, kPrivateBlockBytes) {
  if (!blocks()) return;
  context_ = privateBlock()->context;
  if (context_) {
    HoldContext(context_);
    context_->inputContext = himc;
    context_->hostWindow = imc_->hWnd;
  }
}

ImcLock::~ImcLock() {
  if (!context_) return;
  const bool retired = ContextRetired(context_);
  if (ReleaseContext(context_)) DestroyImmContext(context_);
  context_ = nullptr;
  if (retired) ForgetReleasedBlocks();
}

bool ImcLock::Intact() const {
  if (!ok() || ContextRetired(context_)) return false;
  // Destroyed: its INPUTCONTEXT is gone too.
  if (ImmGetIMCLockCount(imc_.handle()) == 0) return false;
  const INPUTCONTEXT* imc = imc_.get();
  return SameBlock(imc->hCandInfo, candidates_, kCandidateInfoBytes) &&
         SameBlock(imc->hCompStr, composition_, kCompositionBytes) &&
         SameBlock(imc->hPrivate, private_, kPrivateBlockBytes);
}

void ImcLock::ForgetReleasedBlocks() {
  // Deselected while locked (a modal box ran the host's message loop): the
  // system may have destroyed the input context, or sized new blocks for
  // the next IME. Only what is still there is unlocked.
  if (ImmGetIMCLockCount(imc_.handle()) == 0) {
    imc_.Forget();
    candidates_.Forget();
    composition_.Forget();
    private_.Forget();
    return;
  }
  if (imc_->hCandInfo != candidates_.handle()) candidates_.Forget();
  if (imc_->hCompStr != composition_.handle()) composition_.Forget();
  if (imc_->hPrivate != private_.handle()) private_.Forget();
}
