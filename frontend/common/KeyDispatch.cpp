// Running a taken key: the soft keyboard, key-function keys, and typed
// characters by what the engine's classification says they mean.
#include "engine/Candidates.h"
#include "engine/Classify.h"
#include "engine/ImeOptionBits.h"
#include "engine/Search.h"
#include "frontend/common/KeyPass.h"
#include "ui/popups/SoftKeyboard.h"

namespace {

constexpr uint8_t kCapsLockKey = 0x14;

}  // namespace

int KeyPass::TypeSoftKeyboardChar() {
  const uint8_t vk = static_cast<uint8_t>(c_->pendingKeyIndex & 0xFF);
  const wchar_t ch = SoftKeyCharacter(c_, vk, (c_->pendingKeyExtra & 1) != 0);
  if (ch == 0 || ch == L' ') return 0;
  if (HasComposition()) Cancel();
  AppendResult(&ch, 1);
  FlushResult();
  Close();
  return 1;
}

int KeyPass::RunPending() {
  if (!c_ || !c_->dmeBlock) return 0;
  const uint64_t flags = c_->pendingKeyFlags;
  if ((c_->stateFlags & kStateSoftKeyboard) && c_->softKeyboardLayout > 1 &&
      !(flags & KeyFunction::kClearInput) && c_->pendingKeyIndex != 0 &&
      TypeSoftKeyboardChar()) {
    return 1;
  }
  const wchar_t* text = c_->pendingKeyText;
  const wchar_t ch = text ? text[0] : 0;
  if (ch == 0 || ch == kNonCharacterKeyMark) {
    const bool capsLock = (c_->pendingKeyIndex & 0xFF) == kCapsLockKey;
    const bool association = InAssociations();
    const int ran = ExecuteKeyFunction(flags);
    if (ran && capsLock) runner_.UndoCapsLockToggle(c_);
    // A key that does nothing to an association list ends it.
    if (!ran && association && Chinese() && InAssociations()) Cancel();
    return ran;
  }
  if (Chinese()) {
    const bool capital = (ImeOptions() & kImeOptUppercaseEnglish) && ch >= L'A' && ch <= L'Z';
    if (!capital) return HandleChinese(ch);
    // A capital letter starts temporary English; what was typed goes first.
    if (HasCode()) CommitBySelector(kSelectorCurrent, false);
    if (HasComposition()) Cancel();
    c_->pendingKeyText = text;
    c_->pendingKeyFlags = flags;
    c_->stateFlags |= kStateTempEnglish;
  }
  return HandleEnglish();
}

int KeyPass::HandleChinese(wchar_t ch) {
  const wchar_t* text = c_->pendingKeyText;
  const uint64_t flags = c_->pendingKeyFlags;
  const bool association = InAssociations();
  switch (ClassifyTypedChar(c_, ch)) {
    case kActionInsert:
      if (association) DropAssociations();
      c_->pendingKeyText = text;
      InsertAndSearch();
      return 1;
    case kActionEndCode:
      if (flags && ExecuteKeyFunction(flags)) return 1;
      if (!association) {
        InsertAndSearch();
      } else {
        DropAssociations();
        CommitTypedText(text);
      }
      return 1;
    case kActionNotTaken:
      CommitTypedText(text);
      return 1;
    case kActionCommitNow:
      CommitBySelector(c_->candidateCount > 0 ? kSelectorCurrent : kSelectorTypedCode);
      return 1;
    default:
      break;
  }
  const uint32_t space = c_->imeBlock ? c_->imeBlock->spaceWord : 0;
  if (HasCode() && c_->candidateCount == 0 && ch == L' ') {
    if (space & ImeBits::kSpaceCommitsCode) {
      CommitBySelector(kSelectorTypedCode);
    } else if (space & ImeBits::kSpaceCommitsCodeAndSpace) {
      CommitTypedText(L" ");
    } else if (space & ImeBits::kSpaceClears) {
      Cancel();
    }
    return 1;
  }
  if (ExecuteKeyFunction(flags)) return 1;
  if (c_->candidateCount > 0 && (ImeOptions() & ImeBits::kNonCodeKeysCommit)) {
    CommitTypedText(text);
    return 1;
  }
  if (HasCode()) {
    if (space & ImeBits::kSpaceCommitsCode) {
      // The character joins the code, which then lists nothing.
      c_->pendingKeyText = text;
      InsertCodeChar(c_);
      c_->candidateCount = 0;
      c_->slotsFilled = 0;
      ShowInput();
    } else if (space & ImeBits::kSpaceCommitsCodeAndSpace) {
      CommitTypedText(text);
    } else if (space & ImeBits::kSpaceClears) {
      ResetInput(c_);
      CommitTypedText(text);
    }
    return 1;
  }
  CommitTypedText(text);
  return 1;
}

