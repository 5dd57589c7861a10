#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codetable/DmgImport.h"
#include "codetable/TableExport.h"
#include "engine/SettingsCodec.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

class DmgImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(3, CompileText(dir_, L"工\ta\r\n旧词\tjc\r\n删除\tsc\r\n", L"main.dmg"));
    WriteFileBytes(dir_.File(L"danzi.dmi"), BuildDmsBytes({{L"你", L"wqiy"}, {L"好", L"vbg"}, {L"𠀀", L"xyz"}}));
    // Two characters: 1st and 2nd code unit of each; n >= 3: first unit of each of the first three.
    rules_[2] = WordFormationRule{{0x0101, 0x0102, 0x0201, 0x0202}};
    for (int n = 3; n <= 30; ++n) rules_[n] = WordFormationRule{{0x0101, 0x0201, 0x0301}};
    OpenMappedFile(&main_, dir_.File(L"main.dmg").c_str());
    OpenMappedFile(&danzi_, dir_.File(L"danzi.dmi").c_str());
    // Mark 删除 deleted, as the detail view does.
    DmgView view = GetDmgView(main_);
    for (uint32_t i = 0; i < view.countRecords; ++i) {
      DmgRecord rec;
      if (ReadDmgRecord(view, i, &rec) && ReadEntry(view, i).word == L"删除")
        DmgStoreU32(main_->view, main_->size, rec.offset, rec.attr | EntryAttr::kDeleted);
    }
    import_.rules = rules_;
    import_.danzi = danzi_;
    import_.mainTable = main_;
    ASSERT_TRUE(OpenImportRejects(&import_, dir_.File(L"rejects.txt").c_str()));
  }
  void TearDown() override {
    ClearDmgImport(&import_);
    CloseMappedFile(main_, 1);
    CloseMappedFile(danzi_, 0);
  }
  int Import(const std::wstring& text) {
    WriteText(dir_.File(L"in.txt"), text);
    int n = ImportWordFile(&import_, dir_.File(L"in.txt").c_str());
    CloseImportRejects(&import_);
    return n;
  }
  DmgTestEntry Find(const std::wstring& word) {
    for (const DmgTestEntry& e : TableEntries(main_)) {
      if (e.word == word) return e;
    }
    return {"", L"", 0xFFFFFFFF};
  }

  TempDir dir_;
  WordFormationRule rules_[31] = {};
  MappedFile* main_ = nullptr;
  MappedFile* danzi_ = nullptr;
  CDmgImport import_{};
};

}  // namespace

TEST_F(DmgImportTest, EveryRefusalIsLoggedWithItsReason) {
  std::wstring word31(31, L'你');
  std::wstring word129(129, L'长');
  int added = Import(
      L"// comment\r\n"
      L"你好\tnihao#用\r\n"
      L"你好\tnihao#用\r\n"
      L"旧词\tjc\r\n"
      L"删除\tsc\r\n"
      L"次显\tcx#次\r\n"
      L"坏码\tab\x4E2D\r\n"
      L"空码\t#固\r\n" +
      word129 + L"\tcc\r\n" + word31 + L"\r\n"
      L"生僻\r\n"
      L"你好\r\n"
      L"C:\\\\run\tcr\r\n");
  EXPECT_EQ(4, added);  // 你好 nihao, 次显, 你好 by the rules, C:\run
  DmgTestEntry user = Find(L"你好");
  EXPECT_EQ(2u, EntryAttr::Category(user.attr));
  EXPECT_EQ(1024u, EntryAttr::Order(user.attr));
  EXPECT_EQ(L"C:\\run", Find(L"C:\\run").word);
  EXPECT_FALSE(Find(L"删除").attr & EntryAttr::kDeleted);
  std::wstring rejects = ReadText(dir_.File(L"rejects.txt"));
  for (const wchar_t* line :
       {L"你好 ----------重复的定义\r\n", L"旧词 ----------已存在于系统码表\r\n",
        L"删除 ----------存在于系统码表，已取消删除标志\r\n", L"坏码 ----------无法创建词条\r\n",
        L"空码 ----------无法创建词条\r\n", L"生僻 ----------无法依据构词规则生成目标编码\r\n"}) {
    EXPECT_NE(std::wstring::npos, rejects.find(line)) << line;
  }
  EXPECT_NE(std::wstring::npos, rejects.find(word129 + L" ----------无法创建词条\r\n"));
  EXPECT_NE(std::wstring::npos, rejects.find(word31 + L" ----------自动构词长度不能大于30\r\n"));
  EXPECT_EQ(8u, import_.rejects.lines);
  EXPECT_TRUE(IsTableConsistent(main_));
  EXPECT_TRUE(EveryCodeFindable(main_));
}

TEST_F(DmgImportTest, SelectedCategoryAndHeader) {
  import_.selectedCategory = 3;
  EXPECT_EQ(1, Import(L"---config@全局排序数值=77\r\n你好\tnihao#用\r\n好你\tvbwq\r\n"));
  EXPECT_EQ(3u, EntryAttr::Category(Find(L"好你").attr));
  EXPECT_EQ(77u, EntryAttr::Order(Find(L"好你").attr));
  EXPECT_NE(std::wstring::npos,
            ReadText(dir_.File(L"rejects.txt")).find(L"你好 ----------与所选分类不匹配的词条类别\r\n"));
}

