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

// Records that candidates point at: code records (kinds 0x21/0x22), text
// records (0x13/0x14) and plain texts (0x40), each in stable storage.
class RecordPool {
 public:
  const uint8_t* CodeRecord(uint32_t attr, const std::string& code, const std::wstring& word) {
    std::vector<uint8_t>& r = Fresh();
    Attribute(r, attr);
    r.push_back(static_cast<uint8_t>(code.size()));
    r.insert(r.end(), code.begin(), code.end());
    Text(r, word);
    return r.data();
  }
  const uint8_t* TextRecord(uint32_t attr, const std::wstring& text) {
    std::vector<uint8_t>& r = Fresh();
    Attribute(r, attr);
    Text(r, text);
    return r.data();
  }
  const uint8_t* PlainText(const std::wstring& text) {
    plain_.push_back(text);
    return reinterpret_cast<const uint8_t*>(plain_.back().c_str());
  }

 private:
  std::vector<uint8_t>& Fresh() {
    records_.emplace_back();
    records_.back().reserve(600);
    return records_.back();
  }
  static void Attribute(std::vector<uint8_t>& r, uint32_t attr) {
    for (int i = 0; i < 4; ++i) r.push_back(static_cast<uint8_t>(attr >> (8 * i)));
  }
  static void Text(std::vector<uint8_t>& r, const std::wstring& text) {
    r.push_back(static_cast<uint8_t>(text.size()));
    for (wchar_t u : text) {
      r.push_back(static_cast<uint8_t>(u & 0xFF));
      r.push_back(static_cast<uint8_t>(u >> 8));
    }
  }
  std::deque<std::vector<uint8_t>> records_;
  std::deque<std::wstring> plain_;
};

struct ListShape {
  int count;
  bool assocKinds;     // text records as association candidates
  bool generated;      // a few generated and plain-text candidates
  bool twins;          // some records listed twice
  bool wideValues;     // values far apart, beyond any packed key
  int orderRange;      // small: many equal order values
};

class RandomList {
 public:
  explicit RandomList(uint32_t seed) : rng_(seed) {}

