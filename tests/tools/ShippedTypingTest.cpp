// Typing through the key runner on a copy of the shipped data folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "engine/Candidates.h"
#include "engine/CommandLanguage.h"
#include "engine/DmgTable.h"
#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "engine/Product.h"
#include "engine/WideString.h"
#include "tools/common/PrintingEffects.h"
#include "tools/common/TypingHost.h"
#include "tools/common/TypingView.h"
#include "tools/zntype/KeyScript.h"
#include "tests/engine/DmgTestTables.h"

namespace {

// The real services, except that the product's registry values point at the
// test's copy and the product key comes from no string table.
class CopyOs : public Win32OsServices {
 public:
  explicit CopyOs(std::wstring data) : data_(std::move(data)) {}
  RegistryRead ReadMachineString(const wchar_t*, const wchar_t* name, wchar_t* out,
                                 uint32_t capacity) const override {
    std::wstring value = std::wstring(name) == L"DataLocation" ? data_
                         : std::wstring(name) == L"IMEName"    ? std::wstring(ZN_IME_NAME)
                                                               : data_;
    if (value.size() + 1 > capacity) return RegistryRead::kValueMissing;
    std::copy(value.c_str(), value.c_str() + value.size() + 1, out);
    return RegistryRead::kOk;
  }
  int LoadModuleString(uint32_t, wchar_t* out, int capacity) const override {
    std::wstring key = ZN_PRODUCT_GUID_TEXT;
    if (static_cast<int>(key.size()) >= capacity) return 0;
    std::copy(key.c_str(), key.c_str() + key.size() + 1, out);
    return static_cast<int>(key.size());
  }

 private:
  std::wstring data_;
};

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

class ShippedTypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    copy_ = CopyDataFolder(ZN_TEST_DATA_DIR);
    ASSERT_FALSE(copy_.empty());
    os_ = std::make_unique<CopyOs>(copy_);
    ctx_ = CreateImeContext(os_.get());
    ASSERT_NE(ctx_, nullptr);
    ctx_->effects = &effects_;
    effects_.SetToken(ProcessToken{true, false, 0x2000});  // an ordinary user's program
    host_ = std::make_unique<TypingHost>(ctx_);
  }
  void TearDown() override {
    host_.reset();
    DestroyImeContext(ctx_);
    RemoveDataFolderCopy(copy_);
  }

  // Types a key script; returns the text the host received.
  std::wstring Type(const std::wstring& script) {
    std::vector<KeyStroke> keys;
    std::wstring error;
    EXPECT_TRUE(ParseKeyScript(script, &keys, &error)) << error;
    host_->ClearOutput();
    for (const KeyStroke& key : keys) host_->Press(key);
    return std::wstring(host_->Output(), host_->OutputUnits());
  }
  TypingView View() const { return ViewOf(*host_); }

  // Adds a word to the copy's main.dmg as another process would.
  void AddMainWord(const std::wstring& code, const std::wstring& word) {
    std::wstring codeText = code;
    DmgRecordBuffer record = BuildRecordFromText(codeText.data(), word.c_str(), nullptr);
    ASSERT_TRUE(record);
    MappedFile* main = ctx_->files[kFileMain];
    ASSERT_TRUE(AppendRecord(main, record.get()));
    ReopenTables(ctx_);
    PlaceNewRecord(main, &kDefaultRecordCompareOps, -1);
    RebuildKeyIndex(main, &kDefaultRecordCompareOps);
  }

  std::wstring copy_;
  std::unique_ptr<CopyOs> os_;
  ImeContext* ctx_ = nullptr;
  PrintingEffects effects_;
  std::unique_ptr<TypingHost> host_;
};

}  // namespace

TEST_F(ShippedTypingTest, WubiCodesListAndCommitTheirWords) {
  EXPECT_EQ(Type(L"ggl"), L"");
  EXPECT_EQ(View().code, L"ggl");
  ASSERT_FALSE(View().candidates.empty());
  EXPECT_EQ(View().candidates[0], L"一");
  // The fourth key leaves a single word, which goes out at once.
  EXPECT_EQ(Type(L"l"), L"一");
  EXPECT_EQ(View().code, L"");

  EXPECT_EQ(Type(L"wqvb"), L"");
  ASSERT_FALSE(View().candidates.empty());
  EXPECT_EQ(View().candidates[0], L"你好");
  EXPECT_EQ(View().selection, 0);
  EXPECT_EQ(Type(L"{Space}"), L"你好");
  EXPECT_TRUE(View().candidates.empty());
}

