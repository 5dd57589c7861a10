// Code tables: appending through the three gap rules, placing and re-indexing,
// word-list tables, memory copies, and a second mapping of a grown table.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "engine/DmgTable.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

// Every expected record is listed once, in order, intact, in a record area
// that no two records share; the rebuilt index has its closed form.
void ExpectSound(MappedFile* table, std::vector<DmgTestEntry> expected) {
  ASSERT_EQ(RebuildKeyIndex(table), 1);
  DmgView view = GetDmgView(table);
  ASSERT_EQ(view.countRecords, expected.size());
  std::sort(expected.begin(), expected.end(), DmgEntryLess);
  uint32_t edge;
  std::memcpy(&edge, view.base, 4);
  EXPECT_GE(edge, kTestHeaderSize + 4 * view.countRecords);
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  std::vector<std::string> codes;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    ASSERT_TRUE(ReadDmgRecord(view, i, &rec)) << i;
    DmgTestEntry got = ReadEntry(view, i);
    ASSERT_TRUE(got.code == expected[i].code && got.word == expected[i].word && got.attr == expected[i].attr) << i;
    spans.push_back({rec.offset, rec.offset + rec.sizeBytes});
    codes.push_back(got.code);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 0; i < spans.size(); ++i) {
    EXPECT_GE(spans[i].first, edge);
    if (i > 0) EXPECT_LE(spans[i - 1].second, spans[i].first);
  }
  std::vector<uint32_t> index = ClosedFormIndex(codes);
  EXPECT_EQ(0, std::memcmp(view.base + 0x88, index.data(), 65536));
}

bool AppendAndPlace(MappedFile* table, const DmgTestEntry& e) {
  std::vector<uint8_t> rec = RecordBytes(e);
  return AppendRecord(table, rec.data()) == 1 && PlaceNewRecord(table, nullptr, -1) == 1;
}

}  // namespace

TEST(DmgAppend, EachGapRuleKeepsEveryRecordReachable) {
  // 4 as shipped and 0..3: the lowest record moves to the end; 5000: the
  // record goes below the edge; 12: the file grows by the record alone.
  enum Rule { kMove, kGap, kGrow };
  const std::pair<uint32_t, Rule> cases[] = {{4, kMove}, {0, kMove}, {1, kMove}, {2, kMove},
                                             {3, kMove}, {5000, kGap}, {12, kGrow}};
  TempDir dir;
  for (auto [gap, rule] : cases) {
    SCOPED_TRACE(gap);
    std::vector<DmgTestEntry> entries = RandomEntries(gap + 100, 600);
    MappedFilePtr table = OpenTableFile(dir.File(L"a" + std::to_wstring(gap)), BuildDmgBytes(entries, {1, gap, true}));
    ASSERT_TRUE(table);
    uint32_t oldSize = table->size;
    uint32_t lowest = static_cast<uint32_t>(RecordBytes(entries[0]).size());
    DmgTestEntry added{"zzz", L"新词", 0x02000400};
    uint32_t s = static_cast<uint32_t>(RecordBytes(added).size());
    ASSERT_TRUE(AppendAndPlace(table.get(), added));
    EXPECT_EQ(table->size - oldSize, rule == kMove ? s + lowest : rule == kGrow ? s : 0);
    entries.push_back(added);
    ExpectSound(table.get(), entries);
  }
}

TEST(DmgAppend, ManyAppendsAlternateRulesAndStaySound) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = RandomEntries(7, 800);
  MappedFilePtr table = OpenTableFile(dir.File(L"m.dmg"), BuildDmgBytes(entries));
  std::set<std::pair<std::string, std::wstring>> have;
  for (auto& e : entries) have.insert({e.code, e.word});
  int n = 0;
  for (DmgTestEntry& e : RandomEntries(8, 1200)) {
    if (!have.insert({e.code, e.word}).second) continue;
    ASSERT_TRUE(AppendAndPlace(table.get(), e));
    entries.push_back(e);
    if (++n % 97 == 0) ExpectSound(table.get(), entries);
  }
  ExpectSound(table.get(), entries);
  // Appending the same bytes through a pointer into the table itself works.
  DmgView view = GetDmgView(table.get());
  DmgRecord rec;
  ASSERT_TRUE(ReadDmgRecord(view, 0, &rec));
  ASSERT_EQ(AppendRecord(table.get(), view.base + rec.offset), 1);
  EXPECT_EQ(GetDmgView(table.get()).countRecords, entries.size() + 1);
}