  std::vector<CandidateItem> Make(const ListShape& shape) {
    std::vector<CandidateItem> items;
    static constexpr int32_t kValues[] = {0x81, 0x80, 0x80, 0x80, 64, 62, 129, 1};
    while (static_cast<int>(items.size()) < shape.count) {
      CandidateItem item{};
      const int pick = Uniform(0, 99);
      const uint32_t attr = RandomAttribute(shape.orderRange);
      if (shape.generated && pick < 3) {
        item.entry = pool_.TextRecord(0, RandomWord());
        item.kind = kKindGenerated;
        item.value = 0xEEEEEE - Uniform(0, 2);
      } else if (shape.generated && pick < 5) {
        item.entry = pool_.PlainText(RandomWord());
        item.kind = kKindPlainText;
        item.value = kValues[Uniform(0, 7)];
      } else if (shape.assocKinds) {
        item.entry = pool_.TextRecord(attr, RandomWord());
        item.kind = 0x13;
        item.value = kValues[Uniform(0, 7)];
      } else {
        item.entry = pool_.CodeRecord(attr, RandomCode(), RandomWord());
        item.kind = pick < 80 ? kKindMain : kKindTemp;
        item.value = kValues[Uniform(0, 7)];
        item.hint[0] = static_cast<wchar_t>(L'a' + Uniform(0, 3));
      }
      if (shape.wideValues && Uniform(0, 9) == 0) {
        item.value = Uniform(0, 1) ? 0x7FFFFFF0 : -0x7FFFFFF0;
      }
      items.push_back(item);
      if (shape.twins && Uniform(0, 19) == 0) {
        CandidateItem twin = item;
        // Mostly alike; sometimes another hint, or another match class.
        const int how = Uniform(0, 3);
        if (how == 1) twin.hint[0] = static_cast<wchar_t>(twin.hint[0] + 1);
        if (how == 2) twin.value = twin.value == 0x80 ? 0x81 : 0x80;
        items.insert(items.begin() + Uniform(0, static_cast<int>(items.size())), twin);
      }
    }
    items.resize(shape.count);
    std::shuffle(items.begin(), items.end(), rng_);
    return items;
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  uint32_t RandomAttribute(int orderRange) {
    uint32_t attr = static_cast<uint32_t>(Uniform(0, orderRange));
    if (Uniform(0, 9) == 0) attr |= EntryAttr::kPinned;
    attr |= static_cast<uint32_t>(Uniform(0, 4)) << 24;
    // Bits the order rule ignores.
    if (Uniform(0, 7) == 0) attr |= 0x00010000u << Uniform(0, 7);
    return attr;
  }
  std::string RandomCode() {
    std::string code;
    for (int i = 0, n = Uniform(1, 4); i < n; ++i) code.push_back(static_cast<char>('a' + Uniform(0, 3)));
    return code;
  }
  std::wstring RandomWord() {
    std::wstring word;
    for (int i = 0, n = Uniform(1, 4); i < n; ++i) {
      if (Uniform(0, 9) == 0) {
        word.push_back(static_cast<wchar_t>(0xD840));  // a pair counts one character
        word.push_back(static_cast<wchar_t>(0xDC00 + Uniform(0, 3)));
      } else {
        word.push_back(static_cast<wchar_t>(0x4E00 + Uniform(0, 5)));
      }
    }
    return word;
  }
  std::mt19937 rng_;
  RecordPool pool_;
};

bool SameItems(const CandidateItem* a, const CandidateItem* b, int n, int* firstDifference) {
  for (int i = 0; i < n; ++i) {
    if (a[i].entry != b[i].entry || a[i].kind != b[i].kind || a[i].value != b[i].value ||
        std::wcsncmp(a[i].hint, b[i].hint, 3) != 0) {
      *firstDifference = i;
      return false;
    }
  }
  return true;
}

class CandidateSort : public ::testing::Test {
 protected:
  void Load(const std::vector<CandidateItem>& items) {
    ImeContext* c = road.get();
    c->candidateCount = static_cast<int>(items.size());
    std::copy(items.begin(), items.end(), c->candidates);
  }
  // The order SortCandidates leaves against the order of the Shell sort
  // alone, on the same list and settings.
  void ExpectSortAgreesWithShellSort(const std::vector<CandidateItem>& items, const char* what) {
    ImeContext* c = road.get();
    Load(items);
    ShellSortCandidates(c);
    std::vector<CandidateItem> expected(c->candidates, c->candidates + c->candidateCount);
    Load(items);
    SortCandidates(c);
    ASSERT_EQ(c->candidateCount, static_cast<int>(expected.size())) << what;
    int at = -1;
    EXPECT_TRUE(SameItems(c->candidates, expected.data(), c->candidateCount, &at))
        << what << ": first difference at " << at << " of " << c->candidateCount;
  }
  RoadContext road;
};

struct Mode {
  const char* name;
  uint32_t sortWord;
  bool associations;
};
constexpr Mode kModes[] = {
    {"table order", 0, false},
    {"single characters first", 0x8, false},
    {"by code", 0x10, false},
    {"both bits", 0x18, false},
    {"association list", 0x8, true},
};

TEST_F(CandidateSort, AgreesWithTheShellSortOnRandomLists) {
  RandomList random(20240611);
  road.ime()->spaceWord &= ~0x8u;  // no duplicate merging: the order alone
  for (const Mode& mode : kModes) {
    road.ime()->sortWord = (road.ime()->sortWord & 0xF0000000u) | mode.sortWord;
    road.get()->stateFlags = mode.associations ? static_cast<uint32_t>(kStateAssociations) : 0u;
    for (int round = 0; round < 40; ++round) {
      ListShape shape;
      shape.count = random.Uniform(0, 9) == 0 ? random.Uniform(2, 12) : random.Uniform(200, 1200);
      shape.assocKinds = mode.associations;
      shape.generated = random.Uniform(0, 3) == 0;
      shape.twins = random.Uniform(0, 2) == 0;
      shape.wideValues = random.Uniform(0, 9) == 0;
      shape.orderRange = random.Uniform(0, 1) ? 3 : 60000;
      const std::vector<CandidateItem> items = random.Make(shape);
      if (items[0].kind == kKindPlainText) continue;  // such a list is left unsorted
      ExpectSortAgreesWithShellSort(items, mode.name);
      if (HasFailure()) return;
    }
  }
}

// The keyed sort must reach exactly the order a plain comparison sort gives
// with CompareCandidates whenever that order is unique.
TEST_F(CandidateSort, KeyedOrderIsTheComparisonOrder) {
  RandomList random(7);
  for (const Mode& mode : kModes) {
    road.ime()->sortWord = (road.ime()->sortWord & 0xF0000000u) | mode.sortWord;
    road.get()->stateFlags = mode.associations ? static_cast<uint32_t>(kStateAssociations) : 0u;
    for (int round = 0; round < 25; ++round) {
      ListShape shape{random.Uniform(2, 1000), mode.associations, false, false, false,
                      random.Uniform(0, 1) ? 2 : 1000};
      std::vector<CandidateItem> items = random.Make(shape);
      ImeContext* c = road.get();
      std::stable_sort(items.begin(), items.end(), [c](const CandidateItem& a, const CandidateItem& b) {
        return CompareCandidates(c, a, b) < 0;
      });
      std::vector<CandidateItem> shuffled = items;
      std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(round));
      Load(shuffled);
      ASSERT_TRUE(SortCandidatesByKey(c)) << mode.name;
      int at = -1;
      EXPECT_TRUE(SameItems(c->candidates, items.data(), c->candidateCount, &at))
          << mode.name << ": first difference at " << at;
    }
  }
}

TEST_F(CandidateSort, RecordListedTwiceWithOtherHintsKeepsTheShellSortOrder) {
  RecordPool pool;
  std::vector<CandidateItem> items;
  const uint8_t* shared = pool.CodeRecord(Attr(1, 5), "ab", L"甲");
  for (int i = 0; i < 40; ++i) {
    CandidateItem item{};
    item.entry = i % 4 == 0 ? shared : pool.CodeRecord(Attr(1, 5), "ab", L"乙");
    item.kind = kKindMain;
    item.value = 0x80;
    item.hint[0] = static_cast<wchar_t>(L'a' + i % 7);
    items.push_back(item);
  }
  ExpectSortAgreesWithShellSort(items, "twins");
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
    road.ime()->sortWord = (road.ime()->sortWord & 0xF0000000u) | sortWord;
    road.Search(L"a");
    ImeContext* c = road.get();
    ASSERT_EQ(c->candidateCount, 1000);
    std::vector<CandidateItem> expected(c->candidates, c->candidates + c->candidateCount);
    std::stable_sort(expected.begin(), expected.end(),
                     [c](const CandidateItem& a, const CandidateItem& b) { return CompareCandidates(c, a, b) < 0; });
    std::reverse(c->candidates, c->candidates + c->candidateCount);
    EXPECT_TRUE(SortCandidatesByKey(c));
    int at = -1;
    EXPECT_TRUE(SameItems(c->candidates, expected.data(), c->candidateCount, &at)) << at;
  }
}

}  // namespace
}  // namespace zn::test
