// The add-word rules: the word tail the arrows choose, the proposed code,
// the code checks, and commits that add, refuse, revive and change entries
// in an order that never loses the old entry.
#include <gtest/gtest.h>

#include <thread>

#include "config/words/AddWord.h"
#include "engine/DataLock.h"
#include "engine/SettingsCodec.h"
#include "tests/configtools/ToolsTestContext.h"

using namespace zn::test;

namespace {

std::wstring Tail(const std::wstring& source, int* chars) {
  std::wstring tail = L"?";
  if (!WordTail(source, chars, &tail)) return L"<none>";
  return tail;
}

TEST(AddWordTail, ArrowsLengthenAndShortenByCharacters) {
  int chars = 2;
  EXPECT_EQ(Tail(L"今天天气", &chars), L"天气");
  chars = 3;
  EXPECT_EQ(Tail(L"今天天气", &chars), L"天天气");
  chars = 16;  // past the text: the whole text, the length cut to it
  EXPECT_EQ(Tail(L"今天天气", &chars), L"今天天气");
  EXPECT_EQ(chars, 4);
  chars = 0;
  EXPECT_EQ(Tail(L"今天天气", &chars), L"");
  // A surrogate pair is one character and is never split.
  chars = 1;
  EXPECT_EQ(Tail(L"好\xD840\xDC00", &chars), L"\xD840\xDC00");
  chars = 2;
  EXPECT_EQ(Tail(L"好\xD840\xDC00", &chars), L"好\xD840\xDC00");
  // A broken pair or an empty text changes nothing.
  chars = 2;
  EXPECT_EQ(Tail(L"好\xD840", &chars), L"<none>");
  EXPECT_EQ(Tail(L"", &chars), L"<none>");
}

TEST(AddWordChecks, CodesAreKeyboardCharactersOnly) {
  EXPECT_TRUE(IsKeyboardCodeUnit(L'a'));
  EXPECT_TRUE(IsKeyboardCodeUnit(0xFF11));  // full-width 1
  EXPECT_TRUE(IsKeyboardCodeUnit(0xFF0A));
  EXPECT_TRUE(IsKeyboardCodeUnit(0xFF19));
  EXPECT_FALSE(IsKeyboardCodeUnit(0x80));
  EXPECT_FALSE(IsKeyboardCodeUnit(0xFF1A));
  EXPECT_FALSE(IsKeyboardCodeUnit(L'好'));
  EXPECT_EQ(EntryKey(L"ab", L"好").size(), 1u + 2 + 1 + 2);
  EXPECT_TRUE(EntryKey(L"", L"好").empty());
  EXPECT_TRUE(EntryKey(L"ab", L"").empty());
  EXPECT_TRUE(EntryKey(L"ab", std::wstring(129, L'字')).empty());
}

TEST(AddWordCode, RulesCodeWordsOfOneToFifteenCharacters) {
  ToolsContext ctx;
  ctx.SetDms(kFileDanzi, {{L"今", L"wygn"}, {L"天", L"gdi"}, {L"气", L"rnb"}}, L"danzi.dmi");
  DmeConfigBlock* dme = ctx.get()->dmeBlock;
  // Two characters: the first two code units of each.
  const uint16_t two[] = {0x101, 0x102, 0x201, 0x202, 0};
  std::copy(std::begin(two), std::end(two), dme->wordRules[2].elements);
  const uint16_t fifteen[] = {0x100, 0};
  std::copy(std::begin(fifteen), std::end(fifteen), dme->wordRules[15].elements);
  EXPECT_EQ(BuildCodeForWord(ctx.file(kFileDanzi), dme, L"今天"), L"wygd");
  EXPECT_EQ(BuildCodeForWord(ctx.file(kFileDanzi), dme, std::wstring(15, L'气')), L"rnb");
  EXPECT_EQ(BuildCodeForWord(ctx.file(kFileDanzi), dme, std::wstring(16, L'气')), L"");
  EXPECT_EQ(BuildCodeForWord(ctx.file(kFileDanzi), dme, L"好人"), L"");  // not in danzi
  EXPECT_EQ(BuildCodeForWord(nullptr, dme, L"今天"), L"");
  // The same rule as the settings text writes it with F.
  ApplyWordRuleLine(dme, L"P2", L"L1F1+L1F2+L2F1+L2F2");
  EXPECT_EQ(BuildCodeForWord(ctx.file(kFileDanzi), dme, L"今天"), L"wygd");
}

class AddWordCommit : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.SetMain({{"wygd", L"今天", EntryAttrOf(1, 500)},
                  {"gdrn", L"天气", EntryAttrOf(1, 400)},
                  {"abcd", L"旧词", EntryAttrOf(2, 1024)},
                  {"xxxx", L"删了", EntryAttrOf(2, 7, false, true)}});
  }
  static AddWordRequest Change(const wchar_t* word, const wchar_t* code, const wchar_t* oldCode,
                               const wchar_t* oldWord) {
    AddWordRequest change{word, code, 2};
    change.change = true;
    change.oldCode = oldCode;
    change.oldWord = oldWord;
    return change;
  }
  AddWordOutcome Commit(AddWordRequest request) {
    return CommitUserWord(ctx_.file(kFileMain), request);
  }
  // The attribute of (code, word), or 0 when the table lacks it.
  uint32_t AttrOf(const std::string& code, const std::wstring& word) {
    for (const DmgTestEntry& e : ctx_.MainEntries()) {
      if (e.code == code && e.word == word) return e.attr;
    }
    return 0;
  }
  bool Sound() { return EveryCodeFindable(ctx_.file(kFileMain)) && IsTableConsistent(ctx_.file(kFileMain)); }
  ToolsContext ctx_;
};

