// Delete and restore of view entries, found again by code and word.
#include "config/tables/ViewEdits.h"

#include "codetable/RecordRoutines.h"
#include "config/words/AddWord.h"
#include "engine/DataLock.h"
#include "engine/TableJournal.h"

namespace {

// Position of the entry now, or -1.
int FindEntry(MappedFile* table, const ViewEntry& entry) {
  const std::vector<uint8_t> key = EntryKey(entry.code, entry.word);
  if (key.empty()) return -1;
  const int hit = FindRecord(table, key.data(), nullptr);
  return hit > 0 ? hit - 1 : -1;
}

bool SetDeletedMark(MappedFile* table, int position, bool deleted) {
  DmgRecord record;
  if (!ReadDmgRecord(GetDmgView(table), static_cast<uint32_t>(position), &record)) return false;
  const uint32_t attr = deleted ? (record.attr | EntryAttr::kDeleted)
                                : (record.attr & ~EntryAttr::kDeleted);
  return DmgStoreU32(table->view, table->size, record.offset, attr);
}

}  // namespace

ViewEditResult DeleteViewEntries(MappedFile* table, const std::vector<ViewEntry>& entries,
                                 const SoftConfigBlock* soft) {
  if (!IsWritableMapping(table)) return ViewEditResult::kReadOnly;
  DataWriteLock lock(table);
  if (!lock.Held()) return ViewEditResult::kBusy;
  RemapIfResized(table);
  // One journal for every deletion and the index behind them.
  TableChange change(table, TableChangeScope::kWholeFile);
  if (!change.Ready()) return ViewEditResult::kBusy;
  bool changed = false;
  bool removed = false;
  for (const ViewEntry& entry : entries) {
    const int position = FindEntry(table, entry);
    if (position < 0) continue;
    DmgRecord record;
    if (!ReadDmgRecord(GetDmgView(table), static_cast<uint32_t>(position), &record)) continue;
    if (ViewEntryChangeable(record.attr, soft)) {
      if (DeleteRecordAt(table, static_cast<uint32_t>(position))) changed = removed = true;
    } else if (SetDeletedMark(table, position, true)) {
      changed = true;
    }
  }
  if (removed && IsKeyIndexValid(GetDmgView(table))) RebuildKeyIndex(table, nullptr, nullptr);
  FlushMappedFile(table);
  change.Done();
  return changed ? ViewEditResult::kDone : ViewEditResult::kNotFound;
}

ViewEditResult RestoreViewEntries(MappedFile* table, const std::vector<ViewEntry>& entries) {
  if (!IsWritableMapping(table)) return ViewEditResult::kReadOnly;
  DataWriteLock lock(table);
  if (!lock.Held() || !TableReadyForWrite(table)) return ViewEditResult::kBusy;
  RemapIfResized(table);
  bool changed = false;
  for (const ViewEntry& entry : entries) {
    const int position = FindEntry(table, entry);
    if (position >= 0 && SetDeletedMark(table, position, false)) changed = true;
  }
  FlushMappedFile(table);
  return changed ? ViewEditResult::kDone : ViewEditResult::kNotFound;
}
