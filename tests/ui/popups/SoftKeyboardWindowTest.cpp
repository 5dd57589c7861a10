// The soft keyboard window under the virtual display: where it opens, what a
// click sends (recorded effects), Shift lock, the spots, dragging, and the
// picture it paints.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/ImeContext.h"
#include "frontend/windows/SkinnedImeWindows.h"
#include "tests/common/MemoryDib.h"
#include "tests/engine/FakeEffects.h"
#include "tests/ui/popups/PopupTestSupport.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/windows/SoftKeyboardWindow.h"

using namespace zn::test;

namespace {

POINT Centre(int key) {
  const RECT& r = SoftKeyRects[key];
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

uint32_t Key(uint8_t vk, uint32_t flags = 0) { return vk | (flags << 8); }

class SoftKeyboardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterTestClasses());
    c->effects = &effects;
    UseLayout(2);
  }
  void TearDown() override { DestroySoftKeyboard(c.get()); }

  void UseLayout(int layout) {
    c->stateFlags |= kStateSoftKeyboard;
    c->softKeyboardLayout = static_cast<uint32_t>(layout);
    std::memcpy(c->softKeyboardMap, &SoftKeyboardLayoutTable[layout - 1], kSoftKeyboardRowBytes);
  }
  HWND Show() { return ShowSoftKeyboard(c.get(), screen); }
  void Click(int key) { SendClick(window_, Centre(key)); }
  std::vector<uint32_t> Sent() {
    std::vector<uint32_t> keys;
    keys.swap(effects.keys);
    return keys;
  }

  TestContext c;
  FakeEffects effects;
  FakeScreen screen = SingleScreen();
  ScopedTargets targets;
  HWND window_ = nullptr;
};

TEST_F(SoftKeyboardWindowTest, OpensOnceAtTheCornerClearOfTheStatusBar) {
  window_ = Show();
  ASSERT_NE(window_, nullptr);
  EXPECT_EQ(Show(), window_) << "made once";
  ExpectClassAndTitle(window_, L"RURUDIDU_SKBD", L"skbd");
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  EXPECT_TRUE((style & WS_POPUP) && (style & WS_DISABLED));
  const LONG_PTR exStyle = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(exStyle & (WS_EX_TOPMOST | WS_EX_LAYERED));
  EXPECT_TRUE(IsWindowVisible(window_));
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.left, 1920 - 440);
  EXPECT_EQ(r.top, 1040 - 169);
  EXPECT_EQ(r.right - r.left, 440);
  EXPECT_EQ(r.bottom - r.top, 169);

  // Closed and opened again, the keyboard comes back where it was.
  DestroySoftKeyboard(c.get());
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(c->softKeyboardWindow.window, nullptr);
  c->softKeyboardWindow.position = POINT{300, 400};
  window_ = Show();
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.left, 300);
  DestroySoftKeyboard(c.get());

  // With the status bar in the bottom-right corner it opens at the left edge.
  HWND status = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 1800, 1000, 100, 30,
                                nullptr, nullptr, nullptr, nullptr);
  ShowWindow(status, SW_SHOWNOACTIVATE);
  c->statusWindow.window = status;
  c->statusWindow.position = POINT{1800, 1000};
  c->statusWindow.size = SIZE{100, 30};
  c->softKeyboardWindow.position = POINT{0, 0};
  window_ = Show();
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 1040 - 169);
  c->statusWindow.window = nullptr;
  DestroyWindow(status);
}

TEST_F(SoftKeyboardWindowTest, AClickSendsExactlyItsKeyAndShiftLockWrapsIt) {
  window_ = Show();
  Click(29);  // A
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{Key('A'), Key('A', KEYEVENTF_KEYUP)}));
  Click(kSoftKeyShift);
  EXPECT_TRUE(Sent().empty()) << "Shift only locks";
  EXPECT_NE(c->softKeyboardWindow.layoutState[kSoftKeyboardShiftLock], 0);
  Click(29);
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{Key(VK_SHIFT, KEYEVENTF_EXTENDEDKEY), Key('A'),
                                           Key('A', KEYEVENTF_KEYUP),
                                           Key(VK_SHIFT, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP)}));
  Click(kSoftKeyShift);
  EXPECT_EQ(c->softKeyboardWindow.layoutState[kSoftKeyboardShiftLock], 0);
  // Ctrl and Alt send nothing; Insert is the extended key.
  for (int key : {52, 54, 56, 59}) Click(key);
  EXPECT_TRUE(Sent().empty());
  Click(57);
  EXPECT_EQ(Sent(), (std::vector<uint32_t>{Key(VK_INSERT, KEYEVENTF_EXTENDEDKEY),
                                           Key(VK_INSERT, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP)}));
  // Pressed on one key, released on another: nothing.
  SendClick(window_, Centre(29), Centre(30));
  EXPECT_TRUE(Sent().empty());
  // Every key sends its own virtual key.
  for (int key = 0; key < kSoftKeyCount; ++key) {
    if (IsInertSoftKey(key) || key == kSoftKeyShift) continue;
    Click(key);
    const std::vector<uint32_t> sent = Sent();
    ASSERT_EQ(sent.size(), 2u) << key;
    EXPECT_EQ(sent[0] & 0xFF, SoftKeyVirtualKeys[key]) << key;
  }
}