TEST_F(AddWordCommit, RefusalsLeaveTheTableAlone) {
  const auto before = ctx_.MainEntries();
  EXPECT_EQ(Commit({L"", L"ab"}), AddWordOutcome::kEmptyWord);
  EXPECT_EQ(Commit({L"好", L""}), AddWordOutcome::kEmptyCode);
  EXPECT_EQ(Commit({L"好", L"a好"}), AddWordOutcome::kBadCode);
  EXPECT_EQ(Commit({L"好", L"#固"}), AddWordOutcome::kBadDefinition);
  EXPECT_EQ(Commit({L"今天", L"wygd"}), AddWordOutcome::kExists);
  EXPECT_EQ(ctx_.MainEntries(), before);
  EXPECT_STREQ(AddWordHint(AddWordOutcome::kExists), L"词条已存在");
  EXPECT_STREQ(AddWordHint(AddWordOutcome::kBadCode), L"编码不能非键盘字符");
  EXPECT_FALSE(AddWordSucceeded(AddWordOutcome::kExists));
}

TEST_F(AddWordCommit, AddsWithCategoryOrderAndTagsAndIndexesTheTable) {
  AddWordRequest request{L"天天", L"gdgd"};
  EXPECT_EQ(Commit(request), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("gdgd", L"天天"), EntryAttrOf(2, 1024));
  request = {L"先", L"tfqb", 3, true};
  EXPECT_EQ(Commit(request), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("tfqb", L"先"), EntryAttrOf(3, 0xC000));
  // A typed order and pin are kept; the dialog's category wins over a tag.
  EXPECT_EQ(Commit({L"码", L"dcq#序77#固#次"}), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("dcq", L"码"), EntryAttrOf(2, 77));  // "#序" cuts the tags behind it
  EXPECT_EQ(Commit({L"全", L"\xFF11\xFF12#固"}), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("\x11\x12", L"全"), EntryAttrOf(2, 1024, true));
  EXPECT_EQ(ctx_.MainEntries().size(), 8u);
  EXPECT_TRUE(Sound());
}

