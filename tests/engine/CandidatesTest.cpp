// Candidate order, duplicate merging, pages with conversion carries, the
// composition text and associations.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "tests/engine/RoadTestContext.h"

namespace zn::test {
namespace {

using Words = std::vector<std::wstring>;

class Candidates : public ::testing::Test {
 protected:
  RoadContext road;
};

TEST_F(Candidates, SortRules) {
  // Given order = file order upward: the first entry lies lowest (added last).
  road.SetMain({{"ab", L"后加", Attr(1, 5)},
                {"ab", L"先加", Attr(1, 5)},
                {"ab", L"固定", Attr(1, 1, true)},
                {"ab", L"高", Attr(1, 9)},
                {"ab", L"字", Attr(1, 2)},
                {"abc", L"长码", Attr(1, 100)}});
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"固定", L"高", L"后加", L"先加", L"字", L"长码"}));
  road.ime()->sortWord = 0x8;  // single characters first
  SetImePageSize(road.ime(), 5);
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"高", L"字", L"固定", L"后加", L"先加", L"长码"}));
  // By code: among equal values the code decides before the order.
  road.SetMain({{"ac", L"丙", Attr(1, 9)}, {"ab", L"乙", Attr(1, 1)}, {"a", L"甲", Attr(1, 0)}});
  road.ime()->sortWord = 0x10;
  SetImePageSize(road.ime(), 5);
  road.dme()->codeOptions = kDmeOptWildcardFirstKey;
  road.Search(L"az");
  EXPECT_EQ(road.List(), (Words{L"乙", L"丙"}));
}

TEST_F(Candidates, DuplicateWordsMergeKeepingTheBetterOne) {
  road.SetMain({{"ab", L"重", Attr(1, 3)}, {"ab", L"重", Attr(1, 8)}, {"abc", L"重", Attr(1, 50)},
                {"ab", L"单", Attr(1, 1)}});
  road.SetTemp({{"ab", L"单", 0x900}});
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.Search(L"ab");
  EXPECT_EQ(road.List().size(), 5u);
  road.ime()->spaceWord |= 0x8;
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"单", L"重"}));
  // The exact match (value 0x81) wins over the longer code; then the order.
  const CandidateItem& kept = road.get()->candidates[1];
  EXPECT_EQ(kept.value, 0x81);
  EXPECT_EQ(EntryAttribute(kept.entry) & 0xFFFF, 8u);
}

std::vector<DmgTestEntry> TwelveWords() {
  std::vector<DmgTestEntry> entries;
  for (int i = 0; i < 12; ++i) {
    entries.push_back({"ab", std::wstring(1, static_cast<wchar_t>(L'甲' + i)), Attr(1, 100 - i)});
  }
  return entries;
}

TEST_F(Candidates, PagesForwardAndBack) {
  road.SetMain(TwelveWords());
  road.Search(L"ab");
  ImeContext* c = road.get();
  EXPECT_EQ(c->slotsFilled, 5);
  EXPECT_EQ(road.Page()[0], std::wstring(1, L'甲'));
  c->selection = 4;
  TurnPage(c, 1);
  EXPECT_EQ(c->slotsFilled, 5);
  EXPECT_EQ(c->selection, 0);
  EXPECT_EQ(c->pageFirst, 5);
  c->selection = 4;
  TurnPage(c, 1);
  EXPECT_EQ(c->slotsFilled, 2);
  EXPECT_EQ(c->pageFirst, 10);
  TurnPage(c, 1);
  TurnPage(c, 1);
  EXPECT_EQ(c->selection, 1);  // stays on the last slot of the last page
  c->selection = 0;
  TurnPage(c, -1);
  EXPECT_EQ(c->pageFirst, 5);
  EXPECT_EQ(c->selection, 4);
  FillPreviousCandidatePage(c);
  EXPECT_EQ(c->pageFirst, 0);
  c->selection = 0;
  TurnPage(c, -1);
  EXPECT_EQ(c->selection, 0);
  // A 4-bit size above ten still fills at most ten slots; zero shows nothing.
  SetImePageSize(road.ime(), 15);
  road.Search(L"ab");
  EXPECT_EQ(c->slotsFilled, 10);
  SetImePageSize(road.ime(), 0);
  road.Search(L"ab");
  EXPECT_EQ(c->slotsFilled, 0);
}

