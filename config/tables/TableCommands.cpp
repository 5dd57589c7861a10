// Export, clear, replace and import of the manager page's selected row.
#include "config/tables/TableCommands.h"

#include <cstring>
#include <vector>

#include "codetable/CodeTableCommands.h"
#include "codetable/DmgImport.h"
#include "codetable/RecordRoutines.h"
#include "codetable/TableExport.h"
#include "codetable/TableFiles.h"
#include "engine/DataLock.h"
#include "engine/TableJournal.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

constexpr wchar_t kConfirmClear[] =
    L"该操作将清空选中码表类型中的所有词条，此操作是不可恢复的。\r\n确定这样做吗？";
constexpr wchar_t kCategoryLocked[] = L"当前分类的词条未被授权修改，所以您不能清空此类内容！";
constexpr wchar_t kWriteFailed[] = L"无法写入码表文件，操作未能完成。";

void Tell(CodeTableUi& ui, const std::wstring& text) {
  ui.Tell(text.c_str(), kTableCaption, UiIcon::kError);
}

MappedFile* ContextTable(ImeContext* context, TableFileKind kind) {
  switch (kind) {
    case TableFileKind::kMain: return context->files[kFileMain];
    case TableFileKind::kTemp: return context->files[kFileTemp];
    case TableFileKind::kAssociation: return context->files[kFileAssociation];
    case TableFileKind::kEnglish: return context->files[kFileEnglish];
    case TableFileKind::kOther: return nullptr;
  }
  return nullptr;
}

std::wstring TablePath(const ImeContext* context, const TableRow& row) {
  return std::wstring(context->dataFolder) + TableFileOfRow(row);
}

const wchar_t* FolderArgument(const std::wstring& folder) {
  return folder.empty() ? nullptr : folder.c_str();
}

bool WritableMainRow(const ImeContext* context, const TableRow& row) {
  return row.table == TableFileKind::kMain && row.number >= 0 && row.number < 32 &&
         CategoryWritable(context->softBlock, static_cast<uint32_t>(row.number));
}

void PrepareImport(ImeContext* context, uint32_t category, CDmgImport* import) {
  *import = CDmgImport{};
  import->selectedCategory = category;
  import->rules = context->dmeBlock ? context->dmeBlock->wordRules : nullptr;
  import->danzi = context->files[kFileDanzi];
  import->mainTable = context->files[kFileMain];
}

int ImportWordList(ImeContext* context, const TableRow& row, CodeTableUi& ui,
                   const std::wstring& tempFolder) {
  // The import records in the settings how the association keys read.
  bool hash = false;
  const std::wstring path = TablePath(context, row);
  const int result = RunWordListImport(&ui, path.c_str(), &hash, FolderArgument(tempFolder), context->imeBlock);
  ReopenTables(context);
  return result;
}

bool CreateFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring ExportTableRow(ImeContext* context, const TableRow& row, const std::wstring& folder,
                            CodeTableUi& ui) {
  if (!context || row.table == TableFileKind::kTemp) return {};
  const std::wstring file = ExportFileName(row, context->softBlock, folder);
  if (file.empty()) {
    Tell(ui, kNotPermittedMessage);
    return {};
  }
  if (!CreateFolder(folder)) {
    Tell(ui, L"无法创建导出文件夹，导出未能完成：\r\n" + folder);
    return {};
  }
  MappedFile* table = nullptr;
  const std::wstring path = TablePath(context, row);
  if (OpenMappedFile(&table, path.c_str()) <= 0 || !table) {
    Tell(ui, L"无法读取选中的码表，导出未能完成：\r\n" + path);
    return {};
  }
  ImportProgressCallback progress(&ui);
  ui.ShowProgress(true);
  const SoftConfigBlock* soft = context->softBlock;
  const int written = ExportTableText(table, file.c_str(), nullptr, ExportSelector(row),
                                      soft ? &soft->categoryNames : nullptr,
                                      soft ? soft->categoryFlags : nullptr, &progress);
  ui.ShowProgress(false);
  CloseMappedFile(table, 0);
  if (!written) {
    Tell(ui, L"无法写入导出文件，导出未能完成：\r\n" + file);
    return {};
  }
  return file;
}

