// The manager page's commands through a scripted UI: export names and its
// own failure messages, clearing a table or a category, replacing and
// importing, and the counts the list shows.
#include <gtest/gtest.h>

#include "codetable/TableFiles.h"
#include "config/tables/TableCommands.h"
#include "engine/TempWords.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/codetable/ScriptedCodeTableUi.h"
#include "tests/configtools/ToolsTestContext.h"

using namespace zn::test;

namespace {

class TableCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.SetMain({{"aa", L"甲", EntryAttrOf(1, 9)},
                  {"ab", L"乙", EntryAttrOf(2, 8)},
                  {"ac", L"丙", EntryAttrOf(2, 7)},
                  {"ad", L"丁", EntryAttrOf(3, 6)}});
    ctx_.SetWordList(kFileAssociation, {L"天气", L"今天"}, L"sysl.dmg");
    std::vector<uint8_t> temp(kTempTableBytes);
    WriteEmptyTempTable(temp.data(), kTempTableBytes);
    ctx_.Write(kFileTemp, temp, L"temp.dmg");
  }
  TableRow MainRow(int category) {
    TableRow row;
    row.number = category;
    return row;
  }
  TableRow OtherRow(TableFileKind kind) {
    TableRow row;
    row.table = kind;
    return row;
  }
  std::vector<std::wstring> MainWords() {
    std::vector<std::wstring> words;
    for (const DmgTestEntry& e : ctx_.MainEntries()) words.push_back(e.word);
    return words;
  }
  ToolsContext ctx_;
  ScriptedUi ui_;
};

TEST_F(TableCommands, ExportWritesTheFileOrSaysWhyNot) {
  const std::wstring folder = ctx_.dir().File(L"[ 导出 ]");
  const std::wstring file = ExportTableRow(ctx_.get(), MainRow(2), folder, ui_);
  EXPECT_EQ(file, folder + L"\\导出 - 主码 - 用户.txt");
  const std::wstring text = ReadText(file);
  EXPECT_NE(text.find(L"乙\tab"), std::wstring::npos);
  EXPECT_EQ(text.find(L"甲"), std::wstring::npos);
  EXPECT_TRUE(ui_.told.empty());
  EXPECT_FALSE(ui_.progressShown);

  // A locked category: the old "not permitted" message.
  EXPECT_EQ(ExportTableRow(ctx_.get(), MainRow(1), folder, ui_), L"");
  ASSERT_EQ(ui_.told.size(), 1u);
  EXPECT_EQ(ui_.told[0], kNotPermittedMessage);
  // A folder that cannot be made gets a message of its own.
  const std::wstring blocked = ctx_.dir().File(L"file-in-the-way");
  WriteFileBytes(blocked, "x", 1);
  EXPECT_EQ(ExportTableRow(ctx_.get(), MainRow(0), blocked + L"\\sub", ui_), L"");
  ASSERT_EQ(ui_.told.size(), 2u);
  EXPECT_NE(ui_.told[1].find(L"文件夹"), std::wstring::npos);
  // So does a table that cannot be read.
  EXPECT_EQ(ExportTableRow(ctx_.get(), OtherRow(TableFileKind::kEnglish), folder, ui_), L"");
  ASSERT_EQ(ui_.told.size(), 3u);
  EXPECT_NE(ui_.told[2].find(L"engl.dmg"), std::wstring::npos);
  // The temporary table has no export at all.
  EXPECT_EQ(ExportTableRow(ctx_.get(), OtherRow(TableFileKind::kTemp), folder, ui_), L"");
  EXPECT_EQ(ui_.told.size(), 3u);
  // The association table exports its words.
  const std::wstring list = ExportTableRow(ctx_.get(), OtherRow(TableFileKind::kAssociation), folder, ui_);
  EXPECT_NE(ReadText(list).find(L"今天"), std::wstring::npos);
}

