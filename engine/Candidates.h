// The candidate list: adding, sorting, duplicate merging, the composition
// text, pages and associations after a commit.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/ImeContext.h"
#include "engine/Search.h"

// AddCandidate results.
enum AddResult : int {
  kAddDone = 0,
  kAddListFull = 2,
  kAddDeleted = 3,
  kAddHiddenMain = 4,
  kAddHiddenSecondary = 5,
  kAddHiddenAuxiliaryOnly = 11,
  kAddHiddenSecondaryOnly = 12,
};

// Association searches stop adding at this many candidates.
inline constexpr int kAssociationLimit = 2500;
// Display and commit texts of a slot hold this many units.
inline constexpr int kSlotTextUnits = 128;

// Entry readers. Entries point at a record's attribute word: code records
// (kinds with 0x20) hold a code and a word, text records (0x10) one text.
// Generated records have the text record layout; kind 0x40 points at a
// terminated UTF-16 text.
inline uint32_t EntryAttribute(const uint8_t* entry) {
  uint32_t a;
  std::memcpy(&a, entry, 4);
  return a;
}
inline const uint8_t* EntryCode(const uint8_t* entry) { return entry + 4; }
inline const uint8_t* EntryWord(const uint8_t* entry) { return entry + 5 + entry[4]; }
// Copies the shown text of a candidate (word, record text or plain text),
// at most capacity - 1 units. Returns the units written.
int CandidateText(const CandidateItem& item, wchar_t* out, int capacity);
// Units of the shown text without copying.
int CandidateTextUnits(const CandidateItem& item);

// The end of AddCandidate, once the entry is to be listed and the list has
// room: inline, as the table search runs it for every record of its range.
inline void AppendCandidate(ImeContext* context, const uint8_t* entry, uint8_t kind, int32_t value,
                            int hintPosition) {
  CandidateItem& item = context->candidates[context->candidateCount];
  item.entry = entry;
  item.kind = kind;
  item.value = value;
  item.hint[0] = item.hint[1] = item.hint[2] = 0;
  if ((kind & kKindShownByWord) && entry && hintPosition >= 0) {
    const uint8_t* code = EntryCode(entry);
    const int len = code[0];
    for (int i = 0; i < 2 && hintPosition + i < len; ++i) {
      const uint8_t b = code[1 + hintPosition + i];
      item.hint[i] = b < 32 ? static_cast<wchar_t>(0xFF00 + b) : (b < 128 ? b : 0);
    }
  }
  ++context->candidateCount;
}

int AddCandidate(ImeContext* context, const uint8_t* entry, uint8_t kind, int32_t value,
                 int hintPosition);
int AddCandidate(ImeContext* context, const SearchSettings& settings, const uint8_t* entry,
                 uint8_t kind, int32_t value, int hintPosition);

void ResetInput(ImeContext* context);
int RebuildCandidates(ImeContext* context);
void SortCandidates(ImeContext* context);
int CompareCandidates(const ImeContext* context, const CandidateItem& a, const CandidateItem& b);
// Sorts the list into CompareCandidates order through precomputed keys, with
// no allocation. False, with the list unchanged, when it cannot give exactly
// the order of ShellSortCandidates (or its scratch is in use by another
// thread); SortCandidates then uses ShellSortCandidates.
bool SortCandidatesByKey(ImeContext* context);
// In-place Shell sort by CompareCandidates.
void ShellSortCandidates(ImeContext* context);
void MergeDuplicateWords(ImeContext* context);
void BuildCompositionText(ImeContext* context);

// Slots a page may hold: the stored 4-bit size, 11..15 read as 10.
int EffectivePageSize(const ImeContext* context);
void FillNextCandidatePage(ImeContext* context);
void FillPreviousCandidatePage(ImeContext* context);
// Fills slots from candidate listIndex starting at slot, with display
// conversion; direction > 0 forward. skipValues conversion forms already
// shown elsewhere are left out. Returns the slots filled; when forms remain
// for lack of room, *remaining gets their number.
int FormatCandidateText(ImeContext* context, int listIndex, int slot, int direction,
                        int skipValues = 0, int* remaining = nullptr);
int TurnPage(ImeContext* context, int step);

int ResetAfterCommit(ImeContext* context);
int SearchProbeCode(ImeContext* context, uint32_t flags);
void SearchAssociations(ImeContext* context, uint32_t flags);
// Match value of a text record for the probe, 0 when it does not match.
int AssociationMatch(const uint8_t* record, const wchar_t* probe, int probeUnits, uint32_t flags);
int CountCandidatesForCode(ImeContext* context);
int SetTraditionalOutput(ImeContext* context, int on);
