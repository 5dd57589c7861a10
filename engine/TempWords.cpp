// Temporary words: coded from the last commits, kept in the 512 fixed slots
// of temp.dmg (oldest replaced first), and promoted into main.dmg when a
// temporary word is committed and the option asks for it.
#include <cstring>
#include <optional>

#include "engine/DataLock.h"
#include "engine/DmsTable.h"
#include "engine/FolderLockPage.h"
#include "engine/CommandLanguage.h"
#include "engine/Search.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

// A stored record (attribute 0) for a code text and a word; 0 when either is
// empty or longer than 128 units.
uint32_t BuildTempRecordBytes(const wchar_t* code, const wchar_t* word, uint8_t* out) {
  const uint32_t wordLen = BoundedLength(word, kTempMaxUnits + 1);
  if (BoundedLength(code, kTempMaxUnits + 1) > static_cast<uint32_t>(kTempMaxUnits) ||
      wordLen == 0 || wordLen > static_cast<uint32_t>(kTempMaxUnits)) {
    return 0;
  }
  uint8_t bytes[kDmgMaxCodeBytes + 2];
  const int codeLen = CodeTextToBytes(code, bytes);
  if (codeLen <= 0) return 0;
  std::memset(out, 0, 4);
  std::memcpy(out + 4, bytes, 1 + static_cast<size_t>(codeLen));
  out[5 + codeLen] = static_cast<uint8_t>(wordLen);
  std::memcpy(out + 6 + codeLen, word, 2 * wordLen);
  return 6 + static_cast<uint32_t>(codeLen) + 2 * wordLen;
}

// Character number k (1-based) of text as its own terminated text.
bool NthCharacter(const wchar_t* text, int k, wchar_t out[3]) {
  int i = 0;
  for (int c = 1; text[i]; ++c) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (c == k) {
      out[0] = text[i];
      out[1] = pair ? text[i + 1] : 0;
      out[2] = 0;
      return true;
    }
    i += pair ? 2 : 1;
  }
  return false;
}

// The code of an m-character word by its rule, from the history's character
// codes (smart) or from danzi.dmi. -1 when a code character the rule needs is
// missing from the history; the code is cut at 128 units.
int BuildTempCode(const WordFormationRule& rule, const wchar_t* word, const HistoryCodes& codes,
                  bool smart, const MappedFile* danzi, wchar_t* code) {
  int n = 0;
  code[0] = 0;
  auto append = [&](const wchar_t* units, int count) {
    for (int i = 0; i < count && n < kTempMaxUnits; ++i) code[n++] = units[i];
    code[n] = 0;
  };
  for (int e = 0; e < 128 && rule.elements[e]; ++e) {
    const int k = RuleCharacter(rule.elements[e]);
    const int g = RuleCodePosition(rule.elements[e]);
    if (k < 1 || k > kHistoryChars || g > kHistoryCodeUnits) continue;
    if (smart) {
      const wchar_t* field = codes[k - 1];
      const int len = static_cast<int>(BoundedLength(field, kHistoryCodeUnits));
      if (g == 0) append(field, len);
      else if (g <= len) append(field + g - 1, 1);
      else return -1;
      continue;
    }
    wchar_t key[3];
    DmsEntry entry;
    if (!NthCharacter(word, k, key) || LookupEntryList(danzi, key, &entry, 1) == 0) continue;
    const int len = static_cast<int>(entry.valueLenUnits);
    if (g == 0) append(entry.value, len);
    else if (g <= len) append(entry.value + g - 1, 1);
  }
  return n;
}

bool TableHolds(MappedFile* table, const uint8_t* record) {
  return table && FindRecord(table, record + 4, &kDefaultRecordCompareOps) > 0;
}

// The record a commit chose, copied out of the shared view before the lock
// is taken: meanwhile another process may reuse its temp.dmg slot (after a
// promotion, or for a new word when the oldest gives way) or grow main.dmg.
struct ChosenRecord {
  uint8_t bytes[kDmgMaxRecordBytes];
  uint32_t size = 0;
  uint32_t type = 0;
  uint32_t offset = 0;  // in its table when copied
  bool Read(DmgRecord* out) const {
    DmgView view;
    view.base = bytes;
    view.sizeBytes = size;
    view.type = type;
    return ReadDmgRecordAt(view, 0, out) && out->code;
  }
};

