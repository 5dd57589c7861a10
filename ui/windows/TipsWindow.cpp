// The tips window: showing a tip, its timer, dragging it and its menu.
#include "ui/windows/TipsWindow.h"

#include <windowsx.h>

#include <cstdint>

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "engine/WideString.h"
#include "ui/popups/PopupGeometry.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/LayeredDraw.h"
#include "ui/windows/Menus.h"
#include "ui/windows/Placement.h"
#include "ui/windows/PopupWindow.h"
#include "ui/windows/WindowClasses.h"

namespace {

constexpr UINT_PTR kLifeTimer = 1;
constexpr COLORREF kFrame = 0x808080;
constexpr int kTextUnits = 128;

// Kept per window (its first extra slot) and freed with it.
struct TipsState {
  ~TipsState() {
    if (font) DeleteObject(font);
  }
  wchar_t text[kTextUnits] = {};
  int type = 0;
  HFONT font = nullptr;
  uint64_t shownAt = 0;
  bool pressed = false;
  POINT press{};
};

TipsState* StateOf(HWND window) { return PopupState<TipsState>(window); }

SIZE MeasureText(HFONT font, const wchar_t* text) {
  SIZE extent{0, 0};
  HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (!dc) return extent;
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32W(dc, text, static_cast<int>(BoundedLength(text, kTextUnits)), &extent);
  SelectObject(dc, old);
  DeleteDC(dc);
  return extent;
}

void OnPaint(HWND window, const TipsState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawLine(dc, client, kFrame, kFrame);
  HGDIOBJ old = SelectObject(dc, state.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, 0);
  DrawTextW(dc, state.text, -1, &client, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  SelectObject(dc, old);
  EndPaint(window, &paint);
}

void OnMouseMove(HWND window, ImeContext* context, TipsState& state, WPARAM keys, POINT at) {
  if ((keys & MK_LBUTTON) && state.pressed) {
    POINT cursor = at;
    ClientToScreen(window, &cursor);
    const SIZE size = context->tipsWindow.size;
    const POINT wanted{cursor.x - state.press.x, cursor.y - state.press.y};
    const POINT p = ClampIntoWork(wanted, size, DefaultScreen().WorkAreaNearest(cursor), 0);
    SetWindowPos(window, HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    context->tipsWindow.position = p;
    return;
  }
  RECT client;
  GetClientRect(window, &client);
  if (PtInRect(&client, at)) {
    // The tip stays while the mouse rests on it.
    KillTimer(window, kLifeTimer);
    return;
  }
  if (state.type >= 0) SetTimer(window, kLifeTimer, kPopupTimerMs, nullptr);
  if (GetCapture() == window) ReleaseCapture();
}

void CreateTips(HWND, const CREATESTRUCTW&, TipsState&) {}

bool HandleTips(HWND window, ImeContext* context, TipsState& state, UINT message, WPARAM wParam,
                LPARAM lParam, LRESULT* result) {
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT:
      OnPaint(window, state);
      return true;
    case WM_TIMER:
      if (wParam == kLifeTimer && state.type >= 0 &&
          TipLifeOver(state.shownAt, ContextOs(context).TickCount64())) {
        KillTimer(window, kLifeTimer);
        DestroyWindow(window);
      }
      return true;
    case WM_SETCURSOR:
      SetCapture(window);
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      *result = TRUE;
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(window, context, state, wParam, at);
      return true;
    case WM_LBUTTONDOWN:
      state.pressed = true;
      state.press = at;
      return true;
    case WM_LBUTTONUP:
      state.pressed = false;
      return true;
    case WM_RBUTTONDOWN:
      ShowInputStateMenu(context, window);
      return true;
    case WM_DESTROY:
      EndPopup(window, context, &context->tipsWindow.window);
      return true;
    default:
      return false;
  }
}

}  // namespace

HWND ShowTipsWindow(ImeContext* context, int x, int y, int type, const wchar_t* text) {
  if (!context) return nullptr;
  HWND window = context->tipsWindow.window;
  if (!window || !IsWindow(window)) {
    window = CreateWindowExW(WS_EX_TOOLWINDOW, kTipsWindowClass, L"tips", WS_POPUP | WS_DISABLED,
                             x, y, 0, 0, context->hostWindow, nullptr, EngineModule(), context);
    if (!window) return nullptr;
    if (!StateOf(window)) {
      DestroyWindow(window);
      return nullptr;
    }
    context->tipsWindow.window = window;
  }
  TipsState& state = *StateOf(window);
  state.shownAt = ContextOs(context).TickCount64();
  state.type = type;
  CopyStringBounded(state.text, kTextUnits, text ? text : L"");
  HFONT font = CreateFontW(TipsFontHeight(type), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
  if (font) {
    if (state.font) DeleteObject(state.font);
    state.font = font;
  }
  const SIZE size = TipWindowSize(MeasureText(state.font, state.text));
  context->tipsWindow.size = size;
  context->tipsWindow.position = POINT{x, y};
  SetWindowPos(window, HWND_TOP, x, y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(window, nullptr, TRUE);
  if (type >= 0) {
    SetTimer(window, kLifeTimer, kPopupTimerMs, nullptr);
  } else {
    KillTimer(window, kLifeTimer);
  }
  ReportPopupShown(context, true);
  return window;
}

LRESULT CALLBACK TipsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PopupProc<TipsState, CreateTips, HandleTips>(window, message, wParam, lParam);
}
