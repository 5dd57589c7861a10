#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "codetable/DmgMake.h"
#include "codetable/TableExport.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/common/PageEnd.h"

using namespace zn::test;

namespace {

class Messages : public ProgressReporter {
 public:
  void Report(const wchar_t* text, uint32_t done, uint32_t total) override {
    if (text) texts.push_back(text);
    if (total) {
      EXPECT_LE(done, total);
      lastDone = done;
      lastTotal = total;
    }
  }
  std::vector<std::wstring> texts;
  uint32_t lastDone = 0, lastTotal = 0;
};

}  // namespace

// Six definition lines under a category header: one duplicate, one line
// whose code holds a full-width comma. Expected values worked out by hand.
TEST(DmgMakeTest, WorkedExampleByteForByte) {
  TempDir dir;
  Messages messages;
  ASSERT_EQ(4, CompileText(dir,
                           L"---config@码表分类=主码-用户码表\r\n"
                           L"大\td#辅\r\n"
                           L"戈\ta#固\r\n"
                           L"工\ta\r\n"
                           L"工\ta\r\n"
                           L"式\taa#序7\r\n"
                           L"坏\ta\xFF0C" L"b\r\n",
                           L"t.dmg", &messages));
  std::vector<uint8_t> b = ReadFileBytes(dir.File(L"t.dmg"));
  // 4 records of 9, 9, 9 and 10 bytes behind 66188 + 4 * 4.
  ASSERT_EQ(66241u, b.size());
  EXPECT_EQ(66204u, GetU32(b, 0x00));  // edge
  EXPECT_EQ(4u, GetU32(b, 0x04));      // count
  EXPECT_EQ(1u, GetU32(b, 0x08));      // type
  EXPECT_EQ(0, std::memcmp(b.data() + 0x10, L"系统码表", 8));
  EXPECT_EQ(0, std::memcmp(b.data() + 0x30, "YNSN", 4));
  EXPECT_EQ(100u, GetU32(b, 0x74));
  // Records in parse order from the edge upward: 大 d#辅 (16383, category 4),
  // 戈 a#固 (pinned, category 2), 工 a (16382), 式 aa#序7.
  const std::vector<uint8_t> records = {0xFF, 0x3F, 0x00, 0x04, 1, 'd', 1, 0x27, 0x59,
                                        0xFF, 0x3F, 0x00, 0x42, 1, 'a', 1, 0x08, 0x62,
                                        0xFE, 0x3F, 0x00, 0x02, 1, 'a', 1, 0xE5, 0x5D,
                                        0x07, 0x00, 0x00, 0x02, 2, 'a', 'a', 1, 0x0F, 0x5F};
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 66204, b.end()), records);
  // Sorted: a 工, a 戈, aa 式, d 大; then the 4-byte free gap.
  const uint32_t offsets[] = {66222, 66213, 66231, 66204, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(offsets[i], GetU32(b, 0x10288 + 4 * i)) << i;
  const std::tuple<int, int, uint32_t> index[] = {{'a', 0, 0}, {'a', 1, 3}, {'a', 'a', 2}, {'a', 'b', 3},
                                                  {'d', 0, 3}, {'d', 1, 4}, {'b', 0, 0},   {'b', 1, 0}};
  for (auto [c, d, v] : index) EXPECT_EQ(v, GetU32(b, 0x88 + 4 * (c * 128 + d))) << c << " " << d;
  bool summary = false;
  for (const auto& t : messages.texts) summary |= t.find(L"有效编码行数: 4") != std::wstring::npos;
  EXPECT_TRUE(summary);
  EXPECT_EQ(messages.lastDone, messages.lastTotal);
}

TEST(DmgMakeTest, UnusableRecordsAreDroppedWhenWriting) {
  TempDir dir;
  Messages messages;
  std::wstring longCode(129, L'z');
  std::wstring longWord(129, L'字');
  std::wstring text = L"甲\t" + longCode + L"\r\n" + longWord + L"\tq\r\n乙\t#固\r\n\tq\r\n丙\tq\r\n";
  ASSERT_EQ(1, CompileText(dir, text, L"t.dmg", &messages));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  EXPECT_EQ((std::vector<DmgTestEntry>{{"q", L"丙", 0x01003FFDu}}), TableEntries(t.get()));
  // The edge still counts the dropped records: 4 bytes each below the records.
  EXPECT_EQ(kDmgRecordBase + 4 * 5, U32At(t.get(), kDmgEdgeOffset));
  int unusable = 0;
  for (const auto& m : messages.texts) unusable += m.rfind(L"无法识别的编码定义: ", 0) == 0;
  EXPECT_EQ(4, unusable);
}

