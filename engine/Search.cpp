// Code search of main.dmg and temp.dmg for the typed code.
#include "engine/Search.h"

#include <cstring>

#include "engine/Candidates.h"
#include "engine/ChineseNumbers.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/KeyTables.h"

namespace {

constexpr uint32_t kImeMain = kImeOptMainCode;
constexpr uint32_t kImeAuxiliary = kImeOptAuxiliaryCode;
constexpr uint32_t kImeSecondary = kImeOptListSecondary;

inline int KeyLength(const uint8_t* key) { return key[0]; }

// Position of the first wildcard byte in the key, -1 when none.
int WildcardPosition(const uint8_t* key) {
  for (int i = 0; i < key[0]; ++i) {
    if (key[1 + i] == kWildcardByte) return i;
  }
  return -1;
}

uint8_t KeyFlags(const ImeContext* context, uint8_t b) {
  return context->dmeBlock ? context->dmeBlock->keyCharFlags[b] : 0;
}

// Characters of a record's word; a surrogate pair counts one.
int WordCharacters(const DmgRecord& r) {
  int n = 0;
  for (uint32_t i = 0; i < r.wordLenUnits; ++i) {
    const uint16_t u = RecordWordUnit(r, i);
    if (u < 0xDC00 || u > 0xDFFF) ++n;
  }
  return n;
}

bool WordStartsWithMacro(const DmgRecord& r) {
  static constexpr wchar_t kMacro[] = L"$zncmd(";
  if (r.wordLenUnits < 7) return false;
  for (uint32_t i = 0; i < 7; ++i) {
    if (RecordWordUnit(r, i) != kMacro[i]) return false;
  }
  return true;
}

// Reads a code record straight from a trusted entry pointer (one the search
// took from a validated view).
DmgRecord RecordAtEntry(const uint8_t* entry) {
  DmgRecord r;
  r.attr = EntryAttribute(entry);
  r.code = entry + 4;
  r.codeLen = entry[4];
  r.word = entry + 5 + r.codeLen;
  r.wordLenUnits = r.word[0];
  return r;
}

int MatchCodeRecord(const ImeContext* context, const SearchSettings& s, const DmgRecord& r,
                    const uint8_t* key) {
  const int keyLen = KeyLength(key);
  const int codeLen = static_cast<int>(r.codeLen);
  const uint32_t shortest = s.codeOptions >> 24;
  if (shortest > 0 && keyLen < static_cast<int>(shortest) && WordCharacters(r) > 1 &&
      !WordStartsWithMacro(r)) {
    return 0;
  }
  (void)context;
  if (s.codeOptions & kCodeOptWildcardMatching) {
    if (codeLen < keyLen) return 0;
    if (keyLen == 1 && (codeLen != 1 || !(s.codeOptions & kDmeOptWildcardFirstKey))) return 0;
    if ((s.codeOptions & kDmeOptWildcardSingleChars) && WordCharacters(r) > 1) return 0;
    for (int i = 0; i < keyLen; ++i) {
      const uint8_t k = key[1 + i];
      if (k != kWildcardByte && k != r.code[1 + i]) return 0;
    }
    return 64 - (codeLen - keyLen);
  }
  if (s.codeOptions & kDmeOptPrefixHints) {
    if (codeLen < keyLen) return 0;
    for (int i = 0; i < keyLen; ++i) {
      if (key[1 + i] != r.code[1 + i]) return 0;
    }
    return codeLen == keyLen ? 0x81 : 0x80;
  }
  if (codeLen != keyLen) return 0;
  for (int i = 0; i < keyLen; ++i) {
    if (key[1 + i] != r.code[1 + i]) return 0;
  }
  return 0x81;
}

bool IsLead(uint8_t b, uint8_t lead) { return lead != 0 && b == lead; }

// MakeSearchKey that also tells whether a lead character was dropped.
int MakeKey(const ImeContext* context, const SearchSettings& s, const wchar_t* codeText,
            uint8_t* key, bool* leadRemoved) {
  *leadRemoved = false;
  key[0] = 0;
  key[1] = 0;
  if (!codeText || !codeText[0]) return 0;
  *leadRemoved = IsDroppedLead(context, s, codeText[0]);
  if (*leadRemoved) return CodeToBytes(codeText + 1, key) > 0 ? 1 : 0;
  const int len = CodeToBytes(codeText, key);
  if (len == 0) return 0;
  bool replaced = false;
  if (s.wildcard != 0) {
    for (int i = 1; i <= len; ++i) {
      if (key[i] == s.wildcard) {
        key[i] = kWildcardByte;
        replaced = true;
      }
    }
  }
  return replaced ? 2 : 1;
}

MappedFile* MainTable(const ImeContext* context) { return context->files[kFileMain]; }

void SearchBothTables(ImeContext* context, const SearchSettings& s, const uint8_t* key,
                      bool prefix) {
  SearchTableForCode(context, s, context->files[kFileMain], key, prefix, kKindMain);
  SearchTableForCode(context, s, context->files[kFileTemp], key, prefix, kKindTemp);
}

bool CodeStartsWith(const ImeContext* context, uint8_t lead) {
  return context->codeLength > 0 && IsLead(CharToKeyCode(context->code[0]), lead);
}

// Takes the list's first candidate as the one a dynamic commit may offer again.
void RememberFirstCandidate(ImeContext* context) {
  PreviousUnique& p = context->previousUnique;
  if (context->candidateCount <= 0) return;
  const CandidateItem& first = context->candidates[0];
  p = PreviousUnique{};
  if (first.kind != kKindMain && first.kind != kKindTemp) return;
  const DataFile file = first.kind == kKindMain ? kFileMain : kFileTemp;
  const DmgView view = GetDmgView(context->files[file]);
  if (!view.base || first.entry < view.base || first.entry >= view.base + view.sizeBytes) return;
  p.table = file + 1;
  p.offset = static_cast<uint32_t>(first.entry - view.base);
  p.viewSize = view.sizeBytes;
  p.value = first.value;
  p.kind = first.kind;
  for (int i = 0; i < 3; ++i) p.hint[i] = first.hint[i];
}

// Puts the remembered candidate back as the only one; false when its table
// changed since (remapped, emptied or replaced) or nothing was remembered.
bool RestorePreviousUnique(ImeContext* context) {
  const PreviousUnique p = context->previousUnique;
  if (p.table == 0 || p.table > kDataFileCount) return false;
  const DmgView view = GetDmgView(context->files[p.table - 1]);
  uint32_t edge = 0;
  DmgRecord r;
  if (!view.base || view.sizeBytes != p.viewSize ||
      !DmgLoadU32(view.base, view.sizeBytes, kDmgEdgeOffset, &edge) || p.offset < edge ||
      !ReadDmgRecordAt(view, p.offset, &r)) {
    ClearPreviousUnique(context);
    return false;
  }
  CandidateItem& item = context->candidates[0];
  item.entry = view.base + p.offset;
  item.kind = p.kind;
  item.value = p.value;
  for (int i = 0; i < 3; ++i) item.hint[i] = p.hint[i];
  context->candidateCount = 1;
  return true;
}

}  // namespace

