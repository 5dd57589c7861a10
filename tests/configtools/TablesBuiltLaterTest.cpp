// Tables built after a process opened them: a record of an empty or a missing
// sysl.dmg, then config's word-list import through its own routine, then
// config's counts and the association list of a running input context in
// another process; and a main.dmg that was empty when config opened it.
#include <gtest/gtest.h>

#include "config/tables/TableCommands.h"
#include "config/words/AddWord.h"
#include "tests/codetable/ScriptedCodeTableUi.h"
#include "tests/configtools/ToolsTestContext.h"
#include "tests/engine/WriterClient.h"

using namespace zn::test;

namespace {

std::string Hex(const std::wstring& text) {
  std::string out;
  char unit[8];
  for (wchar_t c : text) {
    wsprintfA(unit, "%04X", static_cast<unsigned>(c));
    out += unit;
  }
  return out;
}

// The association list the context shows after committing text.
std::vector<std::wstring> AssociationsAfter(ImeContext* context, const std::wstring& text) {
  CopyStringBounded(context->commitText, 130, text.c_str());
  context->commitLength = static_cast<int32_t>(text.size());
  ResetAfterCommit(context);
  std::vector<std::wstring> list;
  for (int i = 0; i < context->candidateCount; ++i) {
    wchar_t word[130];
    CandidateText(context->candidates[i], word, 130);
    list.push_back(word);
  }
  ResetInput(context);
  return list;
}

TEST(TablesBuiltLater, WordListImportReachesConfigsCountsAndARunningContext) {
  for (const bool emptyFile : {true, false}) {
    SCOPED_TRACE(emptyFile ? "sysl.dmg empty at open" : "sysl.dmg missing at open");
    ToolsContext config;
    config.ime()->optionFlags |= kImeOptAssociations;
    // Settings on disk make the folder a data folder: both processes share
    // its lock, as config and a host do.
    ASSERT_TRUE(WriteFileBytes(config.dir().File(L"config.dsc"), config.configBytes()));
    config.SetMain({{"aa", L"天", EntryAttrOf(2, 5)}, {"ab", L"地", EntryAttrOf(2, 5)}});
    if (emptyFile) config.SetTable(kFileAssociation, {}, L"sysl.dmg");
    ASSERT_EQ(config.file(kFileAssociation) != nullptr, emptyFile);

    // A host's input context, created before the table is built.
    WriterClient typist(config.dir().path());
    ASSERT_TRUE(typist.Started());
    ASSERT_EQ(typist.Send("assoc aa"), "none");

    WriteText(config.dir().File(L"list.txt"), L"天气\r\n天空\r\n地方\r\n");
    ScriptedUi ui;
    ui.chosen = config.dir().File(L"list.txt");
    TableRow row;
    row.table = TableFileKind::kAssociation;
    ASSERT_EQ(ReplaceTableRow(config.get(), row, ui, config.dir().path()), 1);
    ASSERT_FALSE(ui.told.empty());
    EXPECT_EQ(ui.told.back(), L"词条导入成功。");

    // config's own context: the counts on the manager page and associations.
    const TableCounts counts = CountContextTables(config.get());
    EXPECT_TRUE(counts.associationOpen);
    EXPECT_EQ(counts.association, 3u);
    EXPECT_EQ(AssociationsAfter(config.get(), L"天"), (std::vector<std::wstring>{L"天气", L"天空"}));
    EXPECT_TRUE(IsWritableMapping(config.file(kFileAssociation)));

    // The running context, given the focus back as the user returns to the
    // host, lists what a context opened now lists.
    EXPECT_EQ(typist.Send("focus"), "ok");
    const std::string listed = typist.Send("assoc aa");
    WriterClient fresh(config.dir().path());
    EXPECT_EQ(fresh.Send("assoc aa"), Hex(L"天气") + " " + Hex(L"天空"));
    EXPECT_EQ(listed, Hex(L"天气") + " " + Hex(L"天空"));
  }
}

TEST(TablesBuiltLater, AddWordWritesAMainTableBuiltAfterConfigOpenedIt) {
  ToolsContext config;
  config.SetTable(kFileMain, {}, L"main.dmg");
  ASSERT_FALSE(IsWritableMapping(config.file(kFileMain)));
  // Built meanwhile: written beside its place and renamed into it.
  const std::wstring beside = config.dir().File(L"main.dmg.new");
  ASSERT_TRUE(WriteFileBytes(beside, BuildDmgBytes({{"aa", L"天", EntryAttrOf(2, 5)}})));
  ASSERT_TRUE(MoveFileExW(beside.c_str(), config.dir().File(L"main.dmg").c_str(), MOVEFILE_REPLACE_EXISTING));
  AddWordRequest request;
  request.code = L"ab";
  request.word = L"地";
  EXPECT_EQ(CommitUserWord(config.file(kFileMain), request), AddWordOutcome::kAdded);
  EXPECT_EQ(config.MainEntries().size(), 2u);
  EXPECT_EQ(TableEntries(OpenTableFile(config.dir().File(L"main.dmg")).get()).size(), 2u);
}

}  // namespace
