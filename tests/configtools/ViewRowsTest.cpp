// The detail view's rows: the filter rules, cell texts and colours, the
// copied text, the caption, the category menu and the edits of entries
// found again after other writers moved them.
#include <gtest/gtest.h>

#include "config/tables/ViewEdits.h"
#include "config/tables/ViewRows.h"
#include "tests/configtools/ToolsTestContext.h"

using namespace zn::test;

namespace {

class ViewRows : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.SetMain({{"gd", L"天气", EntryAttrOf(1, 500)},
                  {"gdg", L"今天", EntryAttrOf(2, 300, true)},
                  {"wy", L"今", EntryAttrOf(1, 20, false, true)},
                  {"a\x11", L"甲", EntryAttrOf(3, 1)},
                  {"zz", L"天下", EntryAttrOf(16, 2, true, true)}});
    CopyStringBounded(ctx_.soft()->categoryNames[16], 9, L"成语");
  }
  std::vector<std::wstring> Words(const ViewFilter& filter) {
    const DmgView view = GetDmgView(ctx_.file(kFileMain));
    std::vector<std::wstring> words;
    for (uint32_t p : FilterTableRows(view, filter)) words.push_back(ReadEntry(view, p).word);
    return words;
  }
  std::wstring Cell(uint32_t position, int column) {
    wchar_t text[64];
    ViewCellText(GetDmgView(ctx_.file(kFileMain)), position, column, TableFileKind::kMain,
                 ctx_.soft(), text, 64);
    return text;
  }
  ToolsContext ctx_;
};

TEST_F(ViewRows, FiltersByStateCategoryPrefixAndContains) {
  EXPECT_EQ(Words({}), (std::vector<std::wstring>{L"甲", L"天气", L"今天", L"今", L"天下"}));
  ViewFilter filter;
  filter.category = 1;
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"天气", L"今"}));
  // Deleted-only goes before pinned-only, which goes before the category.
  filter.deletedOnly = true;
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"今", L"天下"}));
  filter.deletedOnly = false;
  filter.pinnedOnly = true;
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"今天", L"天下"}));
  filter = {};
  filter.code = L"gd";
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"天气", L"今天"}));
  filter.code = L"a\xFF11";  // a keypad code byte reads as its full-width form
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"甲"}));
  filter.code = L"gdgd";
  EXPECT_TRUE(Words(filter).empty());
  filter = {};
  filter.word = L"天";
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"天气", L"天下"}));
  filter.contains = true;
  EXPECT_EQ(Words(filter), (std::vector<std::wstring>{L"天气", L"今天", L"天下"}));
  filter.word = L"今天天";
  EXPECT_TRUE(Words(filter).empty());
  // A stop request ends the walk early.
  std::atomic<bool> stop{true};
  EXPECT_TRUE(FilterTableRows(GetDmgView(ctx_.file(kFileMain)), {}, &stop).empty());
}

TEST_F(ViewRows, CellTextsAndColoursPerRecord) {
  // Positions in code order: a\x11 甲, gd 天气, gdg 今天, wy 今, zz 天下.
  EXPECT_EQ(Cell(0, kViewColumnNumber), L"1");
  EXPECT_EQ(Cell(0, kViewColumnCode), L"a\xFF11");
  EXPECT_EQ(Cell(0, kViewColumnCategory), L"五笔 - 次显");
  EXPECT_EQ(Cell(2, kViewColumnWord), L"今天");
  EXPECT_EQ(Cell(2, kViewColumnCategory), L"五笔 - 用户 固顶");
  EXPECT_EQ(Cell(2, kViewColumnOrder), L"300");
  EXPECT_EQ(Cell(4, kViewColumnCategory), L"五笔 - 成语 固顶 已删除");
  EXPECT_EQ(Cell(9, kViewColumnWord), L"");  // past the table
  EXPECT_EQ(ViewCategoryText(EntryAttrOf(4, 0), TableFileKind::kMain, ctx_.soft()), L"辅码");
  EXPECT_EQ(ViewCategoryText(EntryAttrOf(7, 0), TableFileKind::kMain, ctx_.soft()), L"");
  EXPECT_EQ(ViewCategoryText(0, TableFileKind::kTemp, ctx_.soft()), L"");
  EXPECT_EQ(ViewCategoryText(EntryAttrOf(1, 0, true), TableFileKind::kAssociation, ctx_.soft()),
            L"联想表");
  EXPECT_EQ(ViewRowColour(EntryAttrOf(2, 1, false, true)), RGB(255, 0, 0));
  EXPECT_EQ(ViewRowColour(EntryAttrOf(2, 1)), RGB(0, 0, 128));
  EXPECT_EQ(ViewRowColour(EntryAttrOf(1, 1)), RGB(0, 0, 0));
  EXPECT_EQ(ViewColumnOf(kViewColumnCode, TableFileKind::kEnglish).width, 0);
  EXPECT_EQ(ViewColumnOf(kViewColumnCode, TableFileKind::kMain).width, 100);
  wchar_t cut[3];
  ViewCellText(GetDmgView(ctx_.file(kFileMain)), 1, kViewColumnWord, TableFileKind::kMain,
               ctx_.soft(), cut, 2);
  EXPECT_STREQ(cut, L"天");  // cut to the list's buffer
}