SearchSettings CurrentSearchSettings(const ImeContext* context) {
  SearchSettings s{};
  if (!context) return s;
  if (context->imeBlock) s.imeOptions = context->imeBlock->optionFlags;
  if (context->dmeBlock) {
    s.codeOptions = context->dmeBlock->codeOptions & ~kCodeOptWildcardMatching;
    s.wildcard = context->dmeBlock->wildcardChar;
  }
  s.secondaryOnly = (context->stateFlags & kStateSecondaryOnly) != 0;
  return s;
}

bool IsEntryVisible(const SearchSettings& s, uint32_t attr) {
  if (attr & EntryAttr::kDeleted) return false;
  const uint32_t c = EntryAttr::Category(attr);
  if (c == 0) return true;
  if (s.imeOptions & kImeMain) {
    if (c == 4) return (s.imeOptions & kImeAuxiliary) != 0;
    if (c == 3) return s.secondaryOnly || (s.imeOptions & kImeSecondary);
    return !s.secondaryOnly;
  }
  if (s.imeOptions & kImeAuxiliary) return c == 4;
  return c == 3;
}

int CodeToBytes(const wchar_t* text, uint8_t* out) {
  int n = 0;
  if (text) {
    while (n < kSearchKeyBytes && text[n]) {
      const uint8_t b = CharToKeyCode(text[n]);
      if (b == 0) break;
      out[1 + n] = b;
      ++n;
    }
  }
  out[0] = static_cast<uint8_t>(n);
  out[1 + n] = 0;
  return n;
}

bool IsDroppedLead(const ImeContext* context, const SearchSettings& s, wchar_t c) {
  const DmeConfigBlock* dme = context ? context->dmeBlock : nullptr;
  const uint8_t b = CharToKeyCode(c);
  if (!dme || b == 0) return false;
  return IsLead(b, dme->tempEnglishLead) || IsLead(b, dme->fourthLead) ||
         (IsLead(b, dme->secondaryLead) && !(s.imeOptions & kImeSecondary) && !s.secondaryOnly) ||
         (IsLead(b, dme->auxiliaryLead) && !(s.imeOptions & kImeAuxiliary));
}

