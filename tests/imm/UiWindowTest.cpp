// The UI window procedure: state following the host's modes and open status,
// the candidate window's anchor, hot keys on selection, deactivation.
#include <gtest/gtest.h>

#include "engine/ImeOptionBits.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/ImmComposition.h"
#include "frontend/imm/UiWindow.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

class UiWindowTest : public ImcFixture {
 protected:
  void SetUp() override {
    ImcFixture::SetUp();
    RegisterModuleClasses();
    ASSERT_TRUE(Select());
    ui_ = CreateWindowExW(0, kImeUiWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(ui_, nullptr);
    SetWindowLongPtrW(ui_, IMMGWLP_IMC, reinterpret_cast<LONG_PTR>(himc_));
    context_ = Context();
  }
  void TearDown() override {
    DestroyWindow(ui_);
    ImcFixture::TearDown();
  }
  LRESULT Notify(WPARAM code, LPARAM lParam = 0) {
    return SendMessageW(ui_, WM_IME_NOTIFY, code, lParam);
  }
  HWND ui_ = nullptr;
  ImeContext* context_ = nullptr;
};

TEST_F(UiWindowTest, TheClassKeepsOnlyWhatImmNeeds) {
  WNDCLASSEXW wc{sizeof(wc)};
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kImeUiWindowClass, &wc));
  EXPECT_EQ(wc.style, static_cast<UINT>(CS_IME | CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(wc.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR)));
  EXPECT_EQ(wc.lpfnWndProc, UiWindowProc);
}

TEST_F(UiWindowTest, ModeNotificationsSetTheStateFromTheConversionMode) {
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
  }
  context_->stateFlags |= kStateTempEnglish | kStateSoftKeyboard;
  EXPECT_EQ(Notify(IMN_SETCONVERSIONMODE), 0);
  EXPECT_EQ(context_->stateFlags,
            kStateFullWidth | kStateEnglishPunct | kStateTempEnglish | kStateSoftKeyboard)
      << "only the three mode bits follow the conversion mode";
  context_->stateFlags &= ~(kStateTempEnglish | kStateSoftKeyboard);
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_NOCONVERSION | IME_CMODE_SYMBOL;
    imc->fOpen = FALSE;
  }
  Notify(IMN_SETOPENSTATUS);
  EXPECT_EQ(context_->stateFlags, kStateEnglish | kStateInputClosed);
  {
    LockedImc imc(himc_);
    imc->fOpen = TRUE;
  }
  Notify(IMN_SETSENTENCEMODE);
  EXPECT_TRUE(context_->stateFlags & kStateInputClosed) << "only the open status reopens";
  Notify(IMN_SETOPENSTATUS);
  EXPECT_FALSE(context_->stateFlags & kStateInputClosed);
}

TEST_F(UiWindowTest, CandidateNotificationsAndTheAnchor) {
  Notify(IMN_OPENCANDIDATE, 1);
  EXPECT_TRUE(context_->uiFlags & kUiCandidateWanted);
  Notify(IMN_CLOSECANDIDATE, 1);
  EXPECT_FALSE(context_->uiFlags & kUiCandidateWanted) << "nothing left to show";

  {
    LockedImc imc(himc_);
    imc->cfCandForm[0].dwStyle = CFS_EXCLUDE;
    imc->cfCandForm[0].ptCurrentPos = {20, 5};
    imc->cfCandForm[0].rcArea = {0, 30, 100, 54};
  }
  // Without an open composition the anchor is left for later.
  Notify(IMN_SETCANDIDATEPOS, 1);
  EXPECT_FALSE(context_->uiFlags & kUiAnchorKnown);
  context_->compositionOpen = 1;
  context_->uiFlags |= kUiKeyInProgress;
  Notify(IMN_SETCANDIDATEPOS, 1);
  EXPECT_FALSE(context_->uiFlags & kUiAnchorKnown) << "not while a key is at work";
  context_->uiFlags &= ~kUiKeyInProgress;
  Notify(IMN_SETCANDIDATEPOS, 1);
  ASSERT_TRUE(context_->uiFlags & kUiAnchorKnown);
  POINT expected{20, 30};
  ClientToScreen(window_.get(), &expected);
  EXPECT_EQ(context_->caretPosition.x, expected.x);
  EXPECT_EQ(context_->caretPosition.y, expected.y);
  EXPECT_EQ(context_->charCell.cy, 24);

  context_->imeBlock->optionFlags |= ImeBits::kCandidateFixed;
  Notify(kNotifyCandidateAnchor);
  EXPECT_EQ(context_->caretPosition.x, 0);
  EXPECT_EQ(context_->caretPosition.y, 0);
}