TEST_F(SoftKeyboardWindowTest, DraggingMovesItAndTypesNothing) {
  window_ = Show();
  RECT before;
  GetWindowRect(window_, &before);
  // A press on the title strip (no key) drags; moves are in client
  // coordinates of the window where it stood.
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 5));
  SendMessageW(window_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, -40));
  SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(150, -40));
  RECT after;
  GetWindowRect(window_, &after);
  const RECT work = DefaultScreen().WorkAreaNearest(POINT{before.left + 150, before.top - 40});
  POINT expected{before.left - 50, before.top - 45};
  if (expected.x > work.right - 440) expected.x = work.right - 440;
  if (expected.y > work.bottom - 169) expected.y = work.bottom - 169;
  if (expected.x < work.left + 1) expected.x = work.left + 1;
  if (expected.y < work.top + 1) expected.y = work.top + 1;
  EXPECT_EQ(after.left, expected.x);
  EXPECT_EQ(after.top, expected.y);
  EXPECT_EQ(c->softKeyboardWindow.position.x, expected.x);
  EXPECT_TRUE(Sent().empty());
  // The next click types again.
  Click(15);
  EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(SoftKeyboardWindowTest, CloseAndMenuSpotsReachTheFrontEnd) {
  window_ = Show();
  Click(kSoftKeyCloseSpot);
  ASSERT_EQ(targets.imm.commands.size(), 1u);
  EXPECT_EQ(targets.imm.commands[0], (RecordedCommand{513, 22, 0}));
  ScriptedTracker tracker(40033);  // "&3   俄文字母"
  Click(kSoftKeyMenuSpot);
  EXPECT_EQ(tracker.tracked, 1);
  ASSERT_NE(tracker.Find(L"&13  特殊符号"), nullptr);
  EXPECT_TRUE(tracker.FindId(40032)->checked) << "the current layout is checked";
  ASSERT_EQ(targets.imm.commands.size(), 2u);
  EXPECT_EQ(targets.imm.commands[1], (RecordedCommand{513, 22, 3}));
  SendMessageW(window_, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(tracker.tracked, 2);
  EXPECT_TRUE(effects.keys.empty());
}

TEST_F(SoftKeyboardWindowTest, FacadeShowsTheKeyboardOnlyWhileItIsOn) {
  ImeWindows& windows = ModuleImeWindows();
  windows.ShowSoftKeyboard(c.get());
  HWND shown = c->softKeyboardWindow.window;
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(IsWindowVisible(shown));
  windows.HideSoftKeyboard(c.get());
  EXPECT_FALSE(IsWindow(shown)) << "switched off: hidden and destroyed";
  c->stateFlags &= ~kStateSoftKeyboard;
  windows.ShowSoftKeyboard(c.get());
  EXPECT_EQ(c->softKeyboardWindow.window, nullptr);
}

class SoftKeyboardPaintTest : public SoftKeyboardWindowTest {
 protected:
  // Pixels of a key's rectangle that differ between two pictures.
  static int Differing(const MemoryDib& a, const MemoryDib& b, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) n += (a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF);
    }
    return n;
  }
};

TEST_F(SoftKeyboardPaintTest, CharactersOfTheLayoutAndTheFrames) {
  MemoryDib blank(kSoftKeyboardWidth, kSoftKeyboardHeight);
  MemoryDib greek(kSoftKeyboardWidth, kSoftKeyboardHeight);
  std::memset(c->softKeyboardMap, 0, sizeof c->softKeyboardMap);
  PaintSoftKeyboard(c.get(), blank.dc());
  UseLayout(2);
  PaintSoftKeyboard(c.get(), greek.dc());
  EXPECT_GT(Differing(blank, greek, SoftKeyRects[15]), 10) << "alpha on Q";
  EXPECT_EQ(Differing(blank, greek, SoftKeyRects[1]), 0) << "Greek leaves the digits blank";
  EXPECT_EQ(Differing(blank, greek, SoftKeyRects[13]), 0);
  // The picture itself is there: caps differ from the panel between them.
  EXPECT_NE(blank.At(Centre(1).x, Centre(1).y), blank.At(31, 35));

  // Shift lock, hover and press frames (0x00BBGGRR colours as 0x00RRGGBB pixels).
  c->softKeyboardWindow.layoutState[kSoftKeyboardShiftLock] = 1;
  c->softKeyboardWindow.hoveredItem = 15;
  c->softKeyboardWindow.pressedItem = 29;
  PaintSoftKeyboard(c.get(), greek.dc());
  const RECT& shift = SoftKeyRects[kSoftKeyShift];
  EXPECT_EQ(greek.At(shift.left, shift.top) & 0xFFFFFF, 0x7B7B7Bu);
  EXPECT_EQ(greek.At(shift.right - 1, shift.bottom - 1) & 0xFFFFFF, 0xFFFFC8u);
  const RECT& q = SoftKeyRects[15];
  EXPECT_EQ(greek.At(q.left, q.top) & 0xFFFFFF, 0xFFFFC8u);
  EXPECT_EQ(greek.At(q.right - 1, q.bottom - 1) & 0xFFFFFF, 0x535353u);
  const RECT& a = SoftKeyRects[29];
  EXPECT_EQ(greek.At(a.left, a.top) & 0xFFFFFF, 0x535353u);
  EXPECT_EQ(greek.At(a.right - 1, a.bottom - 1) & 0xFFFFFF, 0xFFFFC8u);
}

}  // namespace
