// The recent-commit history, temporary words in temp.dmg and their promotion
// into main.dmg.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/CommandLanguage.h"
#include "engine/TempWords.h"
#include "tests/engine/RoadTestContext.h"

namespace {

using zn::test::Attr;
using zn::test::TableEntries;  // the attribute word of a temporary word is its age

// "word=code" of every record in table order.
std::wstring Describe(const MappedFile* temp) {
  std::wstring out;
  for (const auto& e : TableEntries(temp)) {
    out += (out.empty() ? L"" : L",") + e.word + L"=" + std::wstring(e.code.begin(), e.code.end());
  }
  return out;
}

bool AgesArePermutation(const std::vector<zn::test::DmgTestEntry>& entries) {
  std::vector<uint32_t> ages;
  for (const auto& e : entries) ages.push_back(e.attr);
  std::sort(ages.begin(), ages.end());
  for (uint32_t i = 0; i < ages.size(); ++i) if (ages[i] != i) return false;
  return true;
}

std::vector<uint8_t> EmptyTemp() {
  std::vector<uint8_t> bytes(kTempTableBytes);
  WriteEmptyTempTable(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return bytes;
}

class TempWordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    road_.SetMain({{"aa", L"甲", Attr(1, 10)}, {"bb", L"乙", Attr(1, 10)},
                   {"cc", L"丙", Attr(1, 10)}, {"dd", L"丁", Attr(1, 10)}});
    road_.SetTable(kFileTemp, EmptyTemp(), L"temp.dmg");
    ime()->optionFlags |= kImeOptTempWords | kImeOptSmartTempWords;
    road_.dme()->wordRules[2] = WordFormationRule{{0x0101, 0x0102, 0x0201, 0x0202}};
    road_.dme()->wordRules[3] = WordFormationRule{{0x0101, 0x0201, 0x0301, 0x0302}};
  }
  ImeContext* ctx() { return road_.get(); }
  ImeConfigBlock* ime() { return road_.ime(); }
  MappedFile* temp() { return ctx()->files[kFileTemp]; }
  int Add(const std::string& code, const std::wstring& word) {
    return AddTempRecord(temp(), zn::test::RecordBytes({code, word, 0}).data(), nullptr);
  }
  int Commit(const wchar_t* code) {
    road_.Search(code);
    const int recorded = CommitSelection(ctx(), CommitCandidate(ctx(), 1));
    ResetAfterCommit(ctx());
    return recorded;
  }
  void CommitAll(std::initializer_list<const wchar_t*> codes) {
    for (const wchar_t* code : codes) Commit(code);
  }
  std::wstring HistoryCode(int i, int c) {
    return std::wstring(ime()->recentCommits[i].codes[c], 8).c_str();
  }
  // Three commits make the temporary word 乙丙; then it is listed for bbcc,
  // with no more temporary words made after the next commit.
  void ListTemporaryWord() {
    CommitAll({L"aa", L"bb", L"cc"});
    ime()->optionFlags &= ~kImeOptTempWords;
    road_.Search(L"bbcc");
    ASSERT_EQ(ctx()->candidates[0].kind, kKindTemp);
  }

  zn::test::RoadContext road_;
};

TEST_F(TempWordsTest, ThreeCommitsGiveTwoCharacterWordFourGiveThree) {
  EXPECT_EQ(Commit(L"aa"), 1);
  EXPECT_EQ(Commit(L"bb"), 1);
  EXPECT_EQ(Describe(temp()), L"");
  EXPECT_EQ(Commit(L"cc"), 1);
  EXPECT_EQ(Describe(temp()), L"乙丙=bbcc");
  EXPECT_EQ(Commit(L"dd"), 1);
  EXPECT_EQ(Describe(temp()), L"乙丙=bbcc,乙丙丁=bcdd,丙丁=ccdd");
  EXPECT_TRUE(AgesArePermutation(TableEntries(temp())));
  road_.Search(L"bbcc");
  EXPECT_EQ(road_.Page(), std::vector<std::wstring>{L"乙丙"});
}

