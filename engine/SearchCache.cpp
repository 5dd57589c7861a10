// Kept lists of one-key codes (SearchCache.h).
#include "engine/SearchCache.h"

#include <atomic>
#include <cstring>

#include "engine/Candidates.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/KeyTables.h"

namespace {

constexpr int kFolders = 4;
constexpr int kCodes = 128;
// A one-key search stops at kTableSearchLimit; a longer list is not kept.
constexpr int kListItems = kTableSearchLimit + 24;

// A candidate by its offset: every context maps the tables at its own address.
struct KeptItem {
  uint32_t offset;
  int32_t value;
  uint16_t hint[2];
  uint8_t kind;
  uint8_t reserved[3];
};
static_assert(sizeof(KeptItem) == 16);

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
  uint8_t keyFlags;
  uint8_t leads[5];
};

// The header words that any length change, append, removal or whole-table
// change moves.
struct TableState {
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
  LONG changes;
  ListSettings settings;
  TableState main;
  TableState temp;
};

struct FolderLists {
  std::atomic<bool> used;
  uint64_t fileIndex;  // the folder's lock page file
  uint64_t fileCreated;
  std::atomic<bool> dirty;  // this process changed a table under a hold not yet let go
  KeptItem* items;          // kCodes lists of kListItems, allocated once
  KeptList lists[kCodes];
};

FolderLists folders[kFolders];
// One user at a time; a context that finds it taken searches as before.
std::atomic_flag busy = ATOMIC_FLAG_INIT;
std::atomic<bool> keepLists{true};
std::atomic<uint64_t> served{0};

bool TryEnter() { return !busy.test_and_set(std::memory_order_acquire); }
void Leave() { busy.clear(std::memory_order_release); }

int FindFolder(const FolderLockPage* page) {
  if (!page) return -1;
  for (int f = 0; f < kFolders; ++f) {
    const FolderLists& lists = folders[f];
    if (lists.used.load(std::memory_order_acquire) && lists.fileIndex == page->fileIndex &&
        lists.fileCreated == page->fileCreated) {
      return f;
    }
  }
  return -1;
}

// Inside: the folder's slot, taken (and its lists allocated) on first use.
int ClaimFolder(const FolderLockPage* page) {
  const int found = FindFolder(page);
  if (found >= 0) return found;
  for (int f = 0; f < kFolders; ++f) {
    FolderLists& lists = folders[f];
    if (lists.used.load(std::memory_order_relaxed)) continue;
    void* items = VirtualAlloc(nullptr, sizeof(KeptItem) * kCodes * kListItems,
                               MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!items) return -1;
    lists.items = static_cast<KeptItem*>(items);
    lists.fileIndex = page->fileIndex;
    lists.fileCreated = page->fileCreated;
    lists.dirty.store(false);
    std::memset(lists.lists, 0, sizeof lists.lists);
    lists.used.store(true, std::memory_order_release);
    return f;
  }
  return -1;
}

bool SameFolder(const FolderLockPage* a, const FolderLockPage* b) {
  return a && b && a->fileIndex == b->fileIndex && a->fileCreated == b->fileCreated;
}

// The code byte of a one-key code whose list may be kept, else 0.
uint8_t KeptCode(const ImeContext* context) {
  if (!keepLists.load(std::memory_order_relaxed) || !context || context->codeLength != 1 ||
      context->code[1] != 0 || !context->dmeBlock || !context->imeBlock ||
      (context->stateFlags & (kStateEnglish | kStateTempEnglish))) {
    return 0;
  }
  const uint8_t b = CharToKeyCode(context->code[0]);
  const DmeConfigBlock* dme = context->dmeBlock;
  // Leads and the wildcard list other codes, numbers or the last output.
  if (b == 0 || b >= kCodes || b == dme->wildcardChar || b == dme->tempEnglishLead ||
      b == dme->auxiliaryLead || b == dme->secondaryLead || b == dme->fourthLead) {
    return 0;
  }
  const MappedFile* main = context->files[kFileMain];
  const MappedFile* temp = context->files[kFileTemp];
  // A page without its file's identity cannot tell one folder from another.
  if (!main || !main->view || !main->lockPage ||
      (main->lockPage->fileIndex == 0 && main->lockPage->fileCreated == 0)) {
    return 0;
  }
  if (temp && (!temp->view || !SameFolder(temp->lockPage, main->lockPage))) return 0;
  return b;
}

ListSettings SettingsOf(const ImeContext* context, uint8_t b) {
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
  s.keyFlags = dme->keyCharFlags[b];
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
  s.size = table->size;
  DmgLoadU32(table->view, table->size, kDmgEdgeOffset, &s.edge);
  DmgLoadU32(table->view, table->size, kDmgCountOffset, &s.count);
  DmgLoadU32(table->view, table->size, 0x0C, &s.journal);
  return s;
}