TEST_F(DmgImportTest, UncodedWordsUseTheRules) {
  EXPECT_EQ(2, Import(L"你好\r\n你好𠀀你\r\n"));
  EXPECT_EQ("wqvb", Find(L"你好").code);
  EXPECT_EQ("wvx", Find(L"你好𠀀你").code);
  EXPECT_EQ(1u, EntryAttr::Category(Find(L"你好").attr));
}

// Rules as the settings text writes them: F and B positions mixed.
TEST_F(DmgImportTest, UncodedWordsUseRulesWrittenWithF) {
  ASSERT_EQ(2, ParseWordRule(L"P2=L1F1+L1F2+R1B1+R1F2", &rules_[2]));
  ASSERT_EQ(3, ParseWordRule(L"P3=L1F1+L2F1+L3F0", &rules_[3]));
  EXPECT_EQ(2, Import(L"你好\r\n好你𠀀\r\n"));
  EXPECT_EQ("wqvb", Find(L"你好").code);
  EXPECT_EQ("vwxyz", Find(L"好你𠀀").code);
}

// Enough words that the 4-byte gap of the compiled table must grow several
// times over; every old record stays where the offsets say.
TEST_F(DmgImportTest, AppendGrowsTheTableAndKeepsOldRecords) {
  std::vector<DmgTestEntry> before = TableEntries(main_);
  std::wstring text;
  for (int i = 0; i < 3000; ++i) {
    wchar_t line[40];
    swprintf(line, 40, L"词%d\t%lc%lc%lc\r\n", i, L'a' + i % 26, L'a' + (i / 26) % 26, L'a' + i / 676);
    text += line;
  }
  EXPECT_EQ(3000, Import(text));
  std::vector<DmgTestEntry> after = TableEntries(main_);
  EXPECT_EQ(3003u, after.size());
  for (const DmgTestEntry& e : before) {
    EXPECT_NE(after.end(), std::find_if(after.begin(), after.end(), [&](const DmgTestEntry& a) {
                return a.word == e.word && a.code == e.code;
              }));
  }
  EXPECT_TRUE(IsTableConsistent(main_));
  EXPECT_TRUE(EveryCodeFindable(main_));
}

TEST_F(DmgImportTest, ExportThenImportIsLossless) {
  ASSERT_EQ(3, CompileText(dir_,
                           L"长长\t" + std::wstring(128, L'z') + L"#类16#序65535\r\n" +
                               std::wstring(128, L'字') + L"\tab#固#辅\r\nC:\\\\r\\\\un\tcr#序3\r\n",
                           L"src.dmg"));
  auto src = OpenTableFile(dir_.File(L"src.dmg"));
  ASSERT_EQ(1, ExportTableText(src.get(), dir_.File(L"out.txt").c_str(), nullptr, 0, nullptr, nullptr, nullptr));
  ASSERT_EQ(1, EmptyTable(main_));
  EXPECT_EQ(3, ImportWordFile(&import_, dir_.File(L"out.txt").c_str()));
  std::vector<DmgTestEntry> a = TableEntries(src.get()), b = TableEntries(main_);
  EXPECT_EQ(a, b);
}

// The import takes exactly the codes the compiler takes, so a table built by
// import exports, compiles and exports again to the same text.
TEST_F(DmgImportTest, ImportRefusesWhatTheCompilerRefusesSoExportCompileExportIsIdentity) {
  ASSERT_EQ(1, EmptyTable(main_));
  const int added = Import(
      L"删\ta\x7F\r\n"
      L"逗\tb\xFF0C\r\n"
      L"键\t\xFF11\xFF0A\xFF0F\xFF0B\xFF0D\xFF0E\xFF10\r\n"
      L"符\t`-=[]\\;',./~!@#$%^&*()_+{}|:\"<>?\r\n"
      L"空\ta b#用\r\n"
      L"类\tzz#类3#固#序9\r\n");
  EXPECT_EQ(4, added);
  const std::wstring rejects = ReadText(dir_.File(L"rejects.txt"));
  EXPECT_NE(std::wstring::npos, rejects.find(L"删 ----------无法创建词条\r\n"));
  EXPECT_NE(std::wstring::npos, rejects.find(L"逗 ----------无法创建词条\r\n"));

  const std::wstring first = dir_.File(L"first.txt");
  ASSERT_EQ(1, ExportTableText(main_, first.c_str(), nullptr, 0, nullptr, nullptr, nullptr));
  const wchar_t* sources[] = {first.c_str()};
  const std::wstring again = dir_.File(L"again.dmg");
  ASSERT_EQ(4, CompileTableFiles(sources, 1, again.c_str(), nullptr, dir_.path().c_str()));
  auto compiled = OpenTableFile(again);
  ASSERT_EQ(1, ExportTableText(compiled.get(), dir_.File(L"second.txt").c_str(), nullptr, 0, nullptr,
                               nullptr, nullptr));
  EXPECT_EQ(ReadText(first), ReadText(dir_.File(L"second.txt")));
}
