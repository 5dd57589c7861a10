// Key functions of the typing driver: clear, pages, commit, code editing,
// highlight moves, the candidate-word menu and deleting the last word.
#include "tools/common/TypingDriver.h"

#include <windows.h>

#include "engine/Candidates.h"
#include "engine/Commit.h"
#include "engine/EntryCommands.h"
#include "engine/KeyTables.h"
#include "engine/Search.h"

bool TypingDriver::EditCode(uint64_t function) {
  static constexpr struct {
    uint64_t function;
    uint32_t virtualKey;
  } kEditKeys[] = {
      {KeyFunction::kCursorLeft, VK_LEFT},     {KeyFunction::kCursorRight, VK_RIGHT},
      {KeyFunction::kCursorHome, VK_HOME},     {KeyFunction::kCursorEnd, VK_END},
      {KeyFunction::kDeleteBefore, VK_BACK},   {KeyFunction::kDeleteAfter, VK_DELETE},
  };
  for (const auto& edit : kEditKeys) {
    if (edit.function != function) continue;
    const int result = EditCodeByKey(context_, edit.virtualKey);
    if (context_->codeLength == 0) {
      Cancel();
    } else {
      ApplySearchResult(result);
    }
    return true;
  }
  return false;
}

void TypingDriver::SearchAgain() {
  if (context_->codeLength > 0) ApplySearchResult(RebuildCandidates(context_));
}

bool TypingDriver::RunKeyFunction(uint64_t flags) {
  if (!context_ || !context_->dmeBlock) return false;
  context_->pendingKeyIndex = 0;
  context_->pendingKeyText = L"";
  context_->pendingKeyFlags = flags;
  return ExecuteKeyCommand(flags);
}

bool TypingDriver::ExecuteKeyCommand(uint64_t flags) {
  ImeContext* c = context_;
  if (flags == 0) return false;
  if (flags & KeyFunction::kEntryOperation) {
    ShowEntryInfo(c, nullptr, static_cast<int>((flags >> 16) & 0xFFFF),
                  static_cast<int>(flags & 0xFFFF), ContextEffects(c));
    SearchAgain();
    return true;
  }
  if (flags & KeyFunction::kClearInput) {
    if (HasComposition()) {
      Cancel();
      return true;
    }
  } else {
    bool done = false;
    if (flags & KeyFunction::kOpenClose) {
      HasComposition() ? Cancel() : void();
      c->stateFlags ^= kStateInputClosed;
      done = true;
    }
    if (flags & KeyFunction::kEnglishToggle) {
      if (HasComposition()) Cancel();
      c->stateFlags ^= kStateEnglish;
      done = true;
    }
    if (done) return true;
  }
  if (!HasComposition()) {
    if (!(flags & KeyFunction::kDeleteWord)) return false;
    ConfirmDeleteEntry(c, nullptr, ContextEffects(c));
    return true;
  }
  const DmeConfigBlock* dme = c->dmeBlock;
  const bool tempEnglishCode = dme->tempEnglishLead != 0 && c->codeLength > 0 &&
                               CharToKeyCode(c->code[0]) == dme->tempEnglishLead;
  const int selector = SelectorOf(flags);
  if (flags & KeyFunction::kCommit) {
    CommitBySelector(selector);
    return true;
  }
  if (flags & KeyFunction::kAdjustFrequency) {
    if (tempEnglishCode) return false;
    AdjustFrequency(c, selector);
    ApplySearchResult(RebuildCandidates(c));
    return true;
  }
  if (flags & (KeyFunction::kPreviousPage | KeyFunction::kNextPage)) {
    if (tempEnglishCode) return false;
    if (flags & KeyFunction::kPreviousPage) {
      if (c->pageFirst > 0 || c->pageFirstCarry > 0) FillPreviousCandidatePage(c);
    } else if (c->pageLastCarry > 0 || c->pageLast + 1 < c->candidateCount) {
      FillNextCandidatePage(c);
    }
    c->selection = 0;
    return true;
  }
  for (uint64_t f = KeyFunction::kCursorLeft; f <= KeyFunction::kDeleteAfter; f <<= 1) {
    if (flags & f) return EditCode(f);
  }
  if (flags & KeyFunction::kHighlightPrevious) return TurnPage(c, -1) != 0;
  if (flags & KeyFunction::kHighlightNext) return TurnPage(c, 1) != 0;
  return false;
}
