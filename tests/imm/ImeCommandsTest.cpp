// Window and menu commands on an IMM32 input context: modes reach the
// conversion mode and the host, candidates commit from the list, launches
// stay off a secure desktop, and the help link opens only web addresses.
#include <gtest/gtest.h>

#include "engine/EntryCommands.h"
#include "engine/ImeOptionBits.h"
#include "engine/Launchers.h"
#include "engine/WideString.h"
#include "frontend/imm/ImeCommands.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

using ImeCommandsTest = ShippedImcFixture;

TEST_F(ImeCommandsTest, InputStateCommandsMoveTheConversionModeAndTellTheHost) {
  ASSERT_TRUE(Select());
  TakeMessages();
  EXPECT_EQ(HandleImeCommand(himc_, 8193, 0, 0), 1);
  {
    LockedImc imc(himc_);
    EXPECT_TRUE(imc->fdwConversion & IME_CMODE_FULLSHAPE);
  }
  EXPECT_TRUE(Context()->stateFlags & kStateFullWidth);
  const std::vector<RecordedMessage> expected = {{WM_IME_NOTIFY, IMN_SETCONVERSIONMODE, 0, {}}};
  auto messages = TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], expected[0]);

  EXPECT_EQ(HandleImeCommand(himc_, 260, 0, 0), 1);
  EXPECT_TRUE(Context()->stateFlags & kStateInputClosed);
  EXPECT_FALSE(Tap('W')) << "English input passes the keys";
  EXPECT_EQ(HandleImeCommand(himc_, 259, 0, 0), 1);
  EXPECT_TRUE(Tap('W'));
  EXPECT_FALSE(Context()->stateFlags & kStateCommandRunning);
}

TEST_F(ImeCommandsTest, CommittingASlotAndTurningThePage) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  const std::wstring second = Context()->pageSlots[1].text;
  EXPECT_EQ(HandleImeCommand(himc_, 257, 0, 0), 1);
  EXPECT_GT(Context()->pageFirst, 0);
  EXPECT_EQ(HandleImeCommand(himc_, 258, 0, 0), 1);
  EXPECT_EQ(Context()->pageFirst, 0);
  window_.messages.clear();
  EXPECT_EQ(HandleImeCommand(himc_, 17, 2, 0), 1);
  EXPECT_EQ(Results(), second);
}

TEST_F(ImeCommandsTest, AnEntryCommandActsOnTheSlotItNames) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  const std::wstring second = Context()->pageSlots[1].text;
  const std::wstring third = Context()->pageSlots[2].text;
  // Slots count from 0: slot 1 (the second word) moves one place down.
  EXPECT_EQ(HandleImeCommand(himc_, 514, 1, kEntryMoveDown), 1);
  EXPECT_EQ(std::wstring(Context()->pageSlots[1].text), third);
  EXPECT_EQ(std::wstring(Context()->pageSlots[2].text), second);
  EXPECT_EQ(CompositionString(GCS_COMPREADSTR), L"wq") << "the code stays";
}

TEST_F(ImeCommandsTest, SchemeAuxiliaryOnlySearchesTheOpenCompositionAgain) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  TakeMessages();
  EXPECT_EQ(HandleImeCommand(himc_, 8208, 0, 2), 1);
  const uint32_t options = Context()->imeBlock->optionFlags;
  EXPECT_EQ(options & (kImeOptMainCode | kImeOptAuxiliaryCode), kImeOptAuxiliaryCode);
  bool updated = false;
  for (const RecordedMessage& m : TakeMessages())
    updated = updated || (m.message == WM_IME_COMPOSITION && m.lParam == 0x1BF);
  EXPECT_TRUE(updated) << "the composition was searched and shown again";
  HandleImeCommand(himc_, 8208, 0, 0);
}

TEST_F(ImeCommandsTest, LaunchesStopOnASecureDesktop) {
  ASSERT_TRUE(Select());
  EXPECT_EQ(HandleImeCommand(himc_, 1, 0, 0), 1);
  ASSERT_EQ(effects_.programs.size(), 1u);
  EXPECT_NE(effects_.programs[0].find(L"config.exe /n " + os_.productKey), std::wstring::npos);
  ASSERT_TRUE(Deselect());

  IMEINFO info;
  wchar_t uiClass[16];
  ImeInquire(&info, uiClass, IME_SYSINFO_WINLOGON);
  ASSERT_TRUE(Select());
  EXPECT_TRUE(LaunchesRefused(Context()));
  EXPECT_EQ(HandleImeCommand(himc_, 1, 0, 0), 1);
  EXPECT_EQ(HandleImeCommand(himc_, 4, 0, 0), 1);
  EXPECT_FALSE(ImeConfigure(nullptr, window_.get(), 1, nullptr));
  EXPECT_EQ(effects_.programs.size(), 1u) << "nothing started from a secure desktop";
}

TEST_F(ImeCommandsTest, TheHelpLinkOpensOnlyWebAddresses) {
  ASSERT_TRUE(Select());
  wchar_t* link = Context()->softBlock->helpLink;
  for (const wchar_t* target : {L"C:\\Windows\\system32\\calc.exe", L"file:///C:/x.html",
                                L"\\\\server\\share\\tool.exe", L"http://", L""}) {
    CopyStringBounded(link, 256, target);
    HandleImeCommand(himc_, 7, 0, 0);
  }
  EXPECT_TRUE(effects_.programs.empty());
  CopyStringBounded(link, 256, L"HTTPS://example.org/help");
  HandleImeCommand(himc_, 7, 0, 0);
  ASSERT_EQ(effects_.programs.size(), 1u);
  EXPECT_EQ(effects_.programs[0], L"HTTPS://example.org/help ");
  link[0] = 0;
}

TEST_F(ImeCommandsTest, AContextThatDoesNotLockIsRefused) {
  EXPECT_EQ(HandleImeCommand(himc_, 257, 0, 0), 0);
  EXPECT_EQ(HandleImeCommand(nullptr, 257, 0, 0), 0);
}

}  // namespace
}  // namespace zn::test