TEST_F(TempWordsTest, DanziCodesWhenNotSmart) {
  ime()->optionFlags &= ~kImeOptSmartTempWords;
  CommitAll({L"aa", L"bb", L"cc"});
  EXPECT_EQ(Describe(temp()), L"");  // no danzi.dmi: nothing to code with
  road_.SetDms(kFileDanzi, {{L"乙", L"pq"}, {L"丙", L"r"}, {L"丙", L"xy"}}, L"danzi.dmi");
  CommitAll({L"dd", L"bb", L"cc"});
  // 丙 takes its first value in file order; a value too short adds nothing.
  EXPECT_NE(Describe(temp()).find(L"乙丙=pqr,"), std::wstring::npos);
}

TEST_F(TempWordsTest, HistoryKeepsWordsSplitCodesAndSkipsOthers) {
  road_.SetMain({{"bbcc", L"乙丙", Attr(1, 10)}, {"abcdefghij", L"长", Attr(1, 10)},
                 {"ee", L"辅", Attr(4, 10)}, {"zc", L"$zncmd(run(notepad.exe),记事本)", Attr(1, 10)},
                 {"lw", L"一二三四五六七八九十壹贰叁肆伍陆", Attr(1, 10)}});
  EXPECT_EQ(Commit(L"bbcc"), 1);
  EXPECT_EQ(std::wstring(ime()->recentCommits[0].word), L"乙丙");
  EXPECT_EQ(ime()->recentCommits[0].wordChars, 2);
  EXPECT_EQ(HistoryCode(0, 0) + L"|" + HistoryCode(0, 1), L"bb|cc");
  EXPECT_EQ(Commit(L"abcdefghij"), 1);
  EXPECT_EQ(HistoryCode(1, 0), L"abcdefgh");  // cut at 8 units
  ime()->optionFlags |= kImeOptAuxiliaryCode;  // listed, but never kept
  EXPECT_EQ(Commit(L"ee"), 0);
  ime()->spaceWord |= 0x20;  // a macro, run or not, is never kept
  EXPECT_EQ(Commit(L"zc"), 0);
  EXPECT_EQ(Commit(L"lw"), 0);  // 16 units
  ctx()->stateFlags |= kStateEnglish;
  EXPECT_EQ(RecordCommit(ctx(), 0), 0);
  EXPECT_EQ(ime()->recentCommitCount, 2);
  // The typed code committed as text has no entry to record.
  ctx()->stateFlags = 0;
  road_.Search(L"bbcc");
  ctx()->commitKind = kCommitActionTypedCode;
  EXPECT_EQ(CommitSelection(ctx(), 0), 0);
  EXPECT_EQ(ctx()->lastCommittedKind, 0);
}

TEST_F(TempWordsTest, RuleElementsStayInsideTheCodeFields) {
  road_.SetMain({{"abcdefghijk", L"乙丙", Attr(1, 10)}});
  // 0x8101: the settings text's "F" mark in bit 15 is no part of the
  // character number; position 9 and character 17 are skipped; position 0
  // takes the rest, cut at the field's 8 units.
  road_.dme()->wordRules[2] = WordFormationRule{{0x8101, 0x0109, 0x1101, 0x0200}};
  ASSERT_EQ(Commit(L"abcdefghijk"), 1);
  EXPECT_EQ(HistoryCode(0, 0) + L"|" + HistoryCode(0, 1), L"a|bcdefghi");
  for (int c = 2; c < 16; ++c) EXPECT_EQ(ime()->recentCommits[0].codes[c][0], 0);
}

TEST_F(TempWordsTest, SixteenRecordsKeptOldestDropped) {
  for (int i = 0; i < 17; ++i) Commit(i % 2 ? L"bb" : L"aa");
  EXPECT_EQ(ime()->recentCommitCount, 16);
  EXPECT_EQ(std::wstring(ime()->recentCommits[0].word), L"乙");  // the first 甲 went
  wchar_t text[kJoinedTextUnits];
  HistoryCodes codes;
  EXPECT_EQ(JoinRecentCommits(ctx(), 3, text, &codes), 3);
  EXPECT_STREQ(text, L"甲乙甲");
  EXPECT_STREQ(codes[1], L"bb");
  EXPECT_EQ(JoinRecentCommits(ctx(), 0, text, nullptr), 0);  // all 16, no codes asked for
  EXPECT_EQ(std::wstring(text).size(), 16u);
}