bool SameState(const TableState& a, const TableState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether list was built from what the context sees now.
bool Matches(const KeptList& list, const ImeContext* context, uint8_t b) {
  const ListSettings s = SettingsOf(context, b);
  return std::memcmp(&list.settings, &s, sizeof s) == 0 &&
         SameState(list.main, StateOf(context->files[kFileMain])) &&
         SameState(list.temp, StateOf(context->files[kFileTemp]));
}

const uint8_t* BaseOf(const ImeContext* context, uint8_t kind) {
  const MappedFile* table = context->files[kind == kKindMain ? kFileMain : kFileTemp];
  return table ? table->view : nullptr;
}

CandidateItem ItemOf(const KeptItem& kept, const uint8_t* mainBase, const uint8_t* tempBase) {
  CandidateItem item;
  item.entry = (kept.kind == kKindMain ? mainBase : tempBase) + kept.offset;
  item.kind = kept.kind;
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
  while (i < count && !(items[i].kind == kKindMain && items[i].offset == offset)) ++i;
  if (i == count) return;
  const uint8_t* mainBase = BaseOf(context, kKindMain);
  const uint8_t* tempBase = BaseOf(context, kKindTemp);
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

}  // namespace

bool ServeFirstKeyList(ImeContext* context, FirstKeyTicket* ticket, int* result) {
  *ticket = FirstKeyTicket{};
  const uint8_t b = KeptCode(context);
  if (b == 0) return false;
  FolderLockPage* page = context->files[kFileMain]->lockPage;
  if (!TryEnter()) return false;
  bool hit = false;
  const int f = ClaimFolder(page);
  if (f >= 0) {
    const LONG changes = ReadChanges(page);
    const KeptList& list = folders[f].lists[b];
    if (list.current && list.changes == changes && Matches(list, context, b)) {
      const KeptItem* items = folders[f].items + b * kListItems;
      const uint8_t* mainBase = BaseOf(context, kKindMain);
      const uint8_t* tempBase = BaseOf(context, kKindTemp);
      for (int i = 0; i < list.count; ++i) context->candidates[i] = ItemOf(items[i], mainBase, tempBase);
      context->candidateCount = list.count;
      *result = list.result;
      hit = true;
    } else {
      ticket->folder = f;
      ticket->code = b;
      ticket->changes = changes;
    }
  }
  Leave();
  if (hit) served.fetch_add(1, std::memory_order_relaxed);
  return hit;
}

void StoreFirstKeyList(const ImeContext* context, const FirstKeyTicket& ticket, int result) {
  if (ticket.folder < 0 || ticket.folder >= kFolders || KeptCode(context) != ticket.code) return;
  const int n = context->candidateCount;
  if (n < 0 || n > kListItems) return;
  const MappedFile* main = context->files[kFileMain];
  const MappedFile* temp = context->files[kFileTemp];
  if (!TryEnter()) return;
  FolderLists& folder = folders[ticket.folder];
  // A change since the search began: what it found may be half old.
  if (ReadChanges(main->lockPage) != ticket.changes || FindFolder(main->lockPage) != ticket.folder) {
    Leave();
    return;
  }
  KeptList& list = folder.lists[ticket.code];
  KeptItem* items = folder.items + ticket.code * kListItems;
  list.current = false;
  bool keepable = true;
  for (int i = 0; i < n && keepable; ++i) {
    const CandidateItem& item = context->candidates[i];
    const MappedFile* table = item.kind == kKindMain ? main : item.kind == kKindTemp ? temp : nullptr;
    if (!table || !table->view || item.entry < table->view || item.entry >= table->view + table->size ||
        item.hint[2] != 0) {
      keepable = false;
      break;
    }
    KeptItem& kept = items[i];
    kept.offset = static_cast<uint32_t>(item.entry - table->view);
    kept.value = item.value;
    kept.hint[0] = static_cast<uint16_t>(item.hint[0]);
    kept.hint[1] = static_cast<uint16_t>(item.hint[1]);
    kept.kind = item.kind;
    // One record listed twice has no order of its own against itself.
    if (i > 0 && items[i - 1].kind == kept.kind && items[i - 1].offset == kept.offset) keepable = false;
  }
  if (keepable) {
    list.result = result;
    list.count = n;
    list.changes = ticket.changes;
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
  if (!context || offset > main->size || main->size - offset < 6 || !TryEnter()) {
    folder.dirty.store(true);
    return;
  }
  const uint8_t b = main->view[offset + 4] > 0 ? main->view[offset + 5] : 0;
  if (b >= kCodes) {
    folder.dirty.store(true);
  } else {
    KeptList& list = folder.lists[b];
    if (list.current && list.changes == ReadChanges(main->lockPage)) {
      // Which of two equal words stays depends on their orders: built anew.
      if (list.merged || context->files[kFileMain] != main || !Matches(list, context, b)) {
        list.current = false;
      } else {
        Reposition(context, folder.items + b * kListItems, list.count, offset);
      }
    }
  }
  Leave();
}

void NoteTableWritten(const MappedFile* table) {
  const int f = table ? FindFolder(table->lockPage) : -1;
  if (f >= 0) folders[f].dirty.store(true);
}

void NoteWriteLockReleased(FolderLockPage* page, LONG changes, bool tookOver) {
  const int f = FindFolder(page);
  if (f < 0) return;
  FolderLists& folder = folders[f];
  // Lists that do not move on to the new word are built anew when next used.
  if (folder.dirty.exchange(false) || tookOver || !TryEnter()) return;
  for (KeptList& list : folder.lists) {
    if (list.current && list.changes == changes - 1) list.changes = changes;
  }
  Leave();
}

void KeepFirstKeyLists(bool on) { keepLists.store(on); }

uint64_t FirstKeyListsServed() { return served.load(std::memory_order_relaxed); }
