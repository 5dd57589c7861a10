// Batch import: parse lines into heap records, refuse what cannot be added,
// then append all accepted records at once below the record-area edge.
#include "codetable/DmgImport.h"

#include <cstdlib>
#include <cstring>

#include "codetable/TableFiles.h"
#include "engine/DataLock.h"
#include "engine/PlainFile.h"
#include "engine/TableJournal.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kRejectLineUnits = 10240;
// Room the reason and line end need behind the echoed text.
constexpr uint32_t kEchoUnits = kRejectLineUnits - 64;
constexpr uint32_t kDefaultImportOrder = 1024;
constexpr uint32_t kInitialRecordCapacity = 4096;

const wchar_t* RefusalFormat(ImportRefusal reason) {
  switch (reason) {
    case ImportRefusal::kCannotBuild: return L"%s ----------无法创建词条\r\n";
    case ImportRefusal::kCategoryMismatch: return L"%s ----------与所选分类不匹配的词条类别\r\n";
    case ImportRefusal::kUndeleted: return L"%s ----------存在于系统码表，已取消删除标志\r\n";
    case ImportRefusal::kExists: return L"%s ----------已存在于系统码表\r\n";
    case ImportRefusal::kRepeated: return L"%s ----------重复的定义\r\n";
    case ImportRefusal::kTooLongForRules: return L"%s ----------自动构词长度不能大于30\r\n";
    case ImportRefusal::kNoRuleCode: return L"%s ----------无法依据构词规则生成目标编码\r\n";
  }
  return L"%s\r\n";
}

// Stored records start at the attribute word; the code length byte follows.
int CompareImportRecords(const void* a, const void* b, void* /*context*/) {
  const uint8_t* x = static_cast<const uint8_t*>(a) + 4;
  const uint8_t* y = static_cast<const uint8_t*>(b) + 4;
  uint32_t nx = x[0], ny = y[0];
  int c = std::memcmp(x + 1, y + 1, nx < ny ? nx : ny);
  if (c != 0) return c < 0 ? -1 : 1;
  if (nx != ny) return nx < ny ? -1 : 1;
  return CompareWords(x + 1 + nx, y + 1 + ny);
}

// A code the compiler would take: no byte of a unit that is no code
// character (0), no DEL and no full-width comma.
bool HasUsableCode(const uint8_t* record) {
  uint32_t len = record[4];
  if (len == 0 || len > kMaxCodeBytes) return false;
  for (uint32_t i = 0; i < len; ++i) {
    if (!IsCodeByte(record[5 + i])) return false;
  }
  return true;
}

// Category and order rules shared by coded and uncoded lines; false when the
// record was refused (and logged).
bool ApplyCategory(CDmgImport* import, uint8_t* record, const wchar_t* echo) {
  uint32_t attr = StoredRecordAttr(record);
  uint32_t category = EntryAttr::Category(attr);
  if (category == 0 && import->header.category != 0) category = import->header.category;
  if (import->selectedCategory != 0) {
    if (category == 0) {
      category = import->selectedCategory;
    } else if (category != import->selectedCategory) {
      LogImportRefusal(import, echo, ImportRefusal::kCategoryMismatch);
      return false;
    }
  } else if (category == 0) {
    category = 1;
  }
  SetStoredRecordAttr(record, EntryAttr::WithCategory(attr, category));
  return true;
}

uint32_t DefaultOrder(const CDmgImport* import) {
  uint32_t global = static_cast<uint32_t>(import->header.globalOrder) & EntryAttr::kOrderMask;
  return global != 0 ? global : kDefaultImportOrder;
}

void SetOrder(uint8_t* record, uint32_t order) {
  const uint32_t attr = StoredRecordAttr(record);
  SetStoredRecordAttr(record, (attr & ~EntryAttr::kOrderMask) | (order & EntryAttr::kOrderMask));
}

