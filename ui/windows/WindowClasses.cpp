// Registration of the module's window classes.
#include "ui/windows/WindowClasses.h"

#include <cstdint>

#include "ui/windows/DictWindow.h"
#include "ui/windows/SoftKeyboardWindow.h"
#include "ui/windows/TipsWindow.h"

namespace {

constexpr UINT kSkinClassStyle = CS_IME | CS_HREDRAW | CS_VREDRAW;
constexpr int kSkinWindowExtraBytes = 12;

const wchar_t* const kSkinClasses[] = {kCandidateWindowClass, kStatusWindowClass,
                                       kSoftKeyboardWindowClass, kTipsWindowClass,
                                       kDictionaryWindowClass};

}  // namespace

int RegisterSkinWindowClasses(HINSTANCE instance, WNDPROC uiWindowProc) {
  // One record, reused with only the procedure and the name changed.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = kSkinClassStyle;
  wc.cbWndExtra = kSkinWindowExtraBytes;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  const WNDPROC procs[] = {CandidateWindowProc, StatusWindowProc, SoftKeyboardWindowProc,
                           TipsWindowProc, DictWindowProc};
  for (int i = 0; i < 5; ++i) {
    wc.lpfnWndProc = procs[i];
    wc.lpszClassName = kSkinClasses[i];
    if (!RegisterClassExW(&wc)) return 0;
  }
  if (uiWindowProc) {
    // IMM32 keeps the input context and one private pointer in these slots.
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.lpfnWndProc = uiWindowProc;
    wc.lpszClassName = kImeUiWindowClass;
    if (!RegisterClassExW(&wc)) return 0;
  }
  return 1;
}

void UnregisterSkinWindowClasses(HINSTANCE instance) {
  for (const wchar_t* name : kSkinClasses) UnregisterClassW(name, instance);
  UnregisterClassW(kImeUiWindowClass, instance);
}
