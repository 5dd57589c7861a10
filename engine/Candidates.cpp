// Building, sorting and merging the candidate list, and the composition text.
#include "engine/Candidates.h"

#include <cstring>

#include "engine/CandidateText.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "engine/SearchCache.h"

using namespace candidate_text;

namespace {

// A power of two above kMaxCandidates: the hash of texts never fills up.
constexpr uint32_t kMergeSlots = 4096;

// Shell sort of items by a comparison; in place, no allocation. Ciura's gap
// sequence (extended by x2.25) keeps a 1,000-item list well under the
// cost of halving gaps, which degrade towards quadratic on ordered input.
template <typename Greater>
void ShellSort(CandidateItem* items, int count, Greater greater) {
  static constexpr int kGaps[] = {1577, 701, 301, 132, 57, 23, 10, 4, 1};
  for (int gap : kGaps) {
    if (gap >= count) continue;
    for (int i = gap; i < count; ++i) {
      const CandidateItem held = items[i];
      int j = i;
      for (; j >= gap && greater(items[j - gap], held); j -= gap) items[j] = items[j - gap];
      items[j] = held;
    }
  }
}

}  // namespace

int CandidateText(const CandidateItem& item, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return 0;
  const TextRef t = ShownText(item);
  int n = 0;
  for (; n < t.length && n < capacity - 1; ++n) out[n] = static_cast<wchar_t>(UnitAt(t, n));
  out[n] = 0;
  return n;
}

int CandidateTextUnits(const CandidateItem& item) { return ShownText(item).length; }

int AddCandidate(ImeContext* context, const uint8_t* entry, uint8_t kind, int32_t value,
                 int hintPosition) {
  return AddCandidate(context, CurrentSearchSettings(context), entry, kind, value, hintPosition);
}

int AddCandidate(ImeContext* context, const SearchSettings& s, const uint8_t* entry, uint8_t kind,
                 int32_t value, int hintPosition) {
  if (!context) return kAddDone;
  const uint32_t attr = (entry && kind != kKindPlainText) ? EntryAttribute(entry) : 0;
  if (attr & EntryAttr::kDeleted) return kAddDeleted;
  const uint32_t c = EntryAttr::Category(attr);
  if (c != 0) {
    if (s.imeOptions & kImeOptMainCode) {
      if (c == 4 && !(s.imeOptions & kImeOptAuxiliaryCode)) return kAddHiddenMain;
      if (c == 3 && !s.secondaryOnly && !(s.imeOptions & kImeOptListSecondary)) {
        return kAddHiddenSecondary;
      }
      if (c != 3 && c != 4 && s.secondaryOnly) return kAddHiddenMain;
    } else if (s.imeOptions & kImeOptAuxiliaryCode) {
      if (c != 4) return kAddHiddenAuxiliaryOnly;
    } else if (c != 3) {
      return kAddHiddenSecondaryOnly;
    }
  }
  if (kind == 0 && value == 0) return kAddDone;
  if (context->candidateCount >= kMaxCandidates) return kAddListFull;
  AppendCandidate(context, entry, kind, value, hintPosition);
  return kAddDone;
}

void ResetInput(ImeContext* context) {
  if (!context) return;
  context->stateFlags &= ~(kStateTempEnglish | kStateAssociations | kStateCommandRunning);
  context->candidateCount = 0;
  context->pageFirst = context->pageFirstCarry = context->pageLastCarry = 0;
  context->pageLast = -1;
  context->selection = 0;
  context->slotsFilled = 0;
  context->codeLength = context->cursor = 0;
  context->code[0] = 0;
  context->compositionLength = context->compositionCursor = 0;
  context->composition[0] = 0;
  context->commitKind = 0;
  context->probeLength = 0;
  context->probe[0] = 0;
  context->hintPrefix = 0;
  context->pendingKeyIndex = 0;
  context->pendingKeyFlags = 0;
  context->pendingKeyText = nullptr;
  ClearPreviousUnique(context);
}

