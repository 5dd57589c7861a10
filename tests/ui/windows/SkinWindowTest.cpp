// The real windows under the virtual display: classes, fonts, the candidate
// window and the status bar drawn from the shipped skin and read back from
// the screen, and clicks that reach the front end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/ShippedSkins.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/SkinWindows.h"
#include "ui/windows/StatusWindow.h"
#include "ui/windows/WindowClasses.h"

using namespace zn::test;

namespace {

void RegisterOnce() { ASSERT_TRUE(RegisterTestClasses()); }

std::wstring ShippedSkin(const wchar_t* file) {
  std::wstring path = L"Z:";
  for (const char* p = ZN_TEST_TESSEL_UNIX; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path + L"\\" + file;
}

// The screen pixels of a window, as 0x00RRGGBB.
std::vector<uint32_t> ReadScreen(HWND window, SIZE* size) {
  RECT r;
  GetWindowRect(window, &r);
  *size = {r.right - r.left, r.bottom - r.top};
  std::vector<uint32_t> pixels(static_cast<size_t>(size->cx) * size->cy);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), size->cx, -size->cy, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, size->cx, size->cy, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t*>(bits)[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

void LoadShipped(TestContext& c) {
  FreeSkin(&c.images());
  ASSERT_EQ(LoadSkinArchive(&c.values(), &c.images(), ShippedSkin(L"skin.col").c_str()), 1);
}

POINT Centre(const SkinItem& item) {
  return {item.x + item.width / 2, item.y + item.height / 2};
}

void Click(HWND window, POINT at) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  if (IsWindow(window)) SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

}  // namespace

TEST(SkinWindows, ClassesAndFonts) {
  RegisterOnce();
  const HINSTANCE self = GetModuleHandleW(nullptr);
  for (const wchar_t* name : {kCandidateWindowClass, kStatusWindowClass, kSoftKeyboardWindowClass,
                              kTipsWindowClass, kDictionaryWindowClass}) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(self, name, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_IME | CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.cbWndExtra, 12);
  }
  WNDCLASSEXW ui{};
  ui.cbSize = sizeof(ui);
  ASSERT_TRUE(GetClassInfoExW(self, kImeUiWindowClass, &ui));
  EXPECT_EQ(ui.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR)));
  EXPECT_EQ(ui.lpfnWndProc, TestUiProc);

  // Columns from the left: a face without a vertical form is turned itself.
  TestContext c;
  c.skinBlock().appearanceFlags = 0x10 | 0x8000;
  wcscpy(c.skinBlock().candidateFont.face, L"NoSuchFaceAnywhere");
  c.skinBlock().candidateFont.sizePixels = -16;
  wcscpy(c.skinBlock().codeFont.face, L"宋体");
  CandidateFonts fonts{};
  CreateCandidateFonts(c.get(), &fonts, nullptr, nullptr);
  ASSERT_NE(fonts.candidateFont, nullptr);
  ASSERT_NE(fonts.uprightFont, fonts.candidateFont);
  LOGFONTW turned{};
  GetObjectW(fonts.candidateFont, sizeof(turned), &turned);
  EXPECT_STREQ(turned.lfFaceName, L"NoSuchFaceAnywhere");
  EXPECT_EQ(turned.lfEscapement, 2700);
  LOGFONTW upright{};
  GetObjectW(fonts.uprightFont, sizeof(upright), &upright);
  EXPECT_EQ(upright.lfEscapement, 0);
  // A face with a vertical form uses it.
  wcscpy(c.skinBlock().candidateFont.face, L"宋体");
  CreateCandidateFonts(c.get(), &fonts, nullptr, nullptr);
  GetObjectW(fonts.candidateFont, sizeof(turned), &turned);
  EXPECT_STREQ(turned.lfFaceName, FontFaceExists(L"@宋体") ? L"@宋体" : L"宋体");
  c.skinBlock().appearanceFlags = 0x8000;
  CreateCandidateFonts(c.get(), &fonts, nullptr, nullptr);
  EXPECT_EQ(fonts.uprightFont, fonts.candidateFont);
  DeleteCandidateFonts(&fonts);
  EXPECT_EQ(fonts.candidateFont, nullptr);

  LOGFONTW composition{};
  composition.lfHeight = -20;
  wcscpy(composition.lfFaceName, L"宋体");
  MeasureFontCharSize(c.get(), composition);
  EXPECT_GT(c->charCell.cx, 0);
  EXPECT_GE(c->charCell.cy, 20 + 8);
}

