// The soft keyboard's procedure: hover and press frames, dragging, Shift
// lock, the menu and close spots, and clicks that type their key.
#include <windowsx.h>

#include "engine/Effects.h"
#include "engine/ImeContext.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/Menus.h"
#include "ui/windows/Placement.h"
#include "ui/windows/PopupWindow.h"
#include "ui/windows/SoftKeyboardWindow.h"
#include "ui/windows/WindowCommands.h"

namespace {

void InvalidateKey(HWND window, int key) {
  if (key >= 0 && key < kSoftKeyRectCount) InvalidateRect(window, &SoftKeyRects[key], FALSE);
}

// A hit with Ctrl and Alt taken out: they count as nothing.
int Active(int hit) { return IsInertSoftKey(hit) ? kSoftKeyOutside : hit; }

uint8_t ScanCode(uint8_t vk) { return static_cast<uint8_t>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)); }

// One click of a key, as the keyboard would send it; with Shift locked the
// key is wrapped in Shift down and up.
void SendKey(ImeContext* context, uint8_t vk, bool shiftLock) {
  Effects& effects = ContextEffects(context);
  // Insert and Delete are the extended keys, not the keypad's.
  const uint32_t extended = (vk == VK_INSERT || vk == VK_DELETE) ? KEYEVENTF_EXTENDEDKEY : 0;
  if (shiftLock) effects.SendKeyEvent(VK_SHIFT, ScanCode(VK_SHIFT), KEYEVENTF_EXTENDEDKEY);
  effects.SendKeyEvent(vk, ScanCode(vk), extended);
  effects.SendKeyEvent(vk, ScanCode(vk), extended | KEYEVENTF_KEYUP);
  if (shiftLock) {
    effects.SendKeyEvent(VK_SHIFT, ScanCode(VK_SHIFT), KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
  }
}

void OnMouseMove(HWND window, ImeContext* context, WPARAM keys, POINT at,
                 const ScreenInfo& screen) {
  ImeWindowState& w = context->softKeyboardWindow;
  if ((keys & MK_LBUTTON) && w.pressedItem == kSoftKeyNoHit) {
    POINT cursor = at;
    ClientToScreen(window, &cursor);
    const POINT wanted{cursor.x - w.dragOrigin.x, cursor.y - w.dragOrigin.y};
    const POINT p = ClampIntoWork(wanted, w.size, screen.WorkAreaNearest(cursor), 0);
    SetWindowPos(window, nullptr, p.x, p.y, kSoftKeyboardWidth, kSoftKeyboardHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    w.position = p;
    w.layoutState[kSoftKeyboardMoved] = 1;
    return;
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  const int raw = HitTestSoftKey(at);
  const int hit = Active(raw);
  if (hit != w.hoveredItem) {
    InvalidateKey(window, w.hoveredItem);
    InvalidateKey(window, hit);
    w.hoveredItem = hit;
  }
  if (raw == kSoftKeyOutside && w.pressedItem == kSoftKeyNoHit) {
    w.hoveredItem = kSoftKeyNoHit;
    if (GetCapture() == window) ReleaseCapture();
  }
}

void OnLeftDown(HWND window, ImeContext* context, POINT at) {
  ImeWindowState& w = context->softKeyboardWindow;
  w.dragOrigin = at;  // the window has no frame: client is window coordinates
  w.layoutState[kSoftKeyboardMoved] = 0;
  const int raw = HitTestSoftKey(at);
  if (raw == kSoftKeyOutside) {
    // A click elsewhere while the mouse was held: let it go.
    w.pressedItem = kSoftKeyOutside;
    if (GetCapture() == window) ReleaseCapture();
    return;
  }
  w.pressedItem = Active(raw);
  InvalidateKey(window, w.pressedItem);
}

void OnLeftUp(HWND window, ImeContext* context, POINT at) {
  ImeWindowState& w = context->softKeyboardWindow;
  const int pressed = w.pressedItem;
  w.pressedItem = kSoftKeyNoHit;
  InvalidateKey(window, pressed);
  if (w.layoutState[kSoftKeyboardMoved]) {
    w.layoutState[kSoftKeyboardMoved] = 0;
    return;
  }
  if (pressed < 0 || Active(HitTestSoftKey(at)) != pressed) return;
  // The commands below may destroy this window: nothing of it is used after.
  if (pressed == kSoftKeyCloseSpot) {
    ExecuteMenuCommand(context, kCommandSoftKeyboard, kSoftKeyboardFromMenu, 0);
  } else if (pressed == kSoftKeyMenuSpot) {
    ShowSoftKeyboardMenu(context, window);
  } else if (pressed < kSoftKeyCount) {
    const uint8_t vk = SoftKeyVirtualKeys[pressed];
    if (vk == VK_LSHIFT) {
      w.layoutState[kSoftKeyboardShiftLock] = !w.layoutState[kSoftKeyboardShiftLock];
      InvalidateKey(window, kSoftKeyShift);
    } else {
      SendKey(context, vk, w.layoutState[kSoftKeyboardShiftLock] != 0);
    }
  }
}

void OnPaint(HWND window, const ImeContext* context) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  // Drawn off screen first, so keys never flicker while hovered.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, kSoftKeyboardWidth, kSoftKeyboardHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PaintSoftKeyboard(context, memory);
  BitBlt(dc, 0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK SoftKeyboardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    KeepPopupContext(window, lParam);
    ImeContext* context = WindowContext(window);
    if (context) {
      ImeWindowState& w = context->softKeyboardWindow;
      w.hoveredItem = kSoftKeyNoHit;
      w.pressedItem = kSoftKeyNoHit;
      w.layoutState[kSoftKeyboardMoved] = 0;
    }
    return 0;
  }
  ImeContext* context = WindowContext(window);
  if (!context) return DefWindowProcW(window, message, wParam, lParam);
  ImeWindowState& w = context->softKeyboardWindow;
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT:
      OnPaint(window, context);
      return 0;
    case WM_SETCURSOR:
      // The keyboard never takes the focus: the mouse is captured instead.
      w.hoveredItem = kSoftKeyNoHit;
      w.pressedItem = kSoftKeyNoHit;
      InvalidateRect(window, nullptr, FALSE);
      SetCapture(window);
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    case WM_SHOWWINDOW:
      if (!wParam && GetCapture() == window) ReleaseCapture();
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      OnMouseMove(window, context, wParam, at, DefaultScreen());
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftDown(window, context, at);
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(window, context, at);
      return 0;
    case WM_RBUTTONUP:
      ShowSoftKeyboardMenu(context, window);
      return 0;
    case WM_DESTROY:
      EndPopup(window, context, &context->softKeyboardWindow.window);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
