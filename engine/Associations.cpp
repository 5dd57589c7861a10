// Associations after a commit and the English word list: searches of the
// text-keyed tables (sysl.dmg, engl.dmg) by a probe text.
#include "engine/Candidates.h"

#include "engine/DmgTable.h"
#include "engine/ImeOptionBits.h"

namespace {

constexpr uint32_t kProbeAppendHash = 0x1;
constexpr uint32_t kProbeGraded = 0x2;
constexpr uint32_t kProbeEqualAllowed = 0x4;
constexpr uint32_t kProbeEnglishTable = 0x1000;
constexpr uint32_t kProbeAssociations = 0x2000;
constexpr int kProbeUnits = 128;

// A length-prefixed probe key: the text, optionally with its last unit
// lowered by one, followed by U+FFFF (which sorts after every real text).
int BuildBracketKey(const wchar_t* probe, int units, bool lowerLast, uint8_t* key) {
  if (units > 254) units = 254;
  key[0] = static_cast<uint8_t>(units + 1);
  for (int i = 0; i < units; ++i) {
    uint16_t u = static_cast<uint16_t>(probe[i]);
    if (lowerLast && i == units - 1) --u;
    std::memcpy(key + 1 + 2 * i, &u, 2);
  }
  const uint16_t top = 0xFFFF;
  std::memcpy(key + 1 + 2 * units, &top, 2);
  return units + 1;
}

uint32_t InsertionPoint(const DmgView& view, const uint8_t* key) {
  const int r = FindRecordInRange(view, key, nullptr, 0, view.countRecords);
  if (r > 0) return static_cast<uint32_t>(r - 1);
  return static_cast<uint32_t>(-r);
}

void SearchOneProbe(ImeContext* context, const wchar_t* probe, int units, uint32_t flags) {
  MappedFile* table = context->files[(flags & kProbeEnglishTable) ? kFileEnglish : kFileAssociation];
  const DmgView view = GetDmgView(table);
  if (!view.base || units <= 0 || view.type != kDmgTypeWordList) return;
  uint8_t low[1 + 2 * 256];
  uint8_t high[1 + 2 * 256];
  BuildBracketKey(probe, units, true, low);
  BuildBracketKey(probe, units, false, high);
  const uint32_t start = InsertionPoint(view, low);
  const uint32_t end = InsertionPoint(view, high);
  const SearchSettings s = CurrentSearchSettings(context);
  DmgRecord r;
  for (uint32_t i = start; i < end && context->candidateCount < kAssociationLimit; ++i) {
    if (!ReadDmgRecord(view, i, &r)) continue;
    const uint8_t* entry = view.base + r.offset;
    const int value = AssociationMatch(entry, probe, units, flags);
    if (value != 0) AddCandidate(context, s, entry, kKindAssociation, value, 0);
  }
}

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }
wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

}  // namespace

int AssociationMatch(const uint8_t* record, const wchar_t* probe, int probeUnits, uint32_t flags) {
  const int len = record[4];
  if (len < probeUnits || (len == probeUnits && !(flags & kProbeEqualAllowed))) return 0;
  for (int i = 0; i < probeUnits; ++i) {
    if (DmgUnitAt(record + 5 + 2 * i) != static_cast<uint16_t>(probe[i])) return 0;
  }
  return (flags & kProbeGraded) ? 129 - (len - probeUnits) : 1;
}

void SearchAssociations(ImeContext* context, uint32_t flags) {
  const int units = context->probeLength < kProbeUnits ? context->probeLength : kProbeUnits;
  SearchOneProbe(context, context->probe, units, flags);
}

int SearchProbeCode(ImeContext* context, uint32_t flags) {
  if (!context || context->probeLength == 0) return context ? context->candidateCount : 0;
  int units = context->probeLength < kProbeUnits ? context->probeLength : kProbeUnits;
  if (flags & kProbeAppendHash) {
    wchar_t hashed[kProbeUnits + 2];
    for (int i = 0; i < units; ++i) hashed[i] = context->probe[i];
    hashed[units] = L'#';
    hashed[units + 1] = 0;
    SearchOneProbe(context, hashed, units + 1, flags);
    return context->candidateCount;
  }
  wchar_t lower[kProbeUnits + 1];
  wchar_t upper[kProbeUnits + 1];
  bool hasCase = false;
  for (int i = 0; i < units; ++i) {
    lower[i] = Lower(context->probe[i]);
    upper[i] = Upper(context->probe[i]);
    if (lower[i] != upper[i]) hasCase = true;
  }
  lower[units] = upper[units] = 0;
  SearchOneProbe(context, lower, units, flags);
  // A probe without letters reads the same in both cases: search it once.
  if (hasCase) SearchOneProbe(context, upper, units, flags);
  return context->candidateCount;
}

int CountCandidatesForCode(ImeContext* context) {
  if (!context) return 0;
  context->candidateCount = 0;
  context->hintPrefix = 0;
  int n = context->codeLength < kProbeUnits ? context->codeLength : kProbeUnits;
  if (n < 0) n = 0;
  for (int i = 0; i < n; ++i) context->probe[i] = context->code[i];
  context->probe[n] = 0;
  context->probeLength = static_cast<uint8_t>(n);
  SearchProbeCode(context, kProbeEnglishTable | kProbeEqualAllowed | kProbeGraded);
  context->probeLength = 0;
  context->probe[0] = 0;
  return context->candidateCount;
}

int ResetAfterCommit(ImeContext* context) {
  if (!context) return 0;
  ResetInput(context);
  const ImeConfigBlock* ime = context->imeBlock;
  if (!ime || !(ime->optionFlags & kImeOptAssociations) || !context->files[kFileAssociation] ||
      context->commitLength <= 0 || !context->commitText[0]) {
    return 0;
  }
  int n = context->commitLength < kProbeUnits ? context->commitLength : kProbeUnits;
  for (int i = 0; i < n; ++i) context->probe[i] = context->commitText[i];
  context->probe[n] = 0;
  context->probeLength = static_cast<uint8_t>(n);
  context->hintPrefix = static_cast<uint8_t>(n);
  const uint32_t hash = (ime->spaceWord & ImeBits::kAssociationHashKeys) ? kProbeAppendHash : 0;
  SearchProbeCode(context, kProbeAssociations | hash);
  if (context->candidateCount <= 0) return 0;
  MergeDuplicateWords(context);
  context->stateFlags |= kStateAssociations;
  SortCandidates(context);
  return context->candidateCount;
}