int MakeSearchKey(const ImeContext* context, const wchar_t* codeText, uint8_t* key) {
  return MakeSearchKey(context, CurrentSearchSettings(context), codeText, key);
}

int MakeSearchKey(const ImeContext* context, const SearchSettings& settings,
                  const wchar_t* codeText, uint8_t* key) {
  bool leadRemoved;
  return MakeKey(context, settings, codeText, key, &leadRemoved);
}

int HasVisibleExtension(const ImeContext* context, const uint8_t* code) {
  return HasVisibleExtension(context, CurrentSearchSettings(context), code);
}

int HasVisibleExtension(const ImeContext* context, const SearchSettings& s, const uint8_t* code) {
  const DmgView view = GetDmgView(MainTable(context));
  if (!view.base || KeyLength(code) == 0) return 1;
  const int p = WildcardPosition(code);
  if (p == 0) return view.countRecords > 0 ? 0 : 1;
  if (p > 0) {
    // A wildcard key may match anything behind its fixed part.
    const DmgRange r = FindPrefixRange(view, code + 1, static_cast<uint32_t>(p));
    return r.end > r.start ? 0 : 1;
  }
  const DmgRange range = FindPrefixRange(view, code + 1, KeyLength(code));
  DmgRecord r;
  for (uint32_t i = range.start; i < range.end; ++i) {
    if (ReadDmgRecord(view, i, &r) && IsEntryVisible(s, r.attr)) return 0;
  }
  return 1;
}

int HasLongerVisibleCode(const ImeContext* context, const uint8_t* code, const uint8_t* skip) {
  return HasLongerVisibleCode(context, CurrentSearchSettings(context), code, skip);
}

int HasLongerVisibleCode(const ImeContext* context, const SearchSettings& s, const uint8_t* code,
                         const uint8_t* skip) {
  const DmgView view = GetDmgView(MainTable(context));
  const uint32_t len = KeyLength(code);
  if (!view.base || len == 0) return 1;
  // Longer codes sort right after the records equal to the key.
  const DmgRange exact = FindExactCodeRange(view, code + 1, len);
  const DmgRange prefix = FindPrefixRange(view, code + 1, len);
  const uint32_t start = exact.end > prefix.start ? exact.end : prefix.start;
  DmgRecord r;
  for (uint32_t i = start; i < prefix.end; ++i) {
    if (!ReadDmgRecord(view, i, &r) || r.codeLen <= len) continue;
    if (view.base + r.offset == skip) continue;
    if (IsEntryVisible(s, r.attr)) return 0;
  }
  return 1;
}

int MatchRecord(const ImeContext* context, const SearchSettings& settings, const uint8_t* entry,
                const uint8_t* key) {
  if (!entry || !key) return 0;
  return MatchCodeRecord(context, settings, RecordAtEntry(entry), key);
}

void SearchTableForCode(ImeContext* context, const SearchSettings& s, MappedFile* table,
                        const uint8_t* key, bool prefix, uint8_t kind) {
  const DmgView view = GetDmgView(table);
  if (!view.base || KeyLength(key) == 0) return;
  const int p = WildcardPosition(key);
  DmgRange range;
  if (p == 0) return;
  if (p > 0) {
    range = FindPrefixRange(view, key + 1, static_cast<uint32_t>(p));
  } else if (prefix) {
    range = FindPrefixRange(view, key + 1, KeyLength(key));
  } else {
    range = FindExactCodeRange(view, key + 1, KeyLength(key));
  }
  const bool codeStartsWithWildcard =
      s.wildcard != 0 && context->codeLength > 0 && CharToKeyCode(context->code[0]) == s.wildcard;
  const int hint = codeStartsWithWildcard ? 0 : (p > 0 ? p : KeyLength(key));
  DmgRecord r;
  for (uint32_t i = range.start; i < range.end && context->candidateCount < kTableSearchLimit; ++i) {
    if (!ReadDmgRecord(view, i, &r) || !r.code) continue;
    const int m = MatchCodeRecord(context, s, r, key);
    // AddCandidate's rules, its settings kept out of the loop.
    if (m != 0 && IsEntryVisible(s, r.attr) && context->candidateCount < kMaxCandidates) {
      AppendCandidate(context, view.base + r.offset, kind, m, hint);
    }
  }
}

