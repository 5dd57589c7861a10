// Message delivery through the message buffer, the conversion-mode mapping,
// the host's open status, and the combination hot keys.
#include <gtest/gtest.h>

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/imm/ConversionMode.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/ImeMessages.h"
#include "frontend/imm/TextServiceNotices.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

using GenerateImeMessageTest = ImcFixture;

TEST_F(GenerateImeMessageTest, MessagesArriveInOrderAndTheBufferIsEmptiedEachTime) {
  ASSERT_TRUE(GenerateImeMessage(himc_, WM_IME_STARTCOMPOSITION, 0, 0));
  ASSERT_TRUE(GenerateImeMessage(himc_, WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1));
  ASSERT_TRUE(GenerateImeMessage(himc_, WM_IME_ENDCOMPOSITION, 0, 0));
  const std::vector<RecordedMessage> expected = {
      {WM_IME_STARTCOMPOSITION, 0, 0, {}},
      {WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1, {}},
      {WM_IME_ENDCOMPOSITION, 0, 0, {}},
  };
  EXPECT_EQ(TakeMessages(), expected);
  LockedImc imc(himc_);
  EXPECT_EQ(imc->dwNumMsgBuf, 0u) << "the system takes the messages it delivered";
}

TEST_F(GenerateImeMessageTest, AGoneWindowOrAMissingContextSendsNothing) {
  HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  {
    LockedImc imc(himc_);
    imc->hWnd = gone;
  }
  EXPECT_FALSE(GenerateImeMessage(himc_, WM_IME_STARTCOMPOSITION, 0, 0));
  EXPECT_FALSE(GenerateImeMessage(nullptr, WM_IME_STARTCOMPOSITION, 0, 0));
  LockedImc imc(himc_);
  EXPECT_EQ(imc->dwNumMsgBuf, 0u) << "nothing was queued for later";
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(GenerateImeMessageTest, AContextWithoutABufferGetsOne) {
  {
    LockedImc imc(himc_);
    if (imc->hMsgBuf) ImmDestroyIMCC(imc->hMsgBuf);
    imc->hMsgBuf = nullptr;
    imc->dwNumMsgBuf = 5;  // stale: a missing buffer holds nothing
  }
  ASSERT_TRUE(GenerateImeMessage(himc_, WM_IME_NOTIFY, kNotifyHotKeys, 0));
  const std::vector<RecordedMessage> expected = {{WM_IME_NOTIFY, kNotifyHotKeys, 0, {}}};
  EXPECT_EQ(TakeMessages(), expected);
}

TEST_F(GenerateImeMessageTest, ACountPastTheBufferIsStale) {
  {
    LockedImc imc(himc_);
    imc->dwNumMsgBuf = 0xFFFFFFFFu;  // would wrap the size and index far past the block
  }
  ASSERT_TRUE(GenerateImeMessage(himc_, WM_IME_NOTIFY, kNotifyHotKeys, 0));
  const std::vector<RecordedMessage> expected = {{WM_IME_NOTIFY, kNotifyHotKeys, 0, {}}};
  EXPECT_EQ(TakeMessages(), expected);
}

using TextServiceNoticeTest = ImcFixture;

TEST_F(TextServiceNoticeTest, CandidateNoticesReachTheWindowThroughItsContext) {
  const HIMC previous = ImmAssociateContext(window_.get(), himc_);
  NotifyTextServiceCandidates(window_.get(), IMN_OPENCANDIDATE, 1);
  NotifyTextServiceCandidates(window_.get(), IMN_CLOSECANDIDATE, 1);
  const std::vector<RecordedMessage> expected = {
      {WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1, {}},
      {WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1, {}},
  };
  EXPECT_EQ(TakeMessages(), expected);
  // A window without an input context hears nothing. (Wine's ImmGetContext
  // makes the context the window's own, so a context serving another window
  // can only be checked on Windows.)
  ImmAssociateContext(window_.get(), nullptr);
  NotifyTextServiceCandidates(window_.get(), IMN_OPENCANDIDATE, 1);
  NotifyTextServiceCandidates(nullptr, IMN_OPENCANDIDATE, 1);
  EXPECT_TRUE(TakeMessages().empty());
  LockedImc imc(himc_);
  EXPECT_EQ(imc->dwNumMsgBuf, 0u) << "nothing queued for later";
  ImmAssociateContext(window_.get(), previous);
}

TEST(ConversionModeTest, StateAndModeMapBothWays) {
  EXPECT_EQ(StateFromConversion(IME_CMODE_NATIVE | IME_CMODE_SYMBOL), 0u);
  EXPECT_EQ(StateFromConversion(IME_CMODE_NATIVE), kStateEnglishPunct);
  // What Wine gives a context made while the IME is active.
  EXPECT_EQ(StateFromConversion(0x5A9), kStateEnglish | kStateFullWidth);
  EXPECT_EQ(ConversionFromState(IME_CMODE_NATIVE | IME_CMODE_SOFTKBD,
                                kStateFullWidth | kStateEnglishPunct),
            static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_SOFTKBD | IME_CMODE_FULLSHAPE));
  EXPECT_EQ(ConversionFromState(IME_CMODE_NATIVE, kStateInputClosed) & IME_CMODE_NOCONVERSION,
            static_cast<DWORD>(IME_CMODE_NOCONVERSION))
      << "closed input converts nothing";
  for (uint32_t state = 0; state < 32; ++state) {
    const uint32_t modeBits = state & (kStateEnglish | kStateFullWidth | kStateEnglishPunct);
    EXPECT_EQ(StateFromConversion(ConversionFromState(0, modeBits)), modeBits);
  }
  // Re-deriving keeps closed input closed and drops everything else.
  EXPECT_EQ(RederiveState(kStateInputClosed | kStateSoftKeyboard | kStateTempEnglish,
                          IME_CMODE_SYMBOL),
            kStateInputClosed);
}