void TakeRecord(CDmgImport* import, DmgRecordBuffer record, const wchar_t* echo) {
  uint8_t* raw = record.get();
  if (CheckImportRecord(import, raw, echo)) record.release();
}

// Takes the deleted mark off the table's record equal to record; false when
// the table holds it unmarked (or no longer holds it).
bool Undelete(MappedFile* table, const uint8_t* record, const RecordCompareOps* ops) {
  // Found again under the lock: the position found before may be stale.
  DataWriteLock lock(table);
  if (!lock.Held()) return false;
  int hit = FindRecord(table, record + 4, ops);
  DmgRecord found;
  if (hit <= 0 || !ReadDmgRecord(GetDmgView(table), static_cast<uint32_t>(hit - 1), &found) ||
      !(found.attr & EntryAttr::kDeleted) || !IsWritableMapping(table) || TableChanging(table)) {
    return false;
  }
  DmgStoreU32(table->view, table->size, found.offset, found.attr & ~EntryAttr::kDeleted);
  return true;
}

// Frees the new records the table holds by now.
void DropListedRecords(CDmgImport* import) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < import->newRecords.count; ++i) {
    auto* record = static_cast<uint8_t*>(import->newRecords.items[i]);
    if (FindRecord(import->mainTable, record + 4, import->ops) > 0) {
      import->newBytes -= StoredRecordSize(record, kDmgTypeCode);
      std::free(record);
    } else {
      import->newRecords.items[kept++] = record;
    }
  }
  import->newRecords.count = kept;
}

}  // namespace

bool OpenImportRejects(CDmgImport* import, const wchar_t* path) {
  CloseImportRejects(import);
  HANDLE file = CreateNewPlainFile(path, GENERIC_WRITE, FILE_SHARE_READ);
  if (file == INVALID_HANDLE_VALUE) return false;
  const wchar_t mark = 0xFEFF;
  DWORD written = 0;
  WriteFile(file, &mark, 2, &written, nullptr);
  import->rejects.file = file;
  return true;
}

void CloseImportRejects(CDmgImport* import) {
  if (import->rejects.file) CloseHandle(import->rejects.file);
  import->rejects.file = nullptr;
}

void LogImportRefusal(CDmgImport* import, const wchar_t* echo, ImportRefusal reason) {
  ++import->rejects.lines;
  if (!import->rejects.file) return;
  // The echoed line is cut so the reason always fits the line buffer.
  wchar_t cut[kEchoUnits + 1];
  CopyStringBounded(cut, kEchoUnits + 1, echo ? echo : L"");
  wchar_t line[kRejectLineUnits];
  FormatString(line, kRejectLineUnits, RefusalFormat(reason), cut);
  DWORD written = 0;
  WriteFile(import->rejects.file, line, BoundedLength(line, kRejectLineUnits) * 2, &written, nullptr);
}

void SetImportText(CDmgImport* import, DecodedText text) { import->text = std::move(text); }

void ParseImportHeader(CDmgImport* import) {
  ParseImportHeader(&import->header, import->text.Text(), import->text.LenUnits());
}

bool CheckImportRecord(CDmgImport* import, uint8_t* record, const wchar_t* echo) {
  if (import->mainTable) {
    int hit = FindRecord(import->mainTable, record + 4, import->ops);
    if (hit > 0) {
      DmgView view = GetDmgView(import->mainTable);
      DmgRecord found;
      if (ReadDmgRecord(view, static_cast<uint32_t>(hit - 1), &found) &&
          (found.attr & EntryAttr::kDeleted) && Undelete(import->mainTable, record, import->ops)) {
        LogImportRefusal(import, echo, ImportRefusal::kUndeleted);
      } else {
        LogImportRefusal(import, echo, ImportRefusal::kExists);
      }
      return false;
    }
  }
  if (!InsertWordTreeNode(&import->duplicates, record, CompareImportRecords, nullptr)) {
    LogImportRefusal(import, echo, ImportRefusal::kRepeated);
    return false;
  }
  if (!PushPointer(&import->newRecords, record, kInitialRecordCapacity)) {
    // Out of memory: the record is in the tree but cannot be kept; refusing
    // it here would free memory the tree still points to, so keep it there.
    LogImportRefusal(import, echo, ImportRefusal::kCannotBuild);
    return true;
  }
  import->newBytes += StoredRecordSize(record, kDmgTypeCode);
  return true;
}

