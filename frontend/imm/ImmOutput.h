// The key runner's output for an IMM32 input context: compositions, results
// and candidate lists become the context's blocks and IME messages; the
// skinned windows follow through the window facade. The messages of one
// call are delivered together when the output goes out of scope.
#pragma once

#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyRunnerOutput.h"
#include "frontend/imm/ImcLock.h"

class ImmOutput : public KeyRunnerOutput {
 public:
  ImmOutput(const ImcLock& lock, ImeWindows& windows) : lock_(lock), windows_(windows) {}
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

  // Sends the start of a composition held back until it is known whether it
  // holds a typed code (then an end comes first, for hosts that still show
  // an earlier composition) or only a result.
  void FlushStart(bool forCode);

  const ImcLock& lock_;
  ImeWindows& windows_;
  bool startPending_ = false;
  // A result message is queued: the result string must stay until the host
  // has read it, and a second result of the same call joins it.
  bool resultQueued_ = false;
  TRANSMSG batch_[kBatchCapacity];
  int batchCount_ = 0;
};

// Shows or hides the candidate window by what the context holds.
void ShowImeWindows(const ImcLock& lock, ImeWindows& windows);
