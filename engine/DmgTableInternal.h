// Helpers shared by the code-table source files; not for other callers.
#pragma once

#include "engine/DmgTable.h"
#include "engine/SearchCache.h"
#include "engine/TableJournal.h"

namespace dmg_internal {

// Bytes compared as unsigned numbers, the shorter first on a common prefix.
int CompareByteRuns(const uint8_t* a, uint32_t na, const uint8_t* b, uint32_t nb);
// A table record (already bounds-checked) against a key from its code length
// byte; word-list tables compare the text alone.
int CompareRecordWithKey(uint32_t tableType, const DmgRecord& rec, const uint8_t* key,
                         const RecordCompareOps* ops);
// Bytes of a key (from its code length byte) in a table of that type.
uint32_t KeySizeBytes(const uint8_t* key, uint32_t tableType);

// The part of a record that is compared: from its code length byte.
inline const uint8_t* RecordKey(const DmgRecord& rec) {
  return rec.code ? rec.code : rec.word;
}

// First position p in [lo, hi) for which pred(record at p) is false. A record
// whose offset is bad counts as smaller than everything, so it never stops a
// search early or leads it outside the range.
template <class Pred>
uint32_t PartitionPoint(const DmgView& view, uint32_t lo, uint32_t hi, Pred pred) {
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    DmgRecord rec;
    if (!ReadDmgRecord(view, mid, &rec) || pred(rec)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// The offset table of a view as writable memory (views are mapped read/write).
inline uint8_t* MutableBase(const DmgView& view) {
  return const_cast<uint8_t*>(view.base);
}
inline bool HasFullHeader(const DmgView& view) {
  return view.base && view.sizeBytes >= kDmgOffsetTableOffset;
}

// A writable table, remapped to the file's current length: a table grown by
// another process must be seen whole before it is changed, or a resize from a
// stale length would cut off that process's records. A table a dead writer
// left half changed, with no journal readable now, is not written. The caller
// holds the data folder's write lock.
inline bool PrepareForWrite(MappedFile* table, DmgView* view) {
  if (!PrepareTableForWrite(table)) return false;
  *view = GetDmgView(table);
  // Kept candidate lists of the table are built anew once the lock is let go.
  NoteTableWritten(table);
  return HasFullHeader(*view);
}

// Stores one offset slot with a single 4-byte store, so a writer cut off in a
// loop of them leaves every slot naming a whole record.
inline void StoreSlot(const DmgView& view, uint32_t position, uint32_t offset) {
  const uint64_t at = kDmgOffsetTableOffset + 4ull * position;
  if (!view.base || at + 4 > view.sizeBytes) return;
  *reinterpret_cast<volatile uint32_t*>(MutableBase(view) + at) = offset;
}

}  // namespace dmg_internal