TEST(ConversionModeTest, SavingNeedsBothOptionsAndNeverKeepsNoConversion) {
  ImeConfigBlock ime{};
  INPUTCONTEXT imc{};
  imc.fdwConversion = IME_CMODE_NOCONVERSION | IME_CMODE_FULLSHAPE;
  imc.fdwSentence = 8;
  ime.spaceWord = ImeBits::kCustomConversion;
  SaveConversionMode(&imc, &ime);
  EXPECT_EQ(imc.fdwConversion, static_cast<DWORD>(IME_CMODE_FULLSHAPE));
  EXPECT_EQ(ime.conversionMode, 0u);
  ime.spaceWord |= ImeBits::kSaveConversion;
  SaveConversionMode(&imc, &ime);
  EXPECT_EQ(ime.conversionMode, static_cast<DWORD>(IME_CMODE_FULLSHAPE));
  EXPECT_EQ(ime.sentenceMode, 8u);
  // Without the custom mode the context's mode is left alone at selection.
  ime.spaceWord = 0;
  imc.fdwConversion = 0x5A9;
  ApplyCustomInitialMode(&imc, &ime);
  EXPECT_EQ(imc.fdwConversion, 0x5A9u);
}

TEST(HotKeyTest, KeyCodesBecomeRegisterHotKeyModifiersNeverTheWindowsKey) {
  // Left Ctrl + Shift + 1: the stored code is no modifier word.
  HotKeyBinding binding = HotKeyFor(kKeyLeftCtrl | kKeyShift | '1');
  EXPECT_EQ(binding.modifiers, static_cast<UINT>(MOD_CONTROL | MOD_SHIFT | MOD_NOREPEAT));
  EXPECT_EQ(binding.virtualKey, static_cast<UINT>('1'));
  binding = HotKeyFor(kKeyRightAlt | VK_F2);
  EXPECT_EQ(binding.modifiers, static_cast<UINT>(MOD_ALT | MOD_NOREPEAT));
  EXPECT_EQ(binding.virtualKey, static_cast<UINT>(VK_F2));
  for (KeyCode code : {kKeyLeftCtrl, kKeyRightCtrl, kKeyLeftShift, kKeyRightShift, kKeyLeftAlt,
                       kKeyRightAlt, kKeyCtrl | kKeyAlt | kKeyShift}) {
    EXPECT_EQ(HotKeyFor(code | 'A').modifiers & MOD_WIN, 0u) << std::hex << code;
  }
  EXPECT_EQ(HotKeyFor(ParseKeySpec(L"a+键左Ctrl")).modifiers,
            static_cast<UINT>(MOD_CONTROL | MOD_NOREPEAT));
}

bool gLeftCtrlDown = false;
bool gRightCtrlDown = false;
bool FakeKeyDown(int vk) {
  return (vk == VK_LCONTROL && gLeftCtrlDown) || (vk == VK_RCONTROL && gRightCtrlDown);
}

TEST(HotKeyTest, ASidedEntryAnswersOnlyToItsSide) {
  gLeftCtrlDown = false;
  gRightCtrlDown = true;
  EXPECT_FALSE(HotKeySidesHeld(kKeyLeftCtrl | 'A', FakeKeyDown));
  EXPECT_TRUE(HotKeySidesHeld(kKeyRightCtrl | 'A', FakeKeyDown));
  EXPECT_TRUE(HotKeySidesHeld(kKeyCtrl | 'A', FakeKeyDown)) << "either side";
  gLeftCtrlDown = true;
  EXPECT_TRUE(HotKeySidesHeld(kKeyLeftCtrl | 'A', FakeKeyDown));
}

using HotKeyRegistration = ImcFixture;

TEST_F(HotKeyRegistration, EntriesBecomeIdsFrom123AndClosedInputKeepsTheOpeningKeys) {
  ASSERT_TRUE(Select());
  ImeContext* context = Context();
  DmeConfigBlock* dme = context->dmeBlock;
  dme->combinationCount = 3;
  dme->combinations[0] = {kKeyCtrl | kKeyAlt | VK_F9, 0, KeyFunction::kConfigMain};
  dme->combinations[1] = {kKeyCtrl | kKeyAlt | VK_F10, 0, KeyFunction::kOpenClose};
  dme->combinations[2] = {kKeyCtrl | kKeyAlt | VK_F11, 0, KeyFunction::kNextPage};
  HWND window = window_.get();
  EXPECT_EQ(RegisterImeHotKeys(window, context), 3);
  EXPECT_EQ(HotKeyEntry(context, 124), 1);
  EXPECT_EQ(HotKeyEntry(context, 126), -1);
  EXPECT_EQ(HotKeyEntry(context, 122), -1);
  // The ids are taken: registering them again for this window fails.
  EXPECT_FALSE(RegisterHotKey(window, 125, MOD_CONTROL | MOD_ALT, VK_F11) &&
               !UnregisterHotKey(window, 125));

  context->stateFlags |= kStateInputClosed;
  EXPECT_EQ(RegisterImeHotKeys(window, context), 1) << "only the key that opens input again";
  context->stateFlags &= ~kStateInputClosed;
  context->imeBlock->optionFlags |= ImeBits::kNoHotKeys;
  EXPECT_EQ(RegisterImeHotKeys(window, context), 0);
  context->imeBlock->optionFlags &= ~ImeBits::kNoHotKeys;
  UnregisterImeHotKeys(window);
  EXPECT_TRUE(RegisterHotKey(window, 125, MOD_CONTROL | MOD_ALT, VK_F11));
  UnregisterHotKey(window, 125);
}

}  // namespace
}  // namespace zn::test
