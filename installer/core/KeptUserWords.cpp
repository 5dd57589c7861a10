// The kept user words in the data folder: written as the export writes a
// category, read back as entry lines, and nothing else. The data folder lets
// every user add and change files, so a file is only made new, never written
// through a name found there, and what is read back only ever becomes user
// entries of the table.
#include "installer/core/KeptUserWords.h"

#include <algorithm>

#include "codetable/DefinitionText.h"
#include "codetable/TableExport.h"
#include "engine/DmgTable.h"
#include "engine/TextDecoder.h"
#include "engine/WideString.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/ProductPaths.h"

namespace {

constexpr wchar_t kUserCategoryLine[] = L"---config@码表分类=主码-用户码表\r\n";
// The name a file is written under before it is renamed into place.
constexpr wchar_t kWritingSuffix[] = L".txt.new";
constexpr int kMaxKeptNames = 999;
// Far more than any user's words as text; a larger file is not ours.
constexpr uint64_t kMaxKeptBytes = 64ull << 20;

using StoredRecord = std::vector<uint8_t>;

// A stored record as the export reads it.
bool RecordOf(const StoredRecord& stored, DmgRecord* out) {
  DmgView view;
  view.base = stored.data();
  view.sizeBytes = static_cast<uint32_t>(stored.size());
  view.countRecords = 1;
  view.type = kDmgTypeCode;
  return stored.size() <= kDmgMaxRecordBytes && ReadDmgRecordAt(view, 0, out) &&
         out->sizeBytes == stored.size();
}

// Same code and same word: the restore adds a record only once.
bool SameEntry(const StoredRecord& a, const StoredRecord& b) {
  return CompareDmgRecords(a.data() + 4, b.data() + 4) == 0;
}

bool EntryLess(const StoredRecord& a, const StoredRecord& b) {
  return CompareDmgRecords(a.data() + 4, b.data() + 4) < 0;
}

// A code the compiler and the import would take back.
bool UsableCode(const uint8_t* record) {
  uint32_t len = record[4];
  if (len == 0 || len > kMaxCodeBytes) return false;
  for (uint32_t i = 0; i < len; ++i) {
    if (!IsCodeByte(record[5 + i])) return false;
  }
  return true;
}

std::wstring KeptName(int n) {
  std::wstring name = kKeptWordsName;
  if (n > 1) name += L" (" + std::to_wstring(n) + L")";
  return name + L".txt";
}

// The user words of the files an earlier repair left, and those files'
// names. A file that is a link, has a second name or belongs to someone
// else is neither read nor removed.
void ReadEarlierFiles(InstallerOs& os, HANDLE folder, const std::vector<FolderEntry>& entries,
                      std::vector<StoredRecord>* records, std::vector<std::wstring>* names) {
  for (const FolderEntry& entry : entries) {
    if (!IsKeptWordsName(entry.name)) continue;
    HANDLE file = nullptr;
    PathFacts facts;
    if (os.OpenLevel(folder, entry.name.c_str(), &file, &facts) != PathPresence::kPresent) continue;
    std::vector<uint8_t> bytes;
    bool ours = !(facts.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
                facts.linkCount == 1 && IsTrustedOwner(facts);
    bool read = ours && os.ReadEntry(file, &bytes, kMaxKeptBytes);
    os.CloseEntry(file);
    if (!read) continue;
    for (StoredRecord& record : UserWordRecords(bytes)) records->push_back(std::move(record));
    names->push_back(entry.name);
  }
}

// The data folder held open (only a trusted one) and what it lists.
bool HoldDataFolder(InstallerOs& os, const std::wstring& folderPath, HeldFolder* folder,
                    std::vector<FolderEntry>* entries) {
  std::wstring part;
  if (OpenTrustedFolder(os, folderPath, LevelCreation::kNone, folder, &part) !=
          FolderTrust::kTrusted ||
      !folder->get()) {
    return false;
  }
  os.ListFolder(folderPath.c_str(), entries);
  return true;
}

}  // namespace

std::vector<uint8_t> UserWordText(const std::vector<StoredRecord>& records) {
  std::vector<DmgRecord> entries;
  entries.reserve(records.size());
  for (const StoredRecord& stored : records) {
    DmgRecord record;
    if (RecordOf(stored, &record)) entries.push_back(record);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const DmgRecord& a, const DmgRecord& b) {
    return CompareTableEntries(a, b) < 0;
  });
  // The export's own line writer, its text taken line by line before it
  // would write any of it to a file.
  ExportContext context{nullptr, kDmgTypeCode, nullptr, static_cast<int32_t>(kUserCategory), 0,
                        static_cast<uint32_t>(entries.size()), nullptr, {}, false};
  std::vector<wchar_t> text = {0xFEFF};
  for (const wchar_t* p = kUserCategoryLine; *p; ++p) text.push_back(*p);
  for (const DmgRecord& record : entries) {
    WriteEntryLine(record, &context);
    text.insert(text.end(), context.pending.begin(), context.pending.end());
    context.pending.clear();
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return std::vector<uint8_t>(bytes, bytes + text.size() * sizeof(wchar_t));
}

std::vector<StoredRecord> UserWordRecords(const std::vector<uint8_t>& bytes) {
  std::vector<StoredRecord> records;
  DecodedText text;
  if (bytes.empty() || bytes.size() > kMaxKeptBytes ||
      !text.Decode(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    return records;
  }
  uint32_t pos = 0;
  wchar_t* line = nullptr;
  uint32_t units = 0;
  while (NextCompilerLine(text.Text(), text.LenUnits(), &pos, &line, &units)) {
    if (ClassifyCompilerLine(&line, &units) != LineKind::kEntry) continue;
    wchar_t* tab = std::find(line, line + units, L'\t');
    if (tab == line + units) continue;
    *tab = L'\0';
    if (UnescapeWord(line) > kMaxWordUnits) continue;
    wchar_t code[kCodePartUnits];
    CopyStringBounded(code, kCodePartUnits, tab + 1);
    DmgRecordBuffer built = BuildRecordFromText(code, line, nullptr);
    if (!built || !UsableCode(built.get())) continue;
    SetStoredRecordAttr(built.get(),
                        EntryAttr::WithCategory(StoredRecordAttr(built.get()), kUserCategory));
    uint32_t size = StoredRecordSize(built.get(), kDmgTypeCode);
    records.emplace_back(built.get(), built.get() + size);
  }
  return records;
}

bool IsKeptWordsName(const std::wstring& name) {
  const std::wstring base = kKeptWordsName;
  if (name.size() < base.size() + 4 || name.compare(0, base.size(), base) != 0 ||
      name.compare(name.size() - 4, 4, L".txt") != 0) {
    return false;
  }
  std::wstring middle = name.substr(base.size(), name.size() - base.size() - 4);
  if (middle.empty()) return true;
  if (middle.size() < 4 || middle.compare(0, 2, L" (") != 0 || middle.back() != L')') return false;
  std::wstring digits = middle.substr(2, middle.size() - 3);
  auto digit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
  return digits.size() <= 3 && digits[0] != L'0' &&
         std::all_of(digits.begin(), digits.end(), digit);
}

void AddWordsTheTableLacks(std::vector<StoredRecord>* records, std::vector<StoredRecord> earlier) {
  // Words already held from the table are kept as stored there; an earlier
  // file adds the ones the table no longer has.
  std::vector<StoredRecord> held = *records;
  std::sort(held.begin(), held.end(), EntryLess);
  std::sort(earlier.begin(), earlier.end(), EntryLess);
  earlier.erase(std::unique(earlier.begin(), earlier.end(), SameEntry), earlier.end());
  for (StoredRecord& record : earlier) {
    if (!std::binary_search(held.begin(), held.end(), record, EntryLess))
      records->push_back(std::move(record));
  }
}

std::vector<StoredRecord> ReadKeptUserWords(InstallerOs& os, const std::wstring& dataFolder) {
  std::vector<StoredRecord> records;
  HeldFolder folder(os);
  std::vector<FolderEntry> entries;
  if (!HoldDataFolder(os, WithBackslash(dataFolder), &folder, &entries)) return records;
  std::vector<std::wstring> names;
  ReadEarlierFiles(os, folder.get(), entries, &records, &names);
  return records;
}

bool KeepUserWordsOnDisk(InstallerOs& os, const std::wstring& dataFolder, KeptTableState* kept,
                         KeptWordsFile* out) {
  *out = KeptWordsFile{};
  const std::wstring folderPath = WithBackslash(dataFolder);
  HeldFolder folder(os);
  std::vector<FolderEntry> entries;
  if (!HoldDataFolder(os, folderPath, &folder, &entries)) return kept->userRecords.empty();
  std::vector<StoredRecord> earlier;
  std::vector<std::wstring> earlierNames;
  ReadEarlierFiles(os, folder.get(), entries, &earlier, &earlierNames);
  AddWordsTheTableLacks(&kept->userRecords, std::move(earlier));

  const std::wstring writing = std::wstring(kKeptWordsName) + kWritingSuffix;
  // A file a killed repair was still writing: its words are in the table or
  // in a file renamed into place before.
  os.RemoveFile((folderPath + writing).c_str());
  if (kept->userRecords.empty()) {
    for (const std::wstring& name : earlierNames) os.RemoveFile((folderPath + name).c_str());
    return true;
  }
  std::vector<uint8_t> text = UserWordText(kept->userRecords);
  if (!os.WriteNewFile(folder.get(), writing.c_str(), text.data(), text.size())) return false;
  // Never over a name found: an earlier file goes only once this one is in
  // place, and a name taken meanwhile refuses the rename.
  for (int n = 1; n <= kMaxKeptNames && out->path.empty(); ++n) {
    std::wstring name = KeptName(n);
    bool listed = std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
      return LowerAscii(entry.name) == LowerAscii(name);
    });
    if (!listed && os.RenameInFolder(folder.get(), writing.c_str(), name.c_str()))
      out->path = folderPath + name;
  }
  if (out->path.empty()) {
    os.RemoveFile((folderPath + writing).c_str());
    return false;
  }
  out->words = static_cast<uint32_t>(kept->userRecords.size());
  // Their words are in the new file now.
  for (const std::wstring& name : earlierNames) os.RemoveFile((folderPath + name).c_str());
  return true;
}

void ForgetKeptUserWords(InstallerOs& os, const KeptWordsFile& file) {
  if (!file.path.empty()) os.RemoveFile(file.path.c_str());
}