// False when the candidate is no code record, or its place no longer holds
// the record the page was filled from (the page's fingerprint differs).
bool CaptureChosen(const ImeContext* context, int listIndex, ChosenRecord* out) {
  const CandidateItem& item = context->candidates[listIndex];
  DmgRecord record;
  if (!ReadCandidateRecord(context, item, &record) || record.sizeBytes > sizeof(out->bytes)) {
    return false;
  }
  const DmgView view = GetDmgView(context->files[EntryTableOfKind(item.kind) - 1]);
  std::memcpy(out->bytes, view.base + record.offset, record.sizeBytes);
  out->size = record.sizeBytes;
  out->type = view.type;
  out->offset = record.offset;
  DmgRecord copy;
  if (!out->Read(&copy)) return false;
  for (int s = 0; s < context->slotsFilled && s < kPageSlots; ++s) {
    if (context->slotListIndex[s] == listIndex) return context->slotRecordChecks[s] == RecordCheck(copy);
  }
  return true;
}

// Copies a committed temporary word into main.dmg as a user word. The
// temporary record goes only once the main table lists the word, and it is
// found by its code and word, never by the slot it was listed in. The caller
// holds the lock.
void PromoteTempWord(ImeContext* context, const ChosenRecord& chosen) {
  MappedFile* main = context->files[kFileMain];
  MappedFile* temp = context->files[kFileTemp];
  if (!main || !temp || !GetDmgView(main).base || chosen.size > kTempSlotBytes) return;
  uint8_t record[kTempSlotBytes];
  std::memcpy(record, chosen.bytes, chosen.size);
  const uint32_t attr = kPromotedAttribute;
  std::memcpy(record, &attr, 4);
  const uint8_t* viewBefore = main->view;
  // A writer that died in main.dmg may have left it half changed; the
  // insertion below relies on sorted slots and an edge at the lowest record.
  if (!RepairDmgTable(main, &kDefaultRecordCompareOps) || TableHolds(main, record)) return;
  if (!AppendRecord(main, record)) return;
  RemapTables(context);
  PlaceNewRecord(main, &kDefaultRecordCompareOps, -1);
  RebuildKeyIndex(main, &kDefaultRecordCompareOps);
  const int found = FindRecord(main, record + 4, &kDefaultRecordCompareOps);
  if (main->view != viewBefore) {
    // The list points into the old view: nothing may read it any more.
    context->candidateCount = 0;
    context->slotsFilled = 0;
  }
  // Not listed in main: the temporary word stays, or it would be lost.
  if (found <= 0) return;
  context->lastCommittedKind = kKindMain;
  context->lastCommitted = EntryRef{kFileMain + 1, DmgRecordOffset(GetDmgView(main), found - 1)};
  const int at = FindRecord(temp, record + 4, &kDefaultRecordCompareOps);
  if (at > 0) RemoveTempRecord(temp, at - 1);
}

// What commits could not store because another writer kept the data
// folder's lock past the wait: each commit's history record and the
// temporary word it promotes, in commit order, by main table. The next
// commit of that folder that gets the lock (or the closing of one of its
// contexts) stores them as the commits would have: record, promotion, then
// the temporary words the history makes. Fixed storage, so a commit
// allocates nothing; a long hold (a large import) fits. When it is full the
// oldest give way.
struct KeptPromotionBytes {
  uint8_t bytes[kTempSlotBytes];
  uint32_t size;
  uint32_t type;
};
struct KeptItem {
  uint8_t folder;
  uint8_t promotion;   // else a history record
  uint8_t endsCommit;  // the last item of its commit
  union {
    RecentCommitRecord record;
    KeptPromotionBytes chosen;
  };
};
constexpr int kKeptItems = 4096;
constexpr int kKeptFolders = 8;
SRWLOCK keptLock = SRWLOCK_INIT;
KeptItem keptItems[kKeptItems];
int keptHead = 0;
int keptCount = 0;
// A folder by its lock page's file, never by a path: two folders whose
// names differ in case, or one put where another was, keep theirs apart.
struct KeptFolderKey {
  bool byPage;
  FileId page;
  wchar_t path[kPathUnits];  // a main table of no data folder
};
KeptFolderKey keptFolders[kKeptFolders];
int keptFolderUses[kKeptFolders];
volatile LONG keptAny = 0;  // read without the lock

KeptItem& KeptAt(int i) { return keptItems[(keptHead + i) % kKeptItems]; }

bool SameKeptFolder(const KeptFolderKey& key, const MappedFile* main) {
  if (main->lockPage) return key.byPage && key.page == main->lockPage->fileId;
  return !key.byPage && SameLockPath(key.path, main->path);
}

