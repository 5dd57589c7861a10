// The key functions: clear, switches, launches, repeat and undo, and what
// acts on a typed code (commit, frequency, deletion, pages, code editing,
// highlight moves).
#include <windows.h>

#include "engine/Candidates.h"
#include "engine/Commit.h"
#include "engine/EntryCommands.h"
#include "engine/Launchers.h"
#include "engine/Search.h"
#include "frontend/common/KeyPass.h"

namespace {

constexpr uint64_t kSearchAgain = ~0ull;

// Launch key functions with config's arguments, in the order they are tested.
constexpr struct {
  uint64_t function;
  const wchar_t* argument;
} kLaunches[] = {
    {KeyFunction::kConfigMain, L""},
    {KeyFunction::kConfigAbout, L"/do 关于"},
    {KeyFunction::kConfigKeys, L"/do 按键设置"},
    {KeyFunction::kConfigOutputLookup, L"/do 输出反查"},
    {KeyFunction::kConfigClipboardLookup, L"/do 剪贴板反查"},
    {KeyFunction::kAddWord, L"/do 在线加词"},
    {KeyFunction::kConfigHelp, L"/do 帮助首页"},
};

constexpr struct {
  uint64_t function;
  uint32_t virtualKey;
} kEditKeys[] = {
    {KeyFunction::kCursorLeft, VK_LEFT},   {KeyFunction::kCursorRight, VK_RIGHT},
    {KeyFunction::kCursorHome, VK_HOME},   {KeyFunction::kCursorEnd, VK_END},
    {KeyFunction::kDeleteBefore, VK_BACK}, {KeyFunction::kDeleteAfter, VK_DELETE},
};

// The 0-based page slot a selector names: 0 the highlighted one, 1..10 the
// n-th, 12 the last; -1 when that slot is empty.
int SlotOf(const ImeContext* c, int selector) {
  int n = -1;
  if (selector == kSelectorCurrent) n = c->selection;
  if (selector >= 1 && selector <= 10) n = selector - 1;
  if (selector == kSelectorLast) n = c->slotsFilled - 1;
  return n >= 0 && n < c->slotsFilled && n < kPageSlots ? n : -1;
}

// Code points of a UTF-16 text: a surrogate pair is one character.
int CodePoints(const wchar_t* text, int units) {
  int n = 0;
  for (int i = 0; i < units; ++i) {
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    const bool afterHigh = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
    if (!(low && afterHigh)) ++n;
  }
  return n;
}

}  // namespace

int KeyPass::ExecuteKeyFunction(uint64_t flags) {
  if (flags == 0) return 0;
  if (flags == kSearchAgain) {
    SearchAgain();
    return 1;
  }
  if (flags & KeyFunction::kEntryOperation) {
    ShowEntryInfo(c_, c_->hostWindow, static_cast<int>((flags >> 16) & 0xFFFF),
                  static_cast<int>(flags & 0xFFFF), effects());
    // The information box is modal: the host may have let the context go.
    if (!ContextRetired(c_)) SearchAgain();
    return 1;
  }
  if (flags & KeyFunction::kClearInput) {
    if (HasComposition()) {
      Cancel();
      return 1;
    }
    if (c_->stateFlags & kStateSoftKeyboard) return SetSoftKeyboard(0, 0);
  } else if (ExecuteModeSwitch(flags)) {
    return 1;
  }
  if (ExecuteOutputToggle(flags) || ExecuteLaunch(flags)) return 1;
  return HasComposition() ? ExecuteOnComposition(flags) : ExecuteWithoutComposition(flags);
}

int KeyPass::ExecuteLaunch(uint64_t flags) {
  for (const auto& launch : kLaunches) {
    if (!(flags & launch.function)) continue;
    // The program takes the focus: leave no half-typed code behind.
    if (HasComposition()) Cancel();
    LaunchConfigTool(c_, c_->hostWindow, launch.argument, effects());
    return 1;
  }
  return 0;
}

