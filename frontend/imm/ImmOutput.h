// The key runner's output for an IMM32 input context: compositions, results
// and candidate lists become the context's blocks and IME messages; the
// skinned windows follow through the window facade. The messages of one
// call are delivered together when the output goes out of scope, except
// that a result goes out with its end at once, before the blocks are
// written for anything that follows.
//
// Hosts see well-formed compositions: one WM_IME_STARTCOMPOSITION, at most
// one result, then exactly one WM_IME_ENDCOMPOSITION. What the runner shows
// after a result in the same composition (associations) opens a new one.
#pragma once

#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunnerOutput.h"
#include "frontend/imm/ImcLock.h"

class ImmOutput : public KeyRunnerOutput {
 public:
  ImmOutput(const ImcLock& lock, ImeWindows& windows);
  ~ImmOutput() override;
  ImmOutput(const ImmOutput&) = delete;
  ImmOutput& operator=(const ImmOutput&) = delete;

  void StartComposition() override;
  void UpdateComposition(const CompositionView& view) override;
  void CommitText(const wchar_t* text, int lenUnits) override;
  void EndComposition() override;
  void UpdateCandidates(const CandidateView& view) override;
  void UpdateStatus(uint32_t changes) override;
  void ShowTip(const wchar_t* text) override;
  void SoftKeyboardChanged() override;

  // Adds a message for the host; delivered with the others, in order.
  void Queue(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Hands the queued messages to the system now.
  void Deliver();

 private:
  static constexpr int kBatchCapacity = 32;

  // Sends the start of a composition held back until something is shown in it.
  void FlushStart();
  // Before new content: a composition that already has its result ends first.
  // False when the host let the input context go on taking that result.
  bool BeginContent();
  // The notices, the result (if any) and the end of the composition.
  void QueueEnd();

  const ImcLock& lock_;
  ImeWindows& windows_;
  bool startPending_ = false;
  // The result string holds a result not yet announced; a second result of
  // the same composition joins it.
  bool resultPending_ = false;
  LPARAM resultFlags_ = 0;
  // A result message is queued: the host reads it with the composition closed.
  bool resultQueued_ = false;
  // A result went out in this call: what follows waits until the host took it.
  bool resultDelivered_ = false;
  TRANSMSG batch_[kBatchCapacity];
  int batchCount_ = 0;
};

// Shows or hides the candidate window by what the context holds.
void ShowImeWindows(const ImcLock& lock, ImeWindows& windows);