int RebuildCandidates(ImeContext* context) {
  if (!context) return kSearchNothing;
  int result;
  if (context->stateFlags & (kStateEnglish | kStateTempEnglish)) {
    CountCandidatesForCode(context);
    result = kSearchListed;
  } else {
    BeginSearch(context);
    FirstKeyTicket ticket;
    if (ServeFirstKeyList(context, &ticket, &result)) {
      if (result > kSearchListed) return result;
      ShowSortedList(context);
      if (result == kSearchListed) BuildCompositionText(context);
      return result;
    }
    result = SearchTypedCode(context);
    ticket.unmerged = context->candidateCount;
    if (result > kSearchListed) {
      StoreFirstKeyList(context, ticket, result);
      return result;
    }
    SortCandidates(context);
    StoreFirstKeyList(context, ticket, result);
    if (result == kSearchListed) BuildCompositionText(context);
    return result;
  }
  SortCandidates(context);
  if (result == kSearchListed) BuildCompositionText(context);
  return result;
}

int CompareCandidates(const ImeContext* context, const CandidateItem& a, const CandidateItem& b) {
  if (a.value != b.value) return a.value > b.value ? -1 : 1;
  const ImeConfigBlock* ime = context->imeBlock;
  if (ime && !(context->stateFlags & kStateAssociations)) {
    if (ImeSingleCharsFirst(ime)) {
      const int ca = CharacterCount(ShownText(a));
      const int cb = CharacterCount(ShownText(b));
      if (ca != cb) return ca < cb ? -1 : 1;
    } else if (ImeSortByCode(ime) && (a.kind & kKindShownByWord) && (b.kind & kKindShownByWord)) {
      const int c = CompareCodeCallback(EntryCode(a.entry), EntryCode(b.entry));
      if (c != 0) return c < 0 ? -1 : 1;
    }
  }
  const uint32_t oa = AttributeOf(a) & 0x4000FFFFu;
  const uint32_t ob = AttributeOf(b) & 0x4000FFFFu;
  if (oa != ob) return oa > ob ? -1 : 1;
  // Same table: the record lower in the file was added later and wins.
  if (a.kind == b.kind && a.entry != b.entry) return a.entry < b.entry ? -1 : 1;
  // Full ties across tables: main.dmg first, so the order never depends on
  // the sort's instability.
  if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;
  return 0;
}

void ShellSortCandidates(ImeContext* context) {
  ShellSort(context->candidates, context->candidateCount,
            [context](const CandidateItem& a, const CandidateItem& b) {
              return CompareCandidates(context, a, b) > 0;
            });
}

namespace {

// The length and the first two units, mixed; no branch on the length: the
// loop over every unit of every text mispredicted on most items.
uint32_t MergeHash(const TextRef& t) {
  if (t.length == 0) return 0;
  // A single unit reads itself again and masks it off.
  const uint32_t second = t.length > 1 ? 1 : 0;
  uint32_t u0, u1;
  if (t.plain) {
    u0 = static_cast<uint16_t>(t.plain[0]);
    u1 = static_cast<uint16_t>(t.plain[second]);
  } else {
    u0 = DmgUnitAt(t.units);
    u1 = DmgUnitAt(t.units + 2 * second);
  }
  u1 &= 0u - second;
  uint32_t h = (u0 | (u1 << 16)) * 0x9E3779B1u ^ static_cast<uint32_t>(t.length) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 13);
}

}  // namespace