void AddCodedLine(CDmgImport* import, wchar_t* line, uint32_t tabPos) {
  line[tabPos] = L'\0';
  wchar_t* word = line;
  uint32_t wordUnits = UnescapeWord(word);
  wchar_t codePart[kCodePartUnits];
  CopyStringBounded(codePart, kCodePartUnits, line + tabPos + 1);
  DmgRecordBuffer record;
  if (wordUnits <= kMaxWordUnits) record = BuildRecordFromText(codePart, word, import->ops);
  if (!record || !HasUsableCode(record.get())) {
    LogImportRefusal(import, word, ImportRefusal::kCannotBuild);
    return;
  }
  if (!ApplyCategory(import, record.get(), word)) return;
  if (EntryAttr::Order(StoredRecordAttr(record.get())) == 0) SetOrder(record.get(), DefaultOrder(import));
  TakeRecord(import, std::move(record), word);
}

void AddUncodedLine(CDmgImport* import, wchar_t* line) {
  UnescapeWord(line);
  if (!import->mainTable || !import->danzi) return;
  uint32_t chars = CountCodePoints(line);
  if (chars == 0) return;
  if ((chars & kBrokenPairBit) || chars > kMaxRuleWordChars) {
    LogImportRefusal(import, line, ImportRefusal::kTooLongForRules);
    return;
  }
  wchar_t code[kMaxCodeBytes + 1];
  const uint16_t* rule = import->rules ? import->rules[chars].elements : nullptr;
  if (!DeriveCodeByRules(import->danzi, rule, line, code)) {
    LogImportRefusal(import, line, ImportRefusal::kNoRuleCode);
    return;
  }
  DmgRecordBuffer record = BuildRecordFromText(code, line, import->ops);
  if (!record || !HasUsableCode(record.get())) {
    LogImportRefusal(import, line, ImportRefusal::kCannotBuild);
    return;
  }
  if (!ApplyCategory(import, record.get(), line)) return;
  SetOrder(record.get(), DefaultOrder(import));
  TakeRecord(import, std::move(record), line);
}

uint32_t ParseImportLines(CDmgImport* import) {
  wchar_t* text = import->text.Text();
  uint32_t len = import->text.LenUnits();
  uint32_t pos = 0;
  while (text && pos < len) {
    uint32_t end = pos;
    while (end < len && !(text[end] == L'\r' && end + 1 < len && text[end + 1] == L'\n')) ++end;
    wchar_t* line = text + pos;
    uint32_t units = end - pos;
    text[end] = L'\0';  // the CR, or the zero unit behind the text
    pos = end < len ? end + 2 : len;
    bool comment = units >= 2 && line[0] == L'/' && line[1] == L'/';
    bool header = units > kHeaderPrefixUnits &&
                  std::memcmp(line, kHeaderPrefix, kHeaderPrefixUnits * sizeof(wchar_t)) == 0;
    if (!comment && !header) {
      uint32_t tab = 0;
      while (tab < units && line[tab] != L'\t') ++tab;
      if (tab < units) {
        AddCodedLine(import, line, tab);
      } else {
        AddUncodedLine(import, line);
      }
    }
    ReportProgress(import->progress, nullptr, pos, len);
  }
  ReleaseWordTree(import->duplicates, false);
  import->duplicates = nullptr;
  return import->newRecords.count;
}