TEST_F(AddWordCommit, ADeletedEntryIsRevivedWithTheNewOrder) {
  EXPECT_EQ(Commit({L"删了", L"xxxx", 2, true}), AddWordOutcome::kRevived);
  EXPECT_EQ(AttrOf("xxxx", L"删了"), EntryAttrOf(2, 0xC000));
  EXPECT_EQ(ctx_.MainEntries().size(), 4u);
  EXPECT_TRUE(AddWordSucceeded(AddWordOutcome::kRevived));
}

TEST_F(AddWordCommit, AChangeWritesTheNewEntryBeforeRemovingTheOld) {
  AddWordRequest change = Change(L"新词", L"abce", L"abcd", L"旧词");
  EXPECT_EQ(Commit(change), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("abcd", L"旧词"), 0u);
  EXPECT_EQ(AttrOf("abce", L"新词"), EntryAttrOf(2, 1024));
  EXPECT_EQ(ctx_.MainEntries().size(), 4u);
  EXPECT_TRUE(Sound());

  // Changing to an entry that exists is refused and keeps the old one.
  change.oldCode = L"abce";
  change.oldWord = L"新词";
  change.word = L"今天";
  change.code = L"wygd";
  EXPECT_EQ(Commit(change), AddWordOutcome::kExists);
  EXPECT_EQ(AttrOf("abce", L"新词"), EntryAttrOf(2, 1024));
  // A bad new code keeps it too.
  change.code = L"好";
  EXPECT_EQ(Commit(change), AddWordOutcome::kBadCode);
  EXPECT_NE(AttrOf("abce", L"新词"), 0u);
  // The same code and word again writes nothing.
  const auto before = ctx_.MainEntries();
  change.word = L"新词";
  change.code = L"abce";
  EXPECT_EQ(Commit(change), AddWordOutcome::kUnchanged);
  EXPECT_EQ(ctx_.MainEntries(), before);
}

TEST_F(AddWordCommit, AnOldEntryMovedByAnotherWriterIsFoundAgain) {
  // Another process adds words in front of the old entry after the view
  // read its position: the change still removes the right one.
  EXPECT_EQ(Commit({L"啊", L"aaaa"}), AddWordOutcome::kAdded);
  EXPECT_EQ(Commit({L"阿", L"aaab"}), AddWordOutcome::kAdded);
  EXPECT_EQ(Commit(Change(L"旧词改", L"abcf", L"abcd", L"旧词")), AddWordOutcome::kAdded);
  EXPECT_EQ(AttrOf("abcd", L"旧词"), 0u);
  EXPECT_NE(AttrOf("aaaa", L"啊"), 0u);
  EXPECT_NE(AttrOf("aaab", L"阿"), 0u);
  EXPECT_TRUE(Sound());
}

TEST_F(AddWordCommit, AReadOnlyCopyFailsInsteadOfLosingTheWord) {
  // A table served as a private copy: the commit reports failure.
  MappedFile* copy = nullptr;
  ASSERT_EQ(ReadWholeFile(&copy, ctx_.dir().File(L"main.dmg").c_str()), 1);
  EXPECT_EQ(CommitUserWord(copy, {L"天天", L"gdgd"}), AddWordOutcome::kFailed);
  CloseMappedFile(copy, 0);
}

TEST_F(AddWordCommit, AnotherWriterHoldingTheLockMakesTheCommitFailNotInterleave) {
  const auto before = ctx_.MainEntries();
  std::atomic<bool> ready{false}, held{false}, release{false};
  std::thread writer([&] {
    DataWriteLock lock(ctx_.file(kFileMain));
    held = lock.Held();
    ready = true;
    while (!release) Sleep(5);
  });
  while (!ready) Sleep(5);
  const AddWordOutcome whileHeld = Commit({L"天天", L"gdgd"});
  release = true;
  writer.join();
  ASSERT_TRUE(held) << "the other writer could not take the lock";
  EXPECT_EQ(whileHeld, AddWordOutcome::kFailed);
  EXPECT_EQ(ctx_.MainEntries(), before);
  EXPECT_EQ(Commit({L"天天", L"gdgd"}), AddWordOutcome::kAdded);
}

}  // namespace
