// The front ends' window facade over the real windows: show, update, hide,
// menus and destroying every window of a context.
#include <gtest/gtest.h>

#include "frontend/windows/SkinnedImeWindows.h"
#include "tests/ui/ShippedSkins.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/MenuIds.h"

using namespace zn::test;

TEST(WindowFacade, ShowsUpdatesHidesAndDestroysTheWindowsOfAContext) {
  ASSERT_TRUE(RegisterTestClasses());
  TestContext c;
  FreeSkin(&c.images());
  std::wstring skin = L"Z:";
  for (const char* p = ZN_TEST_TESSEL_UNIX; *p; ++p) skin += *p == '/' ? L'\\' : wchar_t(*p);
  ASSERT_EQ(LoadSkinArchive(&c.values(), &c.images(), (skin + L"\\night.col").c_str()), 1);
  ScopedTargets targets;
  SkinnedImeWindows& windows = static_cast<SkinnedImeWindows&>(ModuleImeWindows());

  // Updating windows that do not exist creates nothing.
  windows.UpdateCandidateWindow(c.get());
  windows.UpdateStatusWindow(c.get());
  EXPECT_EQ(c->candidateWindow.window, nullptr);
  EXPECT_EQ(c->statusWindow.window, nullptr);

  c.SetComposition(L"a");
  c.SetPage({L"工", L"式"});
  windows.ShowCandidateWindow(c.get());
  HWND candidate = c->candidateWindow.window;
  ASSERT_NE(candidate, nullptr);
  EXPECT_TRUE(IsWindowVisible(candidate));
  const LONG narrow = c->candidateWindow.size.cx;
  c.SetPage({L"工", L"式", L"戈", L"节节高升"});
  windows.UpdateCandidateWindow(c.get());
  EXPECT_GT(c->candidateWindow.size.cx, narrow);
  windows.HideCandidateWindow(c.get());
  EXPECT_FALSE(IsWindowVisible(candidate));
  windows.UpdateCandidateWindow(c.get());  // stays hidden
  EXPECT_FALSE(IsWindowVisible(candidate));

  windows.ShowStatusWindow(c.get());
  HWND status = c->statusWindow.window;
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(IsWindowVisible(status));
  c.ime().optionFlags |= 0x100;  // the user hid the status bar
  windows.ShowStatusWindow(c.get());
  EXPECT_FALSE(IsWindowVisible(status));

  HWND tips = windows.RequestTipsWindow(c.get(), 10, 10, 0, L"全");
  EXPECT_NE(tips, nullptr);
  EXPECT_EQ(c->tipsWindow.window, tips);
  EXPECT_EQ(windows.RequestDictWindow(c.get(), 0), nullptr) << "no dict.dms";
  {
    ScriptedTracker tracker(ZN_ID_ENTRY_DELETE);
    windows.TrackMenu(c.get(), ImeMenu::kCandidateEntry, candidate, 1);
    ScriptedTracker functions(ZN_ID_SETTINGS);
    windows.TrackMenu(c.get(), ImeMenu::kFunctions, status, 0);
    EXPECT_NE(functions.FindId(ZN_ID_CLOSE_STATUS), nullptr);  // opened from the status bar
  }
  EXPECT_EQ(targets.imm.commands, (std::vector<RecordedCommand>{{kCommandCandidateEntry, 1, 7},
                                                                {kCommandOpenSettings, 0, 0}}));

  windows.DestroyWindows(c.get());
  EXPECT_FALSE(IsWindow(candidate));
  EXPECT_FALSE(IsWindow(status));
  EXPECT_FALSE(IsWindow(tips));
  EXPECT_EQ(c->tipsWindow.window, nullptr);
  EXPECT_EQ(c->candidateWindow.window, nullptr);
  EXPECT_EQ(c->statusWindow.window, nullptr);
  EXPECT_EQ(c.candidate().background, nullptr);
}
