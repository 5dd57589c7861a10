// Keys through ImeProcessKey and ImeToAsciiEx on a real input context with
// the shipped tables: what is taken, what the blocks hold while typing, the
// messages and results the host gets, and the module's own key rules.
#include <gtest/gtest.h>

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/imm/ImmComposition.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

using ImeKeysTest = ShippedImcFixture;

TEST_F(ImeKeysTest, ACodeFillsTheBlocksAndSpaceCommitsItsFirstWord) {
  ASSERT_TRUE(Select());
  TakeMessages();
  EXPECT_TRUE(Tap('W'));
  EXPECT_TRUE(Tap('Q'));
  EXPECT_EQ(CompositionString(GCS_COMPREADSTR), L"wq");
  const LONG cursor = ImmGetCompositionStringW(himc_, GCS_CURSORPOS, nullptr, 0);
  EXPECT_EQ(cursor, static_cast<LONG>(CompositionString(GCS_COMPSTR).size()));
  DWORD bytes = ImmGetCandidateListW(himc_, 0, nullptr, 0);
  ASSERT_GT(bytes, 0u);
  std::vector<uint8_t> buffer(bytes);
  auto* list = reinterpret_cast<CANDIDATELIST*>(buffer.data());
  ImmGetCandidateListW(himc_, 0, list, bytes);
  ASSERT_GE(list->dwCount, 2u);
  EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(buffer.data() + list->dwOffset[0])), L"你");

  EXPECT_TRUE(Tap(VK_SPACE));
  EXPECT_EQ(Results(), L"你");
  EXPECT_EQ(CompositionString(GCS_COMPSTR), L"");
  EXPECT_EQ(Context()->compositionOpen, 0);
  EXPECT_EQ(std::wstring(Context()->lastReading), L"wq");
  const auto messages = TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
}

TEST_F(ImeKeysTest, APunctuationKeyCommitsTheCandidateAndItselfInOneResult) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  TakeMessages();
  EXPECT_TRUE(Tap(VK_OEM_COMMA));
  EXPECT_EQ(Results(), L"你，");
  int results = 0;
  for (const RecordedMessage& m : TakeMessages())
    if (m.message == WM_IME_COMPOSITION && (m.lParam & GCS_RESULTSTR)) ++results;
  EXPECT_EQ(results, 1);
}

TEST_F(ImeKeysTest, ControlLettersAndKeyUpsPassAndNothingIsSentForThem) {
  ASSERT_TRUE(Select());
  TakeMessages();
  Key(VK_CONTROL);
  EXPECT_FALSE(Key('A'));
  Key('A', true);
  Key(VK_CONTROL, true);
  EXPECT_FALSE(ImeProcessKey(himc_, 'W', MakeKeyData(ScanOf('W'), true), keys_));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(ImeKeysTest, ALoneShiftTapSwitchesToEnglishOnlyWithinTheTime) {
  ASSERT_TRUE(Select());
  ImeContext* context = Context();
  os_.tickMs = 1000;
  EXPECT_FALSE(Key(VK_SHIFT));
  os_.tickMs = 1300;
  // The system never calls ImeProcessKey for key-ups under Wine: call it as
  // Windows does.
  EXPECT_TRUE(Key(VK_SHIFT, true));
  EXPECT_TRUE(context->stateFlags & kStateEnglish);
  {
    LockedImc imc(himc_);
    EXPECT_TRUE(imc->fdwConversion & IME_CMODE_NOCONVERSION);
  }
  os_.tickMs = 5000;
  EXPECT_FALSE(Key(VK_SHIFT));
  os_.tickMs = 5600;
  EXPECT_FALSE(Key(VK_SHIFT, true)) << "held too long";
  EXPECT_FALSE(Key(VK_SHIFT));
  Key(VK_F11);
  Key(VK_F11, true);
  EXPECT_FALSE(Key(VK_SHIFT, true)) << "another key came between";
  EXPECT_TRUE(context->stateFlags & kStateEnglish);
}

TEST_F(ImeKeysTest, SwitchingWithATypedCodeCommitsItAsEnglish) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  os_.tickMs = 100;
  Key(VK_SHIFT);
  Key(VK_SHIFT, true);
  EXPECT_EQ(Results(), L"wq");
}

