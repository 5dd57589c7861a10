// Candidate pages: filling slots with display conversion, carries of
// conversion forms across pages, and page turning.
#include "engine/Candidates.h"

#include "engine/CommandLanguage.h"
#include "engine/DmsTable.h"
#include "engine/ImeOptionBits.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

// Conversion forms of one word that a page can show.
constexpr uint32_t kMaxForms = 32;

const MappedFile* ConversionTable(const ImeContext* context) {
  const ImeConfigBlock* ime = context->imeBlock;
  if (!ime) return nullptr;
  if ((ime->optionFlags & kImeOptTraditional) && context->files[kFileTraditional]) {
    return context->files[kFileTraditional];
  }
  if ((ime->optionFlags & kImeOptSimplified) && context->files[kFileSimplified]) {
    return context->files[kFileSimplified];
  }
  return nullptr;
}

void SetSlotText(PageSlot& slot, const wchar_t* text, int units) {
  if (units > kSlotTextUnits) units = kSlotTextUnits;
  if (units < 0) units = 0;
  for (int i = 0; i < units; ++i) slot.text[i] = text[i];
  slot.text[units] = 0;
  slot.length = units;
}

// Appends src to dst (length *n, room for kSlotTextUnits); false when cut.
bool Append(wchar_t* dst, int* n, const wchar_t* src, int units) {
  for (int i = 0; i < units; ++i) {
    if (*n >= kSlotTextUnits) return false;
    dst[(*n)++] = src[i];
  }
  dst[*n] = 0;
  return true;
}

int Length(const wchar_t* t) {
  int n = 0;
  while (t[n]) ++n;
  return n;
}

// The text a candidate shows before conversion: the word, or the continuation
// of a text record behind the committed prefix. Unescaped.
int RawCandidateText(const ImeContext* context, const CandidateItem& item, wchar_t* out) {
  wchar_t text[kSlotTextUnits + 1];
  int n = CandidateText(item, text, kSlotTextUnits + 1);
  int from = 0;
  if ((item.kind & kKindShownByText) && !(item.kind & kKindShownByWord)) {
    from = context->hintPrefix < n ? context->hintPrefix : n;
    const bool hashKeys = context->imeBlock && (context->imeBlock->spaceWord & ImeBits::kAssociationHashKeys);
    if (hashKeys && from < n && text[from] == L'#') ++from;
  }
  return UnescapeCandidateText(text + from, out, kSlotTextUnits + 1);
}

// The forms of a word in the conversion table (at most kMaxForms).
uint32_t ConversionForms(const ImeContext* context, const wchar_t* word, DmsEntry* forms) {
  const MappedFile* table = ConversionTable(context);
  if (!table || !word[0]) return 0;
  const uint32_t n = LookupEntryList(table, word, forms, kMaxForms);
  return n < kMaxForms ? n : kMaxForms;
}

// Slots a candidate takes: one per conversion form, else one.
int SlotsNeeded(ImeContext* context, int listIndex) {
  const CandidateItem& item = context->candidates[listIndex];
  if (item.kind == kKindPlainText || !ConversionTable(context)) return 1;
  wchar_t word[kSlotTextUnits + 1];
  RawCandidateText(context, item, word);
  if ((item.kind & kKindShownByWord) && IsMacroWord(word)) return 1;
  DmsEntry forms[kMaxForms];
  const uint32_t n = ConversionForms(context, word, forms);
  return n > 0 ? static_cast<int>(n) : 1;
}

// Character-wise conversion: each character by its first form, or itself.
int ConvertByCharacters(const ImeContext* context, const wchar_t* word, wchar_t* out) {
  const MappedFile* table = ConversionTable(context);
  int n = 0;
  out[0] = 0;
  for (int i = 0; word[i];) {
    const int units = (word[i] >= 0xD800 && word[i] <= 0xDBFF && word[i + 1] >= 0xDC00 &&
                       word[i + 1] <= 0xDFFF) ? 2 : 1;
    wchar_t key[3] = {word[i], units == 2 ? word[i + 1] : L'\0', 0};
    DmsEntry form;
    if (LookupEntryList(table, key, &form, 1) > 0 && form.value) {
      if (!Append(out, &n, form.value, static_cast<int>(form.valueLenUnits))) break;
    } else if (!Append(out, &n, key, units)) {
      break;
    }
    i += units;
  }
  return n;
}

void ClearSlot(ImeContext* context, int slot) {
  context->pageSlots[slot].length = 0;
  context->pageSlots[slot].text[0] = 0;
  context->slotCommitTexts[slot].length = 0;
  context->slotCommitTexts[slot].text[0] = 0;
}

}  // namespace

int EffectivePageSize(const ImeContext* context) {
  if (!context || !context->imeBlock) return 0;
  // A page has room for ten candidates; a damaged 4-bit field must not pass it.
  const int size = static_cast<int>(ImePageSize(context->imeBlock));
  return size > 10 ? 10 : size;
}

