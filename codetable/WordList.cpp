// Word lists: lines ordered by text in an AVL tree, order values counting
// down per first unit in list order, written as a type-5 table.
#include "codetable/WordList.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "codetable/TableFiles.h"
#include "codetable/WordTree.h"
#include "engine/ConfigBlocks.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/ImeOptionBits.h"
#include "engine/MappedFile.h"
#include "engine/PlainFile.h"
#include "engine/TableJournal.h"
#include "engine/WideString.h"

namespace {

struct WordListItem {
  uint32_t order;
  uint32_t lenUnits;
  wchar_t text[1];  // lenUnits units and a NUL
};

int CompareItems(const void* a, const void* b, void* /*context*/) {
  return CompareWideStrings(static_cast<const WordListItem*>(a)->text,
                            static_cast<const WordListItem*>(b)->text, nullptr);
}

struct Writer {
  uint8_t* base;
  uint32_t pos;       // next record
  uint32_t slot;      // next offset slot
  uint32_t written;
  uint32_t total;
  ProgressReporter* progress;
};

int WriteItem(void* value, void* context) {
  auto* item = static_cast<WordListItem*>(value);
  auto* w = static_cast<Writer*>(context);
  std::memcpy(w->base + w->pos, &item->order, 4);
  w->base[w->pos + 4] = static_cast<uint8_t>(item->lenUnits);
  std::memcpy(w->base + w->pos + 5, item->text, 2u * item->lenUnits);
  std::memcpy(w->base + w->slot, &w->pos, 4);
  w->slot += 4;
  w->pos += 5 + 2 * item->lenUnits;
  ++w->written;
  ReportProgress(w->progress, nullptr, w->written, w->total);
  return 1;
}

}  // namespace

int BuildWordListTableFromText(const wchar_t* text, uint32_t lenUnits, const wchar_t* outputPath,
                               ProgressReporter* progress, bool* hashFlag) {
  if (hashFlag) *hashFlag = false;
  if (!text || !outputPath) return 0;
  std::vector<int32_t> counters(65536, 65535);
  WordTreeNode* root = nullptr;
  uint32_t count = 0, taken = 0;
  uint64_t recordBytes = 0;
  int lastPercent = -1;
  uint32_t pos = 0;
  while (pos < lenUnits) {
    uint32_t start = pos;
    // A "///" line (a text that begins with "//") loses its first slash, so
    // it may take one unit more and still give a text of the longest length.
    const bool escaped = lenUnits - pos >= 3 && text[pos] == L'/' && text[pos + 1] == L'/' &&
                         text[pos + 2] == L'/';
    const uint32_t limit = kWordListLineUnits + (escaped ? 1 : 0);
    while (pos < lenUnits && pos - start < limit && text[pos] != L'\r' && text[pos] != L'\n') {
      ++pos;
    }
    uint32_t end = pos;
    while (pos < lenUnits && (text[pos] == L'\r' || text[pos] == L'\n')) ++pos;
    int percent = static_cast<int>(static_cast<uint64_t>(pos) * 100 / lenUnits);
    if (percent != lastPercent) {
      lastPercent = percent;
      ReportProgress(progress, nullptr, static_cast<uint32_t>(percent), 100);
    }
    const wchar_t* line = text + start;
    uint32_t units = end - start;
    if (units >= 2 && line[0] == L'/' && line[1] == L'/') {
      if (units < 3 || line[2] != L'/') continue;
      ++line;
      --units;
    }
    if (units == 0) continue;
    int32_t& counter = counters[line[0]];
    if (counter >= 2) --counter;
    ++taken;
    if (taken == 1 && hashFlag) {
      *hashFlag = false;
      for (uint32_t i = 0; i < units; ++i) *hashFlag = *hashFlag || line[i] == L'#';
    }
    auto* item = static_cast<WordListItem*>(
        std::calloc(1, sizeof(WordListItem) + units * sizeof(wchar_t)));
    if (!item) break;
    item->order = static_cast<uint32_t>(counter);
    item->lenUnits = units;
    std::memcpy(item->text, line, units * sizeof(wchar_t));
    if (InsertWordTreeNode(&root, item, CompareItems, nullptr)) {
      ++count;
      recordBytes += 5 + 2ull * units;
    } else {
      std::free(item);
    }
  }
  int result = 0;
  uint64_t edge = 4ull * count + kDmgRecordBase;
  MappedFile* table = nullptr;
  if (count > 0 && edge + recordBytes < 0x7FFFFFFFull &&
      CreateMappedFile(&table, outputPath, static_cast<uint32_t>(edge + recordBytes))) {
    DmgHeader header{};
    header.edge = static_cast<uint32_t>(edge);
    header.count = count;
    header.type = kDmgTypeWordList;
    for (int i = 0; kWordListTableName[i]; ++i) header.name[i] = static_cast<char16_t>(kWordListTableName[i]);
    std::memcpy(table->view, &header, kDmgKeyIndexOffset);
    Writer writer{table->view, header.edge, kDmgOffsetTableOffset, 0, count, progress};
    WalkWordTree(root, WriteItem, &writer);
    CloseMappedFile(table, 1);
    result = static_cast<int>(count);
  }
  ReleaseWordTree(root, true);
  return result;
}

