// Small helpers of the popup window tests: a window's class, title and size,
// and mouse clicks sent as the window would receive them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

namespace zn::test {

// The window's class and title are the ones the system knows it by.
inline void ExpectClassAndTitle(HWND window, const wchar_t* className, const wchar_t* title) {
  wchar_t text[64];
  GetClassNameW(window, text, 64);
  EXPECT_STREQ(text, className);
  GetWindowTextW(window, text, 64);
  EXPECT_STREQ(text, title);
}

inline SIZE WindowSizeOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// Left button down at one client point and up at another (the window may be
// gone after the press).
inline void SendClick(HWND window, POINT down, POINT up) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
  if (IsWindow(window)) SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
}
inline void SendClick(HWND window, POINT at) { SendClick(window, at, at); }

}  // namespace zn::test
