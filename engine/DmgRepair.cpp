// Finding and mending what a writer cut off in the middle of a change leaves
// in a code table: slots out of order, slots naming no record or one record
// twice, an edge that no longer sits at the lowest record, a stale index.
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/DmgTableInternal.h"

using dmg_internal::CompareRecordWithKey;
using dmg_internal::RecordKey;
using dmg_internal::StoreSlot;

namespace {

// How far back a slot is compared with the equal records before it: runs of
// equal records are short, and a damaged table must not cost quadratic time.
constexpr uint32_t kMaxRunScan = 256;

uint32_t HeaderWord(const DmgView& view, uint32_t offset) {
  uint32_t value = 0;
  DmgLoadU32(view.base, view.sizeBytes, offset, &value);
  return value;
}

uint32_t SlotsEnd(uint32_t count) { return kDmgOffsetTableOffset + 4 * count; }

// The record a slot names, when it is whole and lies above the offset table.
bool SlotRecord(const DmgView& view, uint32_t position, uint32_t slotsEnd, DmgRecord* rec) {
  return ReadDmgRecord(view, position, rec) && rec->offset >= slotsEnd;
}

int Compare(const DmgView& view, const DmgRecord& a, const DmgRecord& b, const RecordCompareOps* ops) {
  return CompareRecordWithKey(view.type, a, RecordKey(b), ops);
}

// Whether a slot before position, in the run of records equal to rec that
// ends there, already names rec's offset. In a sorted table two slots naming
// one record always fall into one such run.
bool NamedBefore(const DmgView& view, uint32_t position, const DmgRecord& rec, uint32_t slotsEnd,
                 const RecordCompareOps* ops) {
  for (uint32_t p = position, scanned = 0; p-- > 0 && scanned < kMaxRunScan; ++scanned) {
    DmgRecord other;
    if (!SlotRecord(view, p, slotsEnd, &other)) continue;
    if (Compare(view, other, rec, ops) != 0) return false;
    if (other.offset == rec.offset) return true;
  }
  return false;
}

// Lowest offset the first count slots name; UINT32_MAX when none is whole.
uint32_t LowestRecord(const DmgView& view, uint32_t count, uint32_t slotsEnd) {
  uint32_t lowest = UINT32_MAX;
  for (uint32_t i = 0; i < count; ++i) {
    DmgRecord rec;
    if (SlotRecord(view, i, slotsEnd, &rec) && rec.offset < lowest) lowest = rec.offset;
  }
  return lowest;
}

// Whether the first-letter blocks of the index agree with the table: a
// writer cut off inside an index rebuild leaves rows of two tables. (Writers
// that change the set of codes rebuild the whole index afterwards anyway.)
bool FirstLetterBlocksCurrent(const DmgView& view, const RecordCompareOps* ops) {
  for (uint32_t b = 1; b < 128; ++b) {
    if (!IsDefaultKeyByte(b)) continue;
    const uint8_t below[4] = {2, static_cast<uint8_t>(b - 1), 200, 0};
    const uint8_t through[4] = {2, static_cast<uint8_t>(b), 200, 0};
    const int start = FindRecordInRange(view, below, ops, 0, view.countRecords);
    const int end = FindRecordInRange(view, through, ops, 0, view.countRecords);
    if (static_cast<uint32_t>(-start) != HeaderWord(view, kDmgKeyIndexOffset + 4 * (b * 128)) ||
        static_cast<uint32_t>(-end) != HeaderWord(view, kDmgKeyIndexOffset + 4 * (b * 128 + 1))) {
      return false;
    }
  }
  return true;
}

// Where the edge belongs: at the lowest record, or for a table without one
// anywhere from the offset table's end to the end of the file.
bool EdgeFits(uint32_t edge, uint32_t lowest, uint32_t slotsEnd, uint32_t size) {
  if (lowest != UINT32_MAX) return edge == lowest;
  return edge >= slotsEnd && edge <= size;
}

}  // namespace

DmgTableCheck CheckDmgTable(const MappedFile* table, const RecordCompareOps* ops) {
  DmgTableCheck check;
  const DmgView view = GetDmgView(table);
  if (!dmg_internal::HasFullHeader(view)) return check;
  const uint32_t count = HeaderWord(view, kDmgCountOffset);
  // A count whose slots do not fit the file is no count a writer left.
  if (count != view.countRecords) return check;
  check.headerOk = check.offsetsOk = check.sorted = check.unique = true;
  const uint32_t slotsEnd = SlotsEnd(count);
  DmgRecord previous;
  bool havePrevious = false;
  for (uint32_t i = 0; i < count; ++i) {
    DmgRecord rec;
    if (!SlotRecord(view, i, slotsEnd, &rec)) {
      check.offsetsOk = false;
      continue;
    }
    if (havePrevious) {
      const int order = Compare(view, previous, rec, ops);
      if (order > 0) check.sorted = false;
      if (order == 0 && check.sorted && NamedBefore(view, i, rec, slotsEnd, ops)) check.unique = false;
    }
    previous = rec;
    havePrevious = true;
  }
  const uint32_t edge = HeaderWord(view, kDmgEdgeOffset);
  check.edgeOk = EdgeFits(edge, LowestRecord(view, count, slotsEnd), slotsEnd, view.sizeBytes);
  return check;
}

int RepairDmgTable(MappedFile* table, const RecordCompareOps* ops) {
  DataWriteLock lock(table);
  DmgView view;
  if (!lock.Held() || !dmg_internal::PrepareForWrite(table, &view)) return 0;
  const DmgTableCheck check = CheckDmgTable(table, ops);
  if (!check.headerOk) return 0;
  if (!check.sorted) {
    // Slots naming no record sort first and are dropped below.
    if (!SortTable(table, ops)) return 0;
    view = GetDmgView(table);
  }
  const uint32_t count = view.countRecords;
  const uint32_t slotsEnd = SlotsEnd(count);
  uint32_t kept = count;
  if (!check.offsetsOk || !check.unique || !check.sorted) {
    // Forward, one slot at a time: a slot is overwritten only once its
    // record is listed further down, so a cut-off repair loses nothing.
    kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
      DmgRecord rec;
      if (!SlotRecord(view, i, slotsEnd, &rec) || NamedBefore(view, kept, rec, slotsEnd, ops)) continue;
      if (kept != i) StoreSlot(view, kept, rec.offset);
      ++kept;
    }
    if (kept != count) DmgStoreU32(dmg_internal::MutableBase(view), view.sizeBytes, kDmgCountOffset, kept);
  }
  const uint32_t lowest = LowestRecord(view, kept, SlotsEnd(kept));
  const uint32_t edge = HeaderWord(view, kDmgEdgeOffset);
  if (!EdgeFits(edge, lowest, SlotsEnd(kept), view.sizeBytes)) {
    DmgStoreU32(dmg_internal::MutableBase(view), view.sizeBytes, kDmgEdgeOffset,
                lowest != UINT32_MAX ? lowest : view.sizeBytes);
  }
  view = GetDmgView(table);
  const bool changed = !check.sorted || kept != count;
  if (view.type == kDmgTypeCode && (changed || !FirstLetterBlocksCurrent(view, ops)) &&
      !RebuildKeyIndex(table, ops)) {
    return 0;
  }
  FlushMappedFile(table);
  return 1;
}