TEST_F(ViewRows, CopyTakesTheFirst24RowsLastFirst) {
  std::vector<DmgTestEntry> many;
  for (int i = 0; i < 30; ++i) {
    many.push_back({"c" + std::string(1, static_cast<char>('a' + i % 26)) + std::to_string(i / 26),
                    std::wstring(1, static_cast<wchar_t>(L'一' + i)), EntryAttrOf(1, 1)});
  }
  ctx_.SetMain(many);
  const DmgView view = GetDmgView(ctx_.file(kFileMain));
  std::vector<uint32_t> selected;
  for (uint32_t i = 0; i < 30; ++i) selected.push_back(i);
  const std::wstring text = ViewCopyText(view, selected);
  size_t lines = 0;
  for (wchar_t c : text) lines += c == L'\n';
  EXPECT_EQ(lines, 24u);
  const DmgTestEntry first = ReadEntry(view, 23);
  EXPECT_EQ(text.substr(0, text.find(L'\r')), first.word + L"\t" + std::wstring(first.code.begin(), first.code.end()));
  const DmgTestEntry last = ReadEntry(view, 0);
  EXPECT_NE(text.find(last.word + L"\t"), std::wstring::npos);
  EXPECT_EQ(ViewCopyText(view, {}), L"");
}

TEST_F(ViewRows, CaptionMenuAndEditPermissions) {
  EXPECT_EQ(ViewCaption(TableFileKind::kMain, L"星禾五笔"), L"输入编码表详细视图 - 星禾五笔");
  EXPECT_EQ(ViewCaption(TableFileKind::kEnglish, L""), L"英文词库详细视图");
  EXPECT_EQ(ViewCaption(TableFileKind::kOther, L""), L"码表详细视图");
  const std::vector<ViewCategoryEntry> menu = ViewCategoryMenu(ctx_.soft());
  ASSERT_EQ(menu.size(), 5u);
  EXPECT_EQ(menu[0].command, 2998);
  EXPECT_EQ(menu[0].text, L"五笔 - 系统(&S)");
  EXPECT_EQ(menu[1].command, 2986 + 16);
  EXPECT_EQ(menu[1].text, L"五笔 - 成语(&1)");
  EXPECT_EQ(menu[2].text, L"五笔 - 次显(&N)");
  EXPECT_EQ(menu[3].text, L"五笔 - 用户(&U)");
  EXPECT_EQ(menu[4].command, 3001);
  EXPECT_EQ(menu[4].text, L"辅码(&T)");
  ViewEditState all = ViewEditStateFor(TableFileKind::kMain, 0, ctx_.soft());
  EXPECT_TRUE(all.add && all.modify && all.erase && all.restore);
  ViewEditState system = ViewEditStateFor(TableFileKind::kMain, 1, ctx_.soft());
  EXPECT_FALSE(system.add || system.modify);
  EXPECT_TRUE(system.erase && system.restore);
  ViewEditState temp = ViewEditStateFor(TableFileKind::kTemp, 0, ctx_.soft());
  EXPECT_FALSE(temp.add || temp.modify || temp.erase || temp.restore);
  EXPECT_TRUE(ViewEntryChangeable(EntryAttrOf(2, 0), ctx_.soft()));
  EXPECT_FALSE(ViewEntryChangeable(EntryAttrOf(1, 0), ctx_.soft()));
  EXPECT_EQ(ViewAddCategory(0), 2u);
  EXPECT_EQ(ViewAddCategory(3), 3u);
}

TEST_F(ViewRows, DeleteRemovesOrMarksAndRestoreUnmarks) {
  const DmgView view = GetDmgView(ctx_.file(kFileMain));
  ViewEntry system, user;
  ASSERT_TRUE(ReadViewEntry(view, 1, &system));  // 天气, system: only marked
  ASSERT_TRUE(ReadViewEntry(view, 2, &user));    // 今天, user: removed
  EXPECT_EQ(system.code, L"gd");
  EXPECT_EQ(DeleteViewEntries(ctx_.file(kFileMain), {system, user}, ctx_.soft()),
            ViewEditResult::kDone);
  std::vector<DmgTestEntry> after = ctx_.MainEntries();
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[1].word, L"天气");
  EXPECT_EQ(after[1].attr, EntryAttrOf(1, 500, false, true));
  EXPECT_TRUE(EveryCodeFindable(ctx_.file(kFileMain)));
  EXPECT_EQ(RestoreViewEntries(ctx_.file(kFileMain), {system}), ViewEditResult::kDone);
  EXPECT_EQ(ctx_.MainEntries()[1].attr, EntryAttrOf(1, 500));
  // Entries another process removed meanwhile are not found.
  EXPECT_EQ(DeleteViewEntries(ctx_.file(kFileMain), {user}, ctx_.soft()), ViewEditResult::kNotFound);
  // A private copy of the table refuses instead of pretending.
  MappedFile* copy = nullptr;
  ASSERT_EQ(ReadWholeFile(&copy, ctx_.dir().File(L"main.dmg").c_str()), 1);
  EXPECT_EQ(DeleteViewEntries(copy, {system}, ctx_.soft()), ViewEditResult::kReadOnly);
  EXPECT_EQ(RestoreViewEntries(copy, {system}), ViewEditResult::kReadOnly);
  CloseMappedFile(copy, 0);
}

}  // namespace
