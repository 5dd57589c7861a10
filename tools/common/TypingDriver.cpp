// One key stroke through the engine, as the front ends run it.
#include "tools/common/TypingDriver.h"

#include "engine/Candidates.h"
#include "engine/Classify.h"
#include "engine/CommandLanguage.h"
#include "engine/Commit.h"
#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "engine/OutputConversion.h"
#include "engine/Search.h"
#include "engine/TempWords.h"

namespace {

using ImeBits::kNonCodeKeysCommit;
using ImeBits::kSpaceClears;
using ImeBits::kSpaceCommitsCode;
using ImeBits::kSpaceCommitsCodeAndSpace;

constexpr uint64_t kTakenWhenAssociated = 0xC0064;

bool IsNonCharacter(const wchar_t* text) {
  return !text || !text[0] || text[0] == kNonCharacterKeyMark;
}

int Length(const wchar_t* t) {
  int n = 0;
  while (t && t[n]) ++n;
  return n;
}

}  // namespace

bool TypingDriver::Press(const KeyStroke& key) {
  if (!context_ || !context_->dmeBlock) return false;
  const int index = static_cast<int>(key.virtualKey & 0xFF) + (key.shift ? 256 : 0);
  const bool direct = !key.ctrl && !key.alt && GetKeyNameByIndex(index)[0] != 0;
  if (direct) return PressIndex(index);
  // A combination key: served like a preserved key, with no text.
  KeyCode code = key.virtualKey & 0xFF;
  if (key.shift) code |= kKeyShift;
  if (key.ctrl) code |= kKeyCtrl;
  if (key.alt) code |= kKeyAlt;
  const int count = GetCombinationKeyCount(context_->dmeBlock);
  for (int i = 0; i < count; ++i) {
    if (context_->dmeBlock->combinations[i].keyCode != code) continue;
    context_->pendingKeyIndex = 0;
    context_->pendingKeyText = L"";
    context_->pendingKeyFlags = context_->dmeBlock->combinations[i].flags;
    Handle();
    return true;
  }
  return false;
}

bool TypingDriver::PressIndex(int keyIndex) {
  if (!context_ || !context_->dmeBlock) return false;
  context_->pendingKeyIndex = static_cast<uint32_t>(keyIndex);
  context_->pendingKeyFlags = GetKeyFunctionFlags(context_->dmeBlock, keyIndex);
  context_->pendingKeyText = GetKeyNameByIndex(keyIndex);
  if (!Taken()) {
    // The host receives the key itself.
    if (!IsNonCharacter(context_->pendingKeyText)) {
      SendToHost(context_->pendingKeyText, Length(context_->pendingKeyText));
    }
    return false;
  }
  Handle();
  return true;
}

bool TypingDriver::HasComposition() const {
  return context_->codeLength > 0 || (context_->stateFlags & kStateAssociations);
}

bool TypingDriver::Taken() const {
  const ImeContext* c = context_;
  const uint64_t flags = c->pendingKeyFlags;
  const wchar_t* text = c->pendingKeyText;
  if (c->pendingKeyIndex == 0) return false;
  if (flags & 0x47BF03C00003ull) return true;
  if (c->stateFlags & (kStateInputClosed | kStateInputDisabled)) return false;
  if (c->stateFlags & (kStateEnglish | kStateTempEnglish)) {
    return IsKeyHandled(c, PendingKey{c->pendingKeyIndex, flags, text}) != 0;
  }
  if (HasComposition()) {
    if (c->stateFlags & kStateAssociations) {
      if ((flags & kTakenWhenAssociated) ||
          ((flags & KeyFunction::kCommit) && SelectorOf(flags) != kSelectorTypedCode)) {
        return true;
      }
      if (IsNonCharacter(text)) {
        ResetInput(context_);
        return false;
      }
      return true;
    }
    if (flags & KeyFunction::kCodeEditing) return true;
    return !IsNonCharacter(text);
  }
  if (flags & (KeyFunction::kRepeatInput | KeyFunction::kUndoInput | KeyFunction::kDeleteWord)) {
    return c->commitLength != 0;
  }
  if (IsNonCharacter(text)) return false;
  const wchar_t ch = text[0];
  const DmeConfigBlock* dme = c->dmeBlock;
  if (dme->keyCharFlags[ch & 0xFF] & (kKeyCharCommitLead | kKeyCharStartsCode)) return true;
  const uint8_t b = CharToKeyCode(ch);
  const uint32_t ime = c->imeBlock ? c->imeBlock->optionFlags : 0;
  if (b != 0 &&
      (b == dme->wildcardChar || b == dme->tempEnglishLead ||
       (b == dme->auxiliaryLead && !(ime & kImeOptAuxiliaryCode)) ||
       (b == dme->secondaryLead && !(ime & kImeOptListSecondary) &&
        !(c->stateFlags & kStateSecondaryOnly)) ||
       (b == dme->fourthLead && !(c->stateFlags & kStateFullWidth)))) {
    return true;
  }
  if (!(c->stateFlags & kStateEnglishPunct) && c->imeBlock && ch < 0x80) {
    const SymbolEscapeEntry& e = c->imeBlock->symbolEscapes[ch];
    if ((e.kind == 1 || e.kind == 2) && !(e.first[0] == ch && e.first[1] == 0)) return true;
  }
  return false;
}