TEST_F(Candidates, TraditionalFormsTakeSlotsAndCarryAcrossPages) {
  road.SetMain({{"ab", L"一", Attr(1, 9)}, {"ab", L"二", Attr(1, 8)}, {"ab", L"发", Attr(1, 7)},
                {"ab", L"后", Attr(1, 6)}, {"ab", L"头发", Attr(1, 5)}});
  road.SetDms(kFileTraditional, {{L"发", L"發"}, {L"发", L"髮"}, {L"头", L"頭"}}, L"traditional.dms");
  SetTraditionalOutput(road.get(), 1);
  SetImePageSize(road.ime(), 3);
  road.Search(L"ab");
  ImeContext* c = road.get();
  EXPECT_EQ(road.Page(), (Words{L"一", L"二", L"發(发)"}));
  EXPECT_EQ(std::wstring(c->slotCommitTexts[2].text), L"發");
  EXPECT_EQ(c->pageLastCarry, 1);
  FillNextCandidatePage(c);
  EXPECT_EQ(road.Page(), (Words{L"髮(发)", L"后", L"頭發"}));
  EXPECT_EQ(c->slotListIndex[0], 2);
  EXPECT_EQ(c->pageFirstCarry, 1);
  FillPreviousCandidatePage(c);
  EXPECT_EQ(road.Page(), (Words{L"一", L"二", L"發(发)"}));
  // Simplified output switches traditional off.
  SetTraditionalOutput(road.get(), 0);
  EXPECT_FALSE(road.ime()->optionFlags & kImeOptTraditional);
}

TEST_F(Candidates, CompositionTextFollowsSelectionOrShowsKeyRoots) {
  road.SetMain(TwelveWords());
  road.ime()->spaceWord |= 0x10000;
  road.ime()->keyRootTable['a'] = L'工';
  road.Search(L"ab");
  ImeContext* c = road.get();
  EXPECT_EQ(std::wstring(c->composition, c->compositionLength), L"工b");
  road.ime()->optionFlags |= 0x2000;
  TurnPage(c, 2);
  EXPECT_EQ(std::wstring(c->composition, c->compositionLength), std::wstring(1, static_cast<wchar_t>(L'甲' + 2)));
}

TEST_F(Candidates, AssociationsAfterACommit) {
  road.SetMain({{"a", L"中", Attr(1, 1)}});
  road.SetWordList(kFileAssociation, {L"中国", L"中文", L"中", L"丰收", L"12月", L"123"},
                   L"sysl.dmg");
  road.ime()->optionFlags |= kImeOptAssociations;
  ImeContext* c = road.get();
  road.Search(L"a");
  CommitCandidate(c, 1);
  EXPECT_EQ(ResetAfterCommit(c), 2);
  EXPECT_TRUE(c->stateFlags & kStateAssociations);
  EXPECT_EQ(road.Page(), (Words{L"国", L"文"}));
  // A probe without letters is searched once, not once per case.
  c->commitLength = 2;
  c->commitText[0] = L'1';
  c->commitText[1] = L'2';
  c->commitText[2] = 0;
  EXPECT_EQ(ResetAfterCommit(c), 2);
  Words page = road.Page();
  std::sort(page.begin(), page.end());
  EXPECT_EQ(page, (Words{L"3", L"月"}));
  // Without the option nothing is listed.
  road.ime()->optionFlags &= ~kImeOptAssociations;
  EXPECT_EQ(ResetAfterCommit(c), 0);
  EXPECT_FALSE(c->stateFlags & kStateAssociations);
}