// Keeps one candidate per shown text: the higher value, then the higher
// order; on a full tie the earlier one. One pass over a hash of the texts: a
// one-key code lists thousands of candidates on every stroke, and a sort by
// text cost them 100 us and more.
void MergeDuplicateWords(ImeContext* context) {
  const int count = context->candidateCount;
  if (count < 2) return;
  static_assert(kMaxCandidates < kMergeSlots * 3 / 4);
  constexpr uint32_t kIndexBits = 12;
  static_assert(kMergeSlots <= (1u << kIndexBits));
  // Kept index + 1 in the low bits (0 = free), the hash's top bits above:
  // texts that differ there are told apart without reading them.
  uint32_t slots[kMergeSlots];
  uint32_t mask = 63;
  // A quarter full at most below kMergeSlots: a probe rarely meets a taken slot.
  while (mask + 1 < kMergeSlots && mask + 1 < static_cast<uint32_t>(count) * 4) mask = mask * 2 + 1;
  std::memset(slots, 0, sizeof(uint32_t) * (mask + 1));
  constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
  CandidateItem* items = context->candidates;
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    const CandidateItem item = items[i];
    const TextRef text = ShownText(item);
    const uint32_t hash = MergeHash(text);
    const uint32_t tag = hash & ~kIndexMask;
    uint32_t at = hash & mask;
    while (slots[at] && ((slots[at] & ~kIndexMask) != tag ||
                         CompareTexts(ShownText(items[(slots[at] & kIndexMask) - 1]), text) != 0)) {
      at = (at + 1) & mask;
    }
    if (!slots[at]) {
      items[kept] = item;
      slots[at] = tag | static_cast<uint32_t>(++kept);
      continue;
    }
    CandidateItem& held = items[(slots[at] & kIndexMask) - 1];
    const uint32_t heldOrder = AttributeOf(held) & 0xFFFFFu;
    const uint32_t order = AttributeOf(item) & 0xFFFFFu;
    if (item.value > held.value || (item.value == held.value && order > heldOrder)) held = item;
  }
  context->candidateCount = kept;
}

void SortCandidates(ImeContext* context) {
  if (!context) return;
  if (context->candidateCount < 2 ||
      (context->candidateCount > 0 && context->candidates[0].kind == kKindPlainText)) {
    context->pageSize = 0;
    context->slotsFilled = 0;
  } else {
    if (context->imeBlock && (context->imeBlock->spaceWord & ImeBits::kNoDuplicates)) {
      MergeDuplicateWords(context);
    }
    if (!SortCandidatesByKey(context)) ShellSortCandidates(context);
  }
  context->pageFirst = context->pageFirstCarry = context->pageLastCarry = 0;
  context->pageLast = -1;
  FillNextCandidatePage(context);
}

void BuildCompositionText(ImeContext* context) {
  if (!context) return;
  const ImeConfigBlock* ime = context->imeBlock;
  if (ime && (ime->optionFlags & ImeBits::kTsfEmbedFirst) && context->selection >= 0 &&
      context->selection < context->slotsFilled) {
    const PageSlot& slot = context->pageSlots[context->selection];
    int n = slot.length < kMaxCodeUnits ? slot.length : kMaxCodeUnits;
    if (n < 0) n = 0;
    for (int i = 0; i < n; ++i) context->composition[i] = slot.text[i];
    context->composition[n] = 0;
    context->compositionLength = context->compositionCursor = n;
    return;
  }
  const bool roots = ime && (ime->spaceWord & ImeBits::kKeyRootDisplay);
  int n = context->codeLength < kMaxCodeUnits ? context->codeLength : kMaxCodeUnits;
  if (n < 0) n = 0;
  for (int i = 0; i < n; ++i) {
    wchar_t c = context->code[i];
    if (roots) {
      const uint8_t b = CharToKeyCode(c);
      if (b != 0 && b < 128 && ime->keyRootTable[b] != 0) c = ime->keyRootTable[b];
    }
    if (c < 32) c = static_cast<wchar_t>(0xFF00 + c);
    context->composition[i] = c;
  }
  context->composition[n] = 0;
  context->compositionLength = n;
  context->compositionCursor = context->cursor < n ? context->cursor : n;
}

int SetTraditionalOutput(ImeContext* context, int on) {
  if (!context || !context->imeBlock) return 1;
  DataWriteLock lock(context);
  if (!lock.Held()) return 1;
  if (on) {
    context->imeBlock->optionFlags = (context->imeBlock->optionFlags | kImeOptTraditional) &
                                     ~static_cast<uint32_t>(kImeOptSimplified);
  } else {
    context->imeBlock->optionFlags &= ~static_cast<uint32_t>(kImeOptTraditional);
  }
  return 1;
}