bool EmptyTempTableInPlace(MappedFile* temp) {
  if (!IsWritableMapping(temp)) return false;
  DataWriteLock lock(temp);
  if (!lock.Held()) return false;
  RemapIfResized(temp);
  TableChange change(temp, TableChangeScope::kWholeFile);
  if (!change.Ready()) return false;
  if (temp->size < kTempTableBytes && !ResizeMappedFile(temp, kTempTableBytes)) return false;
  std::vector<uint8_t> empty(kTempTableBytes);
  WriteEmptyTempTable(empty.data(), kTempTableBytes);
  // Readers see no records from the first store on.
  DmgStoreU32(temp->view, temp->size, kDmgCountOffset, 0);
  CopyIntoChangingTable(temp, 0, empty.data(), kTempTableBytes);
  FlushMappedFile(temp);
  change.Done();
  return true;
}

bool ClearTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui) {
  if (!context) return false;
  MappedFile* table = ContextTable(context, row.table);
  const bool mainCategory = row.table == TableFileKind::kMain && row.number >= 1 && row.number < 32;
  if (row.table == TableFileKind::kMain && !WritableMainRow(context, row)) {
    if (mainCategory) ui.Tell(kCategoryLocked, kTableCaption, UiIcon::kError);
    return false;
  }
  if (!table) return false;
  if (ui.Ask(kConfirmClear, kTableCaption, UiIcon::kWarning) != UiAnswer::kYes) return false;
  bool done = false;
  if (mainCategory) {
    done = PurgeCategoryEntries(table, 1u << row.number);
  } else if (row.table == TableFileKind::kTemp) {
    done = EmptyTempTableInPlace(table);
  } else {
    done = EmptyTable(table);
  }
  if (!done) Tell(ui, kWriteFailed);
  ReopenTables(context);
  return done;
}

int ReplaceTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui,
                    const std::wstring& tempFolder) {
  if (!context) return -1;
  switch (row.table) {
    case TableFileKind::kAssociation:
    case TableFileKind::kEnglish:
      return ImportWordList(context, row, ui, tempFolder);
    case TableFileKind::kMain:
      break;
    default:
      return -1;
  }
  if (!WritableMainRow(context, row) || !context->files[kFileMain]) return -1;
  int result;
  if (row.number == 0) {
    result = RunReplaceMainTable(&ui, context->files[kFileMain], FolderArgument(tempFolder));
  } else {
    CDmgImport import;
    PrepareImport(context, static_cast<uint32_t>(row.number), &import);
    const int added = RunReplaceCategory(&ui, &import, static_cast<uint32_t>(row.number),
                                         FolderArgument(tempFolder));
    ClearDmgImport(&import);
    result = added == kCommandNotWritten ? 0 : added < 0 ? -1 : 1;
  }
  ReopenTables(context);
  return result;
}

int ImportIntoTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui,
                       const std::wstring& tempFolder) {
  if (!context) return -1;
  if (row.table == TableFileKind::kAssociation || row.table == TableFileKind::kEnglish)
    return ImportWordList(context, row, ui, tempFolder);
  if (!WritableMainRow(context, row) || !context->files[kFileMain]) return -1;
  CDmgImport import;
  PrepareImport(context, static_cast<uint32_t>(row.number), &import);
  const int added = RunMainTableImport(&ui, &import, FolderArgument(tempFolder));
  ClearDmgImport(&import);
  ReopenTables(context);
  return added == kCommandNotWritten ? 0 : added;
}

TableCounts CountContextTables(ImeContext* context) {
  TableCounts counts;
  if (!context) return counts;
  // Tables grown, or built where there was none or an empty file, since the
  // context last looked.
  ReopenTables(context);
  if (MappedFile* main = context->files[kFileMain]) {
    CountEntriesByClass(main, counts.byCategory);
    counts.mainTotal = GetDmgView(main).countRecords;
  }
  auto count = [context](DataFile file, bool* open, uint32_t* n) {
    MappedFile* table = context->files[file];
    *open = table != nullptr;
    if (!table) return;
    *n = GetDmgView(table).countRecords;
  };
  count(kFileTemp, &counts.tempOpen, &counts.temp);
  count(kFileAssociation, &counts.associationOpen, &counts.association);
  count(kFileEnglish, &counts.englishOpen, &counts.english);
  return counts;
}
