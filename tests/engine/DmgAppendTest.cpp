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

std::vector<DmgTestEntry> Entries(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::set<std::string> seen;
  std::vector<DmgTestEntry> entries;
  while (entries.size() < n) {
    std::string code;
    size_t len = 1 + rng() % 4;
    for (size_t i = 0; i < len; ++i) code.push_back(static_cast<char>('a' + rng() % 25));
    if (!seen.insert(code).second) continue;
    std::wstring word(1 + rng() % 4, static_cast<wchar_t>(0x4E00 + rng() % 5000));
    entries.push_back({code, word, 0x01000000u | (rng() & 0xFFFF)});
  }
  return entries;
}

DmgTestEntry Read(const DmgView& view, uint32_t position) {
  DmgRecord rec;
  EXPECT_TRUE(ReadDmgRecord(view, position, &rec));
  DmgTestEntry e;
  if (rec.code) e.code.assign(reinterpret_cast<const char*>(rec.code + 1), rec.codeLen);
  for (uint32_t i = 0; i < rec.wordLenUnits; ++i) e.word.push_back(RecordWordUnit(rec, i));
  e.attr = rec.attr;
  return e;
}

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
    DmgTestEntry got = Read(view, i);
    ASSERT_EQ(got.code, expected[i].code) << i;
    ASSERT_EQ(got.word, expected[i].word) << i;
    ASSERT_EQ(got.attr, expected[i].attr) << i;
    DmgRecord rec;
    ReadDmgRecord(view, i, &rec);
    spans.push_back({rec.offset, rec.offset + rec.sizeBytes});
    codes.push_back(got.code);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 0; i < spans.size(); ++i) {
    EXPECT_GE(spans[i].first, edge);
    if (i > 0) {
      EXPECT_LE(spans[i - 1].second, spans[i].first);
    }
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
  struct Case {
    uint32_t gap;
    const char* rule;
  };
  // 4 as shipped and 0..3: the lowest record moves to the end; 5000: the
  // record goes below the edge; 12: the file grows by the record alone.
  const Case cases[] = {{4, "move"}, {0, "move"}, {1, "move"}, {2, "move"},
                        {3, "move"}, {5000, "gap"}, {12, "grow"}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    std::vector<DmgTestEntry> entries = Entries(c.gap + 100, 600);
    MappedFilePtr table = OpenTableFile(dir.File(L"a" + std::to_wstring(c.gap)), BuildDmgBytes(entries, {1, c.gap, true}));
    ASSERT_TRUE(table);
    uint32_t oldSize = table->size;
    uint32_t lowest = static_cast<uint32_t>(RecordBytes(entries[0]).size());
    DmgTestEntry added{"zzz", L"新词", 0x02000400};
    uint32_t s = static_cast<uint32_t>(RecordBytes(added).size());
    ASSERT_TRUE(AppendAndPlace(table.get(), added));
    uint32_t grown = table->size - oldSize;
    std::string rule = c.rule;
    uint32_t want = rule == "move" ? s + lowest : rule == "grow" ? s : 0;
    EXPECT_EQ(grown, want);
    entries.push_back(added);
    ExpectSound(table.get(), entries);
  }
}

TEST(DmgAppend, ManyAppendsAlternateRulesAndStaySound) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = Entries(7, 800);
  MappedFilePtr table = OpenTableFile(dir.File(L"m.dmg"), BuildDmgBytes(entries));
  std::vector<DmgTestEntry> added = Entries(8, 1200);
  std::set<std::string> have;
  for (auto& e : entries) have.insert(e.code);
  int n = 0;
  for (DmgTestEntry& e : added) {
    if (have.count(e.code)) continue;
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
  std::vector<uint8_t> bytes = BuildDmgBytes(Entries(9, 50));
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
  std::vector<uint8_t> bytes = BuildDmgBytes(Entries(10, 100));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"c.dmg"), bytes));
  MappedFile* raw = nullptr;
  ASSERT_EQ(ReadWholeFile(&raw, dir.File(L"c.dmg").c_str()), 1);
  MappedFilePtr copy(raw);
  std::vector<uint8_t> rec = RecordBytes({"q", L"x", 0});
  EXPECT_EQ(AppendRecord(copy.get(), rec.data()), 0);
  EXPECT_EQ(PlaceNewRecord(copy.get(), nullptr, -1), 0);
  EXPECT_EQ(SortTable(copy.get(), nullptr), 0);
  EXPECT_EQ(RebuildKeyIndex(copy.get()), 0);
  DmgTestEntry first = Read(GetDmgView(copy.get()), 0);
  DmgRange r = FindExactCodeRange(copy.get(), reinterpret_cast<const uint8_t*>(first.code.data()),
                                  static_cast<uint32_t>(first.code.size()));
  EXPECT_EQ(r.start, 0u);
  EXPECT_EQ(r.end, 1u);
}

TEST(DmgAppend, WordListTablesCompareByText) {
  TempDir dir;
  std::vector<DmgTestEntry> words;
  for (const wchar_t* w : {L"你好", L"你们", L"我", L"hello", L"help", L"你"}) words.push_back({"", w, 1});
  DmgBuildOptions options;
  options.type = kDmgTypeWordList;
  MappedFilePtr table = OpenTableFile(dir.File(L"sysl.dmg"), BuildDmgBytes(words, options));
  ASSERT_TRUE(AppendRecord(table.get(), RecordBytes({"", L"你好吗", 7}, 5).data()));
  ASSERT_TRUE(PlaceNewRecord(table.get(), nullptr, -1));
  words.push_back({"", L"你好吗", 7});
  std::sort(words.begin(), words.end(), [](auto& a, auto& b) {
    return std::u16string(a.word.begin(), a.word.end()) < std::u16string(b.word.begin(), b.word.end());
  });
  DmgView view = GetDmgView(table.get());
  ASSERT_EQ(view.countRecords, words.size());
  for (uint32_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(Read(view, i).word, words[i].word);
    std::vector<uint8_t> key = RecordBytes(words[i], 5);
    EXPECT_EQ(FindRecord(table.get(), key.data() + 4, nullptr), static_cast<int>(i + 1));
  }
  // Word lists have no codes: code lookups find nothing.
  DmgRange r = FindPrefixRange(table.get(), reinterpret_cast<const uint8_t*>("h"), 1);
  EXPECT_EQ(r.start, r.end);
}

TEST(DmgAppend, SecondMappingSeesGrownTableOnlyAfterRemap) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = Entries(12, 400);
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
  EXPECT_EQ(Read(GetDmgView(reader.get()), r.start).word, L"增");
  entries.insert(entries.end(), added.begin(), added.end());
  ExpectSound(reader.get(), entries);
}