TEST(DmgAppend, DamagedHeadersAreNotWritten) {
  TempDir dir;
  std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(9, 50));
  std::vector<uint8_t> rec = RecordBytes({"q", L"x", 0});
  // Edge below the offset table, edge past the end, and no record at the edge.
  for (uint32_t edge : {kTestHeaderSize + 4 * 50 - 1, static_cast<uint32_t>(bytes.size()) + 1,
                        kTestHeaderSize + 4 * 50 + 2}) {
    std::vector<uint8_t> bad = bytes;
    PutU32(bad, 0, edge);
    MappedFilePtr table = OpenTableFile(dir.File(L"d.dmg"), bad);
    EXPECT_EQ(AppendRecord(table.get(), rec.data()), 0) << edge;
    EXPECT_EQ(0, std::memcmp(table->view, bad.data(), bad.size()));
  }
}

TEST(DmgAppend, MemoryCopiesRefuseWritesButStillSearch) {
  TempDir dir;
  std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(10, 100));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"c.dmg"), bytes));
  MappedFile* raw = nullptr;
  ASSERT_EQ(ReadWholeFile(&raw, dir.File(L"c.dmg").c_str()), 1);
  MappedFilePtr copy(raw);
  std::vector<uint8_t> rec = RecordBytes({"q", L"x", 0});
  EXPECT_EQ(AppendRecord(copy.get(), rec.data()), 0);
  EXPECT_EQ(PlaceNewRecord(copy.get(), nullptr, -1), 0);
  EXPECT_EQ(SortTable(copy.get(), nullptr), 0);
  EXPECT_EQ(RebuildKeyIndex(copy.get()), 0);
  DmgTestEntry first = ReadEntry(GetDmgView(copy.get()), 0);
  DmgRange r = FindExactCodeRange(copy.get(), reinterpret_cast<const uint8_t*>(first.code.data()),
                                  static_cast<uint32_t>(first.code.size()));
  EXPECT_EQ(r.start, 0u);
  EXPECT_EQ(r.end, 1u);
}

TEST(DmgAppend, WordListTablesCompareByText) {
  TempDir dir;
  std::vector<DmgTestEntry> words;
  for (const wchar_t* w : {L"你好", L"你们", L"我", L"hello", L"help", L"你"}) words.push_back({"", w, 1});
  MappedFilePtr table = OpenTableFile(dir.File(L"sysl.dmg"), BuildDmgBytes(words, {kDmgTypeWordList}));
  ASSERT_TRUE(AppendRecord(table.get(), RecordBytes({"", L"你好吗", 7}, 5).data()));
  ASSERT_TRUE(PlaceNewRecord(table.get(), nullptr, -1));
  words.push_back({"", L"你好吗", 7});
  std::sort(words.begin(), words.end(), [](auto& a, auto& b) {
    return std::u16string(a.word.begin(), a.word.end()) < std::u16string(b.word.begin(), b.word.end());
  });
  DmgView view = GetDmgView(table.get());
  ASSERT_EQ(view.countRecords, words.size());
  for (uint32_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(ReadEntry(view, i).word, words[i].word);
    std::vector<uint8_t> key = RecordBytes(words[i], 5);
    EXPECT_EQ(FindRecord(table.get(), key.data() + 4, nullptr), static_cast<int>(i + 1));
  }
  // Word lists have no codes: code lookups find nothing.
  DmgRange r = FindPrefixRange(table.get(), reinterpret_cast<const uint8_t*>("h"), 1);
  EXPECT_EQ(r.start, r.end);
}

