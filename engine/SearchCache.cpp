// Kept lists of one-key codes (SearchCache.h).
#include "engine/SearchCache.h"

#include <atomic>
#include <cstring>

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/KeyTables.h"

namespace {

constexpr int kFolders = 4;
constexpr int kCodes = 128;
// Lists of one-key codes, then of two-key codes.
constexpr int kListSlots = kCodes + kCodes * kCodes;
// A search stops at kTableSearchLimit; a longer list is not kept.
constexpr int kListItems = kTableSearchLimit + 24;
// Items of all lists of a folder; when they run out every list is dropped.
constexpr uint32_t kPoolItems = 1u << 18;
constexpr uint32_t kTempBit = 0x80000000u;

// A candidate by its offset (temp.dmg ones marked): every context maps the
// tables at its own address.
struct KeptItem {
  uint32_t offset;
  int32_t value;
  uint16_t hint[2];
};
static_assert(sizeof(KeptItem) == 12);

// Everything besides the tables that decides a one-key list, its order and
// the search result. Compared bytewise: built from zero.
struct ListSettings {
  uint32_t imeOptions;
  uint32_t codeOptions;
  uint32_t commitLengths;
  uint32_t sortWord;
  uint32_t spaceWord;
  uint32_t stateFlags;
  uint8_t wildcard;
  uint8_t secondaryOnly;
  uint8_t keyFlags[2];
  uint8_t leads[5];
  uint8_t reserved[3];
};

// The file, and the header words that any length change, append, removal or
// whole-table change moves.
struct TableState {
  uint64_t index;
  uint32_t size;
  uint32_t edge;
  uint32_t count;
  uint32_t journal;
};

struct KeptList {
  bool current;
  bool merged;  // duplicate words were merged: which one stays depends on orders
  int32_t result;
  int32_t count;
  uint32_t first;      // of its items in the pool
  uint32_t capacity;   // pool items it owns
  uint32_t poolRound;  // the pool's round it owns them in
  uint32_t generation;  // the folder's when built; lists of an older one are dropped
  ListSettings settings;
  TableState main;
  TableState temp;
};

// A fresh page costs a fault on its first write, which under load made a
// list built for the first time the slowest stroke of all. A served two-key
// list (a short stroke) touches one page that the next lists will need: of
// the list headers of its first letter, else of the pool past its used items.
constexpr uintptr_t kPageBytes = 4096;
constexpr size_t kHeaderBytes = sizeof(KeptList) * kListSlots;
constexpr int kHeaderPages = static_cast<int>((kHeaderBytes + kPageBytes - 1) / kPageBytes) + 1;

// A folder's slot lives as long as the process's record of its lock page:
// pages are one per folder (found by the page file's volume and index), and
// the last context of the folder to close gives the slot and its memory back.
struct FolderLists {
  std::atomic<const FolderLockPage*> page;  // null: free
  std::atomic<bool> dirty;  // this process changed a table under a hold not yet let go
  std::atomic<uint32_t> writes;  // changes this process made: a search they overlap keeps nothing
  // The change word that the current generation of lists is valid for.
  LONG changes;
  uint32_t generation;
  KeptList* lists;          // kListSlots, allocated once
  KeptItem* items;          // the pool, allocated once
  uint32_t poolUsed;
  uint32_t poolRound;       // bumped when the pool is emptied
  uintptr_t touchedEnd;     // pool pages below it were written
  uint64_t headerTouched[(kHeaderPages + 63) / 64];  // header pages written
};

FolderLists folders[kFolders];
// One user at a time; a context that finds it taken searches as before.
std::atomic_flag busy = ATOMIC_FLAG_INIT;
std::atomic<bool> keepLists{true};
std::atomic<uint64_t> served{0};

bool TryEnter() { return !busy.test_and_set(std::memory_order_acquire); }

// A writer holding the folder's lock may be half way through its change:
// nothing is served or kept meanwhile. One load while the lock is free.
bool WriterActive(const FolderLockPage* page) {
  return ReadOwner(page) != 0 && WriteLockHeldElsewhere(page);
}
void Leave() { busy.clear(std::memory_order_release); }

// Inside: whether the slot still belongs to the page. A slot found before
// the flag was taken may have been given back meanwhile by the folder's last
// context, and taken by another folder.
bool StillFolderOf(const FolderLists& folder, const FolderLockPage* page) {
  return folder.page.load(std::memory_order_relaxed) == page;
}

int FindFolder(const FolderLockPage* page) {
  if (!page) return -1;
  for (int f = 0; f < kFolders; ++f) {
    if (folders[f].page.load(std::memory_order_acquire) == page) return f;
  }
  return -1;
}

// Inside: the folder's slot, taken (and its lists allocated) on first use.
int ClaimFolder(const FolderLockPage* page) {
  const int found = FindFolder(page);
  if (found >= 0) return found;
  for (int f = 0; f < kFolders; ++f) {
    FolderLists& lists = folders[f];
    if (lists.page.load(std::memory_order_relaxed)) continue;
    // Pages are touched as lists fill them, at most one list's room ahead.
    const size_t headerBytes = kHeaderBytes;
    void* memory = VirtualAlloc(nullptr, headerBytes + sizeof(KeptItem) * kPoolItems,
                                MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) return -1;
    lists.lists = static_cast<KeptList*>(memory);
    lists.items = reinterpret_cast<KeptItem*>(static_cast<uint8_t*>(memory) + headerBytes);
    lists.poolUsed = 0;
    lists.poolRound = 1;
    lists.touchedEnd = reinterpret_cast<uintptr_t>(lists.items);
    std::memset(lists.headerTouched, 0, sizeof lists.headerTouched);
    lists.changes = 0;
    lists.generation = 1;
    lists.dirty.store(false);
    lists.writes.store(0);
    lists.page.store(page, std::memory_order_release);
    return f;
  }
  return -1;
}

int ListIndex(uint8_t first, uint8_t second) {
  return second == 0 ? first : kCodes + first * kCodes + second;
}

// The list slot of a one- or two-key code whose list may be kept, else 0.
int KeptCode(const ImeContext* context) {
  if (!keepLists.load(std::memory_order_relaxed) || !context || context->codeLength < 1 ||
      context->codeLength > 2 || context->code[context->codeLength] != 0 || !context->dmeBlock ||
      !context->imeBlock || (context->stateFlags & (kStateEnglish | kStateTempEnglish))) {
    return 0;
  }
  const uint8_t b = CharToKeyCode(context->code[0]);
  const uint8_t second = context->codeLength == 2 ? CharToKeyCode(context->code[1]) : 0;
  const DmeConfigBlock* dme = context->dmeBlock;
  // Leads and the wildcard list other codes, numbers or the last output.
  if (b == 0 || b >= kCodes || b == dme->wildcardChar || b == dme->tempEnglishLead ||
      b == dme->auxiliaryLead || b == dme->secondaryLead || b == dme->fourthLead) {
    return 0;
  }
  if (context->codeLength == 2 && (second == 0 || second >= kCodes || second == dme->wildcardChar)) {
    return 0;
  }
  const MappedFile* main = context->files[kFileMain];
  const MappedFile* temp = context->files[kFileTemp];
  // Only tables mapped from the folder's files: a private copy is nobody's
  // to share lists with.
  if (!main || !main->view || !main->file || !main->lockPage) return 0;
  if (temp && (!temp->view || !temp->file || temp->lockPage != main->lockPage)) return 0;
  return ListIndex(b, second);
}

ListSettings SettingsOf(const ImeContext* context, int index) {
  ListSettings s;
  std::memset(&s, 0, sizeof s);
  const SearchSettings search = CurrentSearchSettings(context);
  const DmeConfigBlock* dme = context->dmeBlock;
  const ImeConfigBlock* ime = context->imeBlock;
  s.imeOptions = search.imeOptions;
  s.codeOptions = search.codeOptions;
  s.wildcard = search.wildcard;
  s.secondaryOnly = search.secondaryOnly ? 1 : 0;
  s.commitLengths = dme->commitLengths;
  s.sortWord = ime->sortWord;
  s.spaceWord = ime->spaceWord;
  s.stateFlags = context->stateFlags & kStateAssociations;
  if (index < kCodes) {
    s.keyFlags[0] = dme->keyCharFlags[index];
  } else {
    s.keyFlags[0] = dme->keyCharFlags[(index - kCodes) / kCodes];
    s.keyFlags[1] = dme->keyCharFlags[(index - kCodes) % kCodes];
  }
  s.leads[0] = dme->wildcardChar;
  s.leads[1] = dme->tempEnglishLead;
  s.leads[2] = dme->auxiliaryLead;
  s.leads[3] = dme->secondaryLead;
  s.leads[4] = dme->fourthLead;
  return s;
}

TableState StateOf(const MappedFile* table) {
  TableState s{};
  if (!table || !table->view) return s;
  s.index = table->fileIndex;
  s.size = table->size;
  DmgLoadU32(table->view, table->size, kDmgEdgeOffset, &s.edge);
  DmgLoadU32(table->view, table->size, kDmgCountOffset, &s.count);
  DmgLoadU32(table->view, table->size, 0x0C, &s.journal);
  return s;
}

bool SameState(const TableState& a, const TableState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether list was built from what the context sees now.
// Whether the list belongs to the folder's generation and nothing was
// written since.
bool Current(const FolderLists& folder, const KeptList& list, LONG changes) {
  return list.current && list.generation == folder.generation && folder.changes == changes;
}

bool Matches(const KeptList& list, const ImeContext* context, int index) {
  const ListSettings s = SettingsOf(context, index);
  return std::memcmp(&list.settings, &s, sizeof s) == 0 &&
         SameState(list.main, StateOf(context->files[kFileMain])) &&
         SameState(list.temp, StateOf(context->files[kFileTemp]));
}

const uint8_t* BaseOf(const ImeContext* context, DataFile file) {
  const MappedFile* table = context->files[file];
  return table ? table->view : nullptr;
}

CandidateItem ItemOf(const KeptItem& kept, const uint8_t* mainBase, const uint8_t* tempBase) {
  CandidateItem item;
  const bool temp = (kept.offset & kTempBit) != 0;
  item.entry = (temp ? tempBase : mainBase) + (kept.offset & ~kTempBit);
  item.kind = temp ? kKindTemp : kKindMain;
  item.value = kept.value;
  item.hint[0] = static_cast<wchar_t>(kept.hint[0]);
  item.hint[1] = static_cast<wchar_t>(kept.hint[1]);
  item.hint[2] = 0;
  return item;
}

// Moves the item of offset to where the sort would put it now; the rest of
// the list keeps its order, and the order is total (no two items tie).
void Reposition(const ImeContext* context, KeptItem* items, int count, uint32_t offset) {
  int i = 0;
  while (i < count && items[i].offset != offset) ++i;
  if (i == count) return;
  const uint8_t* mainBase = BaseOf(context, kFileMain);
  const uint8_t* tempBase = BaseOf(context, kFileTemp);
  const KeptItem moved = items[i];
  const CandidateItem m = ItemOf(moved, mainBase, tempBase);
  int j = i;
  while (j > 0 && CompareCandidates(context, m, ItemOf(items[j - 1], mainBase, tempBase)) < 0) {
    items[j] = items[j - 1];
    --j;
  }
  if (j == i) {
    while (j + 1 < count && CompareCandidates(context, m, ItemOf(items[j + 1], mainBase, tempBase)) > 0) {
      items[j] = items[j + 1];
      ++j;
    }
  }
  items[j] = moved;
}

// Inside: writes one page the next lists of the folder will write, if any
// is left: a header page of the two-key lists of first, else the pool page
// past the used items and the room of one more list.
void TouchAhead(FolderLists& folder, uint8_t first) {
  const uintptr_t base = reinterpret_cast<uintptr_t>(folder.lists);
  const uintptr_t rowStart = reinterpret_cast<uintptr_t>(folder.lists + ListIndex(first, 1));
  const uintptr_t rowEnd = reinterpret_cast<uintptr_t>(folder.lists + ListIndex(first, kCodes - 1) + 1);
  for (uintptr_t page = rowStart & ~(kPageBytes - 1); page < rowEnd; page += kPageBytes) {
    const uintptr_t at = page < base ? base : page;
    const size_t n = (page - (base & ~(kPageBytes - 1))) / kPageBytes;
    if (folder.headerTouched[n / 64] & (1ull << (n % 64))) continue;
    folder.headerTouched[n / 64] |= 1ull << (n % 64);
    // Rewritten as it is: every header is read and written only inside.
    volatile uint8_t* byte = reinterpret_cast<volatile uint8_t*>(at);
    *byte = *byte;
    return;
  }
  const uintptr_t poolEnd = reinterpret_cast<uintptr_t>(folder.items + kPoolItems);
  const uintptr_t used = reinterpret_cast<uintptr_t>(folder.items + folder.poolUsed);
  // Pages holding used items were written by the lists that own them.
  if (folder.touchedEnd < used) folder.touchedEnd = (used + kPageBytes - 1) & ~(kPageBytes - 1);
  const uintptr_t ahead = used + sizeof(KeptItem) * kListItems + kPageBytes;
  if (folder.touchedEnd >= poolEnd || folder.touchedEnd >= ahead) return;
  // Past every used item: no list owns it.
  *reinterpret_cast<volatile uint8_t*>(folder.touchedEnd) = 0;
  folder.touchedEnd = (folder.touchedEnd & ~(kPageBytes - 1)) + kPageBytes;
}

}  // namespace

bool ServeFirstKeyList(ImeContext* context, FirstKeyTicket* ticket, int* result) {
  *ticket = FirstKeyTicket{};
  const int b = KeptCode(context);
  if (b == 0) return false;
  FolderLockPage* page = context->files[kFileMain]->lockPage;
  if (WriterActive(page) || !TryEnter()) return false;
  bool hit = false;
  const int f = ClaimFolder(page);
  if (f >= 0) {
    const LONG changes = ReadChanges(page);
    const KeptList& list = folders[f].lists[b];
    if (Current(folders[f], list, changes) && Matches(list, context, b)) {
      const KeptItem* items = folders[f].items + list.first;
      const uint8_t* mainBase = BaseOf(context, kFileMain);
      const uint8_t* tempBase = BaseOf(context, kFileTemp);
      for (int i = 0; i < list.count; ++i) context->candidates[i] = ItemOf(items[i], mainBase, tempBase);
      context->candidateCount = list.count;
      *result = list.result;
      hit = true;
      // Not on a first letter: those lists are the longest to copy.
      if (b >= kCodes) TouchAhead(folders[f], CharToKeyCode(context->code[0]));
    } else {
      ticket->folder = f;
      ticket->code = b;
      ticket->changes = changes;
      ticket->writes = folders[f].writes.load();
    }
  }
  Leave();
  if (hit) served.fetch_add(1, std::memory_order_relaxed);
  return hit;
}

void StoreFirstKeyList(const ImeContext* context, const FirstKeyTicket& ticket, int result) {
  if (ticket.folder < 0 || ticket.folder >= kFolders || KeptCode(context) != ticket.code) return;
  const int n = context->candidateCount;
  // An empty two-key list may give way to the candidate the context
  // remembers, and one that did depends on what was typed before.
  if (n < 0 || n > kListItems || (n == 0 && ticket.code >= kCodes) || result == kSearchCommitPrevious ||
      result == kSearchCommitPreviousText) {
    return;
  }
  const MappedFile* main = context->files[kFileMain];
  const MappedFile* temp = context->files[kFileTemp];
  // What the search read comes before the checks that it was all current.
  std::atomic_thread_fence(std::memory_order_acquire);
  if (WriterActive(main->lockPage) || !TryEnter()) return;
  FolderLists& folder = folders[ticket.folder];
  // A change since the search began: what it found may be half old.
  if (ReadChanges(main->lockPage) != ticket.changes || FindFolder(main->lockPage) != ticket.folder ||
      folder.writes.load() != ticket.writes) {
    Leave();
    return;
  }
  if (folder.changes != ticket.changes) {
    // Every list kept so far was built before the last change.
    folder.changes = ticket.changes;
    ++folder.generation;
  }
  KeptList& list = folder.lists[ticket.code];
  list.current = false;
  if (list.poolRound != folder.poolRound || list.capacity < static_cast<uint32_t>(n)) {
    if (kPoolItems - folder.poolUsed < static_cast<uint32_t>(n)) {
      // Emptied: every list gives its items back and is built anew.
      ++folder.poolRound;
      ++folder.generation;
      folder.poolUsed = 0;
    }
    list.first = folder.poolUsed;
    list.capacity = static_cast<uint32_t>(n);
    list.poolRound = folder.poolRound;
    folder.poolUsed += static_cast<uint32_t>(n);
  }
  KeptItem* items = folder.items + list.first;
  bool keepable = true;
  for (int i = 0; i < n && keepable; ++i) {
    const CandidateItem& item = context->candidates[i];
    const MappedFile* table = item.kind == kKindMain ? main : item.kind == kKindTemp ? temp : nullptr;
    if (!table || !table->view || item.entry < table->view || item.entry >= table->view + table->size ||
        table->size > kTempBit || item.hint[2] != 0) {
      keepable = false;
      break;
    }
    KeptItem& kept = items[i];
    kept.offset = static_cast<uint32_t>(item.entry - table->view) | (table == main ? 0 : kTempBit);
    kept.value = item.value;
    kept.hint[0] = static_cast<uint16_t>(item.hint[0]);
    kept.hint[1] = static_cast<uint16_t>(item.hint[1]);
    // One record listed twice has no order of its own against itself.
    if (i > 0 && items[i - 1].offset == kept.offset) keepable = false;
  }
  if (keepable) {
    list.result = result;
    list.count = n;
    list.generation = folder.generation;
    list.merged = ticket.unmerged != n;
    list.settings = SettingsOf(context, ticket.code);
    list.main = StateOf(main);
    list.temp = StateOf(temp);
    list.current = true;
  }
  Leave();
}

void ShowSortedList(ImeContext* context) {
  if (context->candidateCount < 2 || context->candidates[0].kind == kKindPlainText) {
    context->pageSize = 0;
    context->slotsFilled = 0;
  }
  context->pageFirst = context->pageFirstCarry = context->pageLastCarry = 0;
  context->pageLast = -1;
  FillNextCandidatePage(context);
}

void NoteOrderWritten(const ImeContext* context, const MappedFile* main, uint32_t offset) {
  if (!main || !main->view) return;
  const int f = FindFolder(main->lockPage);
  if (f < 0) return;
  FolderLists& folder = folders[f];
  folder.writes.fetch_add(1);
  if (!context || offset > main->size || main->size - offset < 6 || !TryEnter()) {
    folder.dirty.store(true);
    return;
  }
  if (!StillFolderOf(folder, main->lockPage)) {
    // Given back: the folder's lists went with it.
    Leave();
    return;
  }
  const uint32_t codeLen = main->view[offset + 4];
  const uint8_t b = codeLen > 0 ? main->view[offset + 5] : 0;
  const uint8_t second = codeLen > 1 && main->size - offset > 6 ? main->view[offset + 6] : 0;
  if (b >= kCodes || second >= kCodes) {
    folder.dirty.store(true);
  } else {
    // The record is listed under its first key and under its first two.
    for (int index : {ListIndex(b, 0), second ? ListIndex(b, second) : -1}) {
      if (index <= 0) continue;
      KeptList& list = folder.lists[index];
      if (!Current(folder, list, ReadChanges(main->lockPage))) continue;
      // Which of two equal words stays depends on their orders: built anew.
      if (list.merged || context->files[kFileMain] != main || !Matches(list, context, index)) {
        list.current = false;
      } else {
        Reposition(context, folder.items + list.first, list.count, offset);
      }
    }
  }
  Leave();
}

void NoteTableWritten(const MappedFile* table) {
  const int f = table ? FindFolder(table->lockPage) : -1;
  if (f < 0) return;
  folders[f].writes.fetch_add(1);
  folders[f].dirty.store(true);
}

void NoteWriteLockTaken(FolderLockPage* page, LONG changes, bool tookOver) {
  const int f = FindFolder(page);
  if (f < 0 || tookOver || !TryEnter()) return;
  FolderLists& folder = folders[f];
  // Nothing is written yet: lists current before the take stay current.
  if (StillFolderOf(folder, page) && static_cast<ULONG>(changes) - static_cast<ULONG>(folder.changes) == 1) {
    folder.changes = changes;
  }
  Leave();
}

void NoteWriteLockReleased(FolderLockPage* page, LONG changes, bool tookOver) {
  const int f = FindFolder(page);
  if (f < 0) return;
  FolderLists& folder = folders[f];
  // Lists that do not move on to the new word are built anew when next used;
  // a slot's marks are cleared only while it is known to be the folder's (a
  // mark left set costs one rebuild).
  if (!TryEnter()) return;
  if (StillFolderOf(folder, page) && !folder.dirty.exchange(false) && !tookOver &&
      static_cast<ULONG>(changes) - static_cast<ULONG>(folder.changes) == 1) {
    folder.changes = changes;
  }
  Leave();
}

void RetainFolderLists(const MappedFile* main) {
  if (main && main->lockPage) InterlockedIncrement(&main->lockPage->contexts);
}

void ReleaseFolderLists(const MappedFile* main) {
  if (main && main->lockPage && InterlockedDecrement(&main->lockPage->contexts) == 0) {
    ForgetFolderLists(main->lockPage);
  }
}

void ForgetFolderLists(const FolderLockPage* page) {
  const int f = FindFolder(page);
  if (f < 0) return;
  // Lists are used for a few microseconds at a time; this is no key stroke.
  while (!TryEnter()) Sleep(0);
  FolderLists& folder = folders[f];
  // Given back meanwhile by another last context, and maybe taken anew.
  if (folder.page.load(std::memory_order_relaxed) != page) {
    Leave();
    return;
  }
  VirtualFree(folder.lists, 0, MEM_RELEASE);
  folder.lists = nullptr;
  folder.items = nullptr;
  folder.page.store(nullptr, std::memory_order_release);
  Leave();
}

void KeepFirstKeyLists(bool on) { keepLists.store(on); }

uint64_t FirstKeyListsServed() { return served.load(std::memory_order_relaxed); }
