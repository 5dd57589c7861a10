// The user words a repair keeps in the data folder until they are back in
// main.dmg: a restore made to fail (a second process holding the folder's
// write lock through the wait, a table that cannot be written), the next
// repair putting them back, config's import reading the file, and files
// others put in the data folder.
#include <gtest/gtest.h>

#include <random>

#include "codetable/DmgImport.h"
#include "installer/core/KeptUserWords.h"
#include "installer/core/UserWords.h"
#include "tests/common/ChildProcess.h"
#include "tests/installer/RepairTestSupport.h"

namespace zn::test {
namespace {

const DmgTestEntry kWord = {"zzxy", L"星禾", kUserAttr};
const DmgTestEntry kPinnedWord = {"zzab", L"词\\t条", kUserAttr | 0x40000000};

std::wstring KeptFile(InstallFixture& f, const wchar_t* suffix = L".txt") {
  return f.Data() + kKeptWordsName + suffix;
}

std::vector<DmgTestEntry> KeptEntries(const std::wstring& path) {
  std::vector<DmgTestEntry> entries;
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  for (const std::vector<uint8_t>& record : UserWordRecords(bytes)) {
    DmgView view{record.data(), static_cast<uint32_t>(record.size()), 1, kDmgTypeCode};
    DmgRecord read;
    if (!ReadDmgRecordAt(view, 0, &read)) continue;
    DmgTestEntry entry;
    entry.code.assign(reinterpret_cast<const char*>(read.code + 1), read.codeLen);
    for (uint32_t i = 0; i < read.wordLenUnits; ++i) entry.word += RecordWordUnit(read, i);
    entry.attr = read.attr;
    entries.push_back(entry);
  }
  return entries;
}

// What the log says about the words: the failure, where they are and how
// to get them back.
void ExpectToldWhereTheWordsAre(InstallFixture& f) {
  EXPECT_TRUE(f.log.Has(L"错误: 用户词条未能写回码表。"));
  EXPECT_TRUE(f.log.Has(L"2 条用户词条保存在 " + KeptFile(f) + L" 中，下次修复时自动写回码表"));
  EXPECT_TRUE(f.log.Has(L"“码表”页选中“输入编码表”，单击“导入”并选择该文件"));
  EXPECT_FALSE(f.log.Has(L"已将"));
}

TEST(KeptWords, AWriterHoldingTheLockPastTheWaitLeavesTheWordsOnDisk) {
  InstalledFixture f;
  WriteFileBytes(f.Data() + L"main.dmg", TableWithFields(true, 5, 6, 7));
  // Another process takes the data folder's lock before the repair and keeps
  // it through the restore's whole wait.
  auto holder = std::make_unique<ChildProcess>(BesideThisProgram(L"engine_data_writer.exe"),
                                               L"hold " + Quoted(f.Data()), L"");
  std::string answer;
  ASSERT_TRUE(holder->ReadLine(15000, &answer));
  ASSERT_EQ(answer, "held");
  EXPECT_FALSE(f.Repair());
  EXPECT_EQ(f.state->outcome, RunOutcome::kFailed);
  ExpectToldWhereTheWordsAre(f);
  std::vector<DmgTestEntry> kept = KeptEntries(KeptFile(f));
  EXPECT_EQ(kept.size(), 2u);
  EXPECT_TRUE(Holds(kept, kWord));
  EXPECT_TRUE(Holds(kept, kPinnedWord));
  EXPECT_FALSE(Holds(Entries(f.Data() + L"main.dmg"), kWord));
  // An uninstall now removes the data folder: its backup holds the words.
  UserWordBackup backup = BackupUserWords(*f.state, f.os);
  EXPECT_EQ(backup.result, UserWordBackup::Result::kSaved);
  EXPECT_EQ(backup.entries, 2u);
  std::vector<DmgTestEntry> saved = KeptEntries(backup.path);
  EXPECT_TRUE(Holds(saved, kWord));
  EXPECT_TRUE(Holds(saved, kPinnedWord));

  // The holder lets go; the next repair puts the words back, and only then
  // is the file gone.
  holder->CloseInput();
  ASSERT_TRUE(holder->Finish(5000));
  holder.reset();
  f.log.lines.clear();
  ASSERT_TRUE(f.Repair()) << f.log.lines.back();
  EXPECT_TRUE(f.log.Has(L"已将 2 条用户词条写回码表"));
  std::vector<DmgTestEntry> entries = Entries(f.Data() + L"main.dmg");
  EXPECT_TRUE(Holds(entries, kWord));
  EXPECT_TRUE(Holds(entries, kPinnedWord));
  EXPECT_FALSE(Exists(KeptFile(f)));
}

TEST(KeptWords, ATableThatCannotBeWrittenLeavesTheWordsForTheNextRepairAndForConfig) {
  InstalledFixture f;
  WriteFileBytes(f.Data() + L"main.dmg", TableWithFields(true, 5, 6, 7));
  const std::wstring table = f.Data() + L"main.dmg";
  // The moment main.dmg holds the packaged table (where a repair killed
  // now would end), the words are already in a complete file. Once it is
  // placed, another program opens the new table and lets no one write it.
  bool sawOverwrite = false;
  HANDLE reader = INVALID_HANDLE_VALUE;
  f.os.onPlaced = [&](const std::wstring& path) {
    if (Lower(path) == Lower(table)) {
      sawOverwrite = true;
      EXPECT_EQ(KeptEntries(KeptFile(f)).size(), 2u);
      EXPECT_FALSE(Exists(KeptFile(f, L".txt.new")));
    } else if (Lower(path) == Lower(f.Install() + L"config.exe")) {
      reader = CreateFileW(table.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
      EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    }
  };
  EXPECT_FALSE(f.Repair());
  ASSERT_TRUE(sawOverwrite);
  ExpectToldWhereTheWordsAre(f);
  f.os.onPlaced = nullptr;
  CloseHandle(reader);

  // The file is the backup text config's import reads: both words come back
  // as user words, into the table row as into the user category's row.
  const std::wstring expected =
      L"\xFEFF---config@码表分类=主码-用户码表\r\n"
      L"词\\\\t条\tzzab#固#序1024\r\n"
      L"星禾\tzzxy#序1024\r\n";
  EXPECT_EQ(Utf16File(KeptFile(f)), expected);
  for (uint32_t row : {0u, kUserCategory}) {
    TempDir dir;
    std::wstring copy = dir.File(L"main.dmg");
    WriteFileBytes(copy, BuildDmgBytes(SmallMainTable(false)));
    MappedFilePtr mapped = OpenTableFile(copy);
    CDmgImport import{};
    import.selectedCategory = row;
    import.mainTable = mapped.get();
    EXPECT_EQ(ImportWordFile(&import, KeptFile(f).c_str()), 2) << row;
    ClearDmgImport(&import);
    mapped.reset();
    std::vector<DmgTestEntry> imported = Entries(copy);
    EXPECT_TRUE(Holds(imported, kWord)) << row;
    EXPECT_TRUE(Holds(imported, kPinnedWord)) << row;
  }

  // The next repair finds the packaged table without the words (as after a
  // repair killed before its restore) and takes them from the file.
  f.log.lines.clear();
  ASSERT_TRUE(f.Repair()) << f.log.lines.back();
  EXPECT_TRUE(f.log.Has(L"已将 2 条用户词条写回码表"));
  EXPECT_TRUE(Holds(Entries(table), kWord));
  EXPECT_TRUE(Holds(Entries(table), kPinnedWord));
  EXPECT_FALSE(Exists(KeptFile(f)));

  // A data folder that takes no new file: the repair stops before anything
  // is replaced, the words still in the table.
  f.log.lines.clear();
  f.os.busy.insert(Lower(KeptFile(f, L".txt.new")));
  std::vector<uint8_t> before = ReadFileBytes(table);
  EXPECT_FALSE(f.Repair());
  EXPECT_TRUE(f.log.Has(L"用户词条无法保存到数据目录"));
  EXPECT_EQ(ReadFileBytes(table), before);
}

// The data folder lets every user add and change files: only the files this
// program wrote are read (and removed), and what is read only ever becomes
// user words.
TEST(KeptWords, OnlyItsOwnFilesAreReadAndOnlyAsUserWords) {
  const std::vector<uint8_t> text = UserWordText(
      {RecordBytes(kWord), RecordBytes(kPinnedWord), RecordBytes({"wq", L"你们", kUserAttr})});
  std::vector<std::vector<uint8_t>> back = UserWordRecords(text);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(UserWordText(back), text);

  // Any category, tag or header in the text still makes user words; lines
  // that make no entry are passed over.
  std::wstring mixed =
      L"\xFEFF---config@码表分类=辅码码表\r\n// note\r\n"
      L"次\tci#次#序7\r\n类\tlei#类3\r\n无编码\r\n坏\t中文\r\n\tqq\r\n";
  std::vector<uint8_t> mixedBytes(reinterpret_cast<const uint8_t*>(mixed.data()),
                                  reinterpret_cast<const uint8_t*>(mixed.data() + mixed.size()));
  std::vector<std::vector<uint8_t>> read = UserWordRecords(mixedBytes);
  ASSERT_EQ(read.size(), 2u);
  for (const std::vector<uint8_t>& record : read)
    EXPECT_EQ(EntryAttr::Category(StoredRecordAttr(record.data())), kUserCategory);

  // Damaged text never breaks the reader, and every record it makes is a
  // whole user entry with a code the import would take.
  std::mt19937 rng(20261209);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = round % 2 ? text : mixedBytes;
    for (int n = rng() % 8 + 1; n > 0; --n) {
      size_t at = rng() % bytes.size();
      switch (rng() % 3) {
        case 0: bytes[at] = static_cast<uint8_t>(rng()); break;
        case 1: bytes.erase(bytes.begin() + at); break;
        default: bytes.insert(bytes.begin() + at, static_cast<uint8_t>(rng())); break;
      }
      if (bytes.empty()) bytes.push_back(0);
    }
    for (const std::vector<uint8_t>& record : UserWordRecords(bytes)) {
      ASSERT_EQ(StoredRecordSize(record.data(), kDmgTypeCode), record.size());
      ASSERT_EQ(EntryAttr::Category(StoredRecordAttr(record.data())), kUserCategory);
      ASSERT_GT(record[4], 0);
    }
  }

  InstalledFixture f;
  // A name of the kept files given to a file of someone else's, to one a
  // user made, and a file a killed repair was still writing.
  std::wstring secret = f.os.Folder(KnownFolder::kDocuments) + L"secret.txt";
  WriteFileBytes(secret, UserWordText({RecordBytes({"mmmm", L"秘密", kUserAttr})}));
  ASSERT_TRUE(CreateHardLinkW(KeptFile(f).c_str(), secret.c_str(), nullptr));
  std::wstring planted = KeptFile(f, L" (2).txt");
  WriteFileBytes(planted, UserWordText({RecordBytes({"pppp", L"他人", kUserAttr})}));
  f.os.foreignOwners.insert(Lower(planted));
  WriteFileBytes(KeptFile(f, L".txt.new"), Bytes("half"));
  // A file an earlier repair left.
  std::wstring earlier = KeptFile(f, L" (3).txt");
  WriteFileBytes(earlier, mixedBytes);
  std::vector<uint8_t> secretBefore = ReadFileBytes(secret);
  std::vector<uint8_t> plantedBefore = ReadFileBytes(planted);

  // While main.dmg is replaced the words wait under the first free name.
  bool sawOverwrite = false;
  f.os.onPlaced = [&](const std::wstring& path) {
    if (Lower(path) != Lower(f.Data() + L"main.dmg")) return;
    sawOverwrite = true;
    EXPECT_EQ(KeptEntries(KeptFile(f, L" (4).txt")).size(), 2u);
    EXPECT_FALSE(Exists(earlier));
  };
  ASSERT_TRUE(f.Repair()) << f.log.lines.back();
  EXPECT_TRUE(sawOverwrite);
  std::vector<DmgTestEntry> entries = Entries(f.Data() + L"main.dmg");
  EXPECT_TRUE(Holds(entries, {"ci", L"次", 0x02000007u}));
  EXPECT_TRUE(Holds(entries, {"lei", L"类", StoredRecordAttr(read[1].data())}));
  for (const DmgTestEntry& entry : entries) {
    EXPECT_NE(entry.word, L"秘密");
    EXPECT_NE(entry.word, L"他人");
  }
  EXPECT_FALSE(Exists(KeptFile(f, L" (4).txt")));
  EXPECT_FALSE(Exists(KeptFile(f, L".txt.new")));
  EXPECT_EQ(ReadFileBytes(secret), secretBefore);
  EXPECT_EQ(ReadFileBytes(KeptFile(f)), secretBefore);
  EXPECT_EQ(ReadFileBytes(planted), plantedBefore);
}

}  // namespace
}  // namespace zn::test
