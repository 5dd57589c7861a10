// Code tables: byte layout, code alphabet, record building, and the searches
// and index checked against brute force on generated tables.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "engine/DmgTable.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

bool ByteLess(const std::string& a, const std::string& b) {
  return std::basic_string<unsigned char>(a.begin(), a.end()) <
         std::basic_string<unsigned char>(b.begin(), b.end());
}

// Brute-force ranges over sorted codes.
DmgRange BruteRange(const std::vector<std::string>& codes, const std::string& q, bool prefix) {
  DmgRange r;
  r.start = static_cast<uint32_t>(
      std::lower_bound(codes.begin(), codes.end(), q, ByteLess) - codes.begin());
  r.end = r.start;
  while (r.end < codes.size() &&
         (prefix ? codes[r.end].compare(0, q.size(), q) == 0 : codes[r.end] == q)) {
    ++r.end;
  }
  return r;
}

const uint8_t* Code(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint32_t Len(const std::string& s) { return static_cast<uint32_t>(s.size()); }

uint32_t AttrOf(const DmgRecordBuffer& rec) {
  uint32_t attr;
  std::memcpy(&attr, rec.get(), 4);
  return attr;
}

}  // namespace

TEST(DmgLayout, HandBuiltTableIsReadAndSearched) {
  // Four records written by hand, in file order b, ab, aa, a, behind a gap.
  const uint32_t n = 4, edge = kTestHeaderSize + 4 * n + 4;
  std::vector<uint8_t> bytes(edge, 0);
  auto add = [&](const char* code, wchar_t word, uint32_t attr) {
    uint32_t at = static_cast<uint32_t>(bytes.size());
    bytes.resize(at + 4);
    PutU32(bytes, at, attr);
    bytes.push_back(static_cast<uint8_t>(std::strlen(code)));
    for (const char* p = code; *p; ++p) bytes.push_back(static_cast<uint8_t>(*p));
    bytes.insert(bytes.end(), {1, static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)});
    return at;
  };
  uint32_t b = add("b", L'了', 0x01000010), ab = add("ab", L'节', 0x42000020);
  uint32_t aa = add("aa", L'式', 0x01000030), a = add("a", L'工', 0x81000040);
  PutU32(bytes, 0, edge);
  PutU32(bytes, 4, n);
  PutU32(bytes, 8, 1);
  uint32_t offsets[] = {a, aa, ab, b};
  for (uint32_t i = 0; i < n; ++i) PutU32(bytes, kTestHeaderSize + 4 * i, offsets[i]);
  const std::tuple<char, int, uint32_t> index[] = {{'a', 0, 0}, {'a', 1, 3}, {'a', 'a', 1}, {'a', 'b', 2},
                                                   {'a', 'c', 3}, {'b', 0, 3}, {'b', 1, 4}};
  for (auto [c, d, v] : index) PutU32(bytes, 0x88 + 4 * (c * 128 + d), v);

  TempDir dir;
  MappedFilePtr table = OpenTableFile(dir.File(L"hand.dmg"), bytes);
  ASSERT_TRUE(table && IsWritableMapping(table.get()));
  // {query, prefix?, start, end}
  const std::tuple<std::string, bool, uint32_t, uint32_t> searches[] = {
      {"a", false, 0, 1}, {"a", true, 0, 3}, {"ab", false, 2, 3}, {"aa", true, 1, 2}, {"aab", false, 2, 2}};
  for (const auto& [q, prefix, start, end] : searches) {
    DmgRange r = prefix ? FindPrefixRange(table.get(), Code(q), Len(q))
                        : FindExactCodeRange(table.get(), Code(q), Len(q));
    EXPECT_EQ(r.start, start) << q;
    EXPECT_EQ(r.end, end) << q;
  }
  DmgView view = GetDmgView(table.get());
  DmgRecord rec;
  ASSERT_TRUE(ReadDmgRecord(view, 2, &rec));
  EXPECT_EQ(rec.offset, ab);
  wchar_t word[300];
  CopyRecordWord(rec, word, 300);
  EXPECT_STREQ(word, L"节");
  EXPECT_EQ(ReadEntry(view, 2).code, "ab");
  EXPECT_EQ(EntryAttr::Category(rec.attr), 2u);
  EXPECT_TRUE(rec.attr & EntryAttr::kPinned);
  EXPECT_EQ(EntryAttr::Order(rec.attr), 0x20u);
  EXPECT_TRUE(ReadEntry(view, 0).attr & EntryAttr::kDeleted);

  // Rebuilding gives the hand-set entries.
  ASSERT_EQ(RebuildKeyIndex(table.get()), 1);
  std::vector<uint8_t> rebuilt(table->view, table->view + table->size);
  for (auto [c, d, v] : index) EXPECT_EQ(GetU32(rebuilt, 0x88 + 4 * (c * 128 + d)), v) << c << " " << d;
}

