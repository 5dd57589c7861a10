// temp.dmg's 512 fixed record slots: adding (the oldest gives way when all are
// used), removing, the empty table, and mending what a writer cut off in the
// middle of a change leaves (a slot named twice, ages out of step).
#include <algorithm>
#include <cstring>

#include "engine/DataLock.h"
#include "engine/DmgTableInternal.h"
#include "engine/TempWords.h"

namespace {

// Lowest offset a slot may have: just past the offset table.
constexpr uint32_t kSlotAreaStart = kDmgOffsetTableOffset + 4 * kTempSlotCount;
// Age of a record being replaced or removed. Written first, so a writer cut
// off afterwards leaves a record the repair takes off the list.
constexpr uint32_t kRemovedAge = 0xFFFFFFFFu;

uint32_t LoadOffset(const MappedFile* temp, uint32_t slot) {
  uint32_t offset = 0;
  DmgLoadU32(temp->view, temp->size, kDmgOffsetTableOffset + 4 * slot, &offset);
  return offset;
}

// One 4-byte store per slot (see StoreSlot).
void StoreOffset(const MappedFile* temp, uint32_t slot, uint32_t offset) {
  NoteTableWritten(temp);
  dmg_internal::StoreSlot(GetDmgView(temp), slot, offset);
}

// Age of the record at offset; false when the offset lies outside the slots.
bool LoadAge(const MappedFile* temp, uint32_t offset, uint32_t* age) {
  return offset >= kSlotAreaStart && DmgLoadU32(temp->view, temp->size, offset, age);
}

void StoreAge(MappedFile* temp, uint32_t offset, uint32_t age) {
  NoteTableWritten(temp);
  if (offset >= kSlotAreaStart) DmgStoreU32(temp->view, temp->size, offset, age);
}

void StoreCount(MappedFile* temp, uint32_t count) {
  NoteTableWritten(temp);
  DmgStoreU32(temp->view, temp->size, kDmgCountOffset, count);
}

// The writable temp table's record count; false when it is no temp table.
bool TempCount(const MappedFile* temp, uint32_t* count) {
  if (!IsWritableMapping(temp) || temp->size < kSlotAreaStart) return false;
  return DmgLoadU32(temp->view, temp->size, kDmgCountOffset, count) && *count <= kTempSlotCount;
}

// Bytes a slot may hold: up to the next slot or the end of the file. 0 for a
// slot outside the slot area or shared with another slot, so that a record
// written there can never reach into another one.
uint32_t SlotRoom(const MappedFile* temp, uint32_t slot) {
  const uint32_t offset = LoadOffset(temp, slot);
  if (offset < kSlotAreaStart || offset >= temp->size) return 0;
  uint32_t room = temp->size - offset;
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    if (i == slot) continue;
    const uint32_t other = LoadOffset(temp, i);
    if (other == offset) return 0;
    if (other > offset && other - offset < room) room = other - offset;
  }
  return room;
}

// Size of a stored code record whose code and word are 1..128 long, else 0.
uint32_t TempRecordSize(const uint8_t* record) {
  const uint32_t codeLen = record[4];
  if (codeLen == 0 || codeLen > static_cast<uint32_t>(kTempMaxUnits)) return 0;
  const uint32_t wordLen = record[5 + codeLen];
  if (wordLen == 0 || wordLen > static_cast<uint32_t>(kTempMaxUnits)) return 0;
  return 6 + codeLen + 2 * wordLen;
}

// A listed slot must hold a whole record with an age a list may have.
bool Listable(const MappedFile* temp, uint32_t offset) {
  uint32_t age = 0;
  if (!LoadAge(temp, offset, &age) || age >= kTempSlotCount) return false;
  if (!DmgInBounds(temp->size, offset, 5)) return false;
  if (!DmgInBounds(temp->size, offset, 6 + temp->view[offset + 4])) return false;
  const uint32_t size = TempRecordSize(temp->view + offset);
  return size != 0 && DmgInBounds(temp->size, offset, size);
}