int KeyPass::HandleEnglish() {
  const wchar_t* text = c_->pendingKeyText;
  switch (ProcessInputChar(c_)) {
    case kActionInsert:
      c_->pendingKeyText = text;
      InsertAndSearch();
      return 1;
    case kActionEndCode:
      if (!ExecuteKeyFunction(c_->pendingKeyFlags)) CommitTypedText(text);
      return 1;
    case kActionNotTaken:
      CommitTypedText(text);
      return 1;
    default:
      return ExecuteKeyFunction(c_->pendingKeyFlags);
  }
}

void KeyPass::InsertAndSearch() {
  if (c_->codeLength >= kMaxCodeUnits) return;
  Open();
  InsertCodeChar(c_);
  ApplySearchResult(RebuildCandidates(c_));
}

void KeyPass::ApplySearchResult(int result) {
  switch (result) {
    case kSearchClearCode:
      Cancel();
      return;
    case kSearchCommitUnique:
      SortCandidates(c_);
      CommitBySelector(kSelectorCurrent);
      return;
    case kSearchCommitPrevious: {
      const wchar_t* text = c_->pendingKeyText;
      SortCandidates(c_);
      CommitBySelector(kSelectorCurrent);
      // The key that completed one code starts the next.
      if (depth_ < 2 && text && text[0]) {
        ++depth_;
        c_->pendingKeyIndex = 0;
        c_->pendingKeyFlags = 0;
        c_->pendingKeyText = text;
        HandleChinese(text[0]);
        --depth_;
      }
      return;
    }
    case kSearchCommitPreviousText: {
      const wchar_t* text = c_->pendingKeyText;
      SortCandidates(c_);
      CommitTypedText(text);
      return;
    }
    default:
      if (!HasComposition()) {
        Close();
        return;
      }
      ShowInput();
      return;
  }
}

void KeyPass::SearchAgain() {
  if (HasCode()) ApplySearchResult(RebuildCandidates(c_));
}

int KeyRunner::RunPendingKey(ImeContext* context, KeyRunnerOutput& output) {
  // A modifier release runs once, even when two callers (a keyboard hook and
  // the IME's key entry) both bring it.
  if (context) context->pendingKeyScanBits = kNoScan;
  KeyPass pass(*this, context, output);
  return pass.RunPending();
}

int KeyRunner::RunKeyFunction(ImeContext* context, uint64_t flags, KeyRunnerOutput& output) {
  if (!context || !context->dmeBlock) return 0;
  context->pendingKeyIndex = 0;
  context->pendingKeyText = L"";
  context->pendingKeyFlags = flags;
  KeyPass pass(*this, context, output);
  return pass.ExecuteKeyFunction(flags);
}

int KeyRunner::RunCombinationKey(ImeContext* context, int slot, KeyRunnerOutput& output) {
  ForgetKeyDown();
  if (context) context->pendingKeyScanBits = kNoScan;
  if (!context || !context->dmeBlock || slot < 0 ||
      slot >= GetCombinationKeyCount(context->dmeBlock)) {
    return 0;
  }
  return RunKeyFunction(context, context->dmeBlock->combinations[slot].flags, output);
}

void KeyRunner::Cancel(ImeContext* context, KeyRunnerOutput& output) {
  if (!context) return;
  KeyPass(*this, context, output).Cancel();
}

void KeyRunner::Complete(ImeContext* context, KeyRunnerOutput& output) {
  if (!context || !context->dmeBlock) return;
  KeyPass(*this, context, output).Complete();
}

void KeyRunner::CompositionEnded(ImeContext* context) {
  if (!context) return;
  ResetInput(context);
  context->compositionOpen = 0;
}