TEST(DmgCodec, CodeAlphabetConversions) {
  uint8_t out[257];
  EXPECT_EQ(CodeTextToBytes(L"a\xFF11\xFF0A\x4E00\x0001Z", out), 6);
  const uint8_t expected[] = {6, 'a', 0x11, 0x0A, 0, 0, 'Z', 0};
  EXPECT_EQ(0, std::memcmp(out, expected, sizeof(expected)));
  std::wstring longCode(300, L'k');
  EXPECT_EQ(CodeTextToBytes(longCode.c_str(), nullptr), 255);
  EXPECT_EQ(CodeTextToBytes(longCode.c_str(), out), 255);
  EXPECT_EQ(out[0], 255);

  const uint8_t bytes[] = {5, 'x', 0x0B, 0x02, 0x90, 'y'};
  wchar_t text[8];
  EXPECT_EQ(CodeBytesToText(bytes, text, 8), 5);
  EXPECT_EQ(std::wstring(text, 5), std::wstring(L"x\xFF0B\xFF02") + L'\0' + L"y");
  // Capacity counts the terminator: nothing is written past it.
  wchar_t small[4] = {1, 1, 1, 0x7777};
  EXPECT_EQ(CodeBytesToText(bytes, small, 3), 2);
  EXPECT_EQ(small[2], 0);
  EXPECT_EQ(small[3], 0x7777);
}

TEST(DmgRecordText, TagsAreCutAndEncoded) {
  auto build = [](const wchar_t* code, const wchar_t* word) {
    std::wstring text = code;
    return BuildRecordFromText(text.data(), word, nullptr);
  };
  DmgRecordBuffer rec = build(L"abcd#类3#固", L"词语");
  ASSERT_TRUE(rec);
  EXPECT_EQ(AttrOf(rec), (18u << 24) | EntryAttr::kPinned);
  EXPECT_EQ(rec[4], 4);
  EXPECT_EQ(0, std::memcmp(rec.get() + 5, "abcd", 4));
  EXPECT_EQ(rec[9], 2);
  EXPECT_EQ(StoredRecordSize(rec.get(), kDmgTypeCode), 6u + 4 + 4);
  // "#序" is cut first, so tags written behind it are lost.
  const std::pair<const wchar_t*, uint32_t> tags[] = {
      {L"ab#序70000#用", 70000u & 0xFFFF}, {L"ab#用#序5", (2u << 24) | 5}, {L"ab#类0", 16u << 24},
      {L"ab#类99", 31u << 24}, {L"ab#类2#辅#固", (4u << 24) | EntryAttr::kPinned}};
  for (auto [code, attr] : tags) {
    rec = build(code, L"x");
    EXPECT_EQ(AttrOf(rec), attr) << code;
    EXPECT_EQ(rec[4], 2) << code;
  }
  EXPECT_FALSE(build(L"#用", L"x"));
  EXPECT_FALSE(build(L"ab", L""));
  EXPECT_TRUE(build(L"ab", std::wstring(128, L'字').c_str()));
  EXPECT_FALSE(build(L"ab", std::wstring(129, L'字').c_str()));
}

TEST(DmgCompare, CodesThenWordsShorterFirst) {
  auto key = [](const std::string& code, const std::wstring& word) {
    std::vector<uint8_t> r = RecordBytes({code, word, 0});
    return std::vector<uint8_t>(r.begin() + 4, r.end());
  };
  EXPECT_GT(CompareDmgRecords(key("ab", L"ab").data(), key("ab", L"a").data()), 0);
  EXPECT_LT(CompareDmgRecords(key("a", L"z").data(), key("aa", L"a").data()), 0);
  EXPECT_LT(CompareDmgRecords(key("a\x7f", L"z").data(), key("a\x90", L"a").data()), 0);
  EXPECT_EQ(CompareDmgRecords(key("ab", L"x").data(), key("ab", L"x").data()), 0);
  EXPECT_GT(CompareWords(key("", L"\xFFFF").data() + 1, key("", L"a").data() + 1), 0);
}

TEST(DmgSearch, RangesAgreeWithBruteForceOnRandomTables) {
  // Type 1 with its index, another type whose (garbage) index must be
  // ignored, a type-1 table whose index is out of range, and an empty table.
  const std::tuple<uint32_t, size_t, bool, uint32_t, bool> cases[] = {
      {1, 5000, false, 1, false}, {2, 4000, true, 1, false}, {3, 3000, true, 0, true},
      {4, 3000, false, 1, true}, {5, 0, false, 1, false}};
  TempDir dir;
  for (auto [seed, count, keypad, type, spoilIndex] : cases) {
    SCOPED_TRACE(seed);
    std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(seed, count, keypad), {type});
    for (uint32_t i = 0; spoilIndex && i < 128 * 128; ++i) PutU32(bytes, 0x88 + 4 * i, 0xFFFF0000u + i);
    MappedFilePtr table = OpenTableFile(dir.File(L"t" + std::to_wstring(seed)), bytes);
    ASSERT_TRUE(table);
    DmgView view = GetDmgView(table.get());
    std::vector<std::string> codes;
    for (uint32_t i = 0; i < view.countRecords; ++i) codes.push_back(ReadEntry(view, i).code);
    ASSERT_TRUE(std::is_sorted(codes.begin(), codes.end(), ByteLess));

    std::vector<std::string> queries(codes.begin(), codes.end());
    std::mt19937 rng(seed * 7);
    const char* alphabet = "abcdefghijklmnopqrstuvwxyz\x0a\x0f\x19 A";
    for (int i = 0; i < 3000; ++i) {
      std::string q(1 + rng() % 5, ' ');
      for (char& c : q) c = alphabet[rng() % 31];
      queries.push_back(q);
    }
    for (const std::string& q : queries) {
      for (bool prefix : {false, true}) {
        DmgRange got = prefix ? FindPrefixRange(view, Code(q), Len(q)) : FindExactCodeRange(view, Code(q), Len(q));
        DmgRange want = BruteRange(codes, q, prefix);
        ASSERT_EQ(got.start, want.start) << q << prefix;
        ASSERT_EQ(got.end, want.end) << q << prefix;
      }
    }
  }
}

