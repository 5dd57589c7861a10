// Committing a page slot or the typed code.
#include "engine/Commit.h"

#include "engine/CommandLanguage.h"
#include "engine/KeyTables.h"
#include "engine/OutputConversion.h"

namespace {

constexpr int kCommitTextUnits = 129;

void SetCommitText(ImeContext* context, const wchar_t* text, int units) {
  if (units > kCommitTextUnits) units = kCommitTextUnits;
  if (units < 0) units = 0;
  for (int i = 0; i < units; ++i) context->commitText[i] = text[i];
  context->commitText[units] = 0;
  context->commitLength = units;
}

int CommitTypedCode(ImeContext* context) {
  if (context->commitKind == 16) return 0;
  const wchar_t* text = context->code;
  int units = context->codeLength;
  const DmeConfigBlock* dme = context->dmeBlock;
  if (dme && dme->tempEnglishLead != 0 && units > 0 &&
      CharToKeyCode(text[0]) == dme->tempEnglishLead) {
    ++text;
    --units;
  }
  SetCommitText(context, text, units);
  for (int i = 0; i < context->commitLength; ++i) {
    // Keypad code characters 0x0A..0x19 go out as "*" .. "9".
    if (context->commitText[i] < 32) context->commitText[i] += 32;
  }
  if ((context->stateFlags & kStateFullWidth) && !(context->stateFlags & kStateTempEnglish)) {
    ToFullWidth(context->commitText);
  }
  context->commitKind = kCommitActionTypedCode;
  return 0;
}

}  // namespace

int CommitCandidate(ImeContext* context, int selector) {
  if (!context) return kCommitEmptySlot;
  int n;
  if (selector == 0) {
    n = context->selection + 1;
  } else if (selector >= 1 && selector <= 10) {
    n = selector;
  } else if (selector == 11) {
    n = 0;
  } else if (selector == 12) {
    n = context->slotsFilled;
  } else {
    return kCommitEmptySlot;
  }
  if (n == 0 || (selector == 0 && context->candidateCount == 0)) return CommitTypedCode(context);
  if (n < 1 || n > context->slotsFilled || n > kPageSlots) return kCommitEmptySlot;
  const int slot = n - 1;
  const PageSlot& source = context->slotCommitTexts[slot].length > 0 ? context->slotCommitTexts[slot]
                                                                     : context->pageSlots[slot];
  SetCommitText(context, source.text, source.length);
  if (ExecuteCommandMacro(context, slot) == kCommitActionNone) return kCommitRefused;
  if (context->stateFlags & (kStateEnglish | kStateTempEnglish)) {
    // The typed case wins over the word's, also in English started by a
    // capital letter.
    for (int i = 0; i < context->commitLength && i < context->codeLength; ++i) {
      const wchar_t typed = context->code[i];
      wchar_t& out = context->commitText[i];
      if (typed >= L'A' && typed <= L'Z' && out >= L'a' && out <= L'z') out -= 32;
    }
  }
  return context->slotListIndex[slot];
}
