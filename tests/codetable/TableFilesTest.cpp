#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codetable/DmsText.h"
#include "codetable/RecordRoutines.h"
#include "codetable/TableExport.h"
#include "codetable/TableFiles.h"
#include "tests/codetable/CodeTableTestUtil.h"

using namespace zn::test;

namespace {

std::wstring MixedTable(int n) {
  std::wstring text;
  const wchar_t* tags[] = {L"", L"#用", L"#次", L"#类2"};
  for (int i = 0; i < n; ++i) {
    wchar_t line[64];
    swprintf(line, 64, L"词%d\t%lc%lc%ls\r\n", i, L'a' + i % 7, L'a' + (i / 7) % 26, tags[i % 4]);
    text += line;
  }
  return text;
}

std::vector<DmgTestEntry> Without(std::vector<DmgTestEntry> entries, uint32_t category) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const DmgTestEntry& e) { return EntryAttr::Category(e.attr) == category; }),
                entries.end());
  return entries;
}

}  // namespace

TEST(TableFilesTest, PurgeCategoriesAndEmpty) {
  TempDir dir;
  ASSERT_EQ(200, CompileText(dir, MixedTable(200), L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  std::vector<DmgTestEntry> before = TableEntries(t.get());
  std::vector<uint8_t> bytes(t.get()->view, t.get()->view + t.get()->size);

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 5));  // nothing of category 5
  EXPECT_EQ(0, std::memcmp(bytes.data(), t.get()->view, bytes.size()));

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 2));
  EXPECT_EQ(Without(before, 2), TableEntries(t.get()));
  EXPECT_TRUE(IsTableConsistent(t.get()));
  ASSERT_EQ(1, RebuildKeyIndex(t.get(), nullptr, nullptr));
  EXPECT_TRUE(EveryCodeFindable(t.get()));
  EXPECT_EQ(bytes.size(), t.get()->size);

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), (1u << 1) | (1u << 3) | (1u << 17)));
  EXPECT_EQ(0u, U32At(t.get(), kDmgCountOffset));
  EXPECT_EQ(t.get()->size, U32At(t.get(), kDmgEdgeOffset));

  ASSERT_EQ(200, CompileText(dir, MixedTable(200), L"u.dmg"));
  auto u = OpenTableFile(dir.File(L"u.dmg"));
  ASSERT_EQ(1, EmptyTable(u.get()));
  EXPECT_EQ(0u, U32At(u.get(), kDmgCountOffset));
  EXPECT_EQ(u.get()->size, U32At(u.get(), kDmgEdgeOffset));
  for (uint32_t i = 0; i < kDmgKeyIndexBytes; i += 4) ASSERT_EQ(0u, U32At(u.get(), kDmgKeyIndexOffset + i));
}

TEST(TableFilesTest, EmptyTempTableHasItsFixedSlots) {
  TempDir dir;
  ASSERT_EQ(1, CreateEmptyTempTable(dir.File(L"temp.dmg").c_str()));
  auto t = OpenTableFile(dir.File(L"temp.dmg"));
  ASSERT_EQ(kTempTableBytes, t.get()->size);
  EXPECT_EQ(0u, U32At(t.get(), kDmgCountOffset));
  EXPECT_NE(kDmgTypeCode, U32At(t.get(), kDmgTypeOffset));
  EXPECT_EQ(68236u, U32At(t.get(), kDmgOffsetTableOffset));
  EXPECT_EQ(68236u + 390u * 511, U32At(t.get(), kDmgOffsetTableOffset + 4 * 511));
  EXPECT_LE(68236u + 390u * 512, t.get()->size);
}