int BuildWordListTable(const wchar_t* listPath, const wchar_t* outputPath, ProgressReporter* progress,
                       bool* hashFlag) {
  if (hashFlag) *hashFlag = false;
  DecodedText text;
  if (ReadWholeTextFile(listPath, &text) != kReadTextDone) return 0;
  return BuildWordListTableFromText(text.Text(), text.LenUnits(), outputPath, progress, hashFlag);
}

bool NoTableAt(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeHigh == 0 &&
         data.nFileSizeLow == 0;
}

namespace {

// The folder a table lies in, with its trailing backslash.
bool FolderOfTable(const wchar_t* tablePath, wchar_t (&folder)[264]) {
  if (CopyStringBounded(folder, 264, tablePath) != S_OK) return false;
  for (uint32_t i = BoundedLength(folder, 264); i > 0 && folder[i - 1] != L'\\' && folder[i - 1] != L'/'; --i) {
    folder[i - 1] = L'\0';
  }
  return true;
}

}  // namespace

bool PlaceWholeTable(const wchar_t* tablePath, const MappedFile* fresh) {
  wchar_t folder[264], beside[264], settings[kLockPathUnits];
  if (!FolderOfTable(tablePath, folder) || FormatString(beside, 264, L"%s.new", tablePath) != S_OK ||
      !ConfigPathBeside(tablePath, settings)) {
    return false;
  }
  DataWriteLock lock(folder);
  const bool dataFolder = GetFileAttributesW(settings) != INVALID_FILE_ATTRIBUTES;
  if ((dataFolder && !lock.Held()) || !NoTableAt(tablePath)) return false;
  HANDLE file = CreateNewPlainFile(beside, GENERIC_WRITE, 0);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, fresh->view, fresh->size, &written, nullptr) && written == fresh->size &&
            FlushFileBuffers(file);
  CloseHandle(file);
  ok = ok && MoveFileExW(beside, tablePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(beside);
  return ok;
}

