// Code tables: sorting the offset table, appending a record (growing the file
// when the gap is full) and moving a new offset to its sorted place.
#include "engine/DmgTable.h"

#include <optional>

#include "engine/DataLock.h"
#include "engine/DmgTableInternal.h"
#include "engine/TempWords.h"

using dmg_internal::CompareRecordWithKey;
using dmg_internal::MutableBase;
using dmg_internal::PrepareForWrite;
using dmg_internal::RecordKey;
using dmg_internal::StoreSlot;

namespace {

// Slots naming the lowest record that an append remembers across the resize;
// a table listing it more often is scanned again.
constexpr uint32_t kRememberedSlots = 8;

uint32_t OffsetAt(const DmgView& view, uint32_t position) {
  return DmgRecordOffset(view, position);
}

void SetOffsetAt(const DmgView& view, uint32_t position, uint32_t offset) {
  StoreSlot(view, position, offset);
}

// Order of two table records; a record with a bad offset sorts first.
int CompareAt(const DmgView& view, uint32_t a, uint32_t b, const RecordCompareOps* ops) {
  DmgRecord ra, rb;
  bool va = ReadDmgRecord(view, a, &ra);
  bool vb = ReadDmgRecord(view, b, &rb);
  if (!va || !vb) return va == vb ? 0 : (va ? 1 : -1);
  return CompareRecordWithKey(view.type, ra, RecordKey(rb), ops);
}

}  // namespace

int SortTable(MappedFile* table, const RecordCompareOps* ops) {
  DataWriteLock lock(table);
  DmgView view;
  if (!lock.Held() || !PrepareForWrite(table, &view)) return 0;
  uint32_t n = view.countRecords;
  // A swap is two stores, and a writer cut off between them loses a record:
  // the slots are journaled before the first one. temp.dmg is sorted on
  // every commit and RepairTempTable restores such a slot from its grid.
  const bool journaled = !(view.type == kTempTableType && view.sizeBytes == kTempTableBytes);
  std::optional<TableChange> change;
  for (uint32_t gap = n / 2; gap > 0; gap /= 2) {
    for (uint32_t i = gap; i < n; ++i) {
      for (uint32_t j = i; j >= gap && CompareAt(view, j - gap, j, ops) > 0; j -= gap) {
        if (journaled && !change) {
          change.emplace(table, TableChangeScope::kHeaderAndSlots);
          if (!change->Ready()) return 0;
        }
        uint32_t lower = OffsetAt(view, j - gap);
        SetOffsetAt(view, j - gap, OffsetAt(view, j));
        SetOffsetAt(view, j, lower);
      }
    }
  }
  FlushMappedFile(table);
  if (change) change->Done();
  return 1;
}

