// Scoped locks of an input context and its memory blocks. Every IME entry
// point locks through these, so every path unlocks, in reverse order.
#pragma once

#include <cstdint>

#include "frontend/imm/ContextBlocks.h"
#include "frontend/imm/ImeDeclarations.h"

struct ImeContext;

// ImmLockIMC / ImmUnlockIMC.
class LockedImc {
 public:
  explicit LockedImc(HIMC himc) : himc_(himc), imc_(himc ? ImmLockIMC(himc) : nullptr) {}
  ~LockedImc() {
    if (imc_) ImmUnlockIMC(himc_);
  }
  LockedImc(const LockedImc&) = delete;
  LockedImc& operator=(const LockedImc&) = delete;

  INPUTCONTEXT* get() const { return imc_; }
  INPUTCONTEXT* operator->() const { return imc_; }
  explicit operator bool() const { return imc_ != nullptr; }
  HIMC handle() const { return himc_; }
  // The input context was destroyed while locked: nothing is left to unlock.
  void Forget() { imc_ = nullptr; }

 private:
  HIMC himc_;
  INPUTCONTEXT* imc_;
};

// ImmLockIMCC / ImmUnlockIMCC of one block; a block smaller than minBytes
// counts as not locked, so no writer runs past its end.
class LockedImcc {
 public:
  LockedImcc(HIMCC block, DWORD minBytes);
  ~LockedImcc() {
    if (data_) ImmUnlockIMCC(block_);
  }
  LockedImcc(const LockedImcc&) = delete;
  LockedImcc& operator=(const LockedImcc&) = delete;

  uint8_t* data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  HIMCC handle() const { return block_; }
  // The block was freed or replaced while locked: leave it alone.
  void Forget() { data_ = nullptr; }

 private:
  HIMCC block_;
  uint8_t* data_ = nullptr;
};

// The input context with its candidate, composition and private blocks,
// locked in that order and unlocked in reverse. Before use, the ImeContext
// learns which input context and host window it serves. The lock holds the
// ImeContext: deselected meanwhile, it is freed when the last lock goes.
class ImcLock {
 public:
  explicit ImcLock(HIMC himc);
  ~ImcLock();
  ImcLock(const ImcLock&) = delete;
  ImcLock& operator=(const ImcLock&) = delete;

  // The context and all three blocks are locked.
  bool blocks() const { return candidates_ && composition_ && private_; }
  // ... and an ImeContext serves the input context.
  bool ok() const { return blocks() && context_ != nullptr; }
  // Still as locked: the context was not retired and the input context has
  // the same blocks at the same place, none smaller than our layout. A modal
  // box runs the host's message loop, where the system may take them away;
  // whatever runs after the key runner asks this before touching a block.
  bool Intact() const;

  HIMC himc() const { return imc_.handle(); }
  INPUTCONTEXT* imc() const { return imc_.get(); }
  COMPOSITIONSTRING* composition() const {
    return reinterpret_cast<COMPOSITIONSTRING*>(composition_.data());
  }
  CANDIDATEINFO* candidateInfo() const {
    return reinterpret_cast<CANDIDATEINFO*>(candidates_.data());
  }
  CANDIDATELIST* candidateList() const {
    return reinterpret_cast<CANDIDATELIST*>(candidates_.data() + kCandidateListOffset);
  }
  ImePrivateBlock* privateBlock() const {
    return reinterpret_cast<ImePrivateBlock*>(private_.data());
  }
  ImeContext* context() const { return context_; }

 private:
  void ForgetReleasedBlocks();

  LockedImc imc_;
  LockedImcc candidates_;
  LockedImcc composition_;
  LockedImcc private_;
  ImeContext* context_ = nullptr;
};