// The live table is mapped by another reader (as a running IME maps
// main.dmg) while it is replaced, once by a smaller and once by a larger table.
TEST(TableFilesTest, ReplaceLiveTableInPlace) {
  TempDir dir;
  ASSERT_EQ(300, CompileText(dir, MixedTable(300), L"big.dmg"));
  ASSERT_EQ(40, CompileText(dir, MixedTable(40), L"small.dmg"));
  ASSERT_EQ(300, CompileText(dir, MixedTable(300), L"live1.dmg"));
  ASSERT_EQ(40, CompileText(dir, MixedTable(40), L"live2.dmg"));
  for (auto [liveName, freshName] : {std::pair{L"live1.dmg", L"small.dmg"}, std::pair{L"live2.dmg", L"big.dmg"}}) {
    auto fresh = OpenTableFile(dir.File(freshName));
    auto live = OpenTableFile(dir.File(liveName));
    auto reader = OpenTableFile(dir.File(liveName));
    uint32_t oldSize = live.get()->size;
    // Header fields of the live table that the replacement keeps.
    DmgStoreU32(live.get()->view, live.get()->size, 0x74, 1234);
    ASSERT_EQ(1, ReplaceLiveTable(live.get(), fresh.get()));
    EXPECT_EQ(std::max(oldSize, fresh.get()->size), live.get()->size);
    EXPECT_EQ(1234u, U32At(live.get(), 0x74));
    EXPECT_EQ(TableEntries(fresh.get()), TableEntries(live.get()));
    EXPECT_TRUE(IsTableConsistent(live.get()));
    EXPECT_TRUE(EveryCodeFindable(live.get()));
    RemapIfResized(reader.get());
    EXPECT_EQ(TableEntries(fresh.get()), TableEntries(reader.get())) << liveName;
  }
}

TEST(TableFilesTest, DeleteRecordAtKeepsEveryOtherRecord) {
  TempDir dir;
  ASSERT_EQ(50, CompileText(dir, MixedTable(50), L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  std::vector<DmgTestEntry> entries = TableEntries(t.get());
  uint32_t size = t.get()->size;

  ASSERT_EQ(1, DeleteRecordAt(t.get(), 49));  // last slot
  entries.erase(entries.begin() + 49);
  EXPECT_EQ(entries, TableEntries(t.get()));
  // The record lying at the edge.
  uint32_t edge = U32At(t.get(), kDmgEdgeOffset);
  uint32_t atEdge = 0;
  while (U32At(t.get(), kDmgOffsetTableOffset + 4 * atEdge) != edge) ++atEdge;
  ASSERT_EQ(1, DeleteRecordAt(t.get(), atEdge));
  entries.erase(entries.begin() + atEdge);
  EXPECT_EQ(entries, TableEntries(t.get()));
  EXPECT_TRUE(IsTableConsistent(t.get()));
  EXPECT_EQ(size, t.get()->size);

  EXPECT_EQ(0, DeleteRecordAt(t.get(), 48));
  EXPECT_EQ(0, DeleteRecordAt(nullptr, 0));
  // A record whose offset points past the file is refused, nothing moves.
  DmgStoreU32(t.get()->view, t.get()->size, kDmgOffsetTableOffset + 4 * 3, t.get()->size - 2);
  std::vector<uint8_t> bytes(t.get()->view, t.get()->view + t.get()->size);
  EXPECT_EQ(0, DeleteRecordAt(t.get(), 3));
  EXPECT_EQ(0, std::memcmp(bytes.data(), t.get()->view, bytes.size()));

  uint32_t counts[64] = {};
  CountEntriesByClass(t.get(), counts);
  uint32_t sum = 0;
  for (uint32_t c : counts) sum += c;
  EXPECT_EQ(47u, sum);  // the damaged record is not counted
  EXPECT_GT(counts[17], 0u);
}

// Anyone may put a hard link to another file at the name a table, a lookup
// table or an export is written to: the writer refuses and the other file
// keeps its bytes.
TEST(TableFilesTest, WritersRefuseAHardLinkPlantedAtTheirName) {
  TempDir dir, outside;
  const std::vector<uint8_t> secret(100, 0x5A);
  ASSERT_TRUE(WriteFileBytes(outside.File(L"secret.bin"), secret));
  ASSERT_EQ(2, CompileText(dir, L"工\ta\r\n大\td\r\n", L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  for (const wchar_t* name : {L"new.dmg", L"danzi.dmi", L"out.txt"}) {
    ASSERT_TRUE(CreateHardLinkW(dir.File(name).c_str(), outside.File(L"secret.bin").c_str(), nullptr));
  }
  MappedFile* created = nullptr;
  // A table is made new: the planted name goes, what it named stays.
  ASSERT_NE(0u, CreateMappedFile(&created, dir.File(L"new.dmg").c_str(), 4096));
  CloseMappedFile(created, 1);
  EXPECT_EQ(DmsBuildResult::kCannotWrite, WriteDmsTable(dir.File(L"danzi.dmi").c_str(), {{L"工", L"a"}}));
  EXPECT_EQ(0, ExportTableText(t.get(), dir.File(L"out.txt").c_str(), nullptr, 32, nullptr, nullptr, nullptr));
  EXPECT_EQ(secret, ReadFileBytes(outside.File(L"secret.bin")));
}