// The folder slot of a main table, or -1; a new slot only with create.
int KeptFolder(const MappedFile* main, bool create) {
  int free = -1;
  for (int f = 0; f < kKeptFolders; ++f) {
    if (keptFolderUses[f] > 0 && SameKeptFolder(keptFolders[f], main)) return f;
    if (keptFolderUses[f] == 0 && free < 0) free = f;
  }
  if (!create || free < 0) return -1;
  KeptFolderKey& key = keptFolders[free];
  key.byPage = main->lockPage != nullptr;
  if (key.byPage) key.page = main->lockPage->fileId;
  CopyStringBounded(key.path, kPathUnits, main->path);
  return free;
}

// Appends an item; the oldest gives way when all are taken. Under keptLock.
KeptItem& PushKept(int folder) {
  if (keptCount == kKeptItems) {
    --keptFolderUses[KeptAt(0).folder];
    keptHead = (keptHead + 1) % kKeptItems;
    --keptCount;
  }
  KeptItem& item = KeptAt(keptCount++);
  item.folder = static_cast<uint8_t>(folder);
  ++keptFolderUses[folder];
  InterlockedExchange(&keptAny, keptCount);
  return item;
}

}  // namespace

bool HasKeptCommits() { return keptAny != 0; }

int KeepUnsavedCommit(ImeContext* context, int listIndex) {
  if (!context || context->commitKind == kCommitActionTypedCode) return 0;
  if (listIndex < 0 || listIndex >= context->candidateCount) return 0;
  const MappedFile* main = context->files[kFileMain];
  if (!main) return 0;
  RecentCommitRecord record;
  const bool recorded = BuildCommitRecord(context, listIndex, &record);
  const ImeConfigBlock* ime = context->imeBlock;
  ChosenRecord chosen;
  const bool promotes = context->candidates[listIndex].kind == kKindTemp && ime &&
                        (ime->optionFlags & kImeOptTempWordSaves) &&
                        CaptureChosen(context, listIndex, &chosen) && chosen.size >= 4 &&
                        chosen.size <= kTempSlotBytes;
  if (!recorded && !promotes) return 0;
  AcquireSRWLockExclusive(&keptLock);
  const int folder = KeptFolder(main, true);
  if (folder >= 0 && recorded) {
    KeptItem& item = PushKept(folder);
    item.promotion = 0;
    item.endsCommit = !promotes;
    item.record = record;
  }
  if (folder >= 0 && promotes) {
    KeptItem& item = PushKept(folder);
    item.promotion = 1;
    item.endsCommit = 1;
    std::memcpy(item.chosen.bytes, chosen.bytes, chosen.size);
    item.chosen.size = chosen.size;
    item.chosen.type = chosen.type;
  }
  ReleaseSRWLockExclusive(&keptLock);
  return folder >= 0 ? 1 : 0;
}

int StoreKeptCommits(ImeContext* context) {
  if (keptAny == 0 || !context || !context->files[kFileMain] || !context->imeBlock) return 0;
  // Another folder's kept commits are no reason to wait for this one's lock.
  AcquireSRWLockShared(&keptLock);
  const bool any = KeptFolder(context->files[kFileMain], false) >= 0;
  ReleaseSRWLockShared(&keptLock);
  if (!any) return 0;
  DataWriteLock lock(context);
  if (!lock.Held()) return 0;
  if (RemapCommitTables(context)) {
    context->candidateCount = 0;
    context->slotsFilled = 0;
  }
  // The commit that stores them stays the last committed entry.
  const int32_t lastKind = context->lastCommittedKind;
  const EntryRef last = context->lastCommitted;
  int stored = 0;
  AcquireSRWLockExclusive(&keptLock);
  const int folder = KeptFolder(context->files[kFileMain], false);
  if (folder >= 0) {
    // This folder's items in order; the others move up in theirs.
    bool recorded = false;
    int left = 0;
    for (int i = 0; i < keptCount; ++i) {
      KeptItem& item = KeptAt(i);
      if (item.folder != folder) {
        if (left != i) KeptAt(left) = item;
        ++left;
        continue;
      }
      if (!item.promotion) {
        recorded = StoreHistoryRecord(context, item.record) != 0;
      } else {
        ChosenRecord chosen;
        std::memcpy(chosen.bytes, item.chosen.bytes, item.chosen.size);
        chosen.size = item.chosen.size;
        chosen.type = item.chosen.type;
        PromoteTempWord(context, chosen);
      }
      if (item.endsCommit) {
        if (recorded) AddTempWordsFromHistory(context);
        recorded = false;
        ++stored;
      }
    }
    keptCount = left;
    keptFolderUses[folder] = 0;
    InterlockedExchange(&keptAny, keptCount);
  }
  ReleaseSRWLockExclusive(&keptLock);
  context->lastCommittedKind = lastKind;
  context->lastCommitted = last;
  return stored;
}