void SearchExactOrPrefix(ImeContext* context, const SearchSettings& s, const uint8_t* key) {
  if (s.codeOptions & kDmeOptPrefixHints) {
    SearchBothTables(context, s, key, true);
    return;
  }
  const int before = context->candidateCount;
  SearchBothTables(context, s, key, false);
  if (context->candidateCount == before && (s.codeOptions & kDmeOptHintsWithoutMatch)) {
    SearchSettings prefixed = s;
    prefixed.codeOptions |= kDmeOptPrefixHints;
    SearchBothTables(context, prefixed, key, true);
  }
}

int SearchWildcard(ImeContext* context, const SearchSettings& settings, const uint8_t* key) {
  SearchSettings s = settings;
  s.codeOptions |= kCodeOptWildcardMatching;
  const int len = KeyLength(key);
  if (len == 0) return kSearchListed;
  if (key[1] != kWildcardByte) {
    SearchBothTables(context, s, key, true);
    return kSearchListed;
  }
  const bool alone = len == 1;
  if (alone && !(s.codeOptions & kDmeOptWildcardFirstKey)) return kSearchListed;
  uint8_t variant[kSearchKeyBytes + 2];
  for (int i = 0; i <= len + 1; ++i) variant[i] = key[i];
  for (int b = 1; b < 128 && context->candidateCount < kTableSearchLimit; ++b) {
    if (!(KeyFlags(context, static_cast<uint8_t>(b)) & kKeyCharStartsCode)) continue;
    variant[1] = static_cast<uint8_t>(b);
    SearchBothTables(context, s, variant, !alone);
  }
  return kSearchListed;
}

void AddNumberCandidates(ImeContext* context, const uint8_t* key) {
  const int len = KeyLength(key);
  if (len == 0 || !context->dmeBlock) return;
  wchar_t text[kSearchKeyBytes + 1];
  for (int i = 0; i < len; ++i) text[i] = key[1 + i];
  text[len] = 0;
  NumberCandidateText texts[9];
  const int n = MakeNumberCandidateTexts(text, texts, 9);
  if (n == 0) return;
  if (!(context->dmeBlock->codeOptions & kDmeOptNumberSearch)) {
    // A key stroke never waits for another writer: the flag is set when the
    // lock is free at once, else at a later number.
    DataWriteLock lock(context, 0);
    if (lock.Held()) context->dmeBlock->codeOptions |= kDmeOptNumberSearch;
  }
  const SearchSettings s = CurrentSearchSettings(context);
  // Slot 0 holds the repeated last output; numbers take the others.
  for (int i = 0; i < n; ++i) {
    uint8_t* record = context->generatedCandidates[i + 1].bytes;
    std::memset(record, 0, sizeof context->generatedCandidates[i + 1].bytes);
    record[4] = static_cast<uint8_t>(texts[i].units);
    std::memcpy(record + 5, texts[i].text, texts[i].units * sizeof(wchar_t));
    AddCandidate(context, s, record, kKindGenerated, texts[i].value, 0);
  }
}

int DecideAfterSearch(ImeContext* context, const SearchSettings& s, const uint8_t* key) {
  const DmeConfigBlock* dme = context->dmeBlock;
  if (!dme) return kSearchListed;
  const int keyLen = KeyLength(key);
  const uint8_t last = keyLen > 0 ? key[keyLen] : 0;
  if (context->candidateCount == 1 && context->candidates[0].kind != kKindTemp) {
    const CandidateItem& only = context->candidates[0];
    const bool complete = only.hint[0] == 0;
    const uint32_t unique = DmeUniqueCommitLength(dme);
    const bool leadCode =
        context->codeLength > 0 && (KeyFlags(context, CharToKeyCode(context->code[0])) & kKeyCharCommitLead);
    if ((unique > 0 && keyLen >= static_cast<int>(unique)) || leadCode) {
      if ((complete || (s.codeOptions & kDmeOptAutoCommitIgnoresComplete)) &&
          HasLongerVisibleCode(context, s, key, only.entry) == 1) {
        return kSearchCommitUnique;
      }
      return kSearchListed;
    }
    if ((KeyFlags(context, last) & kKeyCharTerminator) && complete &&
        HasLongerVisibleCode(context, s, key, only.entry) == 1) {
      return kSearchCommitUnique;
    }
    return kSearchListed;
  }
  if (context->candidateCount == 0 && HasLongerVisibleCode(context, s, key, nullptr) == 1) {
    const uint32_t dynamic = DmeDynamicCommitLength(dme);
    if (dynamic > 0 && keyLen > static_cast<int>(dynamic) && RestorePreviousUnique(context)) {
      const uint8_t f = KeyFlags(context, last);
      const bool startsCode = (f & (kKeyCharCommitLead | kKeyCharStartsCode)) ||
                              (s.wildcard != 0 && last == s.wildcard) ||
                              IsLead(last, dme->tempEnglishLead);
      return startsCode ? kSearchCommitPrevious : kSearchCommitPreviousText;
    }
    const uint32_t clear = DmeEmptyClearLength(dme);
    if (clear > 0 && keyLen >= static_cast<int>(clear)) return kSearchClearCode;
  }
  return kSearchListed;
}