TEST_F(TempWordsTest, NoWordFromCommitsWhoseCodesWereNotGathered) {
  road_.SetMain({{"aa", L"甲", Attr(1, 10)},
                 {"abcdefgh", L"一二三四五六七八", Attr(1, 10)},
                 {"xx", L"九十壹贰叁肆伍陆柒", Attr(1, 10)}});
  // Every character of the first word gets a code, so only the check that
  // all joined commits were gathered keeps the 17-character text out.
  road_.dme()->wordRules[8] =
      WordFormationRule{{0x0101, 0x0201, 0x0301, 0x0401, 0x0501, 0x0601, 0x0701, 0x0801}};
  CommitAll({L"aa", L"abcdefgh", L"xx"});
  wchar_t text[kJoinedTextUnits];
  HistoryCodes codes;
  EXPECT_EQ(JoinRecentCommits(ctx(), 2, text, &codes), 8);
  EXPECT_STREQ(text, L"一二三四五六七八九十壹贰叁肆伍陆柒");
  EXPECT_EQ(Describe(temp()), L"");
}

TEST_F(TempWordsTest, FullTableReplacesOldestAndKeepsAges) {
  for (int i = 0; i < 512; ++i) ASSERT_EQ(Add("k" + std::to_string(i), L"词"), 1);
  ASSERT_EQ(Add("new", L"新"), 1);
  std::vector<zn::test::DmgTestEntry> entries = TableEntries(temp());
  ASSERT_EQ(entries.size(), 512u);
  EXPECT_TRUE(AgesArePermutation(entries));
  for (const auto& e : entries) {
    EXPECT_NE(e.code, "k0");
    if (e.code == "new") EXPECT_EQ(e.attr, 511u);
    if (e.code == "k1") EXPECT_EQ(e.attr, 0u);
  }
  // Removing keeps the ages a permutation and the slot for later use.
  RemoveTempRecord(temp(), 5);
  entries = TableEntries(temp());
  EXPECT_EQ(entries.size(), 511u);
  EXPECT_TRUE(AgesArePermutation(entries));
  EXPECT_EQ(Add("again", L"再"), 1);
  EXPECT_EQ(TableEntries(temp()).size(), 512u);
}

TEST_F(TempWordsTest, RecordsLargerThanTheirSlotAreRefused) {
  EXPECT_EQ(Add(std::string(128, 'a'), std::wstring(128, L'字')), 1);
  EXPECT_EQ(Add(std::string(129, 'b'), L"字"), 0);
  EXPECT_EQ(Add("b", std::wstring(129, L'字')), 0);
  // A table whose slots lie 40 bytes apart takes small records only.
  std::vector<uint8_t> tight = EmptyTemp();
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    zn::test::PutU32(tight, kDmgOffsetTableOffset + 4 * i, kDmgOffsetTableOffset + 4 * 512 + 40 * i);
  }
  road_.SetTable(kFileTemp, tight, L"tight.dmg");
  EXPECT_EQ(Add("abcd", L"一二三四五六七八九十壹贰叁肆伍陆"), 0);
  EXPECT_EQ(Add("abcd", L"一二三四五"), 1);
  EXPECT_EQ(Describe(temp()), L"一二三四五=abcd");
}

TEST_F(TempWordsTest, CommittedTemporaryWordBecomesUserWord) {
  ime()->optionFlags |= kImeOptTempWordSaves;
  ListTemporaryWord();
  const uint8_t* tempRecord = ctx()->candidates[0].entry;
  const std::vector<uint8_t> before(tempRecord, tempRecord + 14);
  CommitSelection(ctx(), CommitCandidate(ctx(), 1));
  EXPECT_EQ(road_.MainAttr(L"乙丙"), kPromotedAttribute);
  EXPECT_EQ(Describe(temp()), L"");
  // The shared temp record itself was never rewritten with the main attribute.
  EXPECT_EQ(std::vector<uint8_t>(tempRecord, tempRecord + 14), before);
  road_.Search(L"bbcc");
  ASSERT_EQ(ctx()->candidateCount, 1);
  EXPECT_EQ(ctx()->candidates[0].kind, kKindMain);
  EXPECT_EQ(ctx()->lastCommittedKind, kKindMain);
}