int AppendRecord(MappedFile* table, const uint8_t* record) {
  if (!record || !IsWritableMapping(table)) return 0;
  // Copied first: the record may live in this table's view, which moves.
  uint8_t copy[kDmgMaxRecordBytes];
  uint32_t type = GetDmgView(table).type;
  uint32_t s = StoredRecordSize(record, type);
  std::memcpy(copy, record, s);

  DataWriteLock lock(table);
  DmgView view;
  if (!lock.Held() || !PrepareForWrite(table, &view) || view.type != type) return 0;
  RemoveStaleJournal(table);
  uint32_t edge = 0, n = 0;
  DmgLoadU32(view.base, view.sizeBytes, kDmgEdgeOffset, &edge);
  DmgLoadU32(view.base, view.sizeBytes, kDmgCountOffset, &n);
  uint64_t slotsEnd = kDmgOffsetTableOffset + 4ull * n;
  // A header whose count or edge disagrees with the file is not written to.
  if (n != view.countRecords || edge > view.sizeBytes || edge < slotsEnd) return 0;

  // Signed: a gap of 0..3 bytes gives a negative free space, not a huge one.
  int64_t freeBytes = static_cast<int64_t>(edge) - 4ll * n - (kDmgOffsetTableOffset + 4);
  uint32_t oldEnd = view.sizeBytes;
  uint32_t newOffset = 0;
  uint32_t newEdge = edge;

  if (freeBytes > static_cast<int64_t>(s) + 4) {
    newOffset = edge - s;
    std::memcpy(MutableBase(view) + newOffset, copy, s);
    newEdge = edge - s;
  } else if (freeBytes <= 4) {
    // The next offset slot overlaps the lowest record: move that record to the
    // end of the file and write the new one behind it.
    DmgRecord lowest;
    if (!ReadDmgRecordAt(view, edge, &lowest)) return 0;
    uint32_t m = lowest.sizeBytes;
    // Every slot naming the moved record follows it (a damaged table may list
    // it twice). The slots are found in the view mapped now: the view made by
    // the resize faults on every page it touches the first time.
    uint32_t naming[kRememberedSlots];
    uint32_t found = 0;
    const uint8_t* slots = view.base + kDmgOffsetTableOffset;  // n slots: checked above
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t offset;
      std::memcpy(&offset, slots + 4 * i, 4);
      if (offset != edge) continue;
      if (found < kRememberedSlots) naming[found] = i;
      ++found;
    }
    if (found == 0) return 0;
    uint64_t newSize = static_cast<uint64_t>(oldEnd) + m + s;
    if (newSize > 0xFFFFFFFFull) return 0;
    uint8_t moved[kDmgMaxRecordBytes];
    std::memcpy(moved, view.base + edge, m);
    if (!ResizeMappedFile(table, static_cast<uint32_t>(newSize))) return 0;
    view = GetDmgView(table);
    uint8_t* base = MutableBase(view);
    std::memcpy(base + oldEnd, moved, m);
    if (found <= kRememberedSlots) {
      for (uint32_t k = 0; k < found; ++k) SetOffsetAt(view, naming[k], oldEnd);
    } else {
      for (uint32_t i = 0; i < n; ++i) {
        if (OffsetAt(view, i) == edge) SetOffsetAt(view, i, oldEnd);
      }
    }
    newOffset = oldEnd + m;
    std::memcpy(base + newOffset, copy, s);
    newEdge = edge + m;
  } else {
    uint64_t newSize = static_cast<uint64_t>(oldEnd) + s;
    if (newSize > 0xFFFFFFFFull) return 0;
    if (!ResizeMappedFile(table, static_cast<uint32_t>(newSize))) return 0;
    view = GetDmgView(table);
    newOffset = oldEnd;
    std::memcpy(MutableBase(view) + newOffset, copy, s);
  }

  // Record, slot, edge, count: a reader sees the old table or the new one,
  // and a writer cut off before the count leaves only unlisted bytes. The
  // slot lies inside the offset table's room: the edge is above it.
  uint8_t* base = MutableBase(view);
  StoreSlot(view, n, newOffset);
  DmgStoreU32(base, view.sizeBytes, kDmgEdgeOffset, newEdge);
  DmgStoreU32(base, view.sizeBytes, kDmgCountOffset, n + 1);
  return 1;
}

int PlaceNewRecord(MappedFile* table, const RecordCompareOps* ops, int p) {
  DataWriteLock lock(table);
  DmgView view;
  if (!lock.Held() || !PrepareForWrite(table, &view)) return 0;
  uint32_t n = view.countRecords;
  if (n < 2) return 1;
  uint32_t last = OffsetAt(view, n - 1);
  uint32_t position;
  if (p < 0) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, n - 1, &rec)) return 0;
    int found = FindRecordInRange(view, RecordKey(rec), ops, 0, n - 1);
    position = static_cast<uint32_t>(found < 0 ? -static_cast<int64_t>(found) : found);
  } else {
    position = static_cast<uint32_t>(p);
  }
  if (position > n - 1) position = n - 1;
  // From the top down, one slot at a time: every slot overwritten has been
  // copied one place up before, so a writer cut off here leaves each older
  // record listed (one of them twice) and only the new one unlisted.
  for (uint32_t i = n - 1; i > position; --i) SetOffsetAt(view, i, OffsetAt(view, i - 1));
  SetOffsetAt(view, position, last);
  FlushMappedFile(table);
  return 1;
}