int AppendToTable(CDmgImport* import) {
  MappedFile* table = import->mainTable;
  if (import->newRecords.count == 0) return 0;
  if (!IsWritableMapping(table)) return kAppendFailed;
  DataWriteLock lock(table);
  if (!lock.Held() || !PrepareTableForWrite(table)) return kAppendBusy;
  // A writer that died in the table may have left slots out of order, and
  // another process may have added some of the words since they were checked.
  if (!RepairDmgTable(table, import->ops) || !IsTableConsistent(table)) return kAppendFailed;
  DropListedRecords(import);
  uint32_t k = import->newRecords.count;
  if (k == 0) return 0;
  // The grow moves every record and the sort every slot: all of it is
  // journaled, and the sort and index below run inside this change.
  TableChange change(table, TableChangeScope::kWholeFile);
  if (!change.Ready()) return kAppendFailed;
  uint32_t edge = 0, count = 0;
  DmgLoadU32(table->view, table->size, kDmgEdgeOffset, &edge);
  DmgLoadU32(table->view, table->size, kDmgCountOffset, &count);
  uint64_t freeBytes = static_cast<uint64_t>(edge) - 4ull * count - kDmgRecordBase;
  if (edge < 4ull * count + kDmgRecordBase) freeBytes = 0;
  uint64_t need = static_cast<uint64_t>(import->newBytes) + 4ull * k;
  if (freeBytes < need) {
    uint64_t grow = need - freeBytes + 4096;
    uint32_t oldSize = table->size;
    if (oldSize + grow > 0x7FFFFFFFull) return kAppendFailed;
    if (!ResizeMappedFile(table, static_cast<uint32_t>(oldSize + grow))) return kAppendFailed;
    uint32_t g = static_cast<uint32_t>(grow);
    DmgStoreU32(table->view, table->size, kDmgCountOffset, 0);
    std::memmove(table->view + edge + g, table->view + edge, oldSize - edge);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t off = 0;
      DmgLoadU32(table->view, table->size, kDmgOffsetTableOffset + 4 * i, &off);
      DmgStoreU32(table->view, table->size, kDmgOffsetTableOffset + 4 * i, off + g);
    }
    edge += g;
    DmgStoreU32(table->view, table->size, kDmgEdgeOffset, edge);
    DmgStoreU32(table->view, table->size, kDmgCountOffset, count);
  }
  // New offsets go into slots behind the count first; the count grows once
  // they are all in place, just before the table is sorted.
  for (uint32_t i = k; i-- > 0;) {
    auto* record = static_cast<uint8_t*>(import->newRecords.items[i]);
    uint32_t size = StoredRecordSize(record, kDmgTypeCode);
    edge -= size;
    std::memcpy(table->view + edge, record, size);
    DmgStoreU32(table->view, table->size, kDmgOffsetTableOffset + 4 * (count + (k - 1 - i)), edge);
    std::free(record);
    import->newRecords.items[i] = nullptr;
    ReportProgress(import->progress, nullptr, k - i, k);
  }
  import->newRecords.count = 0;
  import->newBytes = 0;
  DmgStoreU32(table->view, table->size, kDmgEdgeOffset, edge);
  DmgStoreU32(table->view, table->size, kDmgCountOffset, count + k);
  if (!SortOffsetTable(table, import->ops) || !RebuildKeyIndex(table, import->ops, nullptr)) return kAppendFailed;
  change.Done();
  return static_cast<int>(k);
}

void ClearDmgImport(CDmgImport* import) {
  ReleaseWordTree(import->duplicates, false);
  import->duplicates = nullptr;
  for (uint32_t i = 0; i < import->newRecords.count; ++i) std::free(import->newRecords.items[i]);
  FreePointerArray(&import->newRecords);
  import->newBytes = 0;
  SetImportText(import, DecodedText());
  CloseImportRejects(import);
}

int ImportWordFile(CDmgImport* import, const wchar_t* path) {
  DecodedText text;
  if (ReadWholeTextFile(path, &text) != kReadTextDone) return -1;
  SetImportText(import, std::move(text));
  ParseImportHeader(import);
  ParseImportLines(import);
  return AppendToTable(import);
}