TEST_F(ImeKeysTest, CapsLockTellsTheStatusBarFirst) {
  ASSERT_TRUE(Select());
  TakeMessages();
  Key(VK_CAPITAL);
  const auto messages = TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], (RecordedMessage{WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0, {}}));
}

TEST_F(ImeKeysTest, RepeatingTheLastOutputWritesItBeforeAnnouncingIt) {
  ASSERT_TRUE(Select());
  DmeConfigBlock* dme = Context()->dmeBlock;
  SetKeyFunctionFlags(dme, VK_F6, KeyFunction::kRepeatInput);
  Type(L"wq ");
  TakeMessages();
  window_.messages.clear();
  EXPECT_TRUE(Tap(VK_F6));
  const auto messages = window_.messages;
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages.front().message, static_cast<UINT>(WM_IME_STARTCOMPOSITION));
  EXPECT_EQ(Results(), L"你") << "the result string holds the text when it is announced";
  EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
  SetKeyFunctionFlags(dme, VK_F6, 0);
}

TEST_F(ImeKeysTest, ClosedInputPassesEveryKeyButTheOneThatOpens) {
  ASSERT_TRUE(Select());
  {
    LockedImc imc(himc_);
    imc->fOpen = FALSE;
  }
  NotifyIME(himc_, NI_CONTEXTUPDATED, 0, IMC_SETOPENSTATUS);
  EXPECT_FALSE(Tap('W'));
  DmeConfigBlock* dme = Context()->dmeBlock;
  SetKeyFunctionFlags(dme, VK_F7, KeyFunction::kOpenClose);
  EXPECT_TRUE(Tap(VK_F7));
  EXPECT_FALSE(Context()->stateFlags & kStateInputClosed);
  EXPECT_TRUE(Tap('W'));
  SetKeyFunctionFlags(dme, VK_F7, 0);
}

TEST_F(ImeKeysTest, WithoutAContextEveryKeyPassesAndNothingIsSent) {
  os_.values.erase(L"DataLocation");
  EXPECT_FALSE(Select());
  TakeMessages();
  EXPECT_FALSE(ImeProcessKey(himc_, 'W', MakeKeyData(ScanOf('W'), false), keys_));
  EXPECT_EQ(ImeToAsciiEx('W', ScanOf('W'), keys_, nullptr, 0, himc_), 0u);
  EXPECT_FALSE(ImeProcessKey(nullptr, 'W', 0, keys_));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(ImeKeysTest, TheCandidateWindowHangsBelowTheCaretFromTheFirstKey) {
  ASSERT_TRUE(Select());
  CreateCaret(window_.get(), nullptr, 2, 16);
  SetCaretPos(30, 12);
  Tap('W');
  EXPECT_EQ(windows_.Names().back(), L"ShowCandidateWindow");
  POINT expected{30, 12};
  ClientToScreen(window_.get(), &expected);
  EXPECT_EQ(Context()->caretPosition.x, expected.x);
  EXPECT_EQ(Context()->caretPosition.y, expected.y);
  EXPECT_EQ(Context()->charCell.cx, 41) << "a cell never measured";
  windows_.calls.clear();
  Tap(VK_ESCAPE);
  EXPECT_EQ(windows_.Names(), std::vector<std::wstring>{L"DestroyCandidateWindow"});
  DestroyCaret();
}

TEST_F(ImeKeysTest, AResultStaysReadableUntilTheHostHadIt) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  TakeMessages();
  window_.messages.clear();
  // Space commits and ends the composition in one call: the messages go out
  // together, after the composition was emptied.
  Tap(VK_SPACE);
  EXPECT_EQ(Results(), L"你");
  EXPECT_EQ(CompositionString(GCS_RESULTSTR), L"你");
  EXPECT_EQ(CompositionString(GCS_COMPSTR), L"");
}

}  // namespace
}  // namespace zn::test
