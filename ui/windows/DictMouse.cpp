// The dictionary window's procedure: its rich-edit child, painting, dragging,
// the resize corner, the link to the mini dictionary and closing.
#include <windowsx.h>

#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/DictWindow.h"
#include "ui/windows/DictWindowState.h"
#include "ui/windows/LayeredDraw.h"
#include "ui/windows/Placement.h"
#include "ui/windows/PopupWindow.h"

namespace {

constexpr COLORREF kFrame = 0xA0A0A0;
constexpr COLORREF kLinkColour = 0xFF0000;  // blue
constexpr wchar_t kLinkText[] = L"查看详细解释...";

// Rich edit lives in its own library, loaded the first time a dictionary
// window is made and kept for the life of the process.
bool RichEditLoaded() {
  static const HMODULE library = LoadLibraryW(L"Riched20.dll");
  return library != nullptr;
}

HFONT MakeFont() {
  return CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     L"宋体");
}

SIZE WindowSize(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// The two fonts and the child that shows the entry.
void CreateDictRichEdit(HWND window, const CREATESTRUCTW& create, DictState& state) {
  state.linkFont = MakeFont();
  state.textFont = MakeFont();
  if (!RichEditLoaded()) return;
  // Read-only: the entry is for reading; its parent never takes input.
  state.edit = CreateWindowExW(0, L"RichEdit20W", nullptr,
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 8, 8, 114, 122,
                               window, nullptr, create.hInstance, nullptr);
  if (state.edit) SendMessageW(state.edit, WM_SETFONT, reinterpret_cast<WPARAM>(state.textFont), 0);
}

void OnPaint(HWND window, const DictState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawLine(dc, r, kFrame, kFrame);
  InflateRect(&r, -5, -5);
  RECT link{r.left, r.bottom - 15, r.right, r.bottom};
  HGDIOBJ oldFont = SelectObject(dc, state.linkFont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLinkColour);
  DrawTextW(dc, kLinkText, 9, &link, DT_END_ELLIPSIS | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  // The resize grip: four diagonal strokes in the corner.
  HPEN pen = CreatePen(PS_SOLID, 1, kFrame);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  for (int i = 0; i < 4; ++i) {
    MoveToEx(dc, r.right, r.bottom + 5 * i - 20, nullptr);
    LineTo(dc, r.right + 5 * i - 20, r.bottom);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  EndPaint(window, &paint);
}

void SetZoneCursor(DictMouseMode mode) {
  const wchar_t* cursor = mode == DictMouseMode::kResize ? IDC_SIZENWSE
                          : mode == DictMouseMode::kLink ? IDC_HAND
                                                         : IDC_ARROW;
  SetCursor(LoadCursorW(nullptr, cursor));
}

void OnMouseMove(HWND window, ImeContext* context, DictState& state, WPARAM keys, POINT at) {
  if ((keys & MK_LBUTTON) && state.pressed) {
    if (state.mode == DictMouseMode::kDrag) {
      POINT cursor = at;
      ClientToScreen(window, &cursor);
      const POINT p = DragPosition(cursor, state.press, WindowSize(window), DefaultScreen());
      SetWindowPos(window, HWND_TOPMOST, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
      context->dictionaryWindow.position = p;
    } else if (state.mode == DictMouseMode::kResize) {
      const SIZE s = DictResize(state.sizeAtPress, state.press, at);
      SetWindowPos(window, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      PlaceDictEdit(state, s);
      InvalidateRect(window, nullptr, TRUE);
    }
    return;
  }
  const SIZE size = WindowSize(window);
  SetZoneCursor(DictModeAt(at, size));
  if (at.x >= 0 && at.y >= 0 && at.x < size.cx && at.y < size.cy) {
    KillTimer(window, kDictCloseTimer);
    return;
  }
  SetTimer(window, kDictCloseTimer, kPopupTimerMs, nullptr);
  if (GetCapture() == window) ReleaseCapture();
}

// The link opens the full entry in config's mini dictionary. The word is
// quoted so that quotes or switches inside it stay part of the word.
void OpenMiniDictionary(ImeContext* context, HWND owner, const wchar_t* headword) {
  wchar_t argument[kLaunchParameterUnits];
  if (!QuoteLaunchWord(L"/dict", headword, argument, kLaunchParameterUnits)) return;
  LaunchConfigTool(context, owner, argument, ContextEffects(context));
}

void OnLeftUp(HWND window, ImeContext* context, DictState& state, POINT at) {
  if (!state.pressed) return;
  state.pressed = false;
  const SIZE size = WindowSize(window);
  if (state.mode == DictMouseMode::kLink && DictModeAt(at, size) == DictMouseMode::kLink &&
      at.x >= 0 && at.x < size.cx && at.y < size.cy) {
    OpenMiniDictionary(context, window, state.headword);
  } else if (state.mode == DictMouseMode::kResize) {
    context->dictionaryWindow.size = size;
  }
}

bool HandleDict(HWND window, ImeContext* context, DictState& state, UINT message, WPARAM wParam,
                LPARAM lParam, LRESULT* result) {
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT:
      OnPaint(window, state);
      return true;
    case WM_LBUTTONDOWN:
      state.pressed = true;
      state.press = at;
      state.sizeAtPress = WindowSize(window);
      state.mode = DictModeAt(at, state.sizeAtPress);
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(window, context, state, wParam, at);
      return true;
    case WM_LBUTTONUP:
      OnLeftUp(window, context, state, at);
      return true;
    case WM_TIMER:
      if (wParam == kDictCloseTimer) {
        KillTimer(window, kDictCloseTimer);
        DestroyWindow(window);
      }
      return true;
    case WM_SETCURSOR: {
      SetCapture(window);
      POINT cursor;
      GetCursorPos(&cursor);
      ScreenToClient(window, &cursor);
      SetZoneCursor(DictModeAt(cursor, WindowSize(window)));
      *result = TRUE;
      return true;
    }
    case WM_MOUSELEAVE:
      if (GetCapture() == window) ReleaseCapture();
      return true;
    case WM_DESTROY:
      KillTimer(window, kDictCloseTimer);
      EndPopup(window, context, &context->dictionaryWindow.window);
      return true;
    default:
      return false;
  }
}

}  // namespace

LRESULT CALLBACK DictWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PopupProc<DictState, CreateDictRichEdit, HandleDict>(window, message, wParam, lParam);
}