TEST(SkinWindows, CandidateWindowShowsTheSkinAndTakesClicks) {
  RegisterOnce();
  TestContext c;
  LoadShipped(c);
  ScopedTargets targets;
  c.SetComposition(L"ggll");
  c.SetPage({L"五笔", L"王", L"一", L"工", L"式"}, 20);
  c->caretPosition = {200, 150};
  HWND window = CreateCandidateWindow(c.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CreateCandidateWindow(c.get()), window);
  RelayoutCandidateWindow(window);
  ShowCandidateWindow(window);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_LAYERED);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_GT(r.top, 150);

  SIZE size;
  std::vector<uint32_t> pixels = ReadScreen(window, &size);
  ASSERT_EQ(size.cx, c->candidateWindow.size.cx);
  size_t background = 0;
  size_t dark = 0;
  for (uint32_t p : pixels) {
    if (p == 0xFAFBFD) ++background;  // the shipped skin's panel colour
    if (((p >> 16) & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80) ++dark;
  }
  EXPECT_GT(background, pixels.size() / 3);
  EXPECT_GT(dark, 20u);  // text was drawn

  // A click on the second candidate commits number 2; the page buttons page.
  Click(window, Centre(c.candidate().items[kItemFirstWord + 1]));
  EXPECT_EQ(targets.imm.commands.back(), (RecordedCommand{kCommandCommitCandidate, 2, 0}));
  const SkinItem& next = c.candidate().items[kItemNextPage];
  ASSERT_EQ(next.state, kItemNormal);
  Click(window, Centre(next));
  EXPECT_EQ(targets.imm.commands.back(), (RecordedCommand{kCommandNextPage, 0, 0}));
  // The previous-page button is disabled on the first page: no command.
  const size_t before = targets.imm.commands.size();
  Click(window, Centre(c.candidate().items[kItemPreviousPage]));
  EXPECT_EQ(targets.imm.commands.size(), before);

  // Hovering a candidate gives it the hover look.
  const POINT over = Centre(c.candidate().items[kItemFirstWord + 2]);
  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
  EXPECT_EQ(c->candidateWindow.hoveredItem, kIdFirstSlot + 2);
  EXPECT_EQ(c.candidate().items[kItemFirstWord + 2].state, kItemHover);

  // An empty page without a code hides the window.
  c.SetComposition(L"");
  c.SetPage({});
  RelayoutCandidateWindow(window);
  ShowCandidateWindow(window);
  EXPECT_FALSE(IsWindowVisible(window));
  DestroyWindow(window);
  EXPECT_EQ(c->candidateWindow.window, nullptr);
}

TEST(SkinWindows, StatusBarShowsStateAndSendsCommands) {
  RegisterOnce();
  TestContext c;
  ScopedTargets targets;
  // Without a bar picture there is no status bar.
  EXPECT_EQ(RequestStatusWindow(c.get()), nullptr);
  LoadShipped(c);
  HWND bar = RequestStatusWindow(c.get());
  ASSERT_NE(bar, nullptr);
  UpdateStatusWindow(bar);
  EXPECT_TRUE(IsWindowVisible(bar));
  // Default corner 6 (bottom right) of the display's work area, written back.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r;
  GetWindowRect(bar, &r);
  EXPECT_EQ(r.right, work.right);
  EXPECT_EQ(r.bottom, work.bottom);
  EXPECT_EQ(c.skinBlock().statusX, r.left);
  EXPECT_EQ(c.skinBlock().statusY, r.top);

  SIZE size;
  std::vector<uint32_t> pixels = ReadScreen(bar, &size);
  size_t background = 0;
  for (uint32_t p : pixels) background += p == 0xFAFBFD;
  EXPECT_GT(background, pixels.size() / 4);

  const SkinItem* items = c.status().items;
  Click(bar, Centre(items[kStatusWidth]));
  Click(bar, Centre(items[kStatusPunctuation]));
  Click(bar, Centre(items[kStatusChineseEnglish]));
  Click(bar, Centre(items[kStatusSoftKeyboard]));
  c->stateFlags = kStateFullWidth | kStateInputClosed;
  Click(bar, Centre(items[kStatusWidth]));
  Click(bar, Centre(items[kStatusChineseEnglish]));
  Click(bar, Centre(items[kStatusFlag]));  // the logo does nothing
  EXPECT_EQ(targets.imm.commands, (std::vector<RecordedCommand>{
                                      {kCommandFullWidth, 0, 0},
                                      {kCommandEnglishPunctuation, 0, 0},
                                      {kCommandEnglishInput, 0, 0},
                                      {kCommandSoftKeyboard, 0, 0},
                                      {kCommandHalfWidth, 0, 0},
                                      {kCommandChineseInput, 0, 0}}));
  // A released button keeps the hover look.
  EXPECT_EQ(c->statusWindow.hoveredItem, kIdFlag);

  // Dragging from empty bar area moves the bar and stores the place.
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(2 - 300), static_cast<WORD>(2 - 200)));
  SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  GetWindowRect(bar, &r);
  EXPECT_EQ(c.skinBlock().statusX, r.left);
  EXPECT_EQ(r.left, c->statusWindow.position.x);
  EXPECT_LT(r.left, work.right - 250);
  DestroyWindow(bar);
  EXPECT_EQ(c->statusWindow.window, nullptr);
}