// Takes position p off the list: the slots behind it move down one by one
// and the freed slot goes behind the used ones.
void Unlist(MappedFile* temp, uint32_t p, uint32_t count) {
  const uint32_t freed = LoadOffset(temp, p);
  for (uint32_t i = p; i + 1 < count; ++i) StoreOffset(temp, i, LoadOffset(temp, i + 1));
  StoreOffset(temp, count - 1, freed);
  StoreCount(temp, count - 1);
}

// Slot number of an offset on the grid WriteEmptyTempTable lays out, or -1.
int GridSlot(uint32_t offset) {
  if (offset < kTempFirstSlot || (offset - kTempFirstSlot) % kTempSlotBytes != 0) return -1;
  const uint32_t slot = (offset - kTempFirstSlot) / kTempSlotBytes;
  return slot < kTempSlotCount ? static_cast<int>(slot) : -1;
}

// Every slot offset distinct and inside the slot area.
bool SlotsDistinct(const MappedFile* temp) {
  uint32_t offsets[kTempSlotCount];
  for (uint32_t i = 0; i < kTempSlotCount; ++i) offsets[i] = LoadOffset(temp, i);
  std::sort(offsets, offsets + kTempSlotCount);
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    if (offsets[i] < kSlotAreaStart || offsets[i] >= temp->size) return false;
    if (i > 0 && offsets[i] == offsets[i - 1]) return false;
  }
  return true;
}

// A slot named twice means another was lost: on the standard grid the lost
// ones are known and take the places of the second namings.
bool RestoreGridSlots(MappedFile* temp) {
  if (temp->size != kTempTableBytes) return false;
  bool named[kTempSlotCount] = {};
  bool replace[kTempSlotCount] = {};
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    const int slot = GridSlot(LoadOffset(temp, i));
    if (slot < 0 || named[slot]) replace[i] = true;
    else named[slot] = true;
  }
  uint32_t next = 0;
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    if (!replace[i]) continue;
    while (named[next]) ++next;
    named[next] = true;
    StoreOffset(temp, i, kTempFirstSlot + next * kTempSlotBytes);
  }
  return true;
}

// Ages 0..count-1 in the order the listed records had them.
void RenumberAges(MappedFile* temp, uint32_t count) {
  uint64_t keyed[kTempSlotCount];
  bool seen[kTempSlotCount] = {};
  bool permutation = true;
  for (uint32_t p = 0; p < count; ++p) {
    uint32_t age = kTempSlotCount;
    LoadAge(temp, LoadOffset(temp, p), &age);
    keyed[p] = (static_cast<uint64_t>(age) << 32) | p;
    if (age >= count || seen[age]) permutation = false;
    else seen[age] = true;
  }
  if (permutation) return;
  std::sort(keyed, keyed + count);
  for (uint32_t i = 0; i < count; ++i) {
    StoreAge(temp, LoadOffset(temp, static_cast<uint32_t>(keyed[i] & 0xFFFFFFFFu)), i);
  }
}

bool ListSorted(const MappedFile* temp, uint32_t count, const RecordCompareOps* ops) {
  const DmgView view = GetDmgView(temp);
  DmgRecord previous;
  for (uint32_t p = 0; p < count; ++p) {
    DmgRecord rec;
    if (!ReadDmgRecordAt(view, LoadOffset(temp, p), &rec)) return false;
    if (p > 0 && dmg_internal::CompareRecordWithKey(view.type, previous, rec.code, ops) > 0) {
      return false;
    }
    previous = rec;
  }
  return true;
}

}  // namespace

int RepairTempTable(MappedFile* temp, const RecordCompareOps* ops) {
  DataWriteLock lock(temp);
  uint32_t count = 0;
  // A dead writer's change still to be undone would undo whatever is written.
  if (!lock.Held() || !TableReadyForWrite(temp) || !TempCount(temp, &count)) return 0;
  if (!SlotsDistinct(temp) && !RestoreGridSlots(temp)) return 0;
  for (uint32_t p = 0; p < count;) {
    if (Listable(temp, LoadOffset(temp, p))) {
      ++p;
    } else {
      Unlist(temp, p, count--);
    }
  }
  RenumberAges(temp, count);
  if (!ListSorted(temp, count, ops)) SortTable(temp, ops);
  return 1;
}