TEST(DmgSearch, FindRecordHitsEveryRecordAndReportsInsertionPoints) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = RandomEntries(11, 3000, true);
  MappedFilePtr table = OpenTableFile(dir.File(L"f.dmg"), BuildDmgBytes(entries));
  ASSERT_TRUE(table);
  std::sort(entries.begin(), entries.end(), DmgEntryLess);
  for (size_t i = 0; i < entries.size(); ++i) {
    std::vector<uint8_t> key = RecordBytes(entries[i]);
    ASSERT_EQ(FindRecord(table.get(), key.data() + 4, nullptr), static_cast<int>(i + 1));
    ASSERT_EQ(FindRecord(table.get(), key.data() + 4, &kDefaultRecordCompareOps), static_cast<int>(i + 1));
    // A missing word of the same code reports where it would be inserted.
    DmgTestEntry missing = entries[i];
    missing.word.push_back(L'\xFFFF');
    int at = static_cast<int>(std::lower_bound(entries.begin(), entries.end(), missing, DmgEntryLess) -
                              entries.begin());
    key = RecordBytes(missing);
    ASSERT_EQ(FindRecord(table.get(), key.data() + 4, nullptr), -at);
  }
  std::vector<uint8_t> first = RecordBytes({"\x01", L"x", 0});
  EXPECT_EQ(FindRecord(table.get(), first.data() + 4, nullptr), 0);
  MappedFilePtr empty = OpenTableFile(dir.File(L"e.dmg"), BuildDmgBytes({}));
  EXPECT_EQ(FindRecord(empty.get(), first.data() + 4, nullptr), 0);
  EXPECT_EQ(FindRecord(nullptr, first.data() + 4, nullptr), -1);
}

TEST(DmgIndex, RebuildMatchesClosedFormAndHonoursKeySet) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = RandomEntries(21, 4000, true);
  entries.push_back({"~", L"x", 0});  // the last byte of the key set
  entries.push_back({"a~", L"x", 0});
  std::vector<uint8_t> bytes = BuildDmgBytes(entries);
  std::vector<uint8_t> unindexed = bytes;
  std::memset(unindexed.data() + 0x88, 0x5A, 65536);
  MappedFilePtr table = OpenTableFile(dir.File(L"i.dmg"), unindexed);
  ASSERT_EQ(RebuildKeyIndex(table.get()), 1);
  EXPECT_EQ(0, std::memcmp(table->view + 0x88, bytes.data() + 0x88, 65536 + 512));

  // With the key set "ab" only a and b and their pairs are indexed.
  ASSERT_EQ(RebuildKeyIndex(table.get(), nullptr, L"ab"), 1);
  for (uint32_t c = 0; c < 128; ++c) {
    for (uint32_t d = 0; d < 128; ++d) {
      bool indexed = (c == 'a' || c == 'b') && (d <= 1 || d == 'a' || d == 'b' || d == 'c');
      uint32_t at = 0x88 + 4 * (c * 128 + d);
      EXPECT_EQ(GetU32(std::vector<uint8_t>(table->view + at, table->view + at + 4), 0),
                indexed ? GetU32(bytes, at) : 0u) << c << " " << d;
    }
  }
}

TEST(DmgSort, SortTableOrdersShuffledOffsets) {
  TempDir dir;
  std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(31, 2500));
  std::vector<uint8_t> sorted = bytes;
  std::vector<uint32_t> offsets(2500);
  std::memcpy(offsets.data(), bytes.data() + kTestHeaderSize, 4 * 2500);
  std::shuffle(offsets.begin(), offsets.end(), std::mt19937(5));
  std::memcpy(bytes.data() + kTestHeaderSize, offsets.data(), 4 * 2500);
  MappedFilePtr table = OpenTableFile(dir.File(L"s.dmg"), bytes);
  ASSERT_EQ(SortTable(table.get(), nullptr), 1);
  EXPECT_EQ(0, std::memcmp(table->view, sorted.data(), sorted.size()));
}
