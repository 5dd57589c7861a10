// The manager page's list: rows from the category names and counts, the
// buttons a row enables, export names made safe, and the in-use switch.
#include <gtest/gtest.h>

#include "config/tables/TableList.h"
#include "tests/configtools/ToolsTestContext.h"

using namespace zn::test;

namespace {

std::vector<std::wstring> Names(const std::vector<TableRow>& rows) {
  std::vector<std::wstring> names;
  for (const TableRow& row : rows) names.push_back(row.name);
  return names;
}

TEST(TableRows, CategoriesInListOrderThenTheOpenTables) {
  ToolsContext ctx;
  SoftConfigBlock* soft = ctx.soft();
  CopyStringBounded(soft->categoryNames[16], 9, L"成语");
  CopyStringBounded(soft->categoryNames[17], 9, L"人名");
  CopyStringBounded(soft->categoryNames[19], 9, L"孤立");  // after an unnamed class: not listed
  soft->categoryFlags[16] = 0x1;
  CopyStringBounded(soft->categoryNames[3], 9, L"");      // secondary unnamed: no row
  TableCounts counts;
  counts.byCategory[1] = 7;
  counts.byCategory[2] = 3;
  counts.byCategory[3] = 9;  // entries of an unnamed category still have no row
  counts.mainTotal = 19;
  counts.associationOpen = true;
  counts.association = 5;
  const std::vector<TableRow> rows = BuildTableRows(soft, counts);
  EXPECT_EQ(Names(rows), (std::vector<std::wstring>{L"输入编码表", L"    五笔 - 系统", L"    五笔 - 成语",
                                                     L"    五笔 - 人名", L"    五笔 - 用户", L"    辅码",
                                                     L"联想码表"}));
  EXPECT_EQ(rows[0].count, 19u);
  EXPECT_EQ(rows[0].writable, L"√");
  EXPECT_EQ(rows[0].inUse, L"-");
  EXPECT_EQ(rows[1].count, 7u);
  EXPECT_EQ(rows[1].writable, L"");
  EXPECT_EQ(rows[2].number, 16);
  EXPECT_EQ(rows[4].inUse, L"√");
  EXPECT_EQ(rows[6].number, -1);
  EXPECT_EQ(rows[6].table, TableFileKind::kAssociation);
  EXPECT_EQ(rows[6].writable, L"-");
}

TEST(TableRows, ButtonsFollowTheSelectedRow) {
  ToolsContext ctx;
  const std::vector<TableRow> rows = BuildTableRows(ctx.soft(), TableCounts{});
  TableButtons none = ButtonsForRow(nullptr, ctx.soft());
  EXPECT_FALSE(none.edit || none.import || none.exportTable || none.replace || none.clear);
  TableButtons system = ButtonsForRow(&rows[1], ctx.soft());  // not writable
  EXPECT_TRUE(system.edit);
  EXPECT_FALSE(system.import || system.exportTable || system.replace || system.clear);
  EXPECT_STREQ(system.editText, L"查看(&E)");
  TableButtons whole = ButtonsForRow(&rows[0], ctx.soft());
  EXPECT_TRUE(whole.import && whole.exportTable && whole.replace && whole.clear);
  EXPECT_STREQ(whole.editText, L"编辑(&E)");
  TableRow temp;
  temp.table = TableFileKind::kTemp;
  TableButtons t = ButtonsForRow(&temp, ctx.soft());
  EXPECT_TRUE(t.edit && t.clear);
  EXPECT_FALSE(t.import || t.exportTable || t.replace);
  EXPECT_STREQ(t.editText, L"查看(&V)");
  TableRow english;
  english.table = TableFileKind::kEnglish;
  TableButtons e = ButtonsForRow(&english, ctx.soft());
  EXPECT_TRUE(e.edit && e.import && e.exportTable && e.replace && e.clear);
  TableRow past;
  past.number = 40;
  EXPECT_FALSE(ButtonsForRow(&past, ctx.soft()).edit);
  EXPECT_STREQ(TableFileOfRow(english), L"engl.dmg");
  EXPECT_EQ(TableKindOfPath(L"C:\\数据\\MAIN.DMG"), TableFileKind::kMain);
  EXPECT_EQ(TableKindOfPath(L"C:\\数据\\sysl.dmg"), TableFileKind::kAssociation);
  EXPECT_EQ(TableKindOfPath(L"C:\\main.dmg\\other.dmg"), TableFileKind::kOther);
}

TEST(TableExportNames, ByRowAndOnlyForWritableCategories) {
  ToolsContext ctx;
  SoftConfigBlock* soft = ctx.soft();
  const std::wstring folder = L"C:\\文档\\[ 星禾 ]";
  TableRow row;
  row.number = 0;
  EXPECT_EQ(ExportFileName(row, soft, folder), folder + L"\\导出 - 全部词条.txt");
  row.number = 2;
  soft->categoryFlags[2] = 0;  // the user category exports even when locked
  EXPECT_EQ(ExportFileName(row, soft, folder), folder + L"\\导出 - 主码 - 用户.txt");
  row.number = 1;
  EXPECT_EQ(ExportFileName(row, soft, folder), L"");  // system not writable
  soft->categoryFlags[1] = 1;
  EXPECT_EQ(ExportFileName(row, soft, folder), folder + L"\\导出 - 主码 - 系统.txt");
  row.number = 3;
  EXPECT_EQ(ExportFileName(row, soft, folder + L"\\"), folder + L"\\导出 - 次显 - 次显.txt");
  row.number = 4;
  soft->categoryFlags[4] = 1;
  EXPECT_EQ(ExportFileName(row, soft, folder), folder + L"\\导出 - 辅码 - 辅码.txt");
  row.number = 7;  // a category with no row kind
  soft->categoryFlags[7] = 1;
  EXPECT_EQ(ExportFileName(row, soft, folder), L"");
  row.number = 20;
  soft->categoryFlags[20] = 1;
  CopyStringBounded(soft->categoryNames[20], 9, L"..\\..\\x:?");
  const std::wstring unsafe = ExportFileName(row, soft, folder);
  EXPECT_EQ(unsafe, folder + L"\\导出 - 主码 - ____x_.txt");
  TableRow list;
  list.table = TableFileKind::kAssociation;
  EXPECT_EQ(ExportFileName(list, soft, folder), folder + L"\\导出 - 联想码表.txt");
  EXPECT_EQ(ExportSelector(list), -1);
  list.table = TableFileKind::kTemp;
  EXPECT_EQ(ExportFileName(list, soft, folder), L"");
}

TEST(TableExportNames, UnsafeCharactersNeverLeaveTheFolder) {
  EXPECT_EQ(SafeFileNamePart(L"a/b\\c:d*e?f\"g<h>i|j"), L"a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileNamePart(L".."), L"_");
  EXPECT_EQ(SafeFileNamePart(L"v1.0"), L"v1.0");
  EXPECT_EQ(SafeFileNamePart(L"名字. "), L"名字__");
  EXPECT_EQ(SafeFileNamePart(L""), L"_");
  EXPECT_EQ(SafeFileNamePart(std::wstring(L"a\x01z")), L"a_z");
  EXPECT_EQ(ExportFolderFor(L"C:\\Docs", L"星禾:五笔"), L"C:\\Docs\\[ 星禾_五笔 ]");
  EXPECT_EQ(ExportFolderFor(L"C:\\Docs\\", L"x"), L"C:\\Docs\\[ x ]");
}

TEST(TableInUse, OnlyCategoriesWithASwitchToggle) {
  ToolsContext ctx;
  SoftConfigBlock* soft = ctx.soft();
  EXPECT_TRUE(ToggleCategoryInUse(soft, 2));
  EXPECT_EQ(soft->categoryFlags[2], 0x1u);
  EXPECT_TRUE(ToggleCategoryInUse(soft, 2));
  EXPECT_EQ(soft->categoryFlags[2], 0x3u);
  EXPECT_FALSE(ToggleCategoryInUse(soft, 0));
  EXPECT_FALSE(ToggleCategoryInUse(soft, 32));
  EXPECT_EQ(soft->categoryFlags[0], 0x1u);
}

}  // namespace
