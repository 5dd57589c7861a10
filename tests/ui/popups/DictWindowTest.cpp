// The dictionary window: opened for a hovered candidate only with dict.dms,
// showing the entry's summary, placed beside the candidate window, its link
// to the mini dictionary (quoted, refused on the secure desktop), its
// resize corner, and its closing.
#include <gtest/gtest.h>

#include <string>

#include "codetable/DmsText.h"
#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "frontend/windows/SkinnedImeWindows.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"
#include "tests/ui/popups/PopupTestSupport.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/DictWindow.h"
#include "ui/windows/SkinWindows.h"

using namespace zn::test;

namespace {

class DictWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterTestClasses());
    c->effects = &effects;
    c->os = &os;
    os.values[L"InstallLocation"] = L"C:\\zin";
    wcscpy(c->productKey, os.productKey.c_str());
    c.SetPage({L"中国", L"汉字", L"a\"/showurl x"});
  }
  void TearDown() override {
    DestroyDictWindow(c.get());
    c->files[kFileDictionary] = nullptr;
    CloseMappedFile(dict_, 0);
  }
  void OpenDict(const std::vector<DmsTextEntry>& entries) {
    const std::wstring path = dir_.File(L"dict.dms");
    ASSERT_EQ(WriteDmsTable(path.c_str(), entries), DmsBuildResult::kDone);
    ASSERT_GT(OpenMappedFile(&dict_, path.c_str()), 0);
    c->files[kFileDictionary] = dict_;
  }
  static HWND Edit(HWND window) { return FindWindowExW(window, nullptr, L"RichEdit20W", nullptr); }

  TestContext c;
  FakeEffects effects;
  FakeOs os;
  TempDir dir_;
  MappedFile* dict_ = nullptr;
};

TEST_F(DictWindowTest, NothingOpensWithoutTheDictionary) {
  EXPECT_EQ(RequestDictWindow(c.get(), 0), nullptr);
  EXPECT_EQ(c->dictionaryWindow.window, nullptr);
}

TEST_F(DictWindowTest, AHoveredCandidateShowsItsEntryOnce) {
  OpenDict({{L"中国", L"zhōng guó\r\n国名\r\n \r\n详细解释"}});
  HWND window = RequestDictWindow(c.get(), 0);
  ASSERT_NE(window, nullptr);
  ExpectClassAndTitle(window, L"RURUDIDU_DICT", L"public_dict");
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(WindowSizeOf(window).cx, 130);
  EXPECT_EQ(WindowSizeOf(window).cy, 160);
  EXPECT_STREQ(DictWindowText(window), L"zhōng guó\r\n国名");
  HWND edit = Edit(window);
  ASSERT_NE(edit, nullptr);
  EXPECT_GT(GetWindowTextLengthW(edit), 8);
  RECT r;
  GetWindowRect(edit, &r);
  EXPECT_EQ(r.right - r.left, 130 - 16);
  EXPECT_EQ(r.bottom - r.top, 160 - 38);
  // The same candidate again does not reload the text.
  wcscpy(c->pageSlots[0].text, L"汉字");
  EXPECT_EQ(RequestDictWindow(c.get(), 0), window);
  EXPECT_STREQ(DictWindowText(window), L"zhōng guó\r\n国名");
  // Another one without an entry shows only the word.
  EXPECT_EQ(RequestDictWindow(c.get(), 1), window);
  EXPECT_STREQ(DictWindowText(window), L"汉字");
  // An empty slot opens nothing new.
  EXPECT_EQ(RequestDictWindow(c.get(), 7), nullptr);
}

