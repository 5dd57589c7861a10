// Temporary and user words: the recent-commit history in the ime block,
// temporary words built from it into temp.dmg (512 fixed record slots, the
// attribute word of each record being its age), and the promotion of a
// committed temporary word into main.dmg as a user word.
#pragma once

#include <cstdint>

#include "engine/DmgTable.h"
#include "engine/ImeContext.h"

// temp.dmg: kTempSlotCount record slots, each kTempSlotBytes apart in a
// table made by WriteEmptyTempTable; other spacings are honoured as found.
inline constexpr uint32_t kTempSlotCount = 512;
inline constexpr uint32_t kTempSlotBytes = 390;  // 6 + 128 code bytes + 128 word units
inline constexpr int kTempMaxUnits = 128;        // code and word of a temporary record
// The first slot follows the offset table and the compiler's spare u32.
inline constexpr uint32_t kTempFirstSlot = kDmgOffsetTableOffset + 4 + 4 * kTempSlotCount;
inline constexpr uint32_t kTempTableBytes = kTempFirstSlot + kTempSlotCount * kTempSlotBytes;
static_assert(kTempFirstSlot == 68236 && kTempTableBytes == 267916);
// Header word 0x08 of temp.dmg: not 1, so searches bisect the whole table.
inline constexpr uint32_t kTempTableType = 0;

// History records (RecentCommitRecord in the ime block).
inline constexpr int kHistoryRecords = 16;
inline constexpr int kHistoryWordUnits = 15;
inline constexpr int kHistoryChars = 16;
inline constexpr int kHistoryCodeUnits = 8;
inline constexpr int kJoinedTextUnits = 30;  // JoinRecentCommits text, NUL included
using HistoryCodes = wchar_t[kHistoryChars][kHistoryCodeUnits];

// Word of a promoted temporary word in main.dmg: user category, order 1024.
inline constexpr uint32_t kPromotedAttribute = (2u << 24) | 1024u;

// After every commit of candidate listIndex: remembers it as the last
// committed entry, promotes a temporary word when the option asks for it,
// records the commit and looks for temporary words. 1 when the commit was
// recorded, else 0. A commit of the typed code itself (commit kind 0x1002)
// has no candidate and is not recorded.
int CommitSelection(ImeContext* context, int listIndex);
// Whether CommitSelection writes a shared file for this commit (the history
// or a promotion); only then does it take the data folder's lock.
bool CommitSelectionWrites(const ImeContext* context, int listIndex);
// A commit of candidate listIndex that could not get the data folder's lock:
// its history record and the temporary word it would have promoted are kept
// in this process (a few thousand, by main table, the oldest giving way) for
// StoreKeptCommits. 1 kept, 0 nothing to keep.
int KeepUnsavedCommit(ImeContext* context, int listIndex);
// Whether this process keeps commits for any folder (no lock taken).
bool HasKeptCommits();
// Under the data folder's lock (one wait at most), stores what was kept
// for the context's main table, in commit order, as the commits would have:
// each history record, its promotion, then the temporary words the history
// makes. Returns how many commits. Tables may be remapped, which empties the
// candidate list.
int StoreKeptCommits(ImeContext* context);
// Appends a history record to the history under the lock; 1 stored.
int StoreHistoryRecord(ImeContext* context, const RecentCommitRecord& record);
// Appends candidate listIndex to the history; 1 recorded, 0 not.
int RecordCommit(ImeContext* context, int listIndex);
// The same for a code record of a candidate kind, read before (a copy).
int RecordEntryCommit(ImeContext* context, uint8_t kind, const DmgRecord& entry);
// The history record of a commit of candidate listIndex; false when such a
// commit is not recorded. Reads only.
bool BuildCommitRecord(const ImeContext* context, int listIndex, RecentCommitRecord* record);
// Whether committing the candidate adds a history record; builds none.
bool CommitRecorded(const ImeContext* context, int listIndex);
// A fingerprint of the code and word of the record behind a candidate of kind
// 0x21 or 0x22 (0 for others). A page keeps one per slot: the record's place
// may hold another word by the time it is committed.
uint32_t CandidateRecordCheck(const ImeContext* context, const CandidateItem& item);
uint32_t RecordCheck(const DmgRecord& record);
// Joins the last n history words (all for n <= 0 or n > count), oldest first,
// into text (kJoinedTextUnits). With codes, gathers each record's character
// codes while the joined words stay within 16 units. Returns the number of
// characters whose codes were gathered.
int JoinRecentCommits(ImeContext* context, int n, wchar_t* text, HistoryCodes* codes);
// Builds temporary words from the last 2.. commits. Returns the number added.
int AddTempWordsFromHistory(ImeContext* context);

// Writes a stored record (attribute word first) into the next free slot, or
// over the oldest one when all 512 are used, then sorts the table. A record
// longer than its slot, or with a code or word over 128 units, is refused.
// 1 done, 0 refused.
int AddTempRecord(MappedFile* temp, const uint8_t* record, const RecordCompareOps* ops);
// Frees the slot at a position of the offset table; the ages of newer records
// move down so they stay 0..count-1.
void RemoveTempRecord(MappedFile* temp, int position);
// Mends what a writer cut off in the middle of a change leaves: slots named
// twice (on the standard grid the lost ones are put back), listed slots that
// hold no record or one being replaced, ages out of step, an unsorted list.
// 1 when the table can be written afterwards, 0 when it is no temp table or
// the data folder's lock could not be had.
int RepairTempTable(MappedFile* temp, const RecordCompareOps* ops);
// An empty temp.dmg image (kTempTableBytes) in out. Returns the bytes
// written, 0 when capacity is too small.
uint32_t WriteEmptyTempTable(uint8_t* out, uint32_t capacity);

// The record behind a candidate of kind 0x21 or 0x22, read from the table's
// current view; false when the entry no longer lies in it.
bool ReadCandidateRecord(const ImeContext* context, const CandidateItem& item, DmgRecord* out);
// The table index + 1 (EntryRef::table) a code-record kind lives in, 0 for others.
uint32_t EntryTableOfKind(uint8_t kind);
// The last committed entry, found again in its table: EntryRef::position is
// the record's byte offset, accepted only while the table still lists a
// record at that offset. False when there is none.
bool ReadLastCommitted(const ImeContext* context, DmgRecord* out);