// Between the page and the commit another process promoted the listed word
// and its freed slot took the next new word: that word was never typed and
// must not become a user word, nor enter the history.
TEST_F(TempWordsTest, SlotReusedSinceThePageWasShownPromotesNoOtherWord) {
  ime()->optionFlags |= kImeOptTempWordSaves;
  ListTemporaryWord();
  const uint8_t* listed = ctx()->candidates[0].entry;
  RemoveTempRecord(temp(), 0);
  ASSERT_EQ(Add("ddaa", L"丁甲"), 1);
  ASSERT_EQ(TableEntries(temp())[0].word, L"丁甲");
  ASSERT_EQ(ctx()->candidates[0].entry, listed);  // the same slot
  CommitSelection(ctx(), CommitCandidate(ctx(), 1));
  EXPECT_EQ(road_.MainAttr(L"丁甲"), 0xFFFFFFFFu);
  EXPECT_EQ(Describe(temp()), L"丁甲=ddaa");
  EXPECT_EQ(ime()->recentCommitCount, 3);
}

TEST_F(TempWordsTest, FailedAppendLeavesTheTemporaryWord) {
  ime()->optionFlags |= kImeOptTempWordSaves;
  ListTemporaryWord();
  MappedFile* main = ctx()->files[kFileMain];
  HANDLE file = main->file;
  main->file = nullptr;  // a memory copy: nothing can be appended
  CommitSelection(ctx(), CommitCandidate(ctx(), 1));
  main->file = file;
  EXPECT_EQ(road_.MainAttr(L"乙丙"), 0xFFFFFFFFu);
  EXPECT_EQ(Describe(temp()), L"乙丙=bbcc");
  EXPECT_EQ(TableEntries(temp())[0].attr, 0u);
}

}  // namespace

namespace {

// Another process grows a table file: the next size check sees it.
void GrowElsewhere(const std::wstring& path) {
  MappedFile* other = nullptr;
  ASSERT_GT(OpenMappedFile(&other, path.c_str()), 0);
  EXPECT_EQ(ResizeMappedFile(other, other->size + 4096), 1);
  CloseMappedFile(other, 1);
}

}  // namespace

// A commit remaps the tables it writes once it holds the lock: grown ones
// drop the list, and the commit, copied out before, is still recorded; a
// grown table it does not write keeps its view (the list may point into it).
TEST_F(TempWordsTest, CommitRemapsOnlyTheTablesItWrites) {
  road_.SetWordList(kFileEnglish, {L"alpha", L"beta"}, L"engl.dmg");
  GrowElsewhere(road_.dir().File(L"engl.dmg"));
  const uint8_t* englishView = ctx()->files[kFileEnglish]->view;
  EXPECT_EQ(Commit(L"aa"), 1);
  EXPECT_EQ(ctx()->files[kFileEnglish]->view, englishView);
  EXPECT_EQ(ime()->recentCommitCount, 1);

  for (const wchar_t* name : {L"main.dmg", L"temp.dmg"}) {
    road_.Search(L"bb");
    ASSERT_GT(ctx()->candidateCount, 0);
    GrowElsewhere(road_.dir().File(name));
    EXPECT_EQ(CommitSelection(ctx(), CommitCandidate(ctx(), 1)), 1) << name;
    EXPECT_EQ(ctx()->candidateCount, 0) << name;
  }
  EXPECT_EQ(ime()->recentCommitCount, 3);
  wchar_t joined[kJoinedTextUnits];
  JoinRecentCommits(ctx(), 2, joined, nullptr);
  EXPECT_EQ(std::wstring(joined), L"乙乙");
}

// Another process grew main.dmg (its own promotion) while this one listed a
// temporary word: the commit still makes it a user word.
TEST_F(TempWordsTest, PromotionGoesOnAfterAnotherProcessGrewMain) {
  ime()->optionFlags |= kImeOptTempWordSaves;
  ListTemporaryWord();
  GrowElsewhere(road_.dir().File(L"main.dmg"));
  EXPECT_EQ(CommitSelection(ctx(), CommitCandidate(ctx(), 1)), 1);
  EXPECT_EQ(road_.MainAttr(L"乙丙"), kPromotedAttribute);
  EXPECT_EQ(Describe(temp()), L"");
}
