// Classification of typed characters and insertion into the code.
#include "engine/Classify.h"

#include "engine/Candidates.h"
#include "engine/KeyTables.h"
#include "engine/Search.h"

namespace {

bool IsLead(uint8_t b, uint8_t lead) { return lead != 0 && b == lead; }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

int ClassifyTypedChar(ImeContext* context, wchar_t c) {
  if (!context || !context->dmeBlock || c == 0) return kActionNone;
  const DmeConfigBlock* dme = context->dmeBlock;
  const SearchSettings s = CurrentSearchSettings(context);
  // The would-be code: c inserted at the cursor.
  wchar_t code[kMaxCodeUnits + 1];
  int n = 0;
  const int length = context->codeLength < kMaxCodeUnits ? context->codeLength : kMaxCodeUnits;
  const int cursor = context->cursor < 0 ? 0 : (context->cursor > length ? length : context->cursor);
  for (int i = 0; i < cursor && n < kMaxCodeUnits; ++i) code[n++] = context->code[i];
  if (n < kMaxCodeUnits) code[n++] = c;
  for (int i = cursor; i < length && n < kMaxCodeUnits; ++i) code[n++] = context->code[i];
  code[n] = 0;
  uint8_t key[kSearchKeyBytes + 2];
  // A lead typed on an empty code leaves an empty key, yet it is what starts
  // a lead code: only a code with nothing searchable otherwise is refused.
  if (MakeSearchKey(context, s, code, key) == 0 && !(n == 1 && IsDroppedLead(context, s, code[0]))) {
    return kActionNone;
  }
  if (c > 0xFF) c = cursor < key[0] ? key[1 + cursor] : 0;
  const uint8_t cb = static_cast<uint8_t>(c);
  const uint8_t f = dme->keyCharFlags[cb];

  if (context->codeLength == 0) {
    if ((context->stateFlags & kStateAssociations) && context->pendingKeyFlags != 0) {
      return kActionEndCode;
    }
    if (f & kKeyCharCommitLead) {
      const uint8_t single[3] = {1, cb, 0};
      return HasLongerVisibleCode(context, s, single, nullptr) == 0 ? kActionInsert : kActionNone;
    }
    const bool accepted =
        (IsLead(cb, dme->wildcardChar) &&
         (s.codeOptions & (kDmeOptWildcardFirstKey | kDmeOptWildcardRepeat))) ||
        IsLead(cb, dme->tempEnglishLead) ||
        (IsLead(cb, dme->secondaryLead) && !(s.imeOptions & kImeOptListSecondary) &&
         !s.secondaryOnly) ||
        (IsLead(cb, dme->auxiliaryLead) && !(s.imeOptions & kImeOptAuxiliaryCode)) ||
        IsLead(cb, dme->fourthLead) || (f & kKeyCharStartsCode);
    return accepted ? kActionInsert : kActionNone;
  }
  if (!IsLead(cb, dme->wildcardChar)) {
    if (dme->tempEnglishLead != 0 && CharToKeyCode(context->code[0]) == dme->tempEnglishLead) {
      if (IsDigit(c) && IsDigit(code[1])) return kActionInsert;
      if (c == L' ') return context->candidateCount > 0 ? kActionEndCode : kActionInsert;
      if (cb != dme->tempEnglishLead) return kActionEndCode;
      if (context->codeLength == 1) {
        return context->candidateCount > 0 ? kActionCommitNow : kActionNone;
      }
      // The lead typed again commits the typed text unchanged.
      context->candidateCount = 0;
      return kActionCommitNow;
    }
    const uint8_t last = key[0] > 0 ? key[key[0]] : 0;
    if (!(dme->keyCharFlags[last] & kKeyCharTerminator)) {
      if (f & kKeyCharContinuesCode) {
        return HasVisibleExtension(context, s, key) == 1 ? kActionEndCode : kActionInsert;
      }
      return (f & kKeyCharStartsCode) ? kActionEndCode : kActionNone;
    }
    if (HasVisibleExtension(context, s, key) == 1) {
      if (context->candidateCount == 1 && context->slotsFilled == 1) return kActionNotTaken;
      if (context->candidateCount >= 2) return kActionNone;
      return kActionEndCode;
    }
  }
  return kActionInsert;
}

int ProcessInputChar(ImeContext* context) {
  if (!context) return kActionNotTaken;
  const wchar_t c = context->pendingKeyText ? context->pendingKeyText[0] : 0;
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return kActionInsert;
  if (context->codeLength == 0) return kActionNotTaken;
  auto request = [context](uint64_t flags) {
    context->pendingKeyFlags = flags;
    context->pendingKeyIndex = 0;
    context->pendingKeyText = L"";
    return kActionEndCode;
  };
  if (c == L' ') {
    if ((context->stateFlags & kStateTempEnglish) ||
        (context->candidateCount > 0 && context->codeLength < context->pageSlots[0].length)) {
      return request(KeyFunction::kCommit);
    }
    return kActionNotTaken;
  }
  if (c == L'\'' || c == L'-' || c == L'.' || c == L'/' || c == L':' || c == L'@') {
    return kActionInsert;
  }
  if (IsDigit(c)) {
    const int d = c == L'0' ? 10 : c - L'0';
    if (EffectivePageSize(context) >= d) {
      return request(static_cast<uint64_t>(d) * 256 + KeyFunction::kCommit);
    }
  }
  return kActionNotTaken;
}

int IsKeyHandled(const ImeContext* context, const PendingKey& key) {
  if (!context) return 0;
  if ((context->stateFlags & kStateEnglish) && !context->files[kFileEnglish]) return 0;
  if (context->codeLength > 0 && (key.flags & KeyFunction::kCodeEditing)) return 1;
  if (context->codeLength == 0 &&
      (key.flags & (KeyFunction::kRepeatInput | KeyFunction::kUndoInput))) {
    return (context->commitLength != 0 && context->commitText[0] != 0) ? 1 : 0;
  }
  return (key.text && key.text[0] != 0 && key.text[0] != kNonCharacterKeyMark) ? 1 : 0;
}

void InsertCodeChar(ImeContext* context) {
  if (!context || context->codeLength >= kMaxCodeUnits || !context->pendingKeyText ||
      !context->pendingKeyText[0]) {
    return;
  }
  int cursor = context->cursor;
  if (cursor < 0) cursor = 0;
  if (cursor > context->codeLength) cursor = context->codeLength;
  for (int i = context->codeLength; i > cursor; --i) context->code[i] = context->code[i - 1];
  context->code[cursor] = context->pendingKeyText[0];
  ++context->codeLength;
  context->cursor = cursor + 1;
  context->code[context->codeLength] = 0;
}