TEST(DmgAppend, SecondMappingSeesGrownTableOnlyAfterRemap) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = RandomEntries(12, 400);
  std::wstring path = dir.File(L"main.dmg");
  MappedFilePtr writer = OpenTableFile(path, BuildDmgBytes(entries));
  MappedFile* raw = nullptr;
  ASSERT_GT(OpenMappedFile(&raw, path.c_str()), 0);
  MappedFilePtr reader(raw);
  uint32_t readerSize = reader->size;

  std::vector<DmgTestEntry> added;
  for (int i = 0; i < 60; ++i) {
    added.push_back({"zy" + std::string(1, static_cast<char>('a' + i % 26)) + std::to_string(i),
                     L"增", 0x02000400});
    ASSERT_TRUE(AppendAndPlace(writer.get(), added.back()));
  }
  ASSERT_EQ(RebuildKeyIndex(writer.get()), 1);
  ASSERT_GT(writer->size, readerSize);

  // The stale view shares the header (new count, new offsets) but must skip
  // every record that lies past its own end.
  DmgView stale = GetDmgView(reader.get());
  ASSERT_EQ(stale.sizeBytes, readerSize);
  EXPECT_EQ(stale.countRecords, entries.size() + added.size());
  uint32_t skipped = 0;
  for (uint32_t i = 0; i < stale.countRecords; ++i) {
    DmgRecord rec;
    uint32_t offset = DmgRecordOffset(stale, i);
    bool ok = ReadDmgRecord(stale, i, &rec);
    if (offset >= readerSize) {
      EXPECT_FALSE(ok);
      ++skipped;
    } else if (ok) {
      EXPECT_LE(rec.offset + rec.sizeBytes, readerSize);
    }
  }
  EXPECT_GT(skipped, 0u);

  // The key-stroke lookup remaps first and then finds the new words.
  const DmgTestEntry& last = added.back();
  DmgRange r = FindExactCodeRange(reader.get(), reinterpret_cast<const uint8_t*>(last.code.data()),
                                  static_cast<uint32_t>(last.code.size()));
  EXPECT_EQ(reader->size, writer->size);
  ASSERT_EQ(r.end - r.start, 1u);
  EXPECT_EQ(ReadEntry(GetDmgView(reader.get()), r.start).word, L"增");
  entries.insert(entries.end(), added.begin(), added.end());
  ExpectSound(reader.get(), entries);
}

// A damaged table may list its lowest record in several slots: when an append
// moves that record to the end of the file, every one of them must follow it,
// however many there are.
TEST(DmgAppend, EverySlotNamingTheMovedRecordFollowsIt) {
  TempDir dir;
  for (uint32_t copies : {1u, 2u, 8u, 9u, 40u}) {
    SCOPED_TRACE(copies);
    std::vector<DmgTestEntry> entries = RandomEntries(copies, 300);
    std::vector<uint8_t> bytes = BuildDmgBytes(entries, {1, 4, true});
    uint32_t edge;
    std::memcpy(&edge, bytes.data(), 4);
    std::mt19937 rng(copies);
    std::set<uint32_t> naming;
    for (uint32_t i = 0; i < 300; ++i) {
      uint32_t offset;
      std::memcpy(&offset, bytes.data() + kTestHeaderSize + 4 * i, 4);
      if (offset == edge) naming.insert(i);
    }
    ASSERT_EQ(naming.size(), 1u);
    while (naming.size() < copies) {
      const uint32_t slot = rng() % 300;
      if (naming.insert(slot).second) std::memcpy(bytes.data() + kTestHeaderSize + 4 * slot, &edge, 4);
    }
    MappedFilePtr table = OpenTableFile(dir.File(L"d" + std::to_wstring(copies)), bytes);
    ASSERT_TRUE(table);
    const uint32_t oldEnd = table->size;
    const uint32_t codeLen = bytes[edge + 4];
    const uint32_t lowestSize = 6 + codeLen + 2 * bytes[edge + 5 + codeLen];
    std::vector<uint8_t> lowest(bytes.begin() + edge, bytes.begin() + edge + lowestSize);
    ASSERT_EQ(AppendRecord(table.get(), RecordBytes({"zzz", L"新词", 0x02000400}).data()), 1);
    DmgView view = GetDmgView(table.get());
    for (uint32_t i = 0; i < 300; ++i) {
      EXPECT_EQ(DmgRecordOffset(view, i) == oldEnd, naming.count(i) == 1) << i;
    }
    EXPECT_EQ(0, std::memcmp(view.base + oldEnd, lowest.data(), lowest.size()));
  }
}
