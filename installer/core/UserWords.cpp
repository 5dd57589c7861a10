// User words: collected from the installed table, exported by the code-table
// export, and put back into a replaced table.
#include "installer/core/UserWords.h"

#include <cstddef>
#include <cstring>

#include "codetable/TableExport.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/PlainFile.h"
#include "engine/WideString.h"
#include "installer/core/FolderTree.h"
#include "installer/core/KeptUserWords.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

constexpr wchar_t kBackupName[] = L"导出 - 用户词条";
// More backups than this in one folder: the user has to tidy up first.
constexpr int kMaxBackupNames = 999;

// A private copy of a table file: the live file stays untouched and other
// processes keep mapping it.
struct TableCopy {
  MappedFile* file = nullptr;
  explicit TableCopy(const std::wstring& path) { ReadWholeFile(&file, path.c_str()); }
  ~TableCopy() { CloseMappedFile(file, 0); }
  TableCopy(const TableCopy&) = delete;
  TableCopy& operator=(const TableCopy&) = delete;
};

// A backup written whole into a name that was free, or nothing.
bool WriteWholeNewFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateNewPlainFile(path.c_str(), GENERIC_WRITE, 0);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) &&
                  written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  return ok;
}

uint32_t CountUserEntries(const DmgView& view) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord record;
    if (ReadDmgRecord(view, i, &record) && EntryAttr::Category(record.attr) == kUserCategory)
      ++count;
  }
  return count;
}

}  // namespace

bool ReadKeptTableState(const std::wstring& tablePath, KeptTableState* out) {
  *out = KeptTableState{};
  TableCopy copy(tablePath);
  DmgView view = GetDmgView(copy.file);
  if (!view.base || !DmgInBounds(view.sizeBytes, 0, kDmgOffsetTableOffset)) return false;
  out->haveFields = true;
  std::memcpy(&out->userState74, view.base + offsetof(DmgHeader, userState74), 4);
  std::memcpy(&out->userState78, view.base + offsetof(DmgHeader, userState78), 8);
  std::memcpy(&out->userState80, view.base + offsetof(DmgHeader, userState80), 8);
  if (view.type != kDmgTypeCode) return true;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord record;
    if (!ReadDmgRecord(view, i, &record) || EntryAttr::Category(record.attr) != kUserCategory)
      continue;
    const uint8_t* bytes = view.base + record.offset;
    out->userRecords.emplace_back(bytes, bytes + record.sizeBytes);
  }
  return true;
}

int RestoreKeptTableState(const std::wstring& tablePath, const KeptTableState& kept) {
  MappedFile* table = nullptr;
  OpenMappedFile(&table, tablePath.c_str());
  if (!IsWritableMapping(table)) {
    CloseMappedFile(table, 0);
    return -1;
  }
  const RecordCompareOps* ops = &kDefaultRecordCompareOps;
  // Input methods may already map the new table: write as every writer does.
  DataWriteLock lock(table);
  RemapIfResized(table);
  if (!lock.Held() || !RepairDmgTable(table, ops)) {
    CloseMappedFile(table, 0);
    return -1;
  }
  int added = 0;
  bool ok = true;
  if (kept.haveFields && DmgInBounds(table->size, 0, kDmgOffsetTableOffset)) {
    std::memcpy(table->view + offsetof(DmgHeader, userState74), &kept.userState74, 4);
    std::memcpy(table->view + offsetof(DmgHeader, userState78), &kept.userState78, 8);
    std::memcpy(table->view + offsetof(DmgHeader, userState80), &kept.userState80, 8);
  }
  for (const std::vector<uint8_t>& record : kept.userRecords) {
    if (record.size() < 6 || record.size() > kDmgMaxRecordBytes ||
        StoredRecordSize(record.data(), kDmgTypeCode) != record.size()) {
      continue;
    }
    // Record keys start at the code's length byte.
    if (FindRecord(table, record.data() + 4, ops) > 0) continue;
    if (!AppendRecord(table, record.data()) || !PlaceNewRecord(table, ops, -1)) {
      ok = false;
      break;
    }
    ++added;
  }
  if (added > 0 && !RebuildKeyIndex(table, ops)) ok = false;
  if (!FlushMappedFile(table)) ok = false;
  CloseMappedFile(table, 1);
  return ok ? added : -1;
}

