// Frequency adjustment: the committed main.dmg entry climbs by its order
// value, written straight into the shared table under the data folder's lock.
#include "engine/Commit.h"

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/SearchCache.h"
#include "engine/TableJournal.h"

namespace {

// Only entries of main.dmg carry an order: temporary words keep their age in
// the attribute, and associations and generated texts have no order to change.
bool Adjustable(const ImeContext* context, const CandidateItem& item) {
  if (item.kind != kKindMain || !item.entry) return false;
  const DmgView view = GetDmgView(context->files[kFileMain]);
  // An entry left from an old view must never be written.
  return view.base && item.entry >= view.base && item.entry + 4 <= view.base + view.sizeBytes;
}

bool Pinned(const CandidateItem& item) { return (EntryAttribute(item.entry) & EntryAttr::kPinned) != 0; }

uint32_t OrderOf(const CandidateItem& item) { return EntryAttr::Order(EntryAttribute(item.entry)); }

// Written only while the table still lists a record at the candidate's
// offset: another process may have moved or removed it since the search,
// and 4 bytes in the middle of some other record would corrupt it.
void SetOrder(const ImeContext* context, const CandidateItem& item, uint32_t order) {
  const MappedFile* main = context->files[kFileMain];
  const DmgView view = GetDmgView(main);
  DmgRecord record;
  // A table a dead writer left half changed is not written: undoing that
  // change would undo this.
  if (!Adjustable(context, item) || !IsWritableMapping(main) || TableChanging(main) ||
      !FindListedRecord(view, static_cast<uint32_t>(item.entry - view.base), &record)) {
    return;
  }
  const uint32_t attr = (record.attr & ~EntryAttr::kOrderMask) | (order & EntryAttr::kOrderMask);
  if (DmgStoreU32(main->view, main->size, record.offset, attr)) NoteOrderWritten(context, main, record.offset);
}

bool Reference(const ImeContext* context, int index, int32_t value) {
  const CandidateItem& item = context->candidates[index];
  return item.value == value && Adjustable(context, item) && !Pinned(item);
}

// The first unpinned main.dmg candidate before listIndex with the same value.
int FirstRival(const ImeContext* context, int listIndex) {
  const int32_t value = context->candidates[listIndex].value;
  for (int c = 0; c < listIndex; ++c) {
    if (Reference(context, c, value)) return c;
  }
  return -1;
}

void Beat(ImeContext* context, int rival, int listIndex) {
  const CandidateItem& t = context->candidates[rival];
  const CandidateItem& e = context->candidates[listIndex];
  if (OrderOf(t) >= kOrderCeiling) {
    SetOrder(context, t, kOrderCeiling - 1);
    SetOrder(context, e, kOrderCeiling);
  } else if (OrderOf(e) < OrderOf(t) + 1) {
    // A raise never lowers an entry that already stands higher.
    SetOrder(context, e, OrderOf(t) + 1);
  }
}

bool Movable(const ImeContext* context, int listIndex) {
  return context && listIndex >= 0 && listIndex < context->candidateCount &&
         Adjustable(context, context->candidates[listIndex]) &&
         !Pinned(context->candidates[listIndex]);
}

}  // namespace

void RaiseEntryToTop(ImeContext* context, int listIndex) {
  if (!Movable(context, listIndex) || listIndex < 1) return;
  DataWriteLock lock(context);
  if (!lock.Held()) return;
  const int rival = FirstRival(context, listIndex);
  if (rival >= 0) Beat(context, rival, listIndex);
}

void RaiseEntryHalfway(ImeContext* context, int listIndex) {
  if (!Movable(context, listIndex) || listIndex < 1) return;
  DataWriteLock lock(context);
  if (!lock.Held()) return;
  const int first = FirstRival(context, listIndex);
  if (first < 0) return;
  const int32_t value = context->candidates[listIndex].value;
  // Halfway, or the nearest main.dmg candidate before it.
  int rival = first + (listIndex - first) / 2;
  while (rival > first && !Reference(context, rival, value)) --rival;
  Beat(context, rival, listIndex);
}

void CountEntryCommit(ImeContext* context, int listIndex) {
  if (!Movable(context, listIndex)) return;
  DataWriteLock lock(context);
  if (!lock.Held()) return;
  const CandidateItem& e = context->candidates[listIndex];
  if (OrderOf(e) < kOrderCeiling) {
    SetOrder(context, e, OrderOf(e) + 1);
    return;
  }
  const int first = FirstRival(context, listIndex);
  if (first < 0) return;
  for (int c = first; c < listIndex; ++c) {
    const CandidateItem& item = context->candidates[c];
    if (Reference(context, c, e.value) && OrderOf(item) == kOrderCeiling) {
      SetOrder(context, item, kOrderCeiling - 1);
    }
  }
}

namespace {

// The list index of the entry a commit by selector adjusts, or -1 when the
// commit changes no order.
int AdjustedIndex(const ImeContext* context, int selector) {
  if (!context || !context->imeBlock) return -1;
  int n;
  if (selector == 0) {
    n = context->selection + 1;
  } else if (selector == 12) {
    n = context->slotsFilled;
  } else if (selector >= 1 && selector <= 10) {
    n = selector;
  } else {
    return -1;
  }
  if (n < 1 || n > context->slotsFilled || n > kPageSlots) return -1;
  const int i = context->slotListIndex[n - 1];
  if (!Movable(context, i)) return -1;
  const uint32_t mode = ImeFrequencyMode(context->imeBlock);
  // Raising the first candidate to the top or halfway moves nothing.
  if (mode & 0x3) return i >= 1 && FirstRival(context, i) >= 0 ? i : -1;
  return (mode & 0x4) ? i : -1;
}

}  // namespace

bool FrequencyWouldChange(const ImeContext* context, int selector) {
  return AdjustedIndex(context, selector) >= 0;
}

void AdjustFrequency(ImeContext* context, int selector) {
  const int i = AdjustedIndex(context, selector);
  if (i < 0) return;
  const uint32_t mode = ImeFrequencyMode(context->imeBlock);
  if (mode & 0x1) {
    RaiseEntryToTop(context, i);
  } else if (mode & 0x2) {
    RaiseEntryHalfway(context, i);
  } else {
    CountEntryCommit(context, i);
  }
}
