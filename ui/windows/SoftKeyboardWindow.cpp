// Creating, placing and drawing the soft keyboard.
#include "ui/windows/SoftKeyboardWindow.h"

#include <cstring>

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/LayeredDraw.h"
#include "ui/windows/WindowClasses.h"

namespace {

constexpr int kPictureId = 129;
constexpr COLORREF kTextColour = 0x00001E;
constexpr COLORREF kLight = 0xC8FFFF;
constexpr COLORREF kDark = 0x535353;
constexpr COLORREF kLockDark = 0x7B7B7B;

RECT StatusRect(const ImeContext* context) {
  const ImeWindowState& s = context->statusWindow;
  return RECT{s.position.x, s.position.y, s.position.x + s.size.cx, s.position.y + s.size.cy};
}

void DrawCharacter(HDC dc, wchar_t c, RECT rect, UINT align) {
  if (c == 0 || c == L' ') return;
  DrawTextW(dc, &c, 1, &rect, DT_SINGLELINE | DT_NOPREFIX | DT_RIGHT | align);
}

}  // namespace

HWND ShowSoftKeyboard(ImeContext* context, const ScreenInfo& screen) {
  if (!context) return nullptr;
  ImeWindowState& w = context->softKeyboardWindow;
  if (w.position.x == 0 && w.position.y == 0) {
    const HWND status = context->statusWindow.window;
    const RECT statusRect = StatusRect(context);
    const bool statusShown = status && IsWindow(status) && IsWindowVisible(status);
    // The monitor the user types on.
    const RECT work = screen.WorkAreaNearest(context->caretPosition);
    w.position = DefaultSoftKeyboardPosition(work, statusShown ? &statusRect : nullptr);
  }
  w.size = SIZE{kSoftKeyboardWidth, kSoftKeyboardHeight};
  if (!w.window || !IsWindow(w.window)) {
    w.window = CreateWindowExW(WS_EX_TOOLWINDOW, kSoftKeyboardWindowClass, L"skbd",
                               WS_POPUP | WS_DISABLED, w.position.x, w.position.y,
                               kSoftKeyboardWidth, kSoftKeyboardHeight, context->hostWindow,
                               nullptr, EngineModule(), context);
    if (!w.window) return nullptr;
  }
  ShowWindow(w.window, SW_SHOWNOACTIVATE);
  InvalidateRect(w.window, nullptr, FALSE);
  return w.window;
}

void DestroySoftKeyboard(ImeContext* context) {
  if (!context) return;
  HWND window = context->softKeyboardWindow.window;
  if (window && IsWindow(window)) {
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
  }
  context->softKeyboardWindow.window = nullptr;
}

void PaintSoftKeyboard(const ImeContext* context, HDC dc) {
  if (!context) return;
  HBITMAP picture = LoadBitmapW(EngineModule(), MAKEINTRESOURCEW(kPictureId));
  if (picture) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, picture);
    BitBlt(dc, 0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(picture);
  }
  const ImeWindowState& w = context->softKeyboardWindow;
  const bool shiftLock = w.layoutState[kSoftKeyboardShiftLock] != 0;
  if (shiftLock) DrawLine(dc, SoftKeyRects[kSoftKeyShift], kLockDark, kLight);

  HFONT font = CreateFontW(-12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH, L"Calibri");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetTextColor(dc, kTextColour);
  SetBkMode(dc, TRANSPARENT);
  for (int position = 0; position < kSoftKeyPositions; ++position) {
    RECT r = SoftKeyRects[position];
    r.right -= 1;
    r.bottom -= 1;
    wchar_t pair[2];
    std::memcpy(pair, context->softKeyboardMap + 4 * position, sizeof pair);
    DrawCharacter(dc, pair[1], r, DT_TOP);
    DrawCharacter(dc, pair[0], r, DT_BOTTOM);
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);

  // The Shift key keeps its locked frame while it is hovered.
  const int hovered = w.hoveredItem;
  if (hovered >= 0 && hovered < kSoftKeyRectCount && !(hovered == kSoftKeyShift && shiftLock)) {
    DrawLine(dc, SoftKeyRects[hovered], kLight, kDark);
  }
  if (w.pressedItem >= 0 && w.pressedItem < kSoftKeyRectCount) {
    DrawLine(dc, SoftKeyRects[w.pressedItem], kDark, kLight);
  }
}
