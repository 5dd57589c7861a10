// The commit sequence (CommitCandidate, AdjustFrequency, CommitSelection,
// RunCommandAction, the text to the host, ResetAfterCommit), committing typed
// text with its punctuation and width, and the reports that frame them.
#include "engine/Candidates.h"
#include "engine/CommandLanguage.h"
#include "engine/Commit.h"
#include "engine/DataLock.h"
#include "engine/OutputConversion.h"
#include "engine/TempWords.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/common/KeyPass.h"

namespace {

int Clamp(int n, int low, int high) { return n < low ? low : (n > high ? high : n); }

bool IsSingleDigit(const ImeContext* c) {
  return c->lastOutputLength == 1 && c->lastOutput[0] >= L'0' && c->lastOutput[0] <= L'9';
}

}  // namespace

void KeyPass::Open() {
  if (c_->compositionOpen) return;
  c_->compositionOpen = 1;
  out_.StartComposition();
}

void KeyPass::Close() {
  if (!c_->compositionOpen) return;
  c_->compositionOpen = 0;
  out_.EndComposition();
}

void KeyPass::ShowComposition() {
  Open();
  const bool association = InAssociations();
  if (!association) BuildCompositionText(c_);
  const int length = Clamp(c_->compositionLength, 0, kMaxCodeUnits);
  const int codeUnits = Clamp(c_->codeLength, 0, kMaxCodeUnits);
  out_.UpdateComposition(CompositionView{c_->composition, length,
                                         Clamp(c_->compositionCursor, 0, length), c_->code,
                                         codeUnits, Clamp(c_->cursor, 0, codeUnits), association});
}

void KeyPass::ShowCandidates() {
  const int pageSize = EffectivePageSize(c_);
  const int page = pageSize > 0 && c_->pageFirst > 0 ? c_->pageFirst / pageSize : 0;
  const int count = c_->candidateCount > 0 ? Clamp(c_->slotsFilled, 0, kPageSlots) : 0;
  out_.UpdateCandidates(CandidateView{c_->pageSlots, count, Clamp(c_->selection, 0, kPageSlots - 1),
                                      page, InAssociations()});
}

void KeyPass::ShowInput() {
  ShowComposition();
  ShowCandidates();
}

void KeyPass::Cancel() {
  ResetInput(c_);
  Close();
}

void KeyPass::DropAssociations() {
  // The committed text stays with the host; only the list goes.
  Cancel();
}

void KeyPass::Complete() {
  if (HasCode()) {
    CommitBySelector(c_->candidateCount > 0 ? kSelectorCurrent : kSelectorTypedCode, false);
  }
  Cancel();
}

void KeyPass::AppendResult(const wchar_t* text, int units) {
  for (int i = 0; text && i < units && resultUnits_ < kResultUnits; ++i) {
    result_[resultUnits_++] = text[i];
  }
  result_[resultUnits_] = 0;
}

void KeyPass::FlushResult() {
  if (resultUnits_ <= 0) return;
  Open();
  out_.CommitText(result_, resultUnits_);
  // Repeat and undo act on what the host received last.
  const int n = resultUnits_ < kLastOutputUnits ? resultUnits_ : kLastOutputUnits;
  for (int i = 0; i < n; ++i) c_->lastOutput[i] = result_[i];
  c_->lastOutput[n] = 0;
  c_->lastOutputLength = n;
  resultUnits_ = 0;
  result_[0] = 0;
}

void KeyPass::RunFollowUps(uint32_t followUp) {
  uint32_t changes = 0;
  if (followUp & kFollowUpReloadSkin) {
    ReloadContextSkin(c_);
    changes |= StatusChange::kSkin;
  }
  if (followUp & kFollowUpRefreshStatus) changes |= StatusChange::kConversion | StatusChange::kOutput;
  if (changes) out_.UpdateStatus(changes);
  // skbd( switches the soft keyboard on or off.
  if (followUp & kFollowUpSoftKeyboard) SetSoftKeyboard(0, 0);
}