TEST_F(DictWindowTest, OpensBesideTheHoveredWord) {
  OpenDict({{L"中国", L"x"}});
  HWND candidate = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 300, 200, 200, 150,
                                   nullptr, nullptr, nullptr, nullptr);
  c->candidateWindow.window = candidate;
  c->candidateWindow.position = POINT{300, 200};
  c->candidateWindow.size = SIZE{200, 150};
  c.candidate().items[kItemFirstWord + 1].x = 20;
  c.candidate().items[kItemFirstWord + 1].y = 45;
  c.skinBlock().appearanceFlags = 0x1;  // one candidate per line
  FakeScreen screen = SingleScreen();
  HWND window = ShowDictWindow(c.get(), 1, screen);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 505);
  EXPECT_EQ(r.top, 235);
  DestroyDictWindow(c.get());
  c.skinBlock().appearanceFlags = 0x8;  // in a row: below the word
  window = ShowDictWindow(c.get(), 1, screen);
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 310);
  EXPECT_EQ(r.top, 355);
  c->candidateWindow.window = nullptr;
  DestroyWindow(candidate);
}

TEST_F(DictWindowTest, TheLinkOpensTheMiniDictionaryWithTheWordQuoted) {
  OpenDict({{L"中国", L"x"}});
  HWND window = RequestDictWindow(c.get(), 2);
  ASSERT_NE(window, nullptr);
  SendClick(window, {20, 150});
  ASSERT_EQ(effects.programs.size(), 1u);
  const std::wstring launched = effects.programs[0];
  EXPECT_NE(launched.find(L"config.exe"), std::wstring::npos) << launched;
  EXPECT_NE(launched.find(L"/dict"), std::wstring::npos) << launched;
  EXPECT_EQ(launched.find(L"/showurl"), std::wstring::npos) << "the word cannot add a switch";
  EXPECT_EQ(launched.find(L"a\"/"), std::wstring::npos) << launched;
  // Clicks elsewhere start nothing; on the secure desktop the link does not either.
  SendClick(window, {60, 60});
  SendClick(window, {125, 155});
  SetLaunchesRefused(c.get(), true);
  SendClick(window, {20, 150});
  EXPECT_EQ(effects.programs.size(), 1u);
}

TEST_F(DictWindowTest, TheCornerResizesAndTheTimerCloses) {
  OpenDict({{L"中国", L"x"}});
  HWND window = RequestDictWindow(c.get(), 0);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(125, 155));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(155, 185));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(155, 185));
  EXPECT_EQ(WindowSizeOf(window).cx, 160);
  EXPECT_EQ(WindowSizeOf(window).cy, 190);
  EXPECT_EQ(c->dictionaryWindow.size.cx, 160);
  RECT r;
  GetWindowRect(Edit(window), &r);
  EXPECT_EQ(r.right - r.left, 160 - 16);
  // The mouse left the candidate window: 500 ms later the window goes.
  ScheduleDictWindowClose(c.get());
  EXPECT_TRUE(KillTimer(window, 1));
  KeepDictWindow(c.get());
  EXPECT_FALSE(KillTimer(window, 1));
  SendMessageW(window, WM_TIMER, 1, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(c->dictionaryWindow.window, nullptr);
  // Shown again, it has its first size again.
  window = RequestDictWindow(c.get(), 0);
  EXPECT_EQ(WindowSizeOf(window).cx, 130);
}

TEST_F(DictWindowTest, ACandidateRelayoutOrItsHidingDestroysIt) {
  OpenDict({{L"中国", L"x"}});
  ImeWindows& windows = ModuleImeWindows();
  c.SetComposition(L"zg");
  windows.ShowCandidateWindow(c.get());
  HWND candidate = c->candidateWindow.window;
  ASSERT_NE(candidate, nullptr);
  HWND dict = RequestDictWindow(c.get(), 0);
  ASSERT_NE(dict, nullptr);
  // The mouse leaving the candidate window starts the dictionary's timer.
  SendMessageW(candidate, WM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(KillTimer(dict, 1));
  windows.UpdateCandidateWindow(c.get());
  EXPECT_FALSE(IsWindow(dict)) << "a relayout shows another page";
  dict = RequestDictWindow(c.get(), 0);
  windows.HideCandidateWindow(c.get());
  EXPECT_FALSE(IsWindow(dict));
  windows.DestroyCandidateWindow(c.get());
}

}  // namespace