bool NewUserWordBackupPath(InstallerOs& os, const std::wstring& folderName, std::wstring* out) {
  std::wstring documents;
  if (!os.GetKnownFolder(KnownFolder::kDocuments, &documents)) return false;
  std::wstring folder = WithBackslash(documents) + L"[ " + folderName + L" ]\\";
  if (!CreateDirectoryPath(os, folder)) return false;
  for (int n = 1; n <= kMaxBackupNames; ++n) {
    std::wstring name = n == 1 ? std::wstring(kBackupName)
                               : std::wstring(kBackupName) + L" (" + std::to_wstring(n) + L")";
    std::wstring path = folder + name + L".txt";
    if (os.FileAttributes(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      *out = path;
      return true;
    }
  }
  return false;
}

UserWordBackup BackupUserWords(InstallerState& state, InstallerOs& os) {
  UserWordBackup backup;
  std::wstring data;
  // Only this product's own data folder is read.
  if (!ProductDataFolder(os, FieldText(state.soft.imeName), &data)) return backup;
  TableCopy copy(data + L"main.dmg");
  DmgView view = GetDmgView(copy.file);
  // Words a failed repair left beside the table go with the data folder on
  // an uninstall: they are saved with the table's.
  std::vector<std::vector<uint8_t>> pending = ReadKeptUserWords(os, data);
  std::vector<std::vector<uint8_t>> records;
  if (!pending.empty()) {
    KeptTableState table;
    ReadKeptTableState(data + L"main.dmg", &table);
    records = std::move(table.userRecords);
    AddWordsTheTableLacks(&records, std::move(pending));
    backup.entries = static_cast<uint32_t>(records.size());
  } else if (view.type == kDmgTypeCode) {
    backup.entries = CountUserEntries(view);
  }
  if (backup.entries == 0) return backup;
  backup.result = UserWordBackup::Result::kFailed;
  // The folder is named after the product; a display name that is no plain
  // name falls back to the module name.
  const std::wstring displayName = FieldText(state.soft.displayName);
  std::wstring folderName =
      IsPlainFileName(displayName) ? displayName : FieldText(state.soft.imeName);
  std::wstring path;
  if (!NewUserWordBackupPath(os, folderName, &path)) return backup;
  const bool written =
      records.empty() ? ExportTableText(copy.file, path.c_str(), nullptr,
                                        static_cast<int32_t>(kUserCategory), nullptr, nullptr,
                                        nullptr) == 1
                      : WriteWholeNewFile(path, UserWordText(records));
  if (!written) {
    // The name was free before: whatever is there now is this run's.
    os.RemoveFile(path.c_str());
    return backup;
  }
  backup.result = UserWordBackup::Result::kSaved;
  backup.path = path;
  return backup;
}

bool SaveUserWordsFirst(InstallerState& state, InstallerOs& os, const wchar_t* caption) {
  UserWordBackup backup = BackupUserWords(state, os);
  if (backup.result == UserWordBackup::Result::kFailed) {
    os.ShowMessage(state.owner, kMsgUserWordsNotSaved, caption, MB_OK | MB_ICONERROR);
    return false;
  }
  if (backup.result != UserWordBackup::Result::kSaved) return true;
  wchar_t text[1024];
  FormatString(text, 1024, kLogUserWordsSaved, static_cast<unsigned>(backup.entries),
               backup.path.c_str());
  LogStep(state, -1, text);
  FormatString(text, 1024, kMsgViewBackup, backup.path.c_str());
  if (os.ShowMessage(state.owner, text, kCaptionNotice, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    std::wstring parameters = L"/select,\"" + backup.path + L"\"";
    os.ShellOpen(L"open", L"Explorer.exe", parameters.c_str(), SW_SHOW);
  }
  return true;
}
