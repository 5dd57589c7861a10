// Running keys: what a front end is told, the commit sequence, the key
// functions that act on a typed code, switches and menu commands.
#include <gtest/gtest.h>

#include <random>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/ImeOptionBits.h"
#include "engine/TempWords.h"
#include "tests/common/ChildProcess.h"
#include "tests/frontend/RunnerTestSupport.h"

using namespace zn::test;

namespace {

using Calls = std::vector<std::wstring>;

class KeyRunnerTest : public ::testing::Test, protected RunnerRoad {
 protected:
  void SetUp() override {
    SetWords({{"a", L"工"}, {"a", L"戈"}, {"a", L"或"}, {"a", L"其"}, {"a", L"式"},
              {"a", L"戒"}, {"a", L"东"}, {"ab", L"葬"}, {"b", L"子"}, {"c", L"又"}});
  }
  // Rows of the key tables for keys a test binds itself.
  uint64_t CtrlDigit(int slot) {
    return KeyFunction::kAdjustFrequency | (static_cast<uint64_t>(slot) << KeyFunction::kSelectorShift);
  }
  void Escape(wchar_t c, const wchar_t* text) {
    SymbolEscapeEntry& e = ime()->symbolEscapes[c];
    e.kind = 1;
    wcscpy(e.first, text);
  }
};

TEST_F(KeyRunnerTest, ACodeIsComposedListedAndCommittedInOnePair) {
  Type(L"a");
  EXPECT_EQ(out.Take(), (Calls{L"start", L"composition a", L"candidates 5 sel 0"}));
  EXPECT_EQ(out.page, (std::vector<std::wstring>{L"工", L"戈", L"或", L"其", L"式"}));
  EXPECT_EQ(Type(L" "), L"工");
  EXPECT_EQ(out.Take(), (Calls{L"commit 工", L"end"}));
  // A commit outside a code has a pair of its own.
  Escape(L',', L"，");
  EXPECT_EQ(Type(L","), L"，");
  EXPECT_EQ(out.Take(), (Calls{L"start", L"commit ，", L"end"}));
  EXPECT_EQ(std::wstring(ctx()->lastOutput), L"，");
}

TEST_F(KeyRunnerTest, PunctuationAfterACodeGoesOutWithTheCandidate) {
  ime()->optionFlags |= ImeBits::kNonCodeKeysCommit;
  Escape(L'.', L"。");
  Type(L"b");
  out.Take();
  EXPECT_EQ(Type(L"."), L"子。");
  EXPECT_EQ(out.Take(), (Calls{L"commit 子。", L"end"}));
  EXPECT_EQ(std::wstring(ctx()->lastOutput), L"子。");
}

TEST_F(KeyRunnerTest, SwitchingToEnglishCommitsTheCodeWhenAsked) {
  Type(L"ab");
  Tap(VK_SHIFT);  // the shipped left Shift: 英文输入开关
  EXPECT_TRUE(ctx()->stateFlags & kStateEnglish);
  EXPECT_EQ(out.TakeCommitted(), L"") << "without the option the code is dropped";
  EXPECT_EQ(out.depth, 0);
  Tap(VK_SHIFT);
  ime()->optionFlags |= ImeBits::kCommitOnSwitch;
  Type(L"ab");
  Tap(VK_SHIFT);
  EXPECT_EQ(out.TakeCommitted(), L"ab");
  EXPECT_TRUE(ctx()->stateFlags & kStateEnglish);
  EXPECT_EQ(ctx()->codeLength, 0);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyRunnerTest, FrequencyKeyRaisesTheSlotShownInAnyMode) {
  ime()->sortWord &= ~ImeBits::kFrequencyModes;  // 禁止调整
  const uint32_t sortWord = ime()->sortWord;
  Type(L"a");
  RunFlags(CtrlDigit(3));
  EXPECT_EQ(out.page[0], L"或");
  EXPECT_EQ(ime()->sortWord, sortWord) << "the shared settings were written";
  // On page 2 the first slot shown is the one raised.
  Tap(VK_NEXT);
  ASSERT_EQ(out.pageNumber, 1);
  const std::wstring shown = out.page[0];
  RunFlags(CtrlDigit(1));
  EXPECT_EQ(out.page[0], shown);
  EXPECT_EQ(out.pageNumber, 0);
}

TEST_F(KeyRunnerTest, DeleteKeyRemovesTheEntryOfTheSlot) {
  Type(L"a");
  RunFlags(KeyFunction::kDeleteEntry | (2ull << KeyFunction::kSelectorShift));
  EXPECT_EQ(out.page, (std::vector<std::wstring>{L"工", L"或", L"其", L"式", L"戒"}));
  EXPECT_NE(road.MainAttr(L"戈") & EntryAttr::kDeleted, 0u);
  // The last candidate of a code: nothing is left to show.
  Tap(VK_ESCAPE);
  Type(L"c");
  RunFlags(KeyFunction::kDeleteEntry);
  EXPECT_EQ(ctx()->codeLength, 0);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyRunnerTest, PagingAndHighlightRebuildTheEmbeddedCandidate) {
  ime()->optionFlags |= ImeBits::kTsfEmbedFirst;
  Type(L"a");
  EXPECT_EQ(out.composition, L"工");
  Tap(VK_DOWN);
  EXPECT_EQ(out.composition, L"戈");
  Tap(VK_NEXT);
  EXPECT_EQ(out.composition, out.page[0]);
  EXPECT_EQ(out.composition, L"戒");
  Tap(VK_PRIOR);
  EXPECT_EQ(out.composition, L"工");
  EXPECT_EQ(Type(L" "), L"工");
}

TEST_F(KeyRunnerTest, CapitalLetterStartsTemporaryEnglish) {
  ime()->optionFlags |= kImeOptUppercaseEnglish;
  road.SetWordList(kFileEnglish, {L"hello", L"help"}, L"engl.dmg");
  Type(L"b");
  EXPECT_EQ(Type(L"Hello"), L"子") << "the code typed before goes first";
  EXPECT_TRUE(ctx()->stateFlags & kStateTempEnglish);
  EXPECT_EQ(out.code, L"Hello");
  EXPECT_EQ(Type(L" "), L"Hello");
  EXPECT_EQ(ctx()->stateFlags & kStateTempEnglish, 0u);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyRunnerTest, CompositionFollowsEveryCodeChange) {
  dme()->tempEnglishLead = '`';
  Type(L"`1");
  EXPECT_EQ(out.code, L"`1");
  Tap(VK_BACK);
  EXPECT_EQ(out.code, L"`");
  EXPECT_EQ(out.composition, L"`") << "the composition kept a deleted character";
  Tap(VK_BACK);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyRunnerTest, UndoRemovesCharactersNotUnits) {
  SetWords({{"a", L"\U00020000\U00020001"}, {"b", L"子"}});
  EXPECT_EQ(Type(L"a "), L"\U00020000\U00020001");
  RunFlags(KeyFunction::kUndoInput);
  // Two characters: two presses, each a down and an up.
  ASSERT_EQ(effects.keys.size(), 4u);
  for (uint32_t k : effects.keys) EXPECT_EQ(k & 0xFF, static_cast<uint32_t>(VK_BACK));
  effects.keys.clear();
  EXPECT_EQ(RunFlags(KeyFunction::kUndoInput), L"");
  EXPECT_TRUE(effects.keys.empty()) << "a second undo has nothing left";
  // Repeat sends the last output again.
  Type(L"b ");
  EXPECT_EQ(RunFlags(KeyFunction::kRepeatInput), L"子");
}

TEST_F(KeyRunnerTest, ModeSwitchesReportStatusAndTips) {
  Type(L"a");
  out.Take();
  RunFlags(KeyFunction::kOpenClose);
  EXPECT_TRUE(ctx()->stateFlags & kStateInputClosed);
  EXPECT_TRUE(ctx()->stateFlags & kStateEnglishPunct);
  EXPECT_EQ(out.Take(), (Calls{L"end", L"status 0x3"}));
  RunFlags(KeyFunction::kOpenClose);
  EXPECT_FALSE(ctx()->stateFlags & kStateInputClosed);
  EXPECT_EQ(out.Take(), (Calls{L"status 0x3"}));
  ime()->optionFlags |= kImeOptTraditional;
  runner.RunMenuCommand(ctx(), MenuCommand::kFullWidthOn, 0, 0, out);
  EXPECT_TRUE(ctx()->stateFlags & kStateFullWidth);
  EXPECT_FALSE(ime()->optionFlags & kImeOptTraditional) << "full width ends traditional output";
  EXPECT_EQ(out.Take(), (Calls{L"tip 全", L"status 0x2"}));
  RunFlags(KeyFunction::kRangeMainSecondary);
  EXPECT_EQ(out.Take(), (Calls{L"tip 次", L"status 0x2"}));
}

TEST_F(KeyRunnerTest, SchemeCommandSearchesTheCodeAgain) {
  ime()->optionFlags |= kImeOptAuxiliaryCode;
  Type(L"a");
  out.Take();
  runner.RunMenuCommand(ctx(), MenuCommand::kScheme, 0, 2, out);
  EXPECT_EQ(ime()->optionFlags & (kImeOptMainCode | kImeOptAuxiliaryCode), kImeOptAuxiliaryCode);
  EXPECT_TRUE(out.page.empty()) << "no auxiliary words: the main ones are hidden";
  runner.RunMenuCommand(ctx(), MenuCommand::kScheme, 0, 1, out);
  EXPECT_EQ(out.page.size(), 5u);
  EXPECT_EQ(runner.RunMenuCommand(ctx(), 8201, 0, 0, out), 0) << "a front end's own command";
}

TEST_F(KeyRunnerTest, SoftKeyboardSwitchCyclesTheLayouts) {
  for (uint32_t layout = 1; layout <= 13; ++layout) {
    RunFlags(KeyFunction::kSoftKeyboard);
    EXPECT_EQ(ctx()->softKeyboardLayout, layout);
  }
  RunFlags(KeyFunction::kSoftKeyboard);
  EXPECT_EQ(ctx()->stateFlags & kStateSoftKeyboard, 0u);
  RunFlags(KeyFunction::kSoftKeyboard);
  EXPECT_EQ(ctx()->softKeyboardLayout, 1u);
  // Toggling comes back to the layout used last.
  runner.SetSoftKeyboard(ctx(), 1, 7, out);
  runner.SetSoftKeyboard(ctx(), 0, 0, out);
  runner.SetSoftKeyboard(ctx(), 0, 0, out);
  EXPECT_EQ(ctx()->softKeyboardLayout, 7u);
}

// Random keys never leave a composition unended or end one twice, and the
// composition is open exactly while there is a code or an association list.
TEST_F(KeyRunnerTest, CompositionsPairUpWhateverIsTyped) {
  ime()->optionFlags |= kImeOptUppercaseEnglish | ImeBits::kTsfEmbedFirst;
  road.SetWordList(kFileEnglish, {L"hello", L"help"}, L"engl.dmg");
  Escape(L',', L"，");
  const uint8_t keysToTry[] = {'A', 'B', 'C', ' ', '1', '3', VK_BACK, VK_ESCAPE, VK_NEXT, VK_PRIOR,
                               VK_DOWN, VK_LEFT, VK_DELETE, VK_OEM_COMMA, VK_RETURN, VK_SHIFT};
  std::mt19937 rng(7);
  bool open = false;
  for (int i = 0; i < 3000; ++i) {
    const uint8_t vk = keysToTry[rng() % sizeof keysToTry];
    const bool shift = rng() % 5 == 0 && vk != VK_SHIFT;
    if (shift) Event(VK_SHIFT, false);
    Tap(vk);
    if (shift) Event(VK_SHIFT, true);
    ASSERT_TRUE(out.depth == 0 || out.depth == 1) << i;
    const bool input = ctx()->codeLength > 0 || (ctx()->stateFlags & kStateAssociations);
    ASSERT_EQ(out.depth == 1, input) << i;
    // Every front end gets its text inside a composition.
    for (const std::wstring& call : out.Take()) {
      if (call == L"start") open = true;
      if (call == L"end") open = false;
      if (call.rfind(L"commit ", 0) == 0) ASSERT_TRUE(open) << "a commit outside a composition at " << i;
    }
  }
}

}  // namespace

