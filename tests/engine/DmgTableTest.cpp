// Code tables: byte layout, code alphabet, record building, and the searches
// and index checked against brute force on generated tables.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "engine/DmgTable.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

std::string CodeOf(const DmgRecord& rec) {
  return std::string(reinterpret_cast<const char*>(rec.code + 1), rec.codeLen);
}

std::wstring WordOf(const DmgRecord& rec) {
  wchar_t buf[300];
  CopyRecordWord(rec, buf, 300);
  return buf;
}

// Codes of a table in offset-table order.
std::vector<std::string> CodesInOrder(const DmgView& view) {
  std::vector<std::string> codes;
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    EXPECT_TRUE(ReadDmgRecord(view, i, &rec));
    codes.push_back(CodeOf(rec));
  }
  return codes;
}

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

std::vector<DmgTestEntry> RandomEntries(uint32_t seed, size_t n, bool keypad) {
  std::mt19937 rng(seed);
  std::string alphabet = "abcdefghijklmnopqrstuvwxy";
  if (keypad) {
    for (char b = 0x0A; b <= 0x19; ++b) alphabet.push_back(b);
  }
  std::set<std::pair<std::string, std::wstring>> seen;
  std::vector<DmgTestEntry> entries;
  while (entries.size() < n) {
    std::string code;
    size_t len = 1 + rng() % 4;
    for (size_t i = 0; i < len; ++i) code.push_back(alphabet[rng() % alphabet.size()]);
    std::wstring word;
    size_t units = 1 + rng() % 3;
    for (size_t i = 0; i < units; ++i) word.push_back(static_cast<wchar_t>(0x4E00 + rng() % 2000));
    if (!seen.insert({code, word}).second) continue;
    entries.push_back({code, word, 0x01000000u | (rng() & 0xFFFF)});
  }
  return entries;
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
    bytes.push_back(1);
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    return at;
  };
  uint32_t b = add("b", L'了', 0x01000010), ab = add("ab", L'节', 0x42000020);
  uint32_t aa = add("aa", L'式', 0x01000030), a = add("a", L'工', 0x81000040);
  PutU32(bytes, 0, edge);
  PutU32(bytes, 4, n);
  PutU32(bytes, 8, 1);
  uint32_t offsets[] = {a, aa, ab, b};
  for (uint32_t i = 0; i < n; ++i) PutU32(bytes, kTestHeaderSize + 4 * i, offsets[i]);
  auto setIndex = [&](uint8_t c, uint8_t d, uint32_t v) { PutU32(bytes, 0x88 + 4 * (c * 128 + d), v); };
  setIndex('a', 0, 0), setIndex('a', 1, 3), setIndex('a', 'a', 1), setIndex('a', 'b', 2);
  setIndex('a', 'c', 3), setIndex('b', 0, 3), setIndex('b', 1, 4);

  TempDir dir;
  MappedFilePtr table = OpenTableFile(dir.File(L"hand.dmg"), bytes);
  ASSERT_TRUE(table && IsWritableMapping(table.get()));
  auto code = [](const char* s) { return reinterpret_cast<const uint8_t*>(s); };
  DmgRange r = FindExactCodeRange(table.get(), code("a"), 1);
  EXPECT_EQ(r.start, 0u);
  EXPECT_EQ(r.end, 1u);
  r = FindPrefixRange(table.get(), code("a"), 1);
  EXPECT_EQ(r.end, 3u);
  r = FindExactCodeRange(table.get(), code("ab"), 2);
  EXPECT_EQ(r.start, 2u);
  EXPECT_EQ(r.end, 3u);
  r = FindPrefixRange(table.get(), code("aa"), 2);
  EXPECT_EQ(r.start, 1u);
  EXPECT_EQ(r.end, 2u);
  r = FindExactCodeRange(table.get(), code("aab"), 3);
  EXPECT_EQ(r.start, r.end);

  DmgView view = GetDmgView(table.get());
  DmgRecord rec;
  ASSERT_TRUE(ReadDmgRecord(view, 2, &rec));
  EXPECT_EQ(rec.offset, ab);
  EXPECT_EQ(CodeOf(rec), "ab");
  EXPECT_EQ(WordOf(rec), L"节");
  EXPECT_EQ(EntryAttr::Category(rec.attr), 2u);
  EXPECT_TRUE(rec.attr & EntryAttr::kPinned);
  EXPECT_EQ(EntryAttr::Order(rec.attr), 0x20u);
  ASSERT_TRUE(ReadDmgRecord(view, 0, &rec));
  EXPECT_TRUE(rec.attr & EntryAttr::kDeleted);

  // Rebuilding gives the hand-set entries (and the same search results).
  ASSERT_EQ(RebuildKeyIndex(table.get()), 1);
  std::vector<uint8_t> rebuilt(table->view, table->view + table->size);
  for (auto [c, d, v] : {std::tuple{'a', 0, 0u}, {'a', 1, 3u}, {'a', 'a', 1u}, {'a', 'b', 2u},
                         {'a', 'c', 3u}, {'b', 0, 3u}, {'b', 1, 4u}}) {
    EXPECT_EQ(GetU32(rebuilt, 0x88 + 4 * (c * 128 + d)), v) << c << " " << d;
  }
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
  uint32_t attr;
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(EntryAttr::Category(attr), 18u);
  EXPECT_TRUE(attr & EntryAttr::kPinned);
  EXPECT_EQ(rec[4], 4);
  EXPECT_EQ(0, std::memcmp(rec.get() + 5, "abcd", 4));
  EXPECT_EQ(rec[9], 2);
  EXPECT_EQ(StoredRecordSize(rec.get(), kDmgTypeCode), 6u + 4 + 4);

  // "#序" is cut first, so tags written behind it are lost.
  rec = build(L"ab#序70000#用", L"x");
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(attr, 70000u & 0xFFFF);
  rec = build(L"ab#用#序5", L"x");
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(attr, (2u << 24) | 5);
  rec = build(L"ab#类0", L"x");
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(EntryAttr::Category(attr), 16u);
  rec = build(L"ab#类99", L"x");
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(EntryAttr::Category(attr), 31u);
  rec = build(L"ab#类2#辅#固", L"x");
  std::memcpy(&attr, rec.get(), 4);
  EXPECT_EQ(attr, (4u << 24) | EntryAttr::kPinned);
  EXPECT_EQ(rec[4], 2);

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
  struct Case {
    uint32_t seed;
    size_t count;
    bool keypad;
    uint32_t type;
    bool spoilIndex;
  };
  // Type 1 with its index, another type whose (garbage) index must be
  // ignored, a type-1 table whose index is out of range, and an empty table.
  const Case cases[] = {{1, 5000, false, 1, false}, {2, 4000, true, 1, false},
                        {3, 3000, true, 0, true},   {4, 3000, false, 1, true},
                        {5, 0, false, 1, false}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    DmgBuildOptions options;
    options.type = c.type;
    std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(c.seed, c.count, c.keypad), options);
    if (c.spoilIndex) {
      for (uint32_t i = 0; i < 128 * 128; ++i) PutU32(bytes, 0x88 + 4 * i, 0xFFFF0000u + i);
    }
    MappedFilePtr table = OpenTableFile(dir.File(L"t" + std::to_wstring(c.seed)), bytes);
    ASSERT_TRUE(table);
    DmgView view = GetDmgView(table.get());
    std::vector<std::string> codes = CodesInOrder(view);
    ASSERT_TRUE(std::is_sorted(codes.begin(), codes.end(), ByteLess));

    std::vector<std::string> queries(codes.begin(), codes.end());
    std::mt19937 rng(c.seed * 7);
    const char* alphabet = "abcdefghijklmnopqrstuvwxyz\x0a\x0f\x19 A";
    for (int i = 0; i < 3000; ++i) {
      std::string q;
      size_t len = 1 + rng() % 5;
      for (size_t k = 0; k < len; ++k) q.push_back(alphabet[rng() % 31]);
      queries.push_back(q);
    }
    for (const std::string& q : queries) {
      auto* p = reinterpret_cast<const uint8_t*>(q.data());
      uint32_t len = static_cast<uint32_t>(q.size());
      DmgRange exact = FindExactCodeRange(view, p, len);
      DmgRange want = BruteRange(codes, q, false);
      ASSERT_EQ(exact.start, want.start) << q;
      ASSERT_EQ(exact.end, want.end) << q;
      DmgRange prefix = FindPrefixRange(view, p, len);
      want = BruteRange(codes, q, true);
      ASSERT_EQ(prefix.start, want.start) << q;
      ASSERT_EQ(prefix.end, want.end) << q;
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
    ASSERT_EQ(FindRecord(table.get(), key.data() + 4, &kDefaultRecordCompareOps),
              static_cast<int>(i + 1));
    // A missing word of the same code reports where it would be inserted.
    DmgTestEntry missing = entries[i];
    missing.word.push_back(L'\xFFFF');
    int at = static_cast<int>(std::lower_bound(entries.begin(), entries.end(), missing,
                                               DmgEntryLess) - entries.begin());
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
  EXPECT_EQ(0, std::memcmp(table->view + 0x88, bytes.data() + 0x88, 65536));
  EXPECT_EQ(0, std::memcmp(table->view + 0x10088, bytes.data() + 0x10088, 512));

  // With the key set "ab" only a and b and their pairs are indexed.
  ASSERT_EQ(RebuildKeyIndex(table.get(), nullptr, L"ab"), 1);
  for (uint32_t c = 0; c < 128; ++c) {
    for (uint32_t d = 0; d < 128; ++d) {
      uint32_t got;
      std::memcpy(&got, table->view + 0x88 + 4 * (c * 128 + d), 4);
      bool indexed = (c == 'a' || c == 'b') && (d <= 1 || d == 'a' || d == 'b' || d == 'c');
      if (indexed) {
        EXPECT_EQ(got, GetU32(bytes, 0x88 + 4 * (c * 128 + d))) << c << " " << d;
      } else {
        EXPECT_EQ(got, 0u) << c << " " << d;
      }
    }
  }
}

TEST(DmgSort, SortTableOrdersShuffledOffsets) {
  TempDir dir;
  std::vector<uint8_t> bytes = BuildDmgBytes(RandomEntries(31, 2500, false));
  std::vector<uint8_t> sorted = bytes;
  std::vector<uint32_t> offsets(2500);
  std::memcpy(offsets.data(), bytes.data() + kTestHeaderSize, 4 * 2500);
  std::shuffle(offsets.begin(), offsets.end(), std::mt19937(5));
  std::memcpy(bytes.data() + kTestHeaderSize, offsets.data(), 4 * 2500);
  MappedFilePtr table = OpenTableFile(dir.File(L"s.dmg"), bytes);
  ASSERT_EQ(SortTable(table.get(), nullptr), 1);
  EXPECT_EQ(0, std::memcmp(table->view, sorted.data(), sorted.size()));
}