void TypingDriver::Handle() {
  const wchar_t c = context_->pendingKeyText ? context_->pendingKeyText[0] : 0;
  if (c == kNonCharacterKeyMark || c == 0) {
    ExecuteKeyCommand(context_->pendingKeyFlags);
    return;
  }
  HandleTyped(c);
}

void TypingDriver::HandleTyped(wchar_t c) {
  const wchar_t* text = context_->pendingKeyText;
  const uint64_t flags = context_->pendingKeyFlags;
  const bool association = (context_->stateFlags & kStateAssociations) != 0;
  if (!(context_->stateFlags & (kStateEnglish | kStateTempEnglish))) {
    switch (ClassifyTypedChar(context_, c)) {
      case kActionInsert:
        if (association) ResetInput(context_);
        context_->pendingKeyText = text;
        InsertAndSearch();
        return;
      case 2:
        return;
      case 3:
        return;
      case kActionEndCode:
        if (flags && ExecuteKeyCommand(flags)) return;
        if (!association) {
          InsertAndSearch();
        } else {
          ResetInput(context_);
          CommitTypedText(text);
        }
        return;
      case kActionNotTaken:
        CommitTypedText(text);
        return;
      case kActionCommitNow:
        CommitBySelector(context_->candidateCount > 0 ? 0 : kSelectorTypedCode);
        return;
      default:
        break;
    }
    const uint32_t space = context_->imeBlock ? context_->imeBlock->spaceWord : 0;
    if (context_->codeLength > 0 && context_->candidateCount == 0 && c == L' ') {
      if (space & kSpaceCommitsCode) {
        CommitBySelector(kSelectorTypedCode);
      } else if (space & kSpaceCommitsCodeAndSpace) {
        CommitTypedText(L" ");
      } else if (space & kSpaceClears) {
        Cancel();
      }
      return;
    }
    if (ExecuteKeyCommand(flags)) return;
    const uint32_t options = context_->imeBlock ? context_->imeBlock->optionFlags : 0;
    if (context_->candidateCount > 0 && (options & kNonCodeKeysCommit)) {
      CommitTypedText(text);
      return;
    }
    if (context_->codeLength > 0) {
      if (space & kSpaceCommitsCode) {
        context_->pendingKeyText = text;
        InsertCodeChar(context_);
        BuildCompositionText(context_);
        context_->candidateCount = 0;
        context_->slotsFilled = 0;
      } else if (space & kSpaceCommitsCodeAndSpace) {
        CommitTypedText(text);
      } else if (space & kSpaceClears) {
        ResetInput(context_);
        CommitTypedText(text);
      }
      return;
    }
    CommitTypedText(text);
    return;
  }
  switch (ProcessInputChar(context_)) {
    case kActionInsert:
      InsertAndSearch();
      return;
    case kActionEndCode:
      if (!ExecuteKeyCommand(context_->pendingKeyFlags)) CommitTypedText(text);
      return;
    case kActionNotTaken:
      CommitTypedText(text);
      return;
    default:
      ExecuteKeyCommand(context_->pendingKeyFlags);
      return;
  }
}

