#include <gtest/gtest.h>

#include <string>

#include "codetable/TableFiles.h"
#include "engine/DmsTable.h"
#include "tests/codetable/CodeTableTestUtil.h"

using namespace zn::test;

namespace {

const std::wstring kData = ZN_TEST_DATA_DIR;
const std::wstring kSources = ZN_TEST_SOURCES_DIR;

}  // namespace

// Every 50th line of the Wubi definition: its code finds its word through the
// engine's exact search of the shipped main.dmg.
TEST(ShippedTablesTest, MainTableFindsItsSourceLines) {
  auto main = OpenTableFile(kData + L"main.dmg");
  ASSERT_NE(nullptr, main.get());
  ASSERT_TRUE(IsWritableMapping(main.get()));
  EXPECT_TRUE(IsTableConsistent(main.get()));
  uint32_t count = U32At(main.get(), kDmgCountOffset);
  EXPECT_GT(count, 90000u);
  EXPECT_EQ(4u, U32At(main.get(), kDmgEdgeOffset) - (kDmgOffsetTableOffset + 4 * count));
  EXPECT_EQ(0, std::memcmp(main.get()->view + kDmgNameOffset, L"系统码表", 8));

  std::wstring text = ReadText(kSources + L"wubi.txt");
  size_t pos = text.find(L"\r\n") + 2, checked = 0;
  for (size_t line = 0; pos < text.size(); ++line) {
    size_t end = text.find(L"\r\n", pos);
    std::wstring l = text.substr(pos, end - pos);
    pos = end + 2;
    if (line % 50) continue;
    size_t tab = l.find(L'\t');
    std::wstring word = l.substr(0, tab), code = l.substr(tab + 1);
    std::string bytes(code.begin(), code.end());
    DmgRange r = FindExactCodeRange(main.get(), reinterpret_cast<const uint8_t*>(bytes.data()),
                                    static_cast<uint32_t>(bytes.size()));
    bool found = false;
    DmgView view = GetDmgView(main.get());
    for (uint32_t i = r.start; i < r.end && !found; ++i) found = ReadEntry(view, i).word == word;
    EXPECT_TRUE(found) << line;
    ++checked;
  }
  EXPECT_GT(checked, 1900u);
}

TEST(ShippedTablesTest, CompanionTables) {
  auto danzi = OpenTableFile(kData + L"danzi.dmi");
  ASSERT_NE(nullptr, danzi.get());
  DmsEntry entry;
  ASSERT_EQ(1u, LookupEntryList(danzi.get(), L"工", &entry, 1));
  EXPECT_EQ(std::wstring(L"aaaa"), entry.value);
  ASSERT_EQ(1u, LookupEntryList(danzi.get(), L"我", &entry, 1));
  EXPECT_EQ(std::wstring(L"trnt"), entry.value);

  for (const wchar_t* name : {L"sysl.dmg", L"engl.dmg"}) {
    auto list = OpenTableFile(kData + name);
    ASSERT_NE(nullptr, list.get()) << name;
    EXPECT_EQ(kDmgTypeWordList, U32At(list.get(), kDmgTypeOffset));
    EXPECT_GT(U32At(list.get(), kDmgCountOffset), 50000u);
    EXPECT_TRUE(IsTableConsistent(list.get()));
  }
  auto temp = OpenTableFile(kData + L"temp.dmg");
  ASSERT_NE(nullptr, temp.get());
  EXPECT_EQ(kTempTableBytes, temp.get()->size);
}
