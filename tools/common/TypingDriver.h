// Drives the engine for one key stroke the way a front end does: pending key,
// IsKeyHandled-style test, ClassifyTypedChar and its action, key functions,
// and the commit sequence (CommitCandidate, AdjustFrequency, CommitSelection,
// RunCommandAction, ResetAfterCommit). Outside effects go through the
// context's effects. Text that a host would receive is collected in a fixed
// buffer; nothing is allocated per key.
#pragma once

#include <cstdint>

#include "engine/ImeContext.h"
#include "tools/zntype/KeyScript.h"

class TypingDriver {
 public:
  explicit TypingDriver(ImeContext* context) : context_(context) {}

  // One key stroke; false when the engine did not take it (the host then got
  // its character, if it types one).
  bool Press(const KeyStroke& key);
  // The same for a key index of the key tables (0..511, +256 shifted).
  bool PressIndex(int keyIndex);
  // Runs key-function flags as a key with no text would, e.g. an entry
  // operation of the candidate-word menu (KeyFunction::kEntryOperation |
  // slot << 16 | command). False when nothing was done.
  bool RunKeyFunction(uint64_t flags);

  // Text handed to the host since the last ClearOutput.
  const wchar_t* Output() const { return output_; }
  int OutputUnits() const { return outputUnits_; }
  void ClearOutput() {
    outputUnits_ = 0;
    output_[0] = 0;
    followUp_ = 0;
  }
  // CommandFollowUp bits of the commits since the last ClearOutput.
  uint32_t FollowUp() const { return followUp_; }
  ImeContext* context() const { return context_; }

 private:
  bool Taken() const;
  void Handle();
  void HandleTyped(wchar_t c);
  bool ExecuteKeyCommand(uint64_t flags);
  void InsertAndSearch();
  void ApplySearchResult(int result);
  enum class Outcome { kNothing, kCommitted, kCodeReplaced };
  // The commit sequence up to the associations.
  Outcome CommitAndRun(int selector);
  void CommitBySelector(int selector);
  void SearchAgain();
  void CommitTypedText(const wchar_t* text);
  void SendToHost(const wchar_t* text, int units);
  void Cancel();
  bool HasComposition() const;
  bool EditCode(uint64_t function);

  static constexpr int kOutputUnits = 4096;
  ImeContext* context_;
  wchar_t output_[kOutputUnits + 1] = {};
  int outputUnits_ = 0;
  uint32_t followUp_ = 0;
  int depth_ = 0;  // re-runs of a key that completed one code and starts the next
};
