// The keyed candidate sort against the in-place Shell sort and a plain
// comparison sort, on random lists that mix kinds, tie on every rule and list
// one record twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "tests/engine/RoadTestContext.h"

namespace zn::test {
namespace {

// Random candidate lists over records in stable storage: code records (main
// and temp), text records (associations), generated and plain texts.
struct RandomLists {
  std::mt19937 rng;
  std::deque<std::vector<uint8_t>> records;
  std::deque<std::wstring> plain;

  int U(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  const uint8_t* Record(const DmgTestEntry& e, uint32_t type) {
    records.push_back(RecordBytes(e, type));
    records.back().reserve(600);
    return records.back().data();
  }
  std::string Code() {
    std::string code(U(1, 4), ' ');
    for (char& ch : code) ch = static_cast<char>('a' + U(0, 3));
    return code;
  }
  std::wstring Word() {
    std::wstring word;
    for (int i = U(1, 4); i > 0; --i) {
      if (U(0, 9) == 0) word += {wchar_t(0xD840), static_cast<wchar_t>(0xDC00 + U(0, 3))};  // one character
      else word.push_back(static_cast<wchar_t>(0x4E00 + U(0, 5)));
    }
    return word;
  }
  // Order in 0..orderRange, sometimes pinned, a category, and bits the order ignores.
  uint32_t Attribute(int orderRange) {
    uint32_t attr = U(0, orderRange) | (U(0, 9) == 0 ? EntryAttr::kPinned : 0u) | uint32_t(U(0, 4)) << 24;
    return U(0, 7) == 0 ? attr | 0x00010000u << U(0, 7) : attr;
  }
  // generated: a few generated and plain-text candidates; wide: values far
  // apart, beyond any packed key; twins: some records listed twice.
  std::vector<CandidateItem> Make(int count, bool assoc, bool generated, bool twins, bool wide, int orderRange) {
    static constexpr int32_t kValues[] = {0x81, 0x80, 0x80, 0x80, 64, 62, 129, 1};
    std::vector<CandidateItem> items;
    while (static_cast<int>(items.size()) < count) {
      CandidateItem item{nullptr, 0, kValues[U(0, 7)], {}};
      const int pick = U(0, 99);
      const uint32_t attr = Attribute(orderRange);
      if (generated && pick < 3) {
        item = {Record({"", Word(), 0}, 5), kKindGenerated, 0xEEEEEE - U(0, 2), {}};
      } else if (generated && pick < 5) {
        plain.push_back(Word());
        item.entry = reinterpret_cast<const uint8_t*>(plain.back().c_str());
        item.kind = kKindPlainText;
      } else if (assoc) {
        item.entry = Record({"", Word(), attr}, 5);
        item.kind = 0x13;
      } else {
        item.entry = Record({Code(), Word(), attr}, 1);
        item.kind = pick < 80 ? kKindMain : kKindTemp;
        item.hint[0] = static_cast<wchar_t>(L'a' + U(0, 3));
      }
      if (wide && U(0, 9) == 0) item.value = U(0, 1) ? 0x7FFFFFF0 : -0x7FFFFFF0;
      items.push_back(item);
      if (twins && U(0, 19) == 0) {
        // Mostly alike; sometimes another hint, or another match class.
        const int how = U(0, 3);
        if (how == 1) ++item.hint[0];
        if (how == 2) item.value = item.value == 0x80 ? 0x81 : 0x80;
        items.insert(items.begin() + U(0, static_cast<int>(items.size())), item);
      }
    }
    items.resize(count);
    std::shuffle(items.begin(), items.end(), rng);
    return items;
  }
};

class CandidateSort : public ::testing::Test {
 protected:
  ImeContext* Load(const std::vector<CandidateItem>& items) {
    ImeContext* c = road.get();
    c->candidateCount = static_cast<int>(items.size());
    std::copy(items.begin(), items.end(), c->candidates);
    return c;
  }
  std::vector<CandidateItem> ComparisonOrder(std::vector<CandidateItem> items) {
    ImeContext* c = road.get();
    std::stable_sort(items.begin(), items.end(),
                     [c](const CandidateItem& a, const CandidateItem& b) { return CompareCandidates(c, a, b) < 0; });
    return items;
  }
  void ExpectList(const std::vector<CandidateItem>& want, const std::string& what) {
    const ImeContext* c = road.get();
    ASSERT_EQ(c->candidateCount, static_cast<int>(want.size())) << what;
    for (int i = 0; i < c->candidateCount; ++i) {
      const CandidateItem &a = c->candidates[i], &b = want[i];
      ASSERT_TRUE(a.entry == b.entry && a.kind == b.kind && a.value == b.value && std::wcsncmp(a.hint, b.hint, 3) == 0)
          << what << ": first difference at " << i << " of " << c->candidateCount;
    }
  }
  // SortCandidates leaves the order of the Shell sort alone.
  void ExpectShellOrder(const std::vector<CandidateItem>& items, const std::string& what) {
    ShellSortCandidates(Load(items));
    const std::vector<CandidateItem> expected(road.get()->candidates, road.get()->candidates + items.size());
    SortCandidates(Load(items));
    ExpectList(expected, what);
  }
  void SetSortWord(uint32_t bits) { road.ime()->sortWord = (road.ime()->sortWord & 0xF0000000u) | bits; }
  RoadContext road;
};

// Every mode: SortCandidates matches the Shell sort on any list, and on lists
// whose comparison order is unique the keyed path is taken and reaches it.
TEST_F(CandidateSort, RandomListsTakeTheShellAndComparisonOrder) {
  struct Mode { const char* name; uint32_t sortWord; bool associations; };
  constexpr Mode kModes[] = {{"table order", 0, false}, {"single characters first", 0x8, false},
                             {"by code", 0x10, false},  {"both bits", 0x18, false},
                             {"association list", 0x8, true}};
  RandomLists random{std::mt19937(20240611)};
  road.ime()->spaceWord &= ~0x8u;  // no duplicate merging: the order alone
  for (const Mode& mode : kModes) {
    SetSortWord(mode.sortWord);
    road.get()->stateFlags = mode.associations ? static_cast<uint32_t>(kStateAssociations) : 0u;
    for (int round = 0; round < 40; ++round) {
      const std::string what = std::string(mode.name) + " round " + std::to_string(round);
      const int count = random.U(0, 9) == 0 ? random.U(2, 12) : random.U(200, 1200);
      const int orderRange = random.U(0, 1) ? 3 : 60000;
      const auto items = random.Make(count, mode.associations, random.U(0, 3) == 0, random.U(0, 2) == 0,
                                     random.U(0, 9) == 0, orderRange);
      if (items[0].kind != kKindPlainText) ExpectShellOrder(items, what);  // else left unsorted
      if (round >= 25) continue;
      const auto unique = random.Make(random.U(2, 1000), mode.associations, false, false, false,
                                      random.U(0, 1) ? 2 : 1000);
      std::vector<CandidateItem> shuffled = unique;  // the order must not depend on the input order
      std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(round));
      ASSERT_TRUE(SortCandidatesByKey(Load(shuffled))) << what;
      ExpectList(ComparisonOrder(unique), what + " keyed");
      if (HasFailure()) return;
    }
  }
}

TEST_F(CandidateSort, RecordListedTwiceWithOtherHintsKeepsTheShellSortOrder) {
  RandomLists pool{};
  std::vector<CandidateItem> items;
  const uint8_t* shared = pool.Record({"ab", L"甲", Attr(1, 5)}, 1);
  for (int i = 0; i < 40; ++i) {
    const uint8_t* entry = i % 4 == 0 ? shared : pool.Record({"ab", L"乙", Attr(1, 5)}, 1);
    items.push_back({entry, kKindMain, 0x80, {static_cast<wchar_t>(L'a' + i % 7)}});
  }
  ExpectShellOrder(items, "twins");
}

// A first key with prefix hints lists 1,000 candidates: they must take the
// keyed sort, not the Shell sort it falls back to.
TEST_F(CandidateSort, AFullFirstKeyListTakesTheKeyedSort) {
  std::vector<DmgTestEntry> entries;
  std::mt19937 rng(3);
  for (int i = 0; i < 1500; ++i) {
    std::string code = "a";
    for (int k = 0; k < 3; ++k) code.push_back(static_cast<char>('a' + rng() % 25));
    entries.push_back({code, std::wstring(1, static_cast<wchar_t>(0x4E00 + rng() % 5000)),
                       Attr(1, rng() % 40, rng() % 9 == 0)});
  }
  road.SetMain(entries);
  road.SetTemp({{"ab", L"临时", 7}, {"abc", L"词", 3}});
  road.dme()->codeOptions = kDmeOptPrefixHints;
  for (uint32_t sortWord : {0u, 0x8u}) {
    SetSortWord(sortWord);
    road.Search(L"a");
    ImeContext* c = road.get();
    ASSERT_EQ(c->candidateCount, 1000);
    const auto expected = ComparisonOrder({c->candidates, c->candidates + c->candidateCount});
    std::reverse(c->candidates, c->candidates + c->candidateCount);
    EXPECT_TRUE(SortCandidatesByKey(c));
    ExpectList(expected, "sort word " + std::to_string(sortWord));
  }
}

}  // namespace
}  // namespace zn::test
