// The keyboard hook with real input: releases and combination keys reach the
// module through the system's own key messages, while ImeProcessKey is
// called for key-downs only (as Wine does) or for releases too (as Windows
// does); either way a key acts once.
#include <gtest/gtest.h>

#include "engine/KeyTables.h"
#include "frontend/imm/HotKeys.h"
#include "frontend/imm/KeyHook.h"
#include "tests/common/MessagePump.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

class KeyHookTest : public ShippedImcFixture {
 protected:
  void SetUp() override {
    ShippedImcFixture::SetUp();
    ASSERT_TRUE(Select());
    // The window's own context is the one the module serves.
    previous_ = ImmAssociateContext(window_.get(), himc_);
    SetForegroundWindow(window_.get());
    SetFocus(window_.get());
    Settle();
    os_.tickMs = 1000;
  }
  void TearDown() override {
    ImmAssociateContext(window_.get(), previous_);
    ShippedImcFixture::TearDown();
  }
  // A key event from the keyboard, through the system's queue and hooks.
  void Send(uint8_t vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(ScanOf(vk));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
    Settle();
  }
  static void Settle() { PumpUntilQuiet(3, 100); }
  // A key-down as Wine hands it over: the real event and ImeProcessKey.
  void Down(uint8_t vk) {
    Send(vk, false);
    Key(vk);
  }
  bool English() { return (Context()->stateFlags & kStateEnglish) != 0; }

  HIMC previous_ = nullptr;
};

TEST_F(KeyHookTest, AShiftTapActsOnceWhicheverSeesTheReleaseFirst) {
  const bool english = English();
  Down(VK_SHIFT);
  os_.tickMs = 1200;
  Send(VK_SHIFT, true);
  EXPECT_NE(English(), english) << "the hook brought the release";
  // Windows passes the release to ImeProcessKey as well.
  EXPECT_FALSE(ImeProcessKey(himc_, VK_SHIFT, MakeKeyData(ScanOf(VK_SHIFT), true), keys_));
  EXPECT_NE(English(), english);

  os_.tickMs = 3000;
  Down(VK_SHIFT);
  os_.tickMs = 3100;
  EXPECT_TRUE(Key(VK_SHIFT, true)) << "ImeProcessKey saw the release first";
  EXPECT_EQ(English(), english);
  Send(VK_SHIFT, true);
  EXPECT_EQ(English(), english) << "the hook does not run it again";

  // The hook may also come between ImeProcessKey and ImeToAsciiEx.
  os_.tickMs = 5000;
  Down(VK_SHIFT);
  const LPARAM release = MakeKeyData(ScanOf(VK_SHIFT), true);
  keys_[VK_SHIFT] &= ~0x80;
  ASSERT_TRUE(ImeProcessKey(himc_, VK_SHIFT, release, keys_));
  Send(VK_SHIFT, true);
  ImeToAsciiEx(VK_SHIFT, ScanOf(VK_SHIFT), keys_, nullptr, 0, himc_);
  EXPECT_NE(English(), english) << "one switch";
}

TEST_F(KeyHookTest, AHeldInterruptedOrForeignShiftDoesNothing) {
  const bool english = English();
  Down(VK_SHIFT);
  os_.tickMs = 1600;
  Send(VK_SHIFT, true);
  EXPECT_EQ(English(), english) << "held too long";
  os_.tickMs = 2000;
  Down(VK_SHIFT);
  Down(VK_F11);
  Send(VK_F11, true);
  Send(VK_SHIFT, true);
  EXPECT_EQ(English(), english) << "another key came between";
  os_.tickMs = 3000;
  Down(VK_SHIFT);
  // The focus now has a context the key entry never saw (another IME's, say).
  HIMC other = ImmCreateContext();
  ImmAssociateContext(window_.get(), other);
  Send(VK_SHIFT, true);
  ImmAssociateContext(window_.get(), himc_);
  ImmDestroyContext(other);
  EXPECT_EQ(English(), english) << "released in another context";
}

TEST_F(KeyHookTest, ACombinationKeyNoHotKeyTookRunsOnceAndStaysFromTheHost) {
  DmeConfigBlock* dme = Context()->dmeBlock;
  dme->combinationCount = 1;
  dme->combinations[0] = {kKeyCtrl | 'J', 0, KeyFunction::kEnglishToggle};
  const bool english = English();
  Down(VK_CONTROL);
  Send('J', false);
  Send('J', true);
  Send(VK_CONTROL, true);
  EXPECT_NE(English(), english);
  EXPECT_EQ(std::count(window_.keyDowns.begin(), window_.keyDowns.end(), 'J'), 0);

  // Held by a UI window as a hot key, the key is the UI window's to run.
  ASSERT_EQ(RegisterImeHotKeys(window_.get(), Context()), 1);
  Down(VK_CONTROL);
  Send('J', false);
  Send('J', true);
  Send(VK_CONTROL, true);
  UnregisterImeHotKeys(window_.get());
  EXPECT_NE(English(), english) << "no second run beside WM_HOTKEY";
}

TEST_F(KeyHookTest, HooksGoBeforeTheModuleUnloadsAndComeBackWithTheNextKey) {
  const bool english = English();
  Down(VK_SHIFT);
  ImeDestroy(0);
  Send(VK_SHIFT, true);
  EXPECT_EQ(English(), english) << "no hook left";
  os_.tickMs = 2000;
  Down(VK_F11);
  Send(VK_F11, true);
  Down(VK_SHIFT);
  Send(VK_SHIFT, true);
  EXPECT_NE(English(), english);
}

}  // namespace
}  // namespace zn::test
