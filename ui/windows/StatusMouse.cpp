// The status bar's procedure: hover and pressed looks, the buttons' state
// commands, its menus, and dragging the bar to a place it keeps.
#include <windowsx.h>

#include "engine/ImeContext.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/Menus.h"
#include "ui/windows/SkinWindowProc.h"
#include "ui/windows/StatusWindow.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"
#include "ui/windows/WindowCommands.h"

namespace {

constexpr DWORD kHoverMilliseconds = 1000;

int HitTest(const ImeContext* context, const StatusWindowState& state, POINT at) {
  return HitTestSkinButton(state.items, kSkinItemCount, context->statusWindow.size, at.x, at.y);
}

void OnLeftDown(HWND window, ImeContext* context, StatusWindowState& state, POINT at) {
  ImeWindowState& w = context->statusWindow;
  ClearSkinButtonState(state.items, kSkinItemCount, w.hoveredItem);
  w.hoveredItem = 0;
  const int hit = HitTest(context, state, at);
  if (hit > 0) {
    SetSkinButtonState(state.items, kSkinItemCount, hit, kItemPressed);
  } else {
    ClearSkinButtonState(state.items, kSkinItemCount, w.pressedItem);
  }
  w.pressedItem = hit;
  if (hit < 0) ReleaseCapture();
  w.dragOrigin = at;
  PaintStatusWindow(window);
}

void OnMouseMove(HWND window, ImeContext* context, StatusWindowState& state, WPARAM keys,
                 POINT at) {
  ImeWindowState& w = context->statusWindow;
  if ((keys & MK_LBUTTON) && (w.pressedItem == 0 || w.pressedItem == kIdFlag) &&
      w.dragOrigin.x != kNoDrag) {
    SkinConfigBlock* block = context->skinBlock;
    DragSkinWindow(window, context, &w, at, block ? &block->statusX : nullptr,
                   block ? &block->statusY : nullptr);
    return;
  }
  TrackLeaveAndHover(window, kHoverMilliseconds);
  const int before = w.hoveredItem;
  const int hit = HitTest(context, state, at);
  if (hit <= 0) {
    ClearSkinButtonState(state.items, kSkinItemCount, w.hoveredItem);
    w.hoveredItem = 0;
    if (hit < 0 && w.pressedItem <= 0) ReleaseCapture();
  } else if (hit != w.hoveredItem && hit != w.pressedItem) {
    SetSkinButtonState(state.items, kSkinItemCount, hit, kItemHover);
    w.hoveredItem = hit;
  }
  // Only a changed hover changes the picture: no push to the display for
  // every mouse move.
  if (w.hoveredItem != before) PaintStatusWindow(window);
}

// The command a released button stands for; false when it has none.
bool ButtonCommand(const ImeContext* context, int id, uint32_t* code, intptr_t* lParam) {
  const uint32_t state = context->stateFlags;
  *lParam = 0;
  switch (id) {
    case kIdWidth:
      *code = (state & kStateFullWidth) ? kCommandHalfWidth : kCommandFullWidth;
      return true;
    case kIdPunctuation:
      *code = (state & kStateEnglishPunct) ? kCommandChinesePunctuation
                                           : kCommandEnglishPunctuation;
      return true;
    case kIdSoftKeyboard:
      // wParam 0, layout 0: on with the last layout, or off.
      *code = kCommandSoftKeyboard;
      return true;
    case kIdChineseEnglish:
      if (state & kStateInputDisabled) return false;
      *code = (state & (kStateInputClosed | kStateEnglish)) ? kCommandChineseInput
                                                             : kCommandEnglishInput;
      return true;
    default:
      return false;
  }
}

void OnLeftUp(HWND window, ImeContext* context, StatusWindowState& state, POINT at) {
  ImeWindowState& w = context->statusWindow;
  const int pressed = w.pressedItem;
  const int hit = HitTest(context, state, at);
  w.dragOrigin.x = kNoDrag;
  if (hit > 0 && hit == pressed) {
    uint32_t code = 0;
    intptr_t lParam = 0;
    if (hit == kIdMenu) {
      ShowFunctionMenu(context, window);
    } else if (ButtonCommand(context, hit, &code, &lParam)) {
      ExecuteMenuCommand(context, code, 0, lParam);
    }
    // The command may have closed the bar.
    if (!IsWindow(window) || WindowContext(window) != context) return;
  }
  ClearSkinButtonState(state.items, kSkinItemCount, pressed);
  w.pressedItem = 0;
  if (hit > 0) {
    SetSkinButtonState(state.items, kSkinItemCount, hit, kItemHover);
    w.hoveredItem = hit;
  } else {
    w.hoveredItem = 0;
  }
  PaintStatusWindow(window);
}

void OnRightDown(HWND window, ImeContext* context, StatusWindowState& state, POINT at) {
  ImeWindowState& w = context->statusWindow;
  const int hit = HitTest(context, state, at);
  ClearSkinButtonState(state.items, kSkinItemCount, w.pressedItem);
  w.pressedItem = 0;
  PaintStatusWindow(window);
  if (hit == kIdSoftKeyboard) {
    ShowSoftKeyboardMenu(context, window);
  } else {
    ShowFunctionMenu(context, window);
  }
}

}  // namespace

LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    OnSkinWindowCreate(window, lParam, &ImeContext::statusWindow);
    return 0;
  }
  ImeContext* context = WindowContext(window);
  SkinWindowArea* area = context && context->skin ? WindowAreaOf(context) : nullptr;
  if (!area) return DefWindowProcW(window, message, wParam, lParam);
  StatusWindowState& state = area->status;
  LRESULT result = 0;
  if (HandleCommonSkinMessage(window, message, &result)) return result;
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEHOVER:
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(window, context, state, wParam, at);
      return 0;
    case WM_LBUTTONDOWN:
      OnLeftDown(window, context, state, at);
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(window, context, state, at);
      ReleaseCapture();
      return 0;
    case WM_RBUTTONDOWN:
      OnRightDown(window, context, state, at);
      return 0;
    case kRelayoutMessage:
      if (context->dmeBlock && !(context->stateFlags & kStateInputDisabled)) {
        LayoutStatusWindow(context);
        if (IsWindowVisible(window)) UpdateStatusWindow(window);
      }
      return 0;
    case WM_DESTROY:
      ShowWindow(window, SW_HIDE);
      ReleaseSurface(&state.surface);
      if (context->statusWindow.window == window) context->statusWindow.window = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