TEST(DmgMakeTest, EveryCodeCharacterIsIndexed) {
  TempDir dir;
  std::wstring text;
  std::vector<wchar_t> keys;
  for (wchar_t c = 0x20; c < 0x7F; ++c) keys.push_back(c);
  for (wchar_t c : {0xFF0A, 0xFF0B}) keys.push_back(c);
  for (wchar_t c = 0xFF0D; c <= 0xFF19; ++c) keys.push_back(c);
  ASSERT_EQ(110u, keys.size());
  for (wchar_t first : keys) {
    for (wchar_t second : {keys.front(), keys.back(), L'k'}) {
      text += L"词";
      text.push_back(first);
      text += L"\t";
      text.push_back(first);
      text.push_back(second);
      text += L"\r\n";
    }
  }
  ASSERT_EQ(330, CompileText(dir, text, L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  EXPECT_TRUE(EveryCodeFindable(t.get()));
  for (wchar_t first : keys) {
    uint8_t c = first < 0x80 ? static_cast<uint8_t>(first) : static_cast<uint8_t>(first - 0xFF00);
    EXPECT_EQ(3u, IndexAt(t.get(), c, 1) - IndexAt(t.get(), c, 0)) << static_cast<int>(c);
  }
}

TEST(DmgMakeTest, CompileExportCompileGivesTheSameTable) {
  TempDir dir;
  std::wstring longWord(128, L'长');
  std::wstring text =
      L"---config@全局排序数值=300\r\n"
      L"你好\tnihao#用\r\n"
      L"C:\\\\run\tcr#固#序9\r\n"
      L"两行\\r字\tlh#类3\r\n"
      L"制表\\t符\tzb#辅\r\n"
      L"空 格\\s\tkg\r\n"
      L"全角\t\xFF11\xFF0E" L"a#次\r\n"
      L"///slash\tsl\r\n" +
      longWord + L"\tlong\r\n";
  ASSERT_EQ(8, CompileText(dir, text, L"a.dmg"));
  auto a = OpenTableFile(dir.File(L"a.dmg"));
  ASSERT_EQ(1, ExportTableText(a.get(), dir.File(L"a.txt").c_str(), nullptr, 0, nullptr, nullptr, nullptr));
  std::wstring exported = ReadText(dir.File(L"a.txt"));
  EXPECT_NE(std::wstring::npos, exported.find(L"C:\\\\run\tcr#固#序9\r\n"));
  EXPECT_NE(std::wstring::npos, exported.find(longWord + L"\tlong#序300\r\n"));
  std::wstring aText = dir.File(L"a.txt");
  const wchar_t* sources[] = {aText.c_str()};
  std::wstring bPath = dir.File(L"b.dmg");
  ASSERT_EQ(8, CompileTableFiles(sources, 1, bPath.c_str(), nullptr, dir.path().c_str()));
  auto b = OpenTableFile(bPath);
  EXPECT_EQ(TableEntries(a.get()), TableEntries(b.get()));
  EXPECT_EQ(0, std::memcmp(a.get()->view + kDmgKeyIndexOffset, b.get()->view + kDmgKeyIndexOffset,
                           kDmgKeyIndexBytes));
  EXPECT_EQ(a.get()->size, b.get()->size);
}

TEST(DmgMakeTest, NothingToWrite) {
  TempDir dir;
  EXPECT_EQ(0, CompileText(dir, L"// only a comment\r\nno tab\r\n", L"t.dmg"));
  CDmgMake* make = CreateDmgMake();
  EXPECT_EQ(0, BuildDmg(make));
  EXPECT_EQ(0, WriteDmg(make));
  FreeDmgMake(make);
}

// Names fill their nine units without a terminator when they are that long;
// the last one ends where a page ends, so reading on would fault.
TEST(DmgMakeTest, ExportHeadersTakeNamesThatFillTheirField) {
  TempDir dir;
  ASSERT_EQ(1, CompileText(dir, L"你好\tnihao#用\r\n", L"n.dmg"));
  auto table = OpenTableFile(dir.File(L"n.dmg"));
  AtPageEnd<CategoryNames> names;
  const wchar_t kFull[] = L"一二三四五六七八九";
  std::memcpy((*names)[0], L"五笔", 3 * sizeof(wchar_t));
  std::memcpy((*names)[2], kFull, 9 * sizeof(wchar_t));
  std::memcpy((*names)[3], L"次显", 3 * sizeof(wchar_t));
  for (int c = 16; c < 32; ++c) std::memcpy((*names)[c], kFull, 9 * sizeof(wchar_t));
  uint32_t flags[32] = {};
  for (uint32_t& f : flags) f = kCategoryEditable;

  ASSERT_EQ(1, ExportTableText(table.get(), dir.File(L"user.txt").c_str(), nullptr, 2,
                               names.get(), flags, nullptr));
  EXPECT_NE(std::wstring::npos,
            ReadText(dir.File(L"user.txt")).find(L"---config@码表别名=一二三四五六七八九\r\n"));
  ASSERT_EQ(1, ExportTableText(table.get(), dir.File(L"all.txt").c_str(), nullptr, 0,
                               names.get(), flags, nullptr));
  const std::wstring all = ReadText(dir.File(L"all.txt"));
  EXPECT_NE(std::wstring::npos, all.find(L"---config@主码-用户码表别名=一二三四五六七八九\r\n"));
  EXPECT_NE(std::wstring::npos, all.find(L"---config@主码-分类码表别名16=一二三四五六七八九\r\n"));
}