TEST_F(Candidates, EnglishModeListsWordsOfTheEnglishTable) {
  road.SetWordList(kFileEnglish, {L"hello", L"help", L"he", L"world"}, L"engl.dmg");
  ImeContext* c = road.get();
  c->stateFlags |= kStateEnglish;
  road.Search(L"he");
  EXPECT_EQ(road.List(), (Words{L"he", L"help", L"hello"}));
  road.Search(L"HE");
  EXPECT_EQ(road.List().size(), 3u);
}

// One-key codes list up to a thousand candidates, many sharing a text: every text
// is kept once, as its best candidate (value, then order).
TEST_F(Candidates, DuplicateMergeKeepsTheBestOfEveryTextInLongLists) {
  std::mt19937 rng(7);
  std::vector<DmgTestEntry> entries;
  for (int i = 0; i < 990; ++i) {
    std::string code = "a";
    for (int k = static_cast<int>(rng() % 3); k > 0; --k) code.push_back(static_cast<char>('a' + rng() % 4));
    std::wstring word(1, static_cast<wchar_t>(0x4E00 + rng() % 250));
    if (rng() % 4 == 0) word.push_back(static_cast<wchar_t>(0x4E00 + rng() % 3));
    entries.push_back({code, word, Attr(1, rng() % 500)});
  }
  road.SetMain(entries);
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.Search(L"a");
  // The best (value, order) of each text in the unmerged list.
  std::map<std::wstring, std::pair<int32_t, uint32_t>> best;
  const ImeContext* c = road.get();
  auto key = [](const CandidateItem& item) {
    return std::make_pair(item.value, EntryAttribute(item.entry) & 0xFFFFFu);
  };
  const std::vector<std::wstring> all = road.List();
  ASSERT_EQ(all.size(), entries.size());
  for (size_t i = 0; i < all.size(); ++i) {
    auto [it, fresh] = best.emplace(all[i], key(c->candidates[i]));
    if (!fresh) it->second = std::max(it->second, key(c->candidates[i]));
  }
  road.ime()->spaceWord |= 0x8;
  road.Search(L"a");
  const std::vector<std::wstring> merged = road.List();
  ASSERT_EQ(merged.size(), best.size());
  for (size_t i = 0; i < merged.size(); ++i) {
    ASSERT_TRUE(best.count(merged[i])) << i;
    EXPECT_EQ(key(c->candidates[i]), best[merged[i]]) << i;
    if (i > 0) EXPECT_LE(CompareCandidates(c, c->candidates[i - 1], c->candidates[i]), 0) << i;
  }
}

// Words of one length that share their first two characters differ only in
// their last ones: each stays, once, as the better of its own duplicates.
TEST_F(Candidates, DuplicateMergeTellsApartWordsWithTheSameStart) {
  road.SetMain({{"ab", L"中国人民", Attr(1, 4)},
                {"ab", L"中国人们", Attr(1, 6)},
                {"abc", L"中国人民", Attr(1, 9)},
                {"ab", L"中国", Attr(1, 1)},
                {"abd", L"中国队", Attr(1, 2)},
                {"ab", L"中国人", Attr(1, 3)},
                {"ab", L"中", Attr(1, 5)},
                {"ab", L"中中", Attr(1, 7)}});
  road.SetTemp({{"ab", L"中国队", 0x900}});
  road.dme()->codeOptions = kDmeOptPrefixHints;
  road.ime()->spaceWord |= 0x8;
  road.Search(L"ab");
  EXPECT_EQ(road.List(), (Words{L"中国队", L"中中", L"中国人们", L"中", L"中国人民", L"中国人", L"中国"}));
  // The exact code of 中国人民 (value 0x81) won over its longer code.
  const ImeContext* c = road.get();
  for (int i = 0; i < c->candidateCount; ++i) {
    if (road.List()[i] == L"中国人民") EXPECT_EQ(EntryAttribute(c->candidates[i].entry) & 0xFFFF, 4u);
  }
}

}  // namespace
}  // namespace zn::test