bool CommitSelectionWrites(const ImeContext* context, int listIndex) {
  if (!context || context->commitKind == kCommitActionTypedCode) return false;
  if (listIndex < 0 || listIndex >= context->candidateCount) return false;
  if (CommitRecorded(context, listIndex)) return true;
  const CandidateItem& item = context->candidates[listIndex];
  const ImeConfigBlock* ime = context->imeBlock;
  DmgRecord record;
  return item.kind == kKindTemp && ime && (ime->optionFlags & kImeOptTempWordSaves) &&
         ReadCandidateRecord(context, item, &record);
}

int CommitSelection(ImeContext* context, int listIndex) {
  if (!context) return 0;
  context->lastCommittedKind = 0;
  context->lastCommitted = EntryRef{0, 0};
  if (context->commitKind == kCommitActionTypedCode) return 0;
  if (listIndex < 0 || listIndex >= context->candidateCount) return 0;
  // The history, temp.dmg and main.dmg are shared with every other process.
  // A commit that writes none of them (punctuation, English, generated text)
  // only notes what it committed, without the lock.
  const bool writes = CommitSelectionWrites(context, listIndex);
  const CandidateItem item = context->candidates[listIndex];
  ChosenRecord chosen;
  const bool isRecord = CaptureChosen(context, listIndex, &chosen);
  context->lastCommittedKind = item.kind;
  if (isRecord) context->lastCommitted = EntryRef{EntryTableOfKind(item.kind), chosen.offset};
  if (!writes || !isRecord) return 0;
  DataWriteLock lock(context);
  if (!lock.Held()) return 0;
  // Commits kept while another writer had the lock came first. The chosen
  // record is a copy, so the list they may empty is not needed any more.
  StoreKeptCommits(context);
  // Tables another process grew are remapped before anything is read; the
  // list then points into old views and nothing may read it any more. The
  // chosen record was copied, so the commit itself goes on.
  if (RemapCommitTables(context)) {
    context->candidateCount = 0;
    context->slotsFilled = 0;
  }
  DmgRecord record;
  chosen.Read(&record);
  const int recorded = RecordEntryCommit(context, item.kind, record);
  const ImeConfigBlock* ime = context->imeBlock;
  if (item.kind == kKindTemp && ime && (ime->optionFlags & kImeOptTempWordSaves)) {
    PromoteTempWord(context, chosen);
  }
  if (!recorded) return 0;
  AddTempWordsFromHistory(context);
  return 1;
}

int AddTempWordsFromHistory(ImeContext* context) {
  if (!context || !context->imeBlock || !context->dmeBlock) return 0;
  DataWriteLock lock(context);
  if (!lock.Held()) return 0;
  const ImeConfigBlock* ime = context->imeBlock;
  MappedFile* temp = context->files[kFileTemp];
  const MappedFile* danzi = context->files[kFileDanzi];
  const bool smart = (ime->optionFlags & kImeOptSmartTempWords) != 0;
  const int count = ime->recentCommitCount;
  if (count < 3 || count > kHistoryRecords || !temp || !(ime->optionFlags & kImeOptTempWords) ||
      (!smart && !danzi)) {
    return 0;
  }
  int added = 0;
  const int last = count - 1 < 15 ? count - 1 : 15;
  for (int j = 2; j <= last; ++j) {
    wchar_t word[kJoinedTextUnits];
    HistoryCodes codes;
    const int m = JoinRecentCommits(context, j, word, &codes);
    if (m < 2 || m > kHistoryChars) break;
    // Codes of only some of the joined commits would code a shorter word.
    if (CountCodePoints(word) != static_cast<uint32_t>(m)) break;
    wchar_t code[kTempMaxUnits + 1];
    if (BuildTempCode(context->dmeBlock->wordRules[m], word, codes, smart, danzi, code) <= 0) {
      continue;
    }
    uint8_t record[kTempSlotBytes];
    if (!BuildTempRecordBytes(code, word, record)) continue;
    if (TableHolds(context->files[kFileMain], record) || TableHolds(temp, record)) continue;
    added += AddTempRecord(temp, record, &kDefaultRecordCompareOps);
  }
  return added;
}