int FormatCandidateText(ImeContext* context, int listIndex, int slot, int direction,
                        int skipValues, int* remaining) {
  (void)direction;  // slots are always filled forward; a previous page computes its start first
  if (remaining) *remaining = 0;
  if (!context || listIndex < 0 || listIndex >= context->candidateCount || slot < 0 ||
      slot >= kPageSlots) {
    return 0;
  }
  const CandidateItem& item = context->candidates[listIndex];
  ClearSlot(context, slot);
  context->slotListIndex[slot] = listIndex;
  context->slotRecordChecks[slot] = CandidateRecordCheck(context, item);
  wchar_t word[kSlotTextUnits + 1];
  if (item.kind == kKindPlainText) {
    SetSlotText(context->pageSlots[slot], word, RawCandidateText(context, item, word));
    return 1;
  }
  if (item.kind & kKindShownByWord) {
    wchar_t raw[kSlotTextUnits + 1];
    CandidateText(item, raw, kSlotTextUnits + 1);
    if (IsMacroWord(raw)) {
      wchar_t command[kMacroTextUnits];
      wchar_t shown[kMacroTextUnits];
      const int shownUnits = SplitCandidateMacro(context, raw, command, shown,
                                                   ContextEffects(context));
      if (shownUnits > 0) {
        SetSlotText(context->pageSlots[slot], shown, shownUnits);
        const int commandUnits = Length(command);
        // A command equal to its label is kept as the display text only.
        if (commandUnits != shownUnits || CompareWideChars(command, shown, commandUnits) != 0) {
          SetSlotText(context->slotCommitTexts[slot], command, commandUnits);
        }
        return 1;
      }
    }
  }
  const int wordUnits = RawCandidateText(context, item, word);
  DmsEntry forms[kMaxForms];
  const uint32_t formCount = ConversionForms(context, word, forms);
  if (formCount > 0) {
    const int pageSize = context->pageSize < kPageSlots ? context->pageSize : kPageSlots - 1;
    int filled = 0;
    int f = skipValues < static_cast<int>(formCount) ? skipValues : 0;
    for (; f < static_cast<int>(formCount); ++f) {
      const int s = slot + filled;
      if (filled > 0 && s >= pageSize) break;
      if (filled > 0) ClearSlot(context, s);
      context->slotListIndex[s] = listIndex;
      SetSlotText(context->slotCommitTexts[s], forms[f].value,
                  static_cast<int>(forms[f].valueLenUnits));
      wchar_t shown[kSlotTextUnits + 1];
      FormatString(shown, kSlotTextUnits + 1, L"%s(%s)", forms[f].value, word);
      SetSlotText(context->pageSlots[s], shown, Length(shown));
      ++filled;
    }
    if (remaining) *remaining = static_cast<int>(formCount) - f;
    return filled;
  }
  if (ConversionTable(context) && CountCodePoints(word) >= 2) {
    wchar_t converted[kSlotTextUnits + 1];
    SetSlotText(context->pageSlots[slot], converted, ConvertByCharacters(context, word, converted));
    return 1;
  }
  SetSlotText(context->pageSlots[slot], word, wordUnits);
  return 1;
}

void FillNextCandidatePage(ImeContext* context) {
  if (!context || context->candidateCount <= 0) return;
  context->selection = 0;
  context->pageSize = EffectivePageSize(context);
  int start = context->pageLast + 1;
  int skip = 0;
  if (context->pageLastCarry > 0 && context->pageLast >= 0) {
    start = context->pageLast;
    skip = SlotsNeeded(context, start) - context->pageLastCarry;
    if (skip < 0) skip = 0;
  }
  if (start < 0) start = 0;
  context->pageFirst = start;
  context->pageFirstCarry = context->pageLastCarry;
  context->pageLastCarry = 0;
  int filled = 0;
  int last = start;
  for (int i = start; filled < context->pageSize && i < context->candidateCount; ++i) {
    int remaining = 0;
    filled += FormatCandidateText(context, i, filled, 1, i == start ? skip : 0, &remaining);
    last = i;
    if (remaining > 0) {
      context->pageLastCarry = remaining;
      break;
    }
  }
  context->slotsFilled = filled;
  if (filled > 0) context->pageLast = last;
}

void FillPreviousCandidatePage(ImeContext* context) {
  if (!context || context->candidateCount <= 0) return;
  const int pageSize = EffectivePageSize(context);
  // Walk back one page of slots from the current page's first slot.
  int k = context->pageFirst;
  if (k >= context->candidateCount) k = context->candidateCount - 1;
  int v = context->pageFirstCarry > 0 ? SlotsNeeded(context, k) - context->pageFirstCarry : 0;
  if (v < 0) v = 0;
  for (int step = 0; step < pageSize; ++step) {
    if (v > 0) {
      --v;
    } else if (k > 0) {
      --k;
      v = SlotsNeeded(context, k) - 1;
    } else {
      break;
    }
  }
  if (v > 0) {
    context->pageLast = k;
    context->pageLastCarry = SlotsNeeded(context, k) - v;
  } else {
    context->pageLast = k - 1;
    context->pageLastCarry = 0;
  }
  FillNextCandidatePage(context);
}

int TurnPage(ImeContext* context, int step) {
  if (!context || context->candidateCount <= 0) return 0;
  context->selection += step;
  if (context->selection < 0) {
    if (context->pageFirst > 0 || context->pageFirstCarry > 0) {
      FillPreviousCandidatePage(context);
      context->selection = context->slotsFilled > 0 ? context->slotsFilled - 1 : 0;
    } else {
      context->selection = 0;
    }
  } else if (context->selection >= context->slotsFilled) {
    if (context->pageLastCarry > 0 || context->pageLast + 1 < context->candidateCount) {
      FillNextCandidatePage(context);
      context->selection = 0;
    } else {
      context->selection = context->slotsFilled > 0 ? context->slotsFilled - 1 : 0;
    }
  }
  if (context->imeBlock && (context->imeBlock->optionFlags & ImeBits::kTsfEmbedFirst)) {
    BuildCompositionText(context);
  }
  return 1;
}
