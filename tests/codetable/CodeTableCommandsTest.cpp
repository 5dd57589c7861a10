#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codetable/CodeTableCommands.h"
#include "codetable/WordList.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/codetable/ScriptedCodeTableUi.h"
#include "tests/common/ChildProcess.h"

using namespace zn::test;

namespace {

const wchar_t kTable[] = L"甲\taa\r\n乙\tab#用\r\n丙\tac#用\r\n丁\tad#次\r\n";
const std::wstring kData = ZN_TEST_DATA_DIR;
constexpr wchar_t kBusyReason[] = L"数据文件正被其他程序修改，请稍后再试。";

std::vector<std::wstring> Words(MappedFile* table) {
  std::vector<std::wstring> words;
  for (const DmgTestEntry& e : TableEntries(table)) words.push_back(e.word);
  return words;
}

// A data folder (settings beside the table, so another process shares its
// lock) with kTable as main.dmg.
void MakeDataFolder(const TempDir& dir) {
  ASSERT_TRUE(WriteFileBytes(dir.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
  ASSERT_EQ(4, CompileText(dir, kTable, L"main.dmg"));
}

// Another process that takes the folder's lock without waiting and keeps
// it until its input is closed; answer is its first line, "held" or
// "refused".
struct LockHolder {
  LockHolder(const TempDir& dir, const std::wstring& name)
      : process(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(dir.path()), dir.File(name)),
        answer(process.FirstLine(15000)) {}
  ~LockHolder() {
    process.CloseInput();
    process.Finish(10000);
  }
  ChildProcess process;
  std::string answer;
};

// Starts a lock holder at its first progress report: the moment the lines
// are read, after the purge of a category replace, before the append.
class HolderAtProgressUi : public ScriptedUi {
 public:
  explicit HolderAtProgressUi(const TempDir& dir) : dir_(dir) {}
  void SetProgress(int percent) override {
    if (!holder) holder = std::make_unique<LockHolder>(dir_, L"holder-progress.txt");
    ScriptedUi::SetProgress(percent);
  }
  std::unique_ptr<LockHolder> holder;

 private:
  const TempDir& dir_;
};

}  // namespace

TEST(CodeTableCommandsTest, ReplacingACategoryReadsTheFileBeforePurging) {
  TempDir dir;
  ASSERT_EQ(4, CompileText(dir, kTable, L"main.dmg"));
  auto main = OpenTableFile(dir.File(L"main.dmg"));
  std::vector<DmgTestEntry> before = TableEntries(main.get());
  ScriptedUi ui;
  CDmgImport imp{};
  imp.mainTable = main.get();

  EXPECT_EQ(-1, RunReplaceCategory(&ui, &imp, 2, dir.path().c_str()));  // chooser cancelled
  ui.chosen = dir.File(L"missing.txt");
  EXPECT_EQ(-1, RunReplaceCategory(&ui, &imp, 2, dir.path().c_str()));  // unreadable
  EXPECT_EQ(before, TableEntries(main.get()));

  WriteText(dir.File(L"user.txt"), L"戊\tae\r\n甲\taa\r\n");
  ui.chosen = dir.File(L"user.txt");
  EXPECT_EQ(1, RunReplaceCategory(&ui, &imp, 2, dir.path().c_str()));
  std::vector<std::wstring> words;
  for (const DmgTestEntry& e : TableEntries(main.get())) words.push_back(e.word);
  EXPECT_EQ((std::vector<std::wstring>{L"甲", L"丁", L"戊"}), words);
  EXPECT_TRUE(EveryCodeFindable(main.get()));
  // 甲 was refused (already there): the summary offers the rejects file.
  ASSERT_FALSE(ui.asked.empty());
  EXPECT_NE(std::wstring::npos, ui.asked.back().find(L"成功添加词条数: 1"));
  EXPECT_EQ(dir.File(kRejectsFileName), ui.opened);
  EXPECT_EQ(100, ui.percents.back());
  ClearDmgImport(&imp);
}

// A dead writer's change that cannot be undone now (its journal held open
// by someone else): the category is not cleared, no word is added to the
// half-changed table, and the user is told.
TEST(CodeTableCommandsTest, ReplacingACategoryOfATableStillChangingIsRefused) {
  TempDir dir;
  ASSERT_EQ(4, CompileText(dir, kTable, L"main.dmg"));
  ASSERT_TRUE(LeaveHalfChanged(dir.File(L"main.dmg"), [](MappedFile* t) {
    DmgStoreU32(t->view, t->size, kDmgCountOffset, 0);
  }));
  const std::vector<uint8_t> halfDone = ReadFileBytes(dir.File(L"main.dmg"));
  HANDLE held = CreateFileW((dir.File(L"main.dmg") + kTableJournalSuffix).c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  WriteText(dir.File(L"user.txt"), L"戊\tae\r\n");
  ScriptedUi ui;
  ui.chosen = dir.File(L"user.txt");
  {
    auto main = OpenTableFile(dir.File(L"main.dmg"));
    CDmgImport imp{};
    imp.mainTable = main.get();
    EXPECT_GT(0, RunReplaceCategory(&ui, &imp, 2, dir.path().c_str()));
    ClearDmgImport(&imp);
  }
  CloseHandle(held);
  EXPECT_EQ(halfDone, ReadFileBytes(dir.File(L"main.dmg")));
  ASSERT_FALSE(ui.told.empty());
  EXPECT_NE(std::wstring::npos, ui.told.back().find(L"替换操作无法继续"));
}

TEST(CodeTableCommandsTest, ReplaceMainTableAndWordList) {
  TempDir dir;
  ASSERT_EQ(4, CompileText(dir, kTable, L"main.dmg"));
  auto main = OpenTableFile(dir.File(L"main.dmg"));
  ScriptedUi ui;
  ui.answer = UiAnswer::kNo;
  EXPECT_EQ(-1, RunReplaceMainTable(&ui, main.get(), dir.path().c_str()));
  ui.answer = UiAnswer::kYes;
  WriteText(dir.File(L"new.txt"), L"新\txin\r\n");
  ui.chosen = dir.File(L"new.txt");
  ASSERT_EQ(1, RunReplaceMainTable(&ui, main.get(), dir.path().c_str()));
  EXPECT_EQ((std::vector<DmgTestEntry>{{"xin", L"新", 0x01003FFFu}}), TableEntries(main.get()));

  WriteText(dir.File(L"bad.txt"), L"no entries\r\n");
  ui.chosen = dir.File(L"bad.txt");
  EXPECT_EQ(0, RunReplaceMainTable(&ui, main.get(), dir.path().c_str()));
  EXPECT_NE(std::wstring::npos, ui.told.back().find(L"无法创建"));
  EXPECT_EQ(1u, TableEntries(main.get()).size());

  WriteText(dir.File(L"list.txt"), L"甲乙\r\n");
  ASSERT_EQ(1, BuildWordListTable(dir.File(L"list.txt").c_str(), dir.File(L"sysl.dmg").c_str(), nullptr, nullptr));
  WriteText(dir.File(L"list2.txt"), L"#联想\r\n丙丁\r\n");
  ui.chosen = dir.File(L"list2.txt");
  bool hash = false;
  EXPECT_EQ(1, RunWordListImport(&ui, dir.File(L"sysl.dmg").c_str(), &hash, dir.path().c_str()));
  EXPECT_TRUE(hash);
  EXPECT_EQ(L"词条导入成功。", ui.told.back());
  auto sysl = OpenTableFile(dir.File(L"sysl.dmg"));
  EXPECT_EQ(2u, TableEntries(sysl.get()).size());
}

// A builder killed while writing sysl.dmg leaves it missing, empty or too
// short to be a table: the import builds it from the list, in a data folder
// and in any other.
TEST(CodeTableCommandsTest, WordListImportBuildsAMissingOrEmptyTable) {
  for (bool dataFolder : {false, true}) {
    for (int state = 0; state < 3; ++state) {
      TempDir dir;
      if (dataFolder) ASSERT_TRUE(WriteFileBytes(dir.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
      const std::wstring sysl = dir.File(L"sysl.dmg");
      if (state > 0) ASSERT_TRUE(WriteFileBytes(sysl, std::vector<uint8_t>(state == 1 ? 0 : 40, 0x5A)));
      WriteText(dir.File(L"list.txt"), L"#联想\r\n丙丁\r\n甲乙\r\n");
      ScriptedUi ui;
      ui.chosen = dir.File(L"list.txt");
      bool hash = false;
      const std::string what = std::string(dataFolder ? "data folder, " : "plain folder, ") +
                               (state == 0 ? "no table" : state == 1 ? "empty table" : "short table");
      EXPECT_EQ(1, RunWordListImport(&ui, sysl.c_str(), &hash, dir.path().c_str())) << what;
      EXPECT_TRUE(hash) << what;
      ASSERT_FALSE(ui.told.empty());
      EXPECT_EQ(L"词条导入成功。", ui.told.back()) << what;
      auto table = OpenTableFile(sysl);
      EXPECT_TRUE(table) << what;
      if (!table) continue;
      EXPECT_TRUE(IsWritableMapping(table.get())) << what;
      std::vector<std::wstring> texts;
      for (const DmgTestEntry& e : TableEntries(table.get())) texts.push_back(e.word);
      EXPECT_EQ((std::vector<std::wstring>{L"#联想", L"丙丁", L"甲乙"}), texts) << what;
      EXPECT_TRUE(CheckDmgTable(table.get(), nullptr).Sound()) << what;
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((sysl + L".new").c_str())) << what;
    }
  }
}

// An import that could not write (another process holds the folder's lock
// through the whole wait) is told as a failure with its reason and adds
// nothing; one with nothing new to add still ends with the summary of 0.
TEST(CodeTableCommandsTest, ImportThatCannotWriteIsToldApartFromNothingNew) {
  TempDir dir;
  MakeDataFolder(dir);
  auto main = OpenTableFile(dir.File(L"main.dmg"));
  const std::vector<uint8_t> before = ReadFileBytes(dir.File(L"main.dmg"));
  WriteText(dir.File(L"new.txt"), L"戊\tae\r\n己\taf#用\r\n");
  ScriptedUi ui;
  ui.chosen = dir.File(L"new.txt");
  {
    LockHolder holder(dir, L"holder.txt");
    ASSERT_EQ("held", holder.answer);
    CDmgImport imp{};
    imp.mainTable = main.get();
    EXPECT_GT(0, RunMainTableImport(&ui, &imp, dir.path().c_str()));
    ClearDmgImport(&imp);
  }
  EXPECT_EQ(before, ReadFileBytes(dir.File(L"main.dmg")));
  ASSERT_EQ(1u, ui.told.size());
  EXPECT_NE(std::wstring::npos, ui.told.back().find(kBusyReason)) << ui.told.back().c_str();
  EXPECT_EQ(std::wstring::npos, ui.told.back().find(L"批量加词完成"));
  EXPECT_EQ(UiIcon::kError, ui.toldIcons.back());
  EXPECT_TRUE(ui.asked.empty());

  // The lock free again: an empty file, then one whose words are all there.
  WriteText(dir.File(L"empty.txt"), L"");
  ui.chosen = dir.File(L"empty.txt");
  CDmgImport imp{};
  imp.mainTable = main.get();
  EXPECT_EQ(0, RunMainTableImport(&ui, &imp, dir.path().c_str()));
  ClearDmgImport(&imp);
  EXPECT_EQ(L"批量加词完成，成功添加词条数: 0", ui.told.back());
  EXPECT_EQ(UiIcon::kInformation, ui.toldIcons.back());
  WriteText(dir.File(L"old.txt"), L"甲\taa\r\n");
  ui.chosen = dir.File(L"old.txt");
  imp = CDmgImport{};
  imp.mainTable = main.get();
  EXPECT_EQ(0, RunMainTableImport(&ui, &imp, dir.path().c_str()));
  ClearDmgImport(&imp);
  ASSERT_EQ(1u, ui.asked.size());
  EXPECT_NE(std::wstring::npos, ui.asked.back().find(L"成功添加词条数: 0"));
  EXPECT_EQ(before, ReadFileBytes(dir.File(L"main.dmg")));

  // And once more with new words: they go in.
  ui.chosen = dir.File(L"new.txt");
  imp = CDmgImport{};
  imp.mainTable = main.get();
  EXPECT_EQ(2, RunMainTableImport(&ui, &imp, dir.path().c_str()));
  ClearDmgImport(&imp);
  EXPECT_EQ((std::vector<std::wstring>{L"甲", L"乙", L"丙", L"丁", L"戊", L"己"}), Words(main.get()));
}

// The purge of a category and the import into it are one change under one
// hold of the lock. A process that holds the lock through the replace
// leaves the category as it was and the failure is told; one that tries to
// take the lock once the purge is done (where the lock was once let go
// before the import took it again) finds it held, and the replace ends whole.
TEST(CodeTableCommandsTest, ReplacingACategoryHoldsTheLockFromThePurgeToTheImport) {
  TempDir dir;
  MakeDataFolder(dir);
  auto main = OpenTableFile(dir.File(L"main.dmg"));
  const std::vector<uint8_t> before = ReadFileBytes(dir.File(L"main.dmg"));
  WriteText(dir.File(L"user.txt"), L"戊\tae\r\n己\taf\r\n");
  {
    ScriptedUi ui;
    ui.chosen = dir.File(L"user.txt");
    LockHolder holder(dir, L"holder.txt");
    ASSERT_EQ("held", holder.answer);
    CDmgImport imp{};
    imp.mainTable = main.get();
    EXPECT_GT(0, RunReplaceCategory(&ui, &imp, 2, dir.path().c_str()));
    ClearDmgImport(&imp);
    EXPECT_EQ(before, ReadFileBytes(dir.File(L"main.dmg")));
    ASSERT_EQ(1u, ui.told.size());
    EXPECT_NE(std::wstring::npos, ui.told.back().find(L"替换操作无法继续"));
    EXPECT_NE(std::wstring::npos, ui.told.back().find(kBusyReason)) << ui.told.back().c_str();
    EXPECT_EQ(UiIcon::kError, ui.toldIcons.back());
  }
  {
    HolderAtProgressUi ui(dir);
    ui.chosen = dir.File(L"user.txt");
    CDmgImport imp{};
    imp.mainTable = main.get();
    const int added = RunReplaceCategory(&ui, &imp, 2, dir.path().c_str());
    ClearDmgImport(&imp);
    ASSERT_TRUE(ui.holder);
    EXPECT_EQ("refused", ui.holder->answer) << "another writer came between the purge and the import";
    EXPECT_EQ(2, added);
    EXPECT_EQ((std::vector<std::wstring>{L"甲", L"丁", L"戊", L"己"}), Words(main.get()));
    EXPECT_TRUE(EveryCodeFindable(main.get()));
    ASSERT_FALSE(ui.told.empty());
    EXPECT_EQ(L"批量加词完成，成功添加词条数: 2", ui.told.back());
    EXPECT_EQ(UiIcon::kInformation, ui.toldIcons.back());
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir.File(L"main.dmg") + kTableJournalSuffix).c_str()));
}
