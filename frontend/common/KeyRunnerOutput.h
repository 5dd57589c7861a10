// What the key runner asks of a front end: the composition, committed text,
// the candidate list, the status display, tips and the soft keyboard. IMM32
// turns the calls into IME messages and context blocks, TSF into edit-session
// work, the console host into printed text, tests into records.
//
// Order guarantees: StartComposition comes before any UpdateComposition or
// CommitText of a composition; every StartComposition is closed by exactly one
// EndComposition, which also ends the candidate list. CommitText always
// happens inside a Start/End pair (a commit without a typed code is framed by
// a pair of its own).
#pragma once

#include <cstdint>

#include "engine/ImeContext.h"

struct CompositionView {
  const wchar_t* text;  // display text: the code, its key roots or the selected candidate
  int lenUnits;
  int caretUnits;
  const wchar_t* code;  // the typed code (IMM32's reading string)
  int codeUnits;
  int codeCursor;
  bool associations;  // a commit stays shown while its associations are listed
};

struct CandidateView {
  const PageSlot* slots;  // the page's display texts
  int count;              // filled slots; 0 means there is nothing to list
  int selection;          // highlighted slot, 0-based
  int page;               // 0-based page number
  bool associations;      // associations of the last commit, not candidates of a code
};

// What changed when UpdateStatus is called.
namespace StatusChange {
inline constexpr uint32_t kOpenClose = 0x1;       // input opened or closed
inline constexpr uint32_t kConversion = 0x2;      // English, width, punctuation or range
inline constexpr uint32_t kStatusWindow = 0x4;    // the option that hides the status bar
inline constexpr uint32_t kCandidateWindow = 0x8; // the option that hides the candidate window
inline constexpr uint32_t kOutput = 0x10;         // traditional / simplified output
inline constexpr uint32_t kSkin = 0x20;           // the settings changed and the skin was reloaded
}  // namespace StatusChange

class KeyRunnerOutput {
 public:
  virtual ~KeyRunnerOutput() = default;

  virtual void StartComposition() = 0;
  virtual void UpdateComposition(const CompositionView& view) = 0;
  // Text for the host application, final.
  virtual void CommitText(const wchar_t* text, int lenUnits) = 0;
  virtual void EndComposition() = 0;

  // The page, its selection or the list changed; count 0: nothing to list.
  virtual void UpdateCandidates(const CandidateView& view) = 0;

  // The context's state flags or shared options changed (StatusChange bits):
  // the front end brings its conversion mode, open status and status display
  // in step.
  virtual void UpdateStatus(uint32_t changes) = 0;
  // A short text shown near the caret for a moment ("全", "半", "简" ...).
  virtual void ShowTip(const wchar_t* text) = 0;
  // The soft keyboard was switched on (layout in the context) or off.
  virtual void SoftKeyboardChanged() = 0;
};

// An output that drops everything; for callers that only need the context.
class NullKeyRunnerOutput : public KeyRunnerOutput {
 public:
  void StartComposition() override {}
  void UpdateComposition(const CompositionView&) override {}
  void CommitText(const wchar_t*, int) override {}
  void EndComposition() override {}
  void UpdateCandidates(const CandidateView&) override {}
  void UpdateStatus(uint32_t) override {}
  void ShowTip(const wchar_t*) override {}
  void SoftKeyboardChanged() override {}
};
