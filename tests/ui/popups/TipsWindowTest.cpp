// The tips window: shown on request, closing by itself on the context's
// clock (timer ticks sent by hand), kept while the mouse rests on it, and
// its menu.
#include <gtest/gtest.h>

#include "engine/ImeContext.h"
#include "tests/engine/CoreTestData.h"
#include "tests/ui/popups/PopupTestSupport.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/SkinWindows.h"
#include "ui/windows/TipsWindow.h"

using namespace zn::test;

namespace {

class TipsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterTestClasses());
    c->os = &clock;
  }
  void TearDown() override { DestroyTipsWindow(c.get()); }

  // One tick of the tip's 500 ms timer, ms after the last one.
  void Tick(HWND window, uint64_t ms) {
    clock.tickMs += ms;
    if (IsWindow(window)) SendMessageW(window, WM_TIMER, 1, 0);
  }
  // Whether the window's timer runs (taking it away to look).
  static bool TimerRuns(HWND window) { return KillTimer(window, 1) != FALSE; }

  TestContext c;
  FakeOs clock;
};

TEST_F(TipsWindowTest, ATipClosesByItselfAfterSixTicks) {
  HWND window = RequestTipsWindow(c.get(), 200, 150, 1, L"全角");
  ASSERT_NE(window, nullptr);
  ExpectClassAndTitle(window, L"RURUDIDU_TIPS", L"tips");
  EXPECT_TRUE(IsWindowVisible(window));
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 150);
  // The text's extent plus 20 x 10; a 14-pixel font.
  const SIZE size = WindowSizeOf(window);
  EXPECT_EQ(size.cx, c->tipsWindow.size.cx);
  EXPECT_GE(size.cy, 14 + 10);
  EXPECT_LE(size.cy, 20 + 10);
  EXPECT_GT(size.cx, 20);
  for (int tick = 1; tick <= 5; ++tick) {
    Tick(window, 500);
    ASSERT_TRUE(IsWindow(window)) << "tick " << tick;
  }
  Tick(window, 500);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(c->tipsWindow.window, nullptr);
}

TEST_F(TipsWindowTest, ShowingAgainReusesTheWindowAndStartsItsLifeAgain) {
  HWND window = RequestTipsWindow(c.get(), 10, 10, 1, L"全角");
  const SIZE big = WindowSizeOf(window);
  clock.tickMs += 2000;
  EXPECT_EQ(RequestTipsWindow(c.get(), 10, 10, 2, L"全角"), window);
  EXPECT_LT(WindowSizeOf(window).cy, big.cy) << "type 2 is a 12-pixel font";
  EXPECT_EQ(RequestTipsWindow(c.get(), 10, 10, 0, L"全角"), window);
  EXPECT_GT(WindowSizeOf(window).cy, big.cy) << "other types use 20 pixels";
  Tick(window, 2500);
  EXPECT_TRUE(IsWindow(window));
  Tick(window, 500);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(TipsWindowTest, TheMouseKeepsItAndANegativeTypeStays) {
  HWND window = RequestTipsWindow(c.get(), 10, 10, 1, L"简");
  EXPECT_TRUE(TimerRuns(window));
  SetTimer(window, 1, 500, nullptr);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_FALSE(TimerRuns(window)) << "resting on the tip stops its timer";
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5));
  EXPECT_TRUE(TimerRuns(window)) << "leaving starts it again";

  window = RequestTipsWindow(c.get(), 10, 10, -1, L"常");
  EXPECT_FALSE(TimerRuns(window));
  Tick(window, 60000);
  EXPECT_TRUE(IsWindow(window)) << "kept until it is closed";
  EXPECT_EQ(DestroyTipsWindow(c.get()), 0);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(TipsWindowTest, RightClickOpensTheInputStateMenu) {
  ScopedTargets targets;
  ScriptedTracker tracker(40050);  // "英文标点"
  HWND window = RequestTipsWindow(c.get(), 10, 10, 1, L"中");
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(tracker.tracked, 1);
  EXPECT_NE(tracker.Find(L"中文输入"), nullptr);
  ASSERT_EQ(targets.imm.commands.size(), 1u);
  EXPECT_EQ(targets.imm.commands[0].code, 8195u);
}

}  // namespace