TEST_F(UiWindowTest, ActivationSetsTheStateAnewOnceTheStatusWindowIsAllowed) {
  context_->stateFlags = kStateSoftKeyboard | kStateInputClosed;
  SendMessageW(ui_, WM_IME_SETCONTEXT, TRUE, ISC_SHOWUIALL);
  EXPECT_EQ(context_->stateFlags, kStateSoftKeyboard | kStateInputClosed);
  Notify(IMN_OPENSTATUSWINDOW);
  SendMessageW(ui_, WM_IME_SETCONTEXT, TRUE, ISC_SHOWUIALL);
  EXPECT_EQ(context_->stateFlags, kStateInputClosed) << "closed input stays closed";
}

TEST_F(UiWindowTest, SelectionRegistersTheHotKeysAndDeselectionReleasesThem) {
  DmeConfigBlock* dme = context_->dmeBlock;
  dme->combinationCount = 1;
  dme->combinations[0] = {kKeyCtrl | kKeyAlt | VK_F12, 0, KeyFunction::kConfigMain};
  SendMessageW(ui_, WM_IME_SELECT, TRUE, 0);
  EXPECT_FALSE(RegisterHotKey(ui_, kFirstHotKeyId, MOD_CONTROL | MOD_ALT, VK_F12));
  SendMessageW(ui_, WM_IME_SELECT, FALSE, 0);
  EXPECT_TRUE(RegisterHotKey(ui_, kFirstHotKeyId, MOD_CONTROL | MOD_ALT, VK_F12));
  UnregisterHotKey(ui_, kFirstHotKeyId);
}

TEST_F(UiWindowTest, AHotKeyRunsItsEntryWhenItsSideIsHeld) {
  DmeConfigBlock* dme = context_->dmeBlock;
  dme->combinationCount = 2;
  dme->combinations[0] = {kKeyCtrl | kKeyAlt | VK_F12, 0, KeyFunction::kEnglishToggle};
  dme->combinations[1] = {kKeyLeftCtrl | VK_F11, 0, KeyFunction::kEnglishToggle};
  const uint32_t before = context_->stateFlags & kStateEnglish;
  SendMessageW(ui_, WM_HOTKEY, kFirstHotKeyId, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_F12));
  EXPECT_NE(context_->stateFlags & kStateEnglish, before);
  {
    LockedImc imc(himc_);
    EXPECT_EQ((imc->fdwConversion & IME_CMODE_NOCONVERSION) != 0,
              (context_->stateFlags & kStateEnglish) != 0);
  }
  // Left Ctrl is not held here: the sided entry does nothing.
  const uint32_t now = context_->stateFlags;
  SendMessageW(ui_, WM_HOTKEY, kFirstHotKeyId + 1, MAKELPARAM(MOD_CONTROL, VK_F11));
  EXPECT_EQ(context_->stateFlags, now);
  SendMessageW(ui_, WM_HOTKEY, kFirstHotKeyId + 5, 0);
  EXPECT_EQ(context_->stateFlags, now) << "an id past the entries";
}

TEST_F(UiWindowTest, DeactivationEndsAnOpenComposition) {
  context_->compositionOpen = 1;
  context_->code[0] = L'w';
  context_->codeLength = 1;
  TakeMessages();
  SendMessageW(ui_, WM_IME_SETCONTEXT, FALSE, 0);
  EXPECT_EQ(context_->codeLength, 0);
  auto messages = TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
  EXPECT_EQ(SendMessageW(ui_, WM_IME_ENDCOMPOSITION, 0, 0), 1);
  EXPECT_EQ(SendMessageW(ui_, WM_IME_COMPOSITION, 0, 0), 0);
}

TEST_F(UiWindowTest, AWindowWithoutAServedContextIgnoresTheImeMessages) {
  SetWindowLongPtrW(ui_, IMMGWLP_IMC, 0);
  EXPECT_EQ(Notify(IMN_SETCONVERSIONMODE), 0);
  EXPECT_EQ(SendMessageW(ui_, WM_IME_SETCONTEXT, TRUE, 0), 0);
  EXPECT_EQ(SendMessageW(ui_, WM_IME_SELECT, TRUE, 0), 0);
}

}  // namespace
}  // namespace zn::test