KeyPass::Outcome KeyPass::CommitAndRun(int selector) {
  const int index = CommitCandidate(c_, selector);
  if (index == kCommitRefused) return Outcome::kRefused;
  if (index < 0) return Outcome::kNothing;
  Effects& fx = effects();
  if (c_->commitKind == kCommitActionReplaceCode) {
    int result = kSearchNothing;
    RunFollowUps(RunCommandAction(c_, fx, &result));
    ApplySearchResult(result);
    return Outcome::kCodeReplaced;
  }
  const bool writes = FrequencyWouldChange(c_, selector) || CommitSelectionWrites(c_, index);
  if (!writes && !HasKeptCommits()) {
    // Nothing shared changes (punctuation, English, generated text): no lock,
    // which costs a system call each way.
    CommitSelection(c_, index);
  } else {
    // One hold of the data folder's lock for all the commit writes. When
    // another writer keeps it past the wait (or still keeps it after an
    // earlier wait ran out: no second wait) the commit goes out with its
    // frequency unchanged, but its history record and a temporary word it
    // promotes are kept for a later commit to store.
    DataWriteLock lock(c_);
    if (lock.Held()) {
      AdjustFrequency(c_, selector);
      // Stores the kept commits before its own; the second call stores them
      // after a commit that writes nothing.
      CommitSelection(c_, index);
      StoreKeptCommits(c_);
    } else if (!writes) {
      CommitSelection(c_, index);
    } else {
      KeepUnsavedCommit(c_, index);
      c_->lastCommittedKind = 0;
      c_->lastCommitted = EntryRef{0, 0};
    }
  }
  const uint32_t followUp = RunCommandAction(c_, fx);
  if (followUp & kFollowUpCommitText) AppendResult(c_->commitText, Clamp(c_->commitLength, 0, kCommitUnits));
  RunFollowUps(followUp);
  return Outcome::kCommitted;
}

bool KeyPass::CommitBySelector(int selector, bool followUp) {
  const Outcome outcome = CommitAndRun(selector);
  if (outcome == Outcome::kNothing) return false;
  // A refused macro leaves the input as it was.
  if (outcome == Outcome::kCodeReplaced || outcome == Outcome::kRefused) return true;
  FlushResult();
  if (!followUp) return true;
  if (ResetAfterCommit(c_) <= 0) {
    Close();
    return true;
  }
  // The commit stays shown as a space while its associations are listed.
  c_->composition[0] = L' ';
  c_->composition[1] = 0;
  c_->compositionLength = c_->compositionCursor = 1;
  ShowInput();
  return true;
}

void KeyPass::CommitTypedText(const wchar_t* text) {
  // The current candidate goes first, in the same result; a newkey( command
  // takes the place of the key's own text, and a refused macro keeps both.
  if (HasCode()) {
    const Outcome outcome = CommitAndRun(kSelectorCurrent);
    if (outcome == Outcome::kCodeReplaced || outcome == Outcome::kRefused) return;
  }
  if (text && text[0]) {
    wchar_t c = text[0];
    // Keypad keys type the code bytes 0x0A..0x19: "*" to "9".
    if (c < 0x20) c = static_cast<wchar_t>(c + 0x20);
    wchar_t piece[kConvertedTextUnits + 1] = {c, 0};
    const bool afterDigit =
        (c_->dmeBlock->keyCharFlags[c & 0xFF] & kKeyCharEnglishPunctAfterDigit) &&
        resultUnits_ == 0 && IsSingleDigit(c_);
    if (!afterDigit) {
      if (!(c_->stateFlags & (kStateEnglish | kStateEnglishPunct)) && c_->imeBlock) {
        const wchar_t one[2] = {c, 0};
        MapChinesePunctuation(c_->imeBlock->symbolEscapes, c_->quotePairStates, one, piece);
      }
      if ((c_->stateFlags & kStateFullWidth) && !(c_->stateFlags & kStateTempEnglish)) {
        ToFullWidth(piece);
      }
    }
    int units = 0;
    while (units < kConvertedTextUnits && piece[units]) ++units;
    AppendResult(piece, units);
  }
  FlushResult();
  ResetInput(c_);
  Close();
}
