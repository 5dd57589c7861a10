#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codetable/TableExport.h"
#include "codetable/WordList.h"
#include "tests/codetable/CodeTableTestUtil.h"

using namespace zn::test;

TEST(WordListTest, OrdersCountDownByFirstUnitAndTextsSort) {
  TempDir dir;
  WriteText(dir.File(L"list.txt"), L"#你好\r\n你们\n\n你好\r\n// skip\r\n///斜线\r\n你好\r\n" +
                                        std::wstring(130, L'长') + L"\r\n");
  bool hash = false;
  ASSERT_EQ(6, BuildWordListTable(dir.File(L"list.txt").c_str(), dir.File(L"w.dmg").c_str(), nullptr, &hash));
  EXPECT_TRUE(hash);
  auto t = OpenTableFile(dir.File(L"w.dmg"));
  EXPECT_EQ(kDmgTypeWordList, U32At(t.get(), kDmgTypeOffset));
  EXPECT_EQ(0, std::memcmp(t.get()->view + kDmgNameOffset, L"联想库 ", 8));
  std::vector<DmgTestEntry> e = TableEntries(t.get());
  std::vector<std::wstring> texts;
  for (const DmgTestEntry& x : e) texts.push_back(x.word);
  std::vector<std::wstring> sorted = texts;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, texts);
  auto order = [&](const std::wstring& w) {
    for (const DmgTestEntry& x : e) {
      if (x.word == w) return x.attr;
    }
    return 0u;
  };
  EXPECT_EQ(65534u, order(L"#你好"));
  EXPECT_EQ(65534u, order(L"你们"));
  EXPECT_EQ(65533u, order(L"你好"));
  EXPECT_EQ(65534u, order(L"//斜线"));
  EXPECT_EQ(65534u, order(std::wstring(127, L'长')));
  EXPECT_EQ(65533u, order(std::wstring(3, L'长')));
}

TEST(WordListTest, MergeOverLargerAndSmallerTables) {
  TempDir dir;
  std::wstring big, small = L"b\r\na\r\n";
  for (int i = 0; i < 500; ++i) big += L"word" + std::to_wstring(i) + L"\r\n";
  WriteText(dir.File(L"big.txt"), big);
  WriteText(dir.File(L"small.txt"), small);
  ASSERT_EQ(500, BuildWordListTable(dir.File(L"big.txt").c_str(), dir.File(L"t1.dmg").c_str(), nullptr, nullptr));
  ASSERT_EQ(2, BuildWordListTable(dir.File(L"small.txt").c_str(), dir.File(L"t2.dmg").c_str(), nullptr, nullptr));
  uint32_t bigSize = static_cast<uint32_t>(ReadFileBytes(dir.File(L"t1.dmg")).size());
  bool hash = true;
  ASSERT_EQ(1, MergeWordListViaTempTable(dir.File(L"t1.dmg").c_str(), dir.File(L"small.txt").c_str(), &hash,
                                         nullptr, dir.path().c_str()));
  EXPECT_FALSE(hash);
  ASSERT_EQ(1, MergeWordListViaTempTable(dir.File(L"t2.dmg").c_str(), dir.File(L"big.txt").c_str(), &hash,
                                         nullptr, dir.path().c_str()));
  auto t1 = OpenTableFile(dir.File(L"t1.dmg")), t2 = OpenTableFile(dir.File(L"t2.dmg"));
  EXPECT_EQ(bigSize, t1.get()->size);
  EXPECT_EQ((std::vector<DmgTestEntry>{{"", L"a", 65534}, {"", L"b", 65534}}), TableEntries(t1.get()));
  EXPECT_EQ(500u, TableEntries(t2.get()).size());
  EXPECT_EQ(bigSize, t2.get()->size);
  // No table there: the list's table is put in its place.
  EXPECT_EQ(1, MergeWordListViaTempTable(dir.File(L"none.dmg").c_str(), dir.File(L"big.txt").c_str(), &hash,
                                         nullptr, dir.path().c_str()));
  EXPECT_EQ(500u, TableEntries(OpenTableFile(dir.File(L"none.dmg")).get()).size());
  WriteText(dir.File(L"empty.txt"), L"\r\n// only\r\n");
  EXPECT_EQ(0, MergeWordListViaTempTable(dir.File(L"t1.dmg").c_str(), dir.File(L"empty.txt").c_str(), &hash,
                                         nullptr, dir.path().c_str()));
}

// Texts beginning with "//", up to the longest a list line gives, come back
// from an export of the table unchanged.
TEST(WordListTest, ExportThenRebuildKeepsTextsThatBeginWithSlashes) {
  TempDir dir;
  const std::wstring longest = L"//" + std::wstring(kWordListLineUnits - 2, L'长');
  WriteText(dir.File(L"list.txt"), L"///slash\r\n///\r\n" + std::wstring(L"/") + longest +
                                       L"\r\n/single\r\nplain\r\n");
  ASSERT_EQ(5, BuildWordListTable(dir.File(L"list.txt").c_str(), dir.File(L"a.dmg").c_str(), nullptr, nullptr));
  auto first = OpenTableFile(dir.File(L"a.dmg"));
  std::vector<std::wstring> texts;
  for (const DmgTestEntry& e : TableEntries(first.get())) texts.push_back(e.word);
  EXPECT_EQ((std::vector<std::wstring>{L"//", L"//slash", longest, L"/single", L"plain"}), texts);

  ASSERT_EQ(1, ExportTableText(first.get(), dir.File(L"out.txt").c_str(), nullptr, -1, nullptr, nullptr,
                               nullptr));
  ASSERT_EQ(5, BuildWordListTable(dir.File(L"out.txt").c_str(), dir.File(L"b.dmg").c_str(), nullptr, nullptr));
  auto again = OpenTableFile(dir.File(L"b.dmg"));
  std::vector<std::wstring> rebuilt;
  for (const DmgTestEntry& e : TableEntries(again.get())) rebuilt.push_back(e.word);
  EXPECT_EQ(texts, rebuilt);
}