TEST_F(ShippedTypingTest, DigitSelectsSlotAndEscClears) {
  Type(L"sfg");
  const std::vector<std::wstring> page = View().candidates;
  ASSERT_GE(page.size(), 3u);
  EXPECT_EQ(Type(L"3"), page[2]);
  EXPECT_EQ(View().code, L"");

  Type(L"wqv");
  EXPECT_EQ(Type(L"{Esc}"), L"");
  EXPECT_EQ(View().code, L"");
  EXPECT_TRUE(View().candidates.empty());
  // Backspace edits the code through the engine and searches again.
  Type(L"wqv{Backspace}");
  EXPECT_EQ(View().code, L"wq");
  EXPECT_TRUE(Contains(View().candidates, L"你"));
  Type(L"{Left}{Delete}");
  EXPECT_EQ(View().code, L"w");
  EXPECT_TRUE(Contains(View().candidates, L"人"));
}

TEST_F(ShippedTypingTest, TemporaryWordsAfterThreeSingleCharacterCommits) {
  ctx_->imeBlock->optionFlags |= kImeOptTempWords;
  ASSERT_TRUE(ListTempWords(ctx_).empty());
  Type(L"ggll");
  EXPECT_EQ(Type(L"sfg1"), L"杜");
  EXPECT_TRUE(ListTempWords(ctx_).empty());
  // The last two commits make a word main.dmg does not have.
  EXPECT_EQ(Type(L"w{Space}"), L"人");
  const std::vector<TempWordView> temp = ListTempWords(ctx_);
  auto word = std::find_if(temp.begin(), temp.end(),
                           [](const TempWordView& t) { return t.word == L"杜人"; });
  ASSERT_NE(word, temp.end());
  // The new word is offered for its code.
  const std::wstring out = Type(word->code);
  EXPECT_TRUE(out == L"杜人" || Contains(View().candidates, L"杜人")) << word->code;
}

TEST_F(ShippedTypingTest, EntryCommandMovesAWordDown) {
  Type(L"wqvb");
  std::vector<std::wstring> before = View().candidates;
  ASSERT_GE(before.size(), 2u);
  Type(L"{Entry:down:1}");
  std::vector<std::wstring> after = View().candidates;
  ASSERT_GE(after.size(), 2u);
  EXPECT_EQ(after[0], before[1]);
  EXPECT_EQ(after[1], before[0]);
  // The information command only shows a box.
  Type(L"{Entry:info:2}");
  std::vector<std::wstring> log = effects_.TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(before[0]), std::wstring::npos);
  EXPECT_EQ(View().candidates, after);
}

TEST_F(ShippedTypingTest, DeleteLastAsksAndDeletesTheWord) {
  EXPECT_EQ(Type(L"wqvb{Space}"), L"你好");
  Type(L"{DeleteLast}");
  std::vector<std::wstring> log = effects_.TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(L"-> yes"), std::wstring::npos);
  Type(L"wqvb");
  EXPECT_FALSE(Contains(View().candidates, L"你好"));
}

TEST_F(ShippedTypingTest, CommandCandidateLaunchIsPrintedNotRun) {
  ctx_->imeBlock->spaceWord |= ImeBits::kMacros;
  AddMainWord(L"wqvb#类1", L"$zncmd(\"run(notepad.exe)\",记事本)");
  Type(L"wqvb");
  ASSERT_TRUE(Contains(View().candidates, L"记事本"));
  const auto& page = View().candidates;
  const int slot = static_cast<int>(std::find(page.begin(), page.end(), L"记事本") - page.begin());
  EXPECT_EQ(Type(std::wstring(1, static_cast<wchar_t>(L'1' + slot))), L"");
  EXPECT_EQ(effects_.TakeLog(), std::vector<std::wstring>{L"launch notepad.exe"});
  EXPECT_EQ(View().code, L"");
}

TEST_F(ShippedTypingTest, CommandCandidateIsRefusedInAnElevatedProgram) {
  ctx_->imeBlock->spaceWord |= ImeBits::kMacros;
  AddMainWord(L"wqvb#类1", L"$zncmd(\"run(notepad.exe)\",记事本)");
  effects_.SetToken(ProcessToken{true, true, 0x3000});
  Type(L"wqvb");
  const auto& page = View().candidates;
  const int slot = static_cast<int>(std::find(page.begin(), page.end(), L"记事本") - page.begin());
  ASSERT_LT(slot, static_cast<int>(page.size()));
  // Nothing starts, nothing is committed, the input stays as it was.
  EXPECT_EQ(Type(std::wstring(1, static_cast<wchar_t>(L'1' + slot))), L"");
  EXPECT_TRUE(effects_.TakeLog().empty());
  EXPECT_EQ(View().code, L"wqvb");
}