namespace {

// Copies the list's table over the start of the table at tablePath in one
// change: a failure or a kill leaves the table as it was.
bool MergeIntoTable(const wchar_t* tablePath, const MappedFile* fresh) {
  MappedFile* target = nullptr;
  if (OpenMappedFile(&target, tablePath) <= 0 || !IsWritableMapping(target)) {
    CloseMappedFile(target, 0);
    return false;
  }
  bool done = false;
  {
    DataWriteLock lock(target);
    // Another writer may have grown the table during the wait: the journal
    // must hold its length now, or a rollback cuts off that writer's records.
    if (lock.Held() && PrepareTableForWrite(target)) {
      TableChange change(target, TableChangeScope::kWholeFile);
      if (change.Ready() && (target->size >= fresh->size || ResizeMappedFile(target, fresh->size))) {
        // Readers in other processes see an empty table until the copy is whole.
        DmgStoreU32(target->view, target->size, kDmgCountOffset, 0);
        CopyIntoChangingTable(target, 8, fresh->view + 8, fresh->size - 8);
        std::memcpy(target->view, fresh->view, 4);
        std::memcpy(target->view + 4, fresh->view + 4, 4);
        FlushMappedFile(target);
        change.Done();
        done = true;
      }
    }
  }
  CloseMappedFile(target, 1);
  return done;
}

// The association table of a data folder: its settings say how the
// association keys read, with "#" marks or without.
bool IsAssociationTable(const wchar_t* tablePath) {
  const uint32_t len = BoundedLength(tablePath, 264);
  constexpr wchar_t kName[] = L"\\sysl.dmg";
  constexpr uint32_t kNameUnits = sizeof(kName) / sizeof(wchar_t) - 1;
  return len >= kNameUnits && CompareStringOrdinal(tablePath + len - kNameUnits, kNameUnits, kName, kNameUnits,
                                                   TRUE) == CSTR_EQUAL;
}

void SetAssociationKeys(ImeConfigBlock* ime, bool hash) {
  uint32_t& word = ime->spaceWord;
  word = hash ? (word | ImeBits::kAssociationHashKeys) : (word & ~ImeBits::kAssociationHashKeys);
}

// The same in the settings file at settingsPath; the caller holds the
// folder's write lock.
bool RecordAssociationKeys(const wchar_t* settingsPath, bool hash) {
  MappedFile* settings = nullptr;
  ConfigBlockSet blocks{};
  const bool found = OpenMappedFile(&settings, settingsPath) > 0 && IsWritableMapping(settings) &&
                     LocateConfigBlocks(settings->view, settings->size, &blocks) && blocks.ime;
  if (found) SetAssociationKeys(blocks.ime, hash);
  CloseMappedFile(settings, found ? 1 : 0);
  return found;
}

}  // namespace

int MergeWordListViaTempTable(const wchar_t* tablePath, const wchar_t* listPath, bool* hashFlag,
                              ProgressReporter* progress, const wchar_t* tempFolder, ImeConfigBlock* settings) {
  wchar_t tempPath[260];
  bool hash = false;
  if (!hashFlag) hashFlag = &hash;
  if (!tablePath || !MakeTempFilePath(kWordListTempName, tempPath, tempFolder)) return 0;
  if (BuildWordListTable(listPath, tempPath, progress, hashFlag) < 1) return 0;
  MappedFile* fresh = nullptr;
  bool done = false;
  wchar_t folder[264], settingsPath[kLockPathUnits];
  if (FolderOfTable(tablePath, folder) && ConfigPathBeside(tablePath, settingsPath) &&
      OpenMappedFile(&fresh, tempPath) > 0 && IsWritableMapping(fresh) && fresh->size >= kDmgRecordBase) {
    // In a data folder the table and the settings word that says how its
    // keys read change under one hold of the folder's lock.
    DataWriteLock lock(folder);
    const bool dataFolder = GetFileAttributesW(settingsPath) != INVALID_FILE_ATTRIBUTES;
    if (!dataFolder || lock.Held()) {
      // A table that appeared meanwhile is merged into as any other.
      done = (NoTableAt(tablePath) && PlaceWholeTable(tablePath, fresh)) || MergeIntoTable(tablePath, fresh);
      // The table is in place even when the settings cannot be written.
      if (done && IsAssociationTable(tablePath)) {
        if (settings) {
          SetAssociationKeys(settings, *hashFlag);
        } else if (dataFolder) {
          RecordAssociationKeys(settingsPath, *hashFlag);
        }
      }
    }
  }
  CloseMappedFile(fresh, 0);
  return done ? 1 : 0;
}
