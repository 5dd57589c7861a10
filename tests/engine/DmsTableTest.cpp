// Lookup tables (.dms, danzi.dmi): equal keys in file order, exact keys only,
// empty and damaged tables.
#include <gtest/gtest.h>

#include "engine/DmsTable.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

std::vector<std::wstring> Values(const DmsEntry* entries, uint32_t n) {
  std::vector<std::wstring> values;
  for (uint32_t i = 0; i < n; ++i) values.emplace_back(entries[i].value, entries[i].valueLenUnits);
  return values;
}

}  // namespace

TEST(DmsTable, EqualKeysComeBackInFileOrder) {
  // Seven entries; bisection meets the middle one of the three 中 first. The
  // offsets of the three are listed in reverse file order.
  std::vector<uint8_t> bytes = BuildDmsBytes({{L"a", L"1"}, {L"b", L"2"}, {L"中", L"zhong1"},
                                              {L"中", L"zhong2"}, {L"中", L"zhong3"},
                                              {L"龙", L"3"}, {L"鼠", L"4"}});
  uint32_t first = GetU32(bytes, 4 + 4 * 2), third = GetU32(bytes, 4 + 4 * 4);
  PutU32(bytes, 4 + 4 * 2, third);
  PutU32(bytes, 4 + 4 * 4, first);
  TempDir dir;
  MappedFilePtr table = OpenTableFile(dir.File(L"danzi.dmi"), bytes);
  ASSERT_TRUE(table);
  EXPECT_EQ(SearchDmsTable(table.get(), L"中"), 4);
  EXPECT_EQ(SearchDmsTable(table.get(), L"龙"), 7);

  DmsEntry found[8];
  ASSERT_EQ(LookupEntryList(table.get(), L"中", found, 8), 3u);
  EXPECT_EQ(Values(found, 3), (std::vector<std::wstring>{L"zhong1", L"zhong2", L"zhong3"}));
  EXPECT_EQ(std::wstring(found[0].key), L"中");
  // A short list keeps the earliest alternatives and still reports them all.
  DmsEntry two[2];
  ASSERT_EQ(LookupEntryList(table.get(), L"中", two, 2), 3u);
  EXPECT_EQ(Values(two, 2), (std::vector<std::wstring>{L"zhong1", L"zhong2"}));
  EXPECT_EQ(LookupEntryList(table.get(), L"中", nullptr, 0), 3u);
}

TEST(DmsTable, OnlyWholeKeysMatch) {
  std::vector<uint8_t> bytes =
      BuildDmsBytes({{L"中国", L"china"}, {L"中", L"middle"}, {L"国", L"land"}, {L"中国人", L"p"}});
  GuardedTable guarded(bytes);
  DmsEntry found[4];
  EXPECT_EQ(LookupEntryList(guarded.table(), L"中国", found, 4), 1u);
  EXPECT_EQ(std::wstring(found[0].value), L"china");
  EXPECT_EQ(SearchDmsTable(guarded.table(), L"中国"), 2);
  // A prefix of a stored key, and a key longer than any stored one.
  EXPECT_EQ(SearchDmsTable(guarded.table(), L"中国人民"), 0);
  EXPECT_EQ(SearchDmsTable(guarded.table(), L"国家"), 0);
  EXPECT_EQ(LookupEntryList(guarded.table(), L"人", found, 4), 0u);
  EXPECT_EQ(LookupEntryList(guarded.table(), L"", found, 4), 0u);
}

TEST(DmsTable, EmptyAndMissingTablesFindNothing) {
  GuardedTable emptyCount(BuildDmsBytes({}));
  GuardedTable zeroBytes(std::vector<uint8_t>{});
  for (MappedFile* table : {emptyCount.table(), zeroBytes.table(), static_cast<MappedFile*>(nullptr)}) {
    DmsEntry found[1];
    EXPECT_EQ(SearchDmsTable(table, L"a"), 0);
    EXPECT_EQ(LookupEntryList(table, L"a", found, 1), 0u);
  }
  // A count whose offset table would pass the end of the file.
  std::vector<uint8_t> bytes = BuildDmsBytes({{L"a", L"1"}});
  PutU32(bytes, 0, 0x40000000u);
  GuardedTable huge(bytes);
  EXPECT_EQ(GetDmsTable(huge.table()).countEntries, 0u);
  EXPECT_EQ(SearchDmsTable(huge.table(), L"a"), 0);
}

TEST(DmsTable, EntriesRunningPastTheViewAreAbsent) {
  // The last entry's value loses its terminator: the file ends inside it.
  std::vector<uint8_t> bytes = BuildDmsBytes({{L"a", L"1"}, {L"b", L"2"}, {L"c", L"33"}});
  bytes.resize(bytes.size() - 2);
  GuardedTable cut(bytes);
  DmsEntry found[2];
  EXPECT_EQ(LookupEntryList(cut.table(), L"c", found, 2), 0u);
  EXPECT_EQ(LookupEntryList(cut.table(), L"b", found, 2), 1u);
  // Odd offsets and offsets at the very end are no entries either.
  std::vector<uint8_t> odd = BuildDmsBytes({{L"a", L"1"}, {L"b", L"2"}});
  PutU32(odd, 4, 5);
  PutU32(odd, 8, static_cast<uint32_t>(odd.size()));
  GuardedTable oddTable(odd);
  EXPECT_EQ(LookupEntryList(oddTable.table(), L"a", found, 2), 0u);
  EXPECT_EQ(LookupEntryList(oddTable.table(), L"b", found, 2), 0u);
  EXPECT_EQ(SearchDmsTable(oddTable.table(), L"b"), 0);
}