void ClearPreviousUnique(ImeContext* context) {
  if (context) context->previousUnique = PreviousUnique{};
}

void BeginSearch(ImeContext* context) {
  if (!context) return;
  if (context->candidateCount > 0) {
    RememberFirstCandidate(context);
  }
  context->candidateCount = 0;
  context->hintPrefix = 0;
  // A new code starts: map tables that another process (config, the add-word
  // dialog) has grown since, so this search sees every record. The list no
  // longer points into the old views; a remembered candidate of one does not
  // survive.
  if (context->codeLength == 1 && RemapTables(context)) ClearPreviousUnique(context);
}

int SearchCandidates(ImeContext* context) {
  if (!context) return kSearchNothing;
  BeginSearch(context);
  return SearchTypedCode(context);
}

int SearchTypedCode(ImeContext* context) {
  if (!context) return kSearchNothing;
  const DmeConfigBlock* dme = context->dmeBlock;
  if (!dme) return kSearchNothing;
  uint8_t raw[kSearchKeyBytes + 2];
  if (CodeToBytes(context->code, raw) == 0) return kSearchNothing;
  SearchSettings s = CurrentSearchSettings(context);
  uint8_t key[kSearchKeyBytes + 2];
  bool leadRemoved = false;
  const int keyKind = MakeKey(context, s, context->code, key, &leadRemoved);
  if (keyKind == 0) return kSearchNothing;

  if (context->codeLength == 1 && s.wildcard != 0 && CharToKeyCode(context->code[0]) == s.wildcard &&
      (s.codeOptions & kDmeOptWildcardRepeat) && context->lastOutputLength > 0) {
    uint8_t* record = context->generatedCandidates[0].bytes;
    std::memset(record, 0, sizeof context->generatedCandidates[0].bytes);
    int units = context->lastOutputLength;
    if (units > kGeneratedTextUnits) units = kGeneratedTextUnits;
    record[4] = static_cast<uint8_t>(units);
    std::memcpy(record + 5, context->lastOutput, units * sizeof(wchar_t));
    AddCandidate(context, s, record, kKindGenerated, 0xEEEEEE, 0);
  }

  s.wildcard = 0;
  if (keyKind == 2) {
    SearchSettings exact = s;
    exact.codeOptions &= ~(kDmeOptPrefixHints | kDmeOptHintsWithoutMatch);
    SearchBothTables(context, exact, raw, false);
    SearchWildcard(context, s, key);
    if (context->candidateCount == 0 &&
        (s.codeOptions & (kDmeOptPrefixHints | kDmeOptHintsWithoutMatch))) {
      SearchExactOrPrefix(context, s, raw);
    }
    return kSearchListed;
  }
  if (!leadRemoved) {
    SearchExactOrPrefix(context, s, key);
  } else {
    SearchSettings exact = s;
    exact.codeOptions &= ~(kDmeOptPrefixHints | kDmeOptHintsWithoutMatch);
    SearchBothTables(context, exact, raw, false);
  }

  if (CodeStartsWith(context, dme->tempEnglishLead)) AddNumberCandidates(context, key);
  if (CodeStartsWith(context, dme->auxiliaryLead) && !(s.imeOptions & kImeAuxiliary)) {
    SearchSettings aux = s;
    aux.imeOptions = (aux.imeOptions & ~(kImeMain | kImeSecondary)) | kImeAuxiliary;
    SearchExactOrPrefix(context, aux, key);
  }
  if (CodeStartsWith(context, dme->secondaryLead) && !(s.imeOptions & kImeSecondary) &&
      !s.secondaryOnly) {
    SearchSettings secondary = s;
    secondary.imeOptions = (secondary.imeOptions & ~(kImeMain | kImeAuxiliary)) | kImeSecondary;
    SearchExactOrPrefix(context, secondary, key);
  }
  if (leadRemoved) return kSearchListed;

  if (context->candidateCount == 0 && !s.secondaryOnly && (s.imeOptions & kImeMain) &&
      (s.imeOptions & kImeOptSecondaryWhenEmpty) && !(s.imeOptions & kImeSecondary)) {
    SearchSettings secondary = s;
    secondary.secondaryOnly = true;
    SearchExactOrPrefix(context, secondary, key);
  }
  return DecideAfterSearch(context, s, key);
}