TEST_F(TableCommands, ClearAsksThenEmptiesTheTableOrItsCategory) {
  ui_.answer = UiAnswer::kNo;
  EXPECT_FALSE(ClearTableRow(ctx_.get(), MainRow(2), ui_));
  EXPECT_EQ(MainWords().size(), 4u);
  ui_.answer = UiAnswer::kYes;
  EXPECT_TRUE(ClearTableRow(ctx_.get(), MainRow(2), ui_));
  EXPECT_EQ(MainWords(), (std::vector<std::wstring>{L"甲", L"丁"}));
  EXPECT_TRUE(EveryCodeFindable(ctx_.file(kFileMain)));
  // A locked category is refused with its message, without asking.
  const size_t asked = ui_.asked.size();
  EXPECT_FALSE(ClearTableRow(ctx_.get(), MainRow(1), ui_));
  EXPECT_EQ(ui_.asked.size(), asked);
  ASSERT_EQ(ui_.told.size(), 1u);
  EXPECT_NE(ui_.told[0].find(L"未被授权"), std::wstring::npos);
  EXPECT_TRUE(ClearTableRow(ctx_.get(), MainRow(0), ui_));
  EXPECT_TRUE(MainWords().empty());
  EXPECT_TRUE(ClearTableRow(ctx_.get(), OtherRow(TableFileKind::kAssociation), ui_));
  EXPECT_EQ(GetDmgView(ctx_.file(kFileAssociation)).countRecords, 0u);
}

TEST_F(TableCommands, ClearingTempRestoresItsSlotsAndGrowsAShortFile) {
  // A short temp.dmg (an old or damaged one) becomes the full slot form.
  ctx_.Write(kFileTemp, BuildDmgBytes({{"ab", L"词", 3}}), L"temp.dmg");
  EXPECT_TRUE(ClearTableRow(ctx_.get(), OtherRow(TableFileKind::kTemp), ui_));
  MappedFile* temp = ctx_.file(kFileTemp);
  ASSERT_EQ(temp->size, kTempTableBytes);
  std::vector<uint8_t> expected(kTempTableBytes);
  WriteEmptyTempTable(expected.data(), kTempTableBytes);
  EXPECT_EQ(std::memcmp(temp->view, expected.data(), kTempTableBytes), 0);
  // A private copy cannot be emptied: said, not pretended.
  MappedFile* copy = nullptr;
  ASSERT_EQ(ReadWholeFile(&copy, ctx_.dir().File(L"temp.dmg").c_str()), 1);
  EXPECT_FALSE(EmptyTempTableInPlace(copy));
  CloseMappedFile(copy, 0);
}

TEST_F(TableCommands, ImportAndReplaceGoThroughTheSharedSequences) {
  WriteText(ctx_.dir().File(L"words.txt"), L"戊\tae\r\n己\taf#用\r\n");
  ui_.chosen = ctx_.dir().File(L"words.txt");
  // Importing into the locked system category is refused outright.
  EXPECT_EQ(ImportIntoTableRow(ctx_.get(), MainRow(1), ui_, ctx_.dir().path()), -1);
  EXPECT_EQ(ImportIntoTableRow(ctx_.get(), MainRow(0), ui_, ctx_.dir().path()), 2);
  EXPECT_EQ(MainWords().size(), 6u);
  EXPECT_TRUE(EveryCodeFindable(ctx_.file(kFileMain)));

  // Replacing the user category: purge, then import into it.
  WriteText(ctx_.dir().File(L"user.txt"), L"庚\tag\r\n");
  ui_.chosen = ctx_.dir().File(L"user.txt");
  EXPECT_EQ(ReplaceTableRow(ctx_.get(), MainRow(2), ui_, ctx_.dir().path()), 1);
  EXPECT_EQ(MainWords(), (std::vector<std::wstring>{L"甲", L"丁", L"戊", L"庚"}));

  // Replacing the association table from a list that starts with a "#"
  // line records that in the options.
  WriteText(ctx_.dir().File(L"list.txt"), L"#春天\r\n夏天\r\n秋天\r\n");
  ui_.chosen = ctx_.dir().File(L"list.txt");
  EXPECT_EQ(ReplaceTableRow(ctx_.get(), OtherRow(TableFileKind::kAssociation), ui_, ctx_.dir().path()), 1);
  EXPECT_EQ(GetDmgView(ctx_.file(kFileAssociation)).countRecords, 3u);
  EXPECT_TRUE(ctx_.get()->imeBlock->spaceWord & 0x400);
  EXPECT_EQ(ReplaceTableRow(ctx_.get(), OtherRow(TableFileKind::kTemp), ui_, ctx_.dir().path()), -1);
}

TEST_F(TableCommands, CountsComeFromTheContextsTables) {
  const TableCounts counts = CountContextTables(ctx_.get());
  EXPECT_EQ(counts.mainTotal, 4u);
  EXPECT_EQ(counts.byCategory[2], 2u);
  EXPECT_EQ(counts.byCategory[3], 1u);
  EXPECT_TRUE(counts.tempOpen && counts.associationOpen);
  EXPECT_FALSE(counts.englishOpen);
  EXPECT_EQ(counts.association, 2u);
  EXPECT_EQ(counts.temp, 0u);
}

}  // namespace
