// Input contexts no UI window serves (Wine makes none in Notepad or WordPad):
// the module's own status bar while the context is active and its candidate
// window at the host's caret; and who does that work when a UI window exists.
#include <gtest/gtest.h>

#include <algorithm>

#include "frontend/imm/ImeCommands.h"
#include "frontend/imm/WindowlessUi.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

bool Visible(HWND window) { return window && IsWindow(window) && IsWindowVisible(window); }

// A real EDIT control with the focus and its own input context, the module's
// real skinned windows, and no UI window: the system calls ImeSelect and
// ImeSetActiveContext (the test stands in for it) and nothing else.
class WindowlessTest : public ShippedImcFixture {
 protected:
  void SetUp() override {
    ShippedImcFixture::SetUp();
    RegisterModuleClasses();
    ImmModule().seams.windows = nullptr;
    frame_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 500,
                             160, nullptr, nullptr, nullptr, nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 460,
                            30, frame_, nullptr, nullptr, nullptr);
    ASSERT_NE(edit_, nullptr);
    SetForegroundWindow(frame_);
    SetFocus(edit_);
    ImmDestroyContext(himc_);
    himc_ = ImmCreateContext();
    ASSERT_NE(himc_, nullptr);
    previous_ = ImmAssociateContext(edit_, himc_);
    window_.himc = himc_;
  }
  void TearDown() override {
    if (selected_) Deselect();
    ImmAssociateContext(edit_, previous_);
    DestroyWindow(frame_);
    ShippedImcFixture::TearDown();
  }
  HWND StatusBar() { return Context() ? Context()->statusWindow.window : nullptr; }
  HWND CandidateWindow() { return Context() ? Context()->candidateWindow.window : nullptr; }
  POINT CaretOnScreen() {
    POINT caret{};
    GetCaretPos(&caret);
    ClientToScreen(edit_, &caret);
    return caret;
  }
  // The EDIT types a result through posted WM_IME_CHAR messages.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  std::wstring EditText() {
    wchar_t text[256] = {};
    GetWindowTextW(edit_, text, 256);
    return text;
  }

  HWND frame_ = nullptr;
  HWND edit_ = nullptr;
  HIMC previous_ = nullptr;
};

TEST_F(WindowlessTest, TheStatusBarShowsWhileTheContextIsActiveAndGoesWithIt) {
  ASSERT_TRUE(Select());
  EXPECT_EQ(StatusBar(), nullptr) << "nothing before the context is active";
  EXPECT_TRUE(ImeSetActiveContext(himc_, TRUE));
  const HWND status = StatusBar();
  EXPECT_TRUE(Visible(status));
  EXPECT_TRUE(ImeSetActiveContext(himc_, FALSE));
  EXPECT_FALSE(Visible(status));
  ImeSetActiveContext(himc_, TRUE);
  EXPECT_TRUE(Visible(status)) << "the same window again";
  EXPECT_EQ(StatusBar(), status);
  ASSERT_TRUE(Deselect());
  EXPECT_FALSE(IsWindow(status)) << "no window outlives its context";
}

TEST_F(WindowlessTest, AHostThatNeverActivatesGetsTheStatusBarAtTheFirstKey) {
  ASSERT_TRUE(Select());
  Tap('K');
  EXPECT_TRUE(Visible(StatusBar()));
  // Closed from its menu, it stays closed while the user types.
  ShowWindow(StatusBar(), SW_HIDE);
  Tap('H');
  EXPECT_FALSE(Visible(StatusBar()));
}

TEST_F(WindowlessTest, TheCandidateWindowHangsBelowTheHostsCaretAndFollowsIt) {
  ASSERT_TRUE(Select());
  Tap('K');
  Tap('H');
  HWND candidates = CandidateWindow();
  ASSERT_TRUE(Visible(candidates));
  RECT rect{};
  GetWindowRect(candidates, &rect);
  POINT caret = CaretOnScreen();
  const int cell = Context()->charCell.cy;
  EXPECT_EQ(rect.left, caret.x);
  EXPECT_EQ(rect.top, caret.y + cell + 2);

  // The EDIT shows the composition inline: committed text moves its caret,
  // and the next composition's window moves with it.
  Tap('L');
  Tap('G');
  Tap(VK_SPACE);
  Pump();
  EXPECT_EQ(EditText(), L"中国");
  Tap('K');
  candidates = CandidateWindow();
  ASSERT_TRUE(Visible(candidates));
  const POINT moved = CaretOnScreen();
  EXPECT_GT(moved.x, caret.x);
  GetWindowRect(candidates, &rect);
  EXPECT_EQ(rect.left, moved.x);
  EXPECT_EQ(rect.top, moved.y + cell + 2);

  // Focus elsewhere: the composition ends and no window stays behind.
  ImeSetActiveContext(himc_, FALSE);
  EXPECT_FALSE(Visible(CandidateWindow()));
  EXPECT_EQ(Context()->codeLength, 0);
}