// A commit holds the data folder's lock once for all its writes, and one that
// writes nothing shared does not lock: each lock is a system call each way on
// the key stroke.
TEST_F(KeyRunnerTest, OnlyCommitsThatWriteTakeTheDataLock) {
  // A word longer than a history record holds is committed but not recorded.
  const std::wstring longWord = L"一二三四五六七八九十一二三四五六";
  SetWords({{"a", L"工"}, {"a", L"戈"}, {"a", L"或"}, {"d", longWord}});
  const int historyBefore = ime()->recentCommitCount;
  uint64_t takes = DataWriteLock::TakesOnThisThread();
  EXPECT_EQ(Type(L"a "), L"工");
  EXPECT_EQ(DataWriteLock::TakesOnThisThread() - takes, 1u);
  EXPECT_EQ(ime()->recentCommitCount, historyBefore + 1);

  takes = DataWriteLock::TakesOnThisThread();
  EXPECT_EQ(Type(L"d "), longWord);
  EXPECT_EQ(DataWriteLock::TakesOnThisThread(), takes);
  EXPECT_EQ(ime()->recentCommitCount, historyBefore + 1);
  // What was committed is still noted for the entry commands.
  EXPECT_EQ(ctx()->lastCommittedKind, kKindMain);
  EXPECT_NE(ctx()->lastCommitted.table, 0u);

  // A later candidate raised by the commit writes an order and the history:
  // locked once for both.
  ime()->sortWord = (ime()->sortWord & ~7u) | 1u;
  takes = DataWriteLock::TakesOnThisThread();
  EXPECT_EQ(Type(L"a3"), L"或");
  EXPECT_EQ(DataWriteLock::TakesOnThisThread() - takes, 1u);
  EXPECT_EQ(ime()->recentCommitCount, historyBefore + 2);
  Type(L"a");
  EXPECT_EQ(out.page[0], L"或");
}

