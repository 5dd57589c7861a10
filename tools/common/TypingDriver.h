// Drives the engine for one key stroke the way a front end does: pending key,
// IsKeyHandled-style test, ClassifyTypedChar and its action, key functions,
// commit with frequency adjustment and ResetAfterCommit. Text that a host
// would receive is collected in a fixed buffer; nothing is allocated per key.
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

  // Text handed to the host since the last ClearOutput.
  const wchar_t* Output() const { return output_; }
  int OutputUnits() const { return outputUnits_; }
  void ClearOutput() {
    outputUnits_ = 0;
    output_[0] = 0;
  }
  ImeContext* context() const { return context_; }

 private:
  bool Taken() const;
  void Handle();
  void HandleTyped(wchar_t c);
  bool ExecuteKeyCommand(uint64_t flags);
  void InsertAndSearch();
  void ApplySearchResult(int result);
  void CommitBySelector(int selector);
  void CommitTypedText(const wchar_t* text);
  void SendToHost(const wchar_t* text, int units);
  void Cancel();
  bool HasComposition() const;
  bool EditCode(uint64_t function);

  static constexpr int kOutputUnits = 4096;
  ImeContext* context_;
  wchar_t output_[kOutputUnits + 1] = {};
  int outputUnits_ = 0;
  int depth_ = 0;  // re-runs of a key that completed one code and starts the next
};
