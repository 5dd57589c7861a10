// Lookup tables from tab-separated text: parsing with escapes and rejected
// lines, the table image as the engine reads it, and the file written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codetable/DmsText.h"
#include "engine/DmsTable.h"
#include "tests/codetable/CodeTableTestUtil.h"

namespace {

using namespace std::string_literals;
using zn::test::TempDir;

class Messages : public ProgressReporter {
 public:
  void Report(const wchar_t* text, uint32_t, uint32_t) override {
    if (text) lines.push_back(text);
  }
  std::vector<std::wstring> lines;
};

std::vector<DmsTextEntry> Parse(const std::wstring& text, Messages* messages = nullptr,
                                uint32_t* rejected = nullptr) {
  std::vector<DmsTextEntry> entries;
  const uint32_t bad =
      ParseDmsText(text.data(), static_cast<uint32_t>(text.size()), &entries, messages);
  if (rejected) *rejected = bad;
  return entries;
}

TEST(DmsText, LinesEscapesAndRejectedLines) {
  Messages messages;
  uint32_t rejected = 0;
  const std::wstring text =
      L"中国\tzhōng guó\\n国家名。\\n \\n详细\r\n"
      L"\r\n"
      L"没有制表符\n"
      L"\t空词条\n"
      L"路径\tC:\\\\data\\tx\\q\n"
      L"空值\t\n"
      L"坏\0行\tx\n"
      L"末行\t最后"s;
  const std::vector<DmsTextEntry> entries = Parse(text, &messages, &rejected);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].key, L"中国");
  EXPECT_EQ(entries[0].value, L"zhōng guó\r\n国家名。\r\n \r\n详细");
  EXPECT_EQ(entries[1].value, L"C:\\data\tx\\q") << "an unknown escape stays as it is";
  EXPECT_EQ(entries[2].key, L"空值");
  EXPECT_EQ(entries[2].value, L"");
  EXPECT_EQ(entries[3].value, L"最后") << "the last line needs no line break";
  EXPECT_EQ(rejected, 3u);
  ASSERT_EQ(messages.lines.size(), 3u);
  EXPECT_NE(messages.lines[0].find(L"第 3 行"), std::wstring::npos) << "line numbers count blanks";
  EXPECT_NE(messages.lines[1].find(L"第 4 行"), std::wstring::npos);
  EXPECT_NE(messages.lines[2].find(L"第 7 行"), std::wstring::npos);
}

TEST(DmsText, ImageSortsKeysAndKeepsAlternativesInOrder) {
  const std::vector<DmsTextEntry> entries = {
      {L"中国人", L"3"}, {L"行", L"xíng"}, {L"中国", L"2"}, {L"a", L"1"}, {L"行", L"háng"},
      {L"\xFF21", L"wide A"}, {L"中", L"1"}};
  std::vector<uint8_t> image = BuildDmsImage(entries);
  ASSERT_FALSE(image.empty());
  DmsTable table{image.data(), static_cast<uint32_t>(image.size()), 0};
  std::memcpy(&table.countEntries, image.data(), 4);
  ASSERT_EQ(table.countEntries, entries.size());
  // The offsets are sorted by key, a shorter key first.
  std::vector<std::wstring> keys;
  for (uint32_t i = 0; i < table.countEntries; ++i) {
    uint32_t offset = 0;
    std::memcpy(&offset, image.data() + 4 + 4 * i, 4);
    keys.push_back(reinterpret_cast<const wchar_t*>(image.data() + offset));
  }
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"a", L"中", L"中国", L"中国人", L"行", L"行",
                                             L"\xFF21"}));
  DmsEntry found[4];
  ASSERT_EQ(LookupEntryList(table, L"行", found, 4), 2u);
  EXPECT_STREQ(found[0].value, L"xíng");
  EXPECT_STREQ(found[1].value, L"háng");
  EXPECT_GT(SearchDmsTable(table, L"中国"), 0);
  EXPECT_EQ(SearchDmsTable(table, L"国"), 0);
  // An empty list is a valid, empty table.
  EXPECT_EQ(BuildDmsImage({}), std::vector<uint8_t>(4, 0));
}

TEST(DmsText, FilesInEitherEncodingAndATableInUse) {
  TempDir dir;
  const std::wstring utf16 = dir.File(L"dict16.txt");
  zn::test::WriteText(utf16, L"词\t释义一\r\n坏行\r\n词\t释义二\r\n");
  const std::string utf8Text = "\xEF\xBB\xBF" "词\t释义\n";
  const std::wstring utf8 = dir.File(L"dict8.txt");
  ASSERT_TRUE(zn::test::WriteFileBytes(utf8, utf8Text.data(), utf8Text.size()));
  const std::wstring out = dir.File(L"dict.dms");
  uint32_t count = 0, rejected = 0;
  ASSERT_EQ(BuildDmsFile(utf16.c_str(), out.c_str(), nullptr, &count, &rejected),
            DmsBuildResult::kDone);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(rejected, 1u);
  {
    zn::test::MappedFilePtr table = zn::test::OpenTableFile(out);
    ASSERT_TRUE(table);
    DmsEntry found[2];
    ASSERT_EQ(LookupEntryList(table.get(), L"词", found, 2), 2u);
    EXPECT_STREQ(found[1].value, L"释义二");
    // While the table is mapped it cannot be replaced; it stays as it was.
    const std::vector<uint8_t> before = zn::test::ReadFileBytes(out);
    EXPECT_EQ(BuildDmsFile(utf8.c_str(), out.c_str(), nullptr, &count, &rejected),
              DmsBuildResult::kCannotWrite);
    EXPECT_EQ(zn::test::ReadFileBytes(out), before);
  }
  ASSERT_EQ(BuildDmsFile(utf8.c_str(), out.c_str(), nullptr, &count, &rejected),
            DmsBuildResult::kDone);
  EXPECT_EQ(count, 1u);
  zn::test::MappedFilePtr table = zn::test::OpenTableFile(out);
  DmsEntry found;
  ASSERT_EQ(LookupEntryList(table.get(), L"词", &found, 1), 1u);
  EXPECT_STREQ(found.value, L"释义");
  EXPECT_EQ(BuildDmsFile(dir.File(L"missing.txt").c_str(), out.c_str(), nullptr, &count, nullptr),
            DmsBuildResult::kCannotRead);
}

}  // namespace