// A writer of another process that keeps the data folder's lock (suspended
// half way through a change) costs the typist one wait, not one per commit;
// a temporary word promoted meanwhile, and the history, are saved once the
// lock is let go.
TEST_F(KeyRunnerTest, AStuckWriterCostsOneWaitAndItsPromotionIsSavedLater) {
  // A real data folder: its lock is the word in the folder's lock page.
  ASSERT_TRUE(WriteFileBytes(road.dir().File(L"config.dsc"), road.configBytes()));
  SetWords({{"a", L"工"}, {"b", L"子"}});
  road.SetTemp({{"ab", L"临时", 0}, {"ac", L"临近", 1}});
  ASSERT_NE(ctx()->files[kFileMain]->lockPage, nullptr);
  ime()->optionFlags |= kImeOptTempWordSaves;
  ChildProcess holder(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(road.dir().path()),
                      road.dir().File(L"holder.txt"));
  ASSERT_EQ(holder.FirstLine(10000), "held");
  const int historyBefore = ime()->recentCommitCount;
  ASSERT_LE(historyBefore, 12);

  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Type(L"ab "), L"临时");
  EXPECT_GE(GetTickCount64() - start, 1500u) << "the first commit waits for the holder";
  for (const wchar_t* keys : {L"ac ", L"a "}) {
    start = GetTickCount64();
    Type(keys);
    EXPECT_LT(GetTickCount64() - start, 500u) << keys << ": no second wait for the same holder";
  }
  EXPECT_EQ(road.MainAttr(L"临时"), 0xFFFFFFFFu);

  holder.CloseInput();
  ASSERT_TRUE(holder.Finish(10000));
  EXPECT_EQ(Type(L"b "), L"子");
  EXPECT_EQ(road.MainAttr(L"临时"), kPromotedAttribute) << "promoted by the next commit";
  EXPECT_EQ(road.MainAttr(L"临近"), kPromotedAttribute);
  // The history of the commits made meanwhile comes before the new one.
  ASSERT_EQ(ime()->recentCommitCount, historyBefore + 4);
  EXPECT_EQ(std::wstring(ime()->recentCommits[historyBefore].word), L"临时");
  EXPECT_EQ(std::wstring(ime()->recentCommits[historyBefore + 3].word), L"子");
}