// The same windows through the recording facade: what the module asks of
// them and when.
using WindowlessCallsTest = ShippedImcFixture;

TEST_F(WindowlessCallsTest, TheStatusBarIsDrawnAgainOnlyWhenWhatItShowsChanged) {
  ASSERT_TRUE(Select());
  Tap('K');
  std::vector<std::wstring> names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"ShowStatusWindow"), 1);
  windows_.calls.clear();
  Tap('H');
  Tap(VK_ESCAPE);
  names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 0);
  // A menu command changes the width; the host's ImmSetConversionStatus
  // changes it back before the next key.
  EXPECT_EQ(HandleImeCommand(himc_, kCommandFullWidth, 0, 0), 1);
  names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 1);
  windows_.calls.clear();
  ImmSetConversionStatus(himc_, IME_CMODE_NATIVE | IME_CMODE_SYMBOL, IME_SMODE_NONE);
  Tap('K');
  names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 1);
  EXPECT_FALSE(Context()->stateFlags & kStateFullWidth);
}

// Caps Lock on the status bar follows the keyboard state each key comes
// with: the thread's own state (which nobody toggled here) is not asked.
TEST_F(WindowlessCallsTest, TheStatusBarTakesCapsLockFromTheKeysState) {
  ASSERT_TRUE(Select());
  Tap('K');
  windows_.calls.clear();
  keys_[VK_CAPITAL] = 1;
  ASSERT_TRUE(Tap(VK_BACK));
  std::vector<std::wstring> names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 1);
  windows_.calls.clear();
  keys_[VK_CAPITAL] = 0;
  ASSERT_TRUE(Tap('K'));
  names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 1);
  windows_.calls.clear();
  ASSERT_TRUE(Tap('H'));
  names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"UpdateStatusWindow"), 0);
}

// With a UI window serving the context (as Windows makes one), the module
// leaves the windows to it; a UI window whose slot holds no input context
// (as Wine fills it) serves nothing, and the module does the work.
class UiWindowPresenceTest : public ShippedImcFixture {
 protected:
  void SetUp() override {
    ShippedImcFixture::SetUp();
    RegisterModuleClasses();
    ui_ = CreateWindowExW(0, kImeUiWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(ui_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(ui_);
    ShippedImcFixture::TearDown();
  }
  bool ModuleShowedStatus() {
    for (const auto& name : windows_.Names())
      if (name == L"ShowStatusWindow") return true;
    return false;
  }
  HWND ui_ = nullptr;
};

TEST_F(UiWindowPresenceTest, AServingUiWindowKeepsTheWorkAndTheModuleStaysOut) {
  SetWindowLongPtrW(ui_, IMMGWLP_IMC, reinterpret_cast<LONG_PTR>(himc_));
  ASSERT_TRUE(Select());
  ImeSetActiveContext(himc_, TRUE);
  Tap('K');
  EXPECT_FALSE(ModuleShowedStatus());
  ImcLock lock(himc_);
  EXPECT_FALSE(UiWindowMissing(lock));
}

TEST_F(UiWindowPresenceTest, AUiWindowWithoutAContextInItsSlotServesNothing) {
  SetWindowLongPtrW(ui_, IMMGWLP_IMC, 0x36eb10);  // a pointer, as Wine puts there
  ASSERT_TRUE(Select());
  ImeSetActiveContext(himc_, TRUE);
  EXPECT_TRUE(ModuleShowedStatus());
  // Once it does handle a message for the context, the work is its own.
  SetWindowLongPtrW(ui_, IMMGWLP_IMC, reinterpret_cast<LONG_PTR>(himc_));
  SendMessageW(ui_, WM_IME_NOTIFY, IMN_SETCONVERSIONMODE, 0);
  ImcLock lock(himc_);
  EXPECT_FALSE(UiWindowMissing(lock));
}

}  // namespace
}  // namespace zn::test