int AddTempRecord(MappedFile* temp, const uint8_t* record, const RecordCompareOps* ops) {
  if (!record) return 0;
  const uint32_t size = TempRecordSize(record);
  if (size == 0) return 0;
  // Copied first: the record may lie in the slot it is about to replace.
  uint8_t copy[kTempSlotBytes];
  std::memcpy(copy, record, size);
  DataWriteLock lock(temp);
  uint32_t count = 0;
  if (!lock.Held() || !RepairTempTable(temp, ops) || !TempCount(temp, &count)) return 0;
  uint32_t slot = count;
  uint32_t age = count;
  if (count == kTempSlotCount) {
    // Full: the oldest (lowest age) gives way; the others grow one step older.
    uint32_t oldestAge = UINT32_MAX;
    for (uint32_t p = 0; p < kTempSlotCount; ++p) {
      uint32_t a = 0;
      if (LoadAge(temp, LoadOffset(temp, p), &a) && a < oldestAge) {
        oldestAge = a;
        slot = p;
      }
    }
    if (slot == kTempSlotCount || SlotRoom(temp, slot) < size) return 0;
    StoreAge(temp, LoadOffset(temp, slot), kRemovedAge);
    for (uint32_t p = 0; p < kTempSlotCount; ++p) {
      uint32_t a = 0;
      const uint32_t offset = LoadOffset(temp, p);
      if (p != slot && LoadAge(temp, offset, &a) && a > 0) StoreAge(temp, offset, a - 1);
    }
    age = kTempSlotCount - 1;
  } else if (SlotRoom(temp, slot) < size) {
    return 0;
  }
  // The code and word first (still marked), the age last, then the count.
  const uint32_t offset = LoadOffset(temp, slot);
  std::memcpy(copy, &kRemovedAge, 4);
  NoteTableWritten(temp);
  std::memcpy(temp->view + offset, copy, size);
  StoreAge(temp, offset, age);
  if (count < kTempSlotCount) StoreCount(temp, count + 1);
  SortTable(temp, ops);
  return 1;
}

void RemoveTempRecord(MappedFile* temp, int position) {
  DataWriteLock lock(temp);
  uint32_t count = 0;
  if (!lock.Held() || !TableReadyForWrite(temp) || !TempCount(temp, &count) || position < 0 ||
      static_cast<uint32_t>(position) >= count) {
    return;
  }
  const auto p = static_cast<uint32_t>(position);
  const uint32_t freed = LoadOffset(temp, p);
  uint32_t removedAge = 0;
  const bool hasAge = LoadAge(temp, freed, &removedAge);
  // Marked while it is taken off the list; the freed slot keeps its bytes.
  if (hasAge) StoreAge(temp, freed, kRemovedAge);
  Unlist(temp, p, count);
  for (uint32_t i = 0; hasAge && i + 1 < count; ++i) {
    const uint32_t offset = LoadOffset(temp, i);
    uint32_t a = 0;
    if (LoadAge(temp, offset, &a) && a > removedAge && a < kTempSlotCount) StoreAge(temp, offset, a - 1);
  }
  if (hasAge) StoreAge(temp, freed, removedAge);
  FlushMappedFile(temp);
}

uint32_t WriteEmptyTempTable(uint8_t* out, uint32_t capacity) {
  if (!out || capacity < kTempTableBytes) return 0;
  std::memset(out, 0, kTempTableBytes);
  const uint32_t header[3] = {kTempTableBytes, 0, kTempTableType};  // edge, count, type
  std::memcpy(out, header, sizeof(header));
  static constexpr wchar_t kName[] = L"临时词";
  std::memcpy(out + kDmgNameOffset, kName, sizeof(kName));
  const uint32_t userState = 100;  // as the compiler writes it
  std::memcpy(out + offsetof(DmgHeader, userState74), &userState, 4);
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    const uint32_t offset = kTempFirstSlot + i * kTempSlotBytes;
    std::memcpy(out + kDmgOffsetTableOffset + 4 * i, &offset, 4);
  }
  return kTempTableBytes;
}
