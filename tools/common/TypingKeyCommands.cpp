// Key functions of the typing driver: clear, pages, commit, cursor and code
// editing, highlight moves.
#include "tools/common/TypingDriver.h"

#include "engine/Candidates.h"
#include "engine/Commit.h"
#include "engine/KeyTables.h"
#include "engine/Search.h"

bool TypingDriver::EditCode(uint64_t function) {
  ImeContext* c = context_;
  int cursor = c->cursor;
  switch (function) {
    case KeyFunction::kCursorLeft:
      if (cursor > 0) --c->cursor;
      break;
    case KeyFunction::kCursorRight:
      if (cursor < c->codeLength) ++c->cursor;
      break;
    case KeyFunction::kCursorHome:
      c->cursor = 0;
      break;
    case KeyFunction::kCursorEnd:
      c->cursor = c->codeLength;
      break;
    case KeyFunction::kDeleteBefore:
    case KeyFunction::kDeleteAfter: {
      const int at = function == KeyFunction::kDeleteBefore ? cursor - 1 : cursor;
      if (at < 0 || at >= c->codeLength) break;
      for (int i = at; i < c->codeLength; ++i) c->code[i] = c->code[i + 1];
      --c->codeLength;
      c->cursor = at;
      break;
    }
    default:
      return false;
  }
  if (c->codeLength == 0) {
    Cancel();
    return true;
  }
  ApplySearchResult(RebuildCandidates(c));
  return true;
}

bool TypingDriver::ExecuteKeyCommand(uint64_t flags) {
  ImeContext* c = context_;
  if (flags == 0) return false;
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
  if (!HasComposition()) return false;
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
