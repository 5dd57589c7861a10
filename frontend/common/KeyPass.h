// One run of the key runner on one context: the engine steps of a taken key
// and the key functions, reporting to the front end's output. Made on the
// stack for each call of KeyRunner; internal to frontend/common.
#pragma once

#include <cstdint>

#include "engine/Effects.h"
#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"

// Passes reports on until the context is retired under a running key (a
// modal box let the host deselect it): nothing more reaches its front end.
class LiveContextOutput final : public KeyRunnerOutput {
 public:
  LiveContextOutput(const ImeContext* context, KeyRunnerOutput& output) : c_(context), out_(output) {}
  void StartComposition() override {
    if (Live()) out_.StartComposition();
  }
  void UpdateComposition(const CompositionView& view) override {
    if (Live()) out_.UpdateComposition(view);
  }
  void CommitText(const wchar_t* text, int lenUnits) override {
    if (Live()) out_.CommitText(text, lenUnits);
  }
  void EndComposition() override {
    if (Live()) out_.EndComposition();
  }
  void UpdateCandidates(const CandidateView& view) override {
    if (Live()) out_.UpdateCandidates(view);
  }
  void UpdateStatus(uint32_t changes) override {
    if (Live()) out_.UpdateStatus(changes);
  }
  void ShowTip(const wchar_t* text) override {
    if (Live()) out_.ShowTip(text);
  }
  void SoftKeyboardChanged() override {
    if (Live()) out_.SoftKeyboardChanged();
  }

 private:
  bool Live() const { return !ContextRetired(c_); }
  const ImeContext* c_;
  KeyRunnerOutput& out_;
};

class KeyPass {
 public:
  KeyPass(KeyRunner& runner, ImeContext* context, KeyRunnerOutput& output)
      : runner_(runner), c_(context), out_(context, output) {
    result_[0] = 0;
  }

  int RunPending();
  // Key-function flags (the pending key's or a menu's); 1 when something ran.
  int ExecuteKeyFunction(uint64_t flags);
  int RunMenuCommand(int command, int a, int b);
  int SetSoftKeyboard(int on, int layout);
  void Cancel();
  void Complete();

 private:
  enum class Outcome { kNothing, kCommitted, kCodeReplaced, kRefused };
  static constexpr int kResultUnits = 2 * 130;
  // Text units the context's last-output and commit buffers hold, the
  // terminator excluded.
  static constexpr int kLastOutputUnits = sizeof(ImeContext::lastOutput) / sizeof(wchar_t) - 1;
  static constexpr int kCommitUnits = sizeof(ImeContext::commitText) / sizeof(wchar_t) - 1;

  Effects& effects() const { return ContextEffects(c_); }
  bool HasCode() const { return c_->codeLength > 0; }
  bool InAssociations() const { return (c_->stateFlags & kStateAssociations) != 0; }
  bool HasComposition() const { return HasCode() || InAssociations(); }
  // The units of the last output, within its buffer.
  int LastOutputLength() const {
    const int n = c_->lastOutputLength;
    return n < 0 ? 0 : (n > kLastOutputUnits ? kLastOutputUnits : n);
  }
  bool Chinese() const { return !(c_->stateFlags & (kStateEnglish | kStateTempEnglish)); }
  uint32_t ImeOptions() const { return c_->imeBlock ? c_->imeBlock->optionFlags : 0; }

  // Typed characters.
  int HandleChinese(wchar_t ch);
  int HandleEnglish();
  int TypeSoftKeyboardChar();
  void InsertAndSearch();
  void ApplySearchResult(int result);
  void SearchAgain();

  // The commit sequence.
  Outcome CommitAndRun(int selector);
  // followUp false: no associations after the commit (the input ends).
  bool CommitBySelector(int selector, bool followUp = true);
  void CommitTypedText(const wchar_t* text);
  void AppendResult(const wchar_t* text, int units);
  void FlushResult();
  void RunFollowUps(uint32_t followUp);

  // Reports to the front end.
  void Open();
  void Close();
  void ShowComposition();
  void ShowCandidates();
  void ShowInput();
  void DropAssociations();

  // Key functions (KeyFunctions.cpp) and input modes (InputModes.cpp).
  int ExecuteModeSwitch(uint64_t flags);
  int ExecuteOutputToggle(uint64_t flags);
  int ExecuteLaunch(uint64_t flags);
  int ExecuteWithoutComposition(uint64_t flags);
  int ExecuteOnComposition(uint64_t flags);
  int TurnCandidatePage(bool next);
  int EditCode(uint64_t function);
  int AdjustSlot(int selector);
  int DeleteSlot(int selector);
  int UndoLastOutput();
  bool TempEnglishCode() const;
  void EndForSwitch();
  // Sets a bit that leaves Chinese input (closed, English) with English
  // punctuation and fresh paired marks, or clears it and takes the saved
  // punctuation back.
  void SetNonChineseBit(uint32_t bit, bool set);
  void SwitchChineseEnglish(bool open);
  void SwitchEnglish(bool chinese);
  void TakeSavedPunctuation();
  void SetFullWidth(bool on);
  void SetEnglishPunctuation(bool on);
  void ToggleTraditional();
  void ToggleSimplified();
  void SetScheme(int which);
  void SetRange(int which);
  void Tip(const wchar_t* text) { out_.ShowTip(text); }

  KeyRunner& runner_;
  ImeContext* c_;
  LiveContextOutput out_;
  wchar_t result_[kResultUnits + 1];  // text for the host, built up within one key
  int resultUnits_ = 0;
  int depth_ = 0;  // re-runs of a key that completed one code and starts the next
};