// Two programs typing on one data folder: each context alternates its quotes
// on its own, and a new context changes no other's next quote.
TEST_F(ShippedTypingTest, PairedQuotesBelongToEachContext) {
  ImeContext* second = CreateImeContext(os_.get());
  ASSERT_NE(second, nullptr);
  second->effects = &effects_;
  {
    TypingHost other(second);
    auto typeOther = [&](const wchar_t* keys) {
      other.ClearOutput();
      std::vector<KeyStroke> strokes;
      std::wstring error;
      EXPECT_TRUE(ParseKeyScript(keys, &strokes, &error)) << error;
      for (const KeyStroke& key : strokes) other.Press(key);
      return std::wstring(other.Output(), other.OutputUnits());
    };
    EXPECT_EQ(Type(L"\""), L"“");
    EXPECT_EQ(typeOther(L"\""), L"“");
    EXPECT_EQ(typeOther(L"\""), L"”");
    ImeContext* third = CreateImeContext(os_.get());
    ASSERT_NE(third, nullptr);
    DestroyImeContext(third);
    EXPECT_EQ(Type(L"\"\""), L"”“");
    EXPECT_EQ(typeOther(L"\""), L"“");
  }
  DestroyImeContext(second);
}

// A sample of the shipped table: each record's code, searched through the
// context the way a key stroke does, lists its word.
TEST_F(ShippedTypingTest, EveryCodeOfASampleListsItsWord) {
  const DmgView view = GetDmgView(ctx_->files[kFileMain]);
  ASSERT_GT(view.countRecords, 90000u);
  int checked = 0;
  for (uint32_t i = 0; i < view.countRecords; i += 97) {
    DmgRecord rec;
    ASSERT_TRUE(ReadDmgRecord(view, i, &rec));
    wchar_t word[130];
    CopyRecordWord(rec, word, 130);
    ResetInput(ctx_);
    for (uint32_t k = 0; k < rec.codeLen; ++k) ctx_->code[k] = rec.code[1 + k];
    ctx_->code[rec.codeLen] = 0;
    ctx_->codeLength = ctx_->cursor = static_cast<int>(rec.codeLen);
    RebuildCandidates(ctx_);
    bool found = false;
    for (int c = 0; c < ctx_->candidateCount && !found; ++c) {
      wchar_t text[130];
      CandidateText(ctx_->candidates[c], text, 130);
      found = std::wstring(text) == word;
    }
    EXPECT_TRUE(found) << i;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

// A Wubi user sees each word once on the first page of every one- and
// two-letter code; the entries of exactly that code stay first.
TEST_F(ShippedTypingTest, FirstPagesOfShortCodesHoldEachWordOnce) {
  auto firstPage = [&](const std::wstring& code) {
    ResetInput(ctx_);
    for (size_t k = 0; k < code.size(); ++k) ctx_->code[k] = code[k];
    ctx_->code[code.size()] = 0;
    ctx_->codeLength = ctx_->cursor = static_cast<int>(code.size());
    RebuildCandidates(ctx_);
    std::vector<std::wstring> page;
    for (int s = 0; s < ctx_->slotsFilled; ++s) {
      page.emplace_back(ctx_->pageSlots[s].text, ctx_->pageSlots[s].length);
    }
    return page;
  };
  int pages = 0;
  std::wstring repeated;
  for (wchar_t a = L'a'; a <= L'y'; ++a) {
    for (wchar_t b = L'`'; b <= L'y'; ++b) {
      const std::wstring code = b == L'`' ? std::wstring(1, a) : std::wstring{a, b};
      std::vector<std::wstring> page = firstPage(code);
      std::sort(page.begin(), page.end());
      if (std::adjacent_find(page.begin(), page.end()) != page.end()) repeated += code + L" ";
      ++pages;
    }
  }
  EXPECT_EQ(pages, 650);
  EXPECT_EQ(repeated, L"");
  EXPECT_EQ(firstPage(L"bt"), (std::vector<std::wstring>{L"降", L"隆", L"陞", L"阩", L"降落"}));
}

// What a new user tries first with the shipped settings: Shift alone, the
// Ctrl digit keys, a capital letter, paging with the candidate embedded,
// a lead character, Caps Lock as a switch.
TEST_F(ShippedTypingTest, FirstStepsOfANewUser) {
  // Shift alone switches to English and takes the code along as typed.
  EXPECT_EQ(Type(L"wq{LShift}"), L"wq");
  EXPECT_TRUE(ctx_->stateFlags & kStateEnglish);
  EXPECT_EQ(Type(L"{LShift}"), L"");
  EXPECT_EQ(Type(L"{LShift}hel{LShift}"), L"hel");
  EXPECT_FALSE(ctx_->stateFlags & kStateEnglish);
  // Ctrl+3 raises the third candidate; Ctrl+Alt+1 deletes the first.
  Type(L"a");
  ASSERT_GE(View().candidates.size(), 4u);
  const std::wstring third = View().candidates[2];
  Type(L"{Ctrl+3}");
  EXPECT_EQ(View().candidates[0], third);
  const std::wstring first = View().candidates[0];
  Type(L"{Ctrl+Alt+1}");
  EXPECT_FALSE(Contains(View().candidates, first));
  Type(L"{Esc}");
  // A capital letter types English.
  EXPECT_EQ(Type(L"Hello{Space}"), L"Hello");
}

TEST_F(ShippedTypingTest, CompositionShowsWhatWillBeCommitted) {
  CopyStringBounded(ctx_->commandArgument, kCommandArgumentUnits,
                    L"set([-IME设置-],编码窗口样式=TSF-嵌入首选)");
  ASSERT_TRUE(ApplySetCommand(ctx_, effects_));
  effects_.TakeLog();  // the framework changed: the installer was asked for
  Type(L"wq{Down}{Down}{PageDown}");
  ASSERT_FALSE(View().candidates.empty());
  const std::wstring shown = View().composition;
  EXPECT_EQ(shown, View().candidates[0]);
  EXPECT_EQ(Type(L"{Space}"), shown);
  // With a lead character the composition follows the code as it shrinks.
  CopyStringBounded(ctx_->commandArgument, kCommandArgumentUnits,
                    L"set([-DME设置-],临时英文引导字符=`)");
  ASSERT_TRUE(ApplySetCommand(ctx_, effects_));
  Type(L"`1{Backspace}");
  EXPECT_EQ(View().code, L"`");
  EXPECT_EQ(View().composition, L"`");
}

TEST_F(ShippedTypingTest, CapsLockAsASwitchTogglesOnce) {
  SetKeyFunctionFlags(ctx_->dmeBlock, VK_CAPITAL, KeyFunction::kEnglishToggle);
  Type(L"{CapsLock}");
  EXPECT_TRUE(ctx_->stateFlags & kStateEnglish);
  EXPECT_FALSE(host_->CapsLockOn()) << "the injected keys put the light back";
  const std::vector<std::wstring> log = effects_.TakeLog();
  EXPECT_EQ(log, (std::vector<std::wstring>{L"key 0x14 up", L"key 0x14 down"}));
  Type(L"{CapsLock}");
  EXPECT_FALSE(ctx_->stateFlags & kStateEnglish);
}

// With a dynamic commit, a two-key code that no word starts with commits the
// first word listed before it: which word that is depends on what was typed,
// so it must come from the search each time, never from a list kept earlier.
TEST_F(ShippedTypingTest, ACodeWithoutWordsCommitsTheWordListedJustBefore) {
  host_.reset();
  DestroyImeContext(ctx_);
  const uint32_t system = 1u << 24;
  ASSERT_TRUE(zn::test::WriteFileBytes(
      copy_ + L"main.dmg", zn::test::BuildDmgBytes({{"b", L"甲", system | 4}, {"b", L"乙", system | 3},
                                                    {"b", L"丙", system | 2}, {"b", L"丁", system | 1},
                                                    {"bd", L"戊", system | 1}})));
  ctx_ = CreateImeContext(os_.get());
  ASSERT_NE(ctx_, nullptr);
  ctx_->effects = &effects_;
  host_ = std::make_unique<TypingHost>(ctx_);
  for (const wchar_t* line : {L"[-DME设置-],智能动态上屏码长=1", L"[-IME设置-],词频调整=一次到顶"}) {
    CopyStringBounded(ctx_->commandArgument, kCommandArgumentUnits, (std::wstring(L"set(") + line + L")").c_str());
    ASSERT_TRUE(ApplySetCommand(ctx_, effects_)) << line;
  }
  EXPECT_EQ(Type(L"bc{Esc}"), L"甲");
  EXPECT_EQ(Type(L"b2"), L"乙");
  Type(L"b{Esc}");
  EXPECT_EQ(Type(L"bc{Esc}"), L"乙") << "the word now listed first";
}