int KeyPass::ExecuteWithoutComposition(uint64_t flags) {
  if (flags & KeyFunction::kRepeatInput) {
    const int n = LastOutputLength();
    if (n <= 0) return 0;
    // The result buffer is apart from lastOutput, which FlushResult rewrites.
    AppendResult(c_->lastOutput, n);
    FlushResult();
    Close();
    return 1;
  }
  if (flags & KeyFunction::kUndoInput) return UndoLastOutput();
  if (flags & KeyFunction::kDeleteWord) {
    ConfirmDeleteEntry(c_, c_->hostWindow, effects());
    return 1;
  }
  return 0;
}

int KeyPass::UndoLastOutput() {
  const int n = LastOutputLength();
  if (n <= 0) return 0;
  // One Backspace per character the user sees: a surrogate pair is one.
  const int presses = CodePoints(c_->lastOutput, n);
  Effects& fx = effects();
  for (int i = 0; i < presses; ++i) {
    fx.SendKeyEvent(VK_BACK, 0, 0);
    fx.SendKeyEvent(VK_BACK, 0, KEYEVENTF_KEYUP);
  }
  c_->lastOutputLength = 0;
  c_->lastOutput[0] = 0;
  return 1;
}

bool KeyPass::TempEnglishCode() const {
  const DmeConfigBlock* dme = c_->dmeBlock;
  return dme->tempEnglishLead != 0 && HasCode() &&
         CharToKeyCode(c_->code[0]) == dme->tempEnglishLead;
}

int KeyPass::ExecuteOnComposition(uint64_t flags) {
  const int selector = SelectorOf(flags);
  if (flags & KeyFunction::kCommit) {
    CommitBySelector(selector);
    return 1;
  }
  if (flags & KeyFunction::kAdjustFrequency) return AdjustSlot(selector);
  if (flags & KeyFunction::kDeleteEntry) return DeleteSlot(selector);
  if (flags & (KeyFunction::kPreviousPage | KeyFunction::kNextPage)) {
    return TurnCandidatePage((flags & KeyFunction::kNextPage) != 0);
  }
  for (uint64_t f = KeyFunction::kCursorLeft; f <= KeyFunction::kDeleteAfter; f <<= 1) {
    if (flags & f) return EditCode(f);
  }
  if (flags & (KeyFunction::kHighlightPrevious | KeyFunction::kHighlightNext)) {
    if (!TurnPage(c_, (flags & KeyFunction::kHighlightNext) ? 1 : -1)) return 0;
    ShowInput();
    return 1;
  }
  return 0;
}

int KeyPass::TurnCandidatePage(bool next) {
  if (TempEnglishCode()) return 0;
  if (next) {
    if (c_->pageLastCarry > 0 || c_->pageLast + 1 < c_->candidateCount) FillNextCandidatePage(c_);
  } else if (c_->pageFirst > 0 || c_->pageFirstCarry > 0) {
    FillPreviousCandidatePage(c_);
  }
  c_->selection = 0;
  // The composition follows the page when it shows the selected candidate.
  ShowInput();
  return 1;
}

int KeyPass::EditCode(uint64_t function) {
  for (const auto& edit : kEditKeys) {
    if (edit.function != function) continue;
    const int result = EditCodeByKey(c_, edit.virtualKey);
    if (!HasCode()) {
      Cancel();
    } else {
      ApplySearchResult(result);
    }
    return 1;
  }
  return 0;
}

int KeyPass::AdjustSlot(int selector) {
  if (TempEnglishCode()) return 0;
  const int slot = SlotOf(c_, selector);
  if (slot < 0) return 0;
  // One step to the top whatever the frequency mode: the user asked for this
  // word. The shared settings are never written to get there.
  RaiseEntryToTop(c_, c_->slotListIndex[slot]);
  SearchAgain();
  return 1;
}

int KeyPass::DeleteSlot(int selector) {
  if (TempEnglishCode()) return 0;
  const int slot = SlotOf(c_, selector);
  if (slot < 0) return 0;
  const bool last = c_->candidateCount <= 1;
  ShowEntryInfo(c_, c_->hostWindow, slot, kEntryDelete, effects());
  if (last) {
    Cancel();
  } else {
    SearchAgain();
  }
  return 1;
}