void TypingDriver::InsertAndSearch() {
  if (context_->codeLength >= kMaxCodeUnits) return;
  InsertCodeChar(context_);
  ApplySearchResult(RebuildCandidates(context_));
}

void TypingDriver::ApplySearchResult(int result) {
  switch (result) {
    case kSearchClearCode:
      Cancel();
      return;
    case kSearchCommitUnique:
      SortCandidates(context_);
      CommitBySelector(0);
      return;
    case kSearchCommitPrevious: {
      const wchar_t* text = context_->pendingKeyText;
      SortCandidates(context_);
      CommitBySelector(0);
      // The key that completed one code starts the next.
      if (depth_ < 2 && text && text[0]) {
        ++depth_;
        context_->pendingKeyIndex = 0;
        context_->pendingKeyFlags = 0;
        context_->pendingKeyText = text;
        HandleTyped(text[0]);
        --depth_;
      }
      return;
    }
    case kSearchCommitPreviousText: {
      const wchar_t* text = context_->pendingKeyText;
      SortCandidates(context_);
      CommitBySelector(0);
      if (text && text[0]) SendToHost(text, 1);
      return;
    }
    default:
      return;
  }
}

TypingDriver::Outcome TypingDriver::CommitAndRun(int selector) {
  const int index = CommitCandidate(context_, selector);
  if (index < 0) return Outcome::kNothing;
  Effects& effects = ContextEffects(context_);
  if (context_->commitKind == kCommitActionReplaceCode) {
    int result = kSearchNothing;
    followUp_ |= RunCommandAction(context_, effects, &result);
    ApplySearchResult(result);
    return Outcome::kCodeReplaced;
  }
  AdjustFrequency(context_, selector);
  CommitSelection(context_, index);
  const uint32_t followUp = RunCommandAction(context_, effects);
  followUp_ |= followUp;
  if (followUp & kFollowUpCommitText) SendToHost(context_->commitText, context_->commitLength);
  return Outcome::kCommitted;
}

void TypingDriver::CommitBySelector(int selector) {
  if (CommitAndRun(selector) == Outcome::kCommitted) ResetAfterCommit(context_);
}

void TypingDriver::CommitTypedText(const wchar_t* text) {
  // A newkey( command takes the place of the key's own text.
  if (context_->codeLength > 0 && CommitAndRun(kSelectorCurrent) == Outcome::kCodeReplaced) return;
  wchar_t piece[kConvertedTextUnits + 1] = {};
  if (text && text[0]) {
    wchar_t c = text[0];
    if (c < 0x20) c = static_cast<wchar_t>(c + 0x20);
    piece[0] = c;
    const DmeConfigBlock* dme = context_->dmeBlock;
    const bool afterDigit = (dme->keyCharFlags[c & 0xFF] & kKeyCharEnglishPunctAfterDigit) &&
                            context_->lastOutputLength == 1 && context_->lastOutput[0] >= L'0' &&
                            context_->lastOutput[0] <= L'9';
    if (!afterDigit) {
      if (!(context_->stateFlags & (kStateEnglish | kStateEnglishPunct)) && context_->imeBlock) {
        const wchar_t one[2] = {c, 0};
        MapChinesePunctuation(context_->imeBlock->symbolEscapes, one, piece);
      }
      if ((context_->stateFlags & kStateFullWidth) && !(context_->stateFlags & kStateTempEnglish)) {
        ToFullWidth(piece);
      }
    }
    SendToHost(piece, Length(piece));
  }
  ResetInput(context_);
}

void TypingDriver::SendToHost(const wchar_t* text, int units) {
  if (!text || units <= 0) return;
  for (int i = 0; i < units; ++i) {
    if (outputUnits_ >= kOutputUnits) break;
    output_[outputUnits_++] = text[i];
  }
  output_[outputUnits_] = 0;
  const int n = units < 129 ? units : 129;
  for (int i = 0; i < n; ++i) context_->lastOutput[i] = text[i];
  context_->lastOutput[n] = 0;
  context_->lastOutputLength = n;
}

void TypingDriver::Cancel() { ResetInput(context_); }
