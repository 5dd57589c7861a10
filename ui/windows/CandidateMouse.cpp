// The candidate window's procedure: mouse hover, clicks that commit or turn
// the page, menus, and dragging the window to a place of the user's own.
#include <windowsx.h>

#include "engine/ImeContext.h"
#include "ui/windows/CandidateLayout.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/DictWindow.h"
#include "ui/windows/Menus.h"
#include "ui/windows/SkinWindowProc.h"
#include "ui/windows/SkinWindows.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"
#include "ui/windows/WindowCommands.h"

namespace {

constexpr DWORD kHoverMilliseconds = 800;

bool IsSlot(int id) { return id >= kIdFirstSlot && id < kIdFirstSlot + kCandidateSlots; }

// The candidate number a click on slot k commits: with the current
// candidate shown in the document instead, the slots after it stand one
// later in the list.
int CommitNumber(const ImeContext* context, const CandidateWindowState& state, int slot) {
  if (slot == kCandidateSlots - 1) return kCandidateSlots;
  if (state.currentHidden && context->selection < slot + 1) return slot + 2;
  return slot + 1;
}

void OnMouseMove(HWND window, ImeContext* context, CandidateWindowState& state, WPARAM keys,
                 POINT at) {
  ImeWindowState& w = context->candidateWindow;
  if ((keys & MK_LBUTTON) && w.pressedItem == 0 && w.dragOrigin.x != kNoDrag) {
    SkinConfigBlock* block = context->skinBlock;
    DragSkinWindow(window, context, &w, at, block ? &block->candidateX : nullptr,
                   block ? &block->candidateY : nullptr);
    return;
  }
  TrackLeaveAndHover(window, kHoverMilliseconds);
  KeepDictWindow(context);
  const int before = w.hoveredItem;
  ClearSkinButtonState(state.items, kSkinItemCount, w.hoveredItem);
  ClearSkinButtonState(state.items, kSkinItemCount, w.pressedItem);
  const int hit = HitTestSkinButton(state.items, kSkinItemCount, w.size, at.x, at.y);
  if (hit < 0) {
    w.hoveredItem = 0;
    ReleaseCapture();
  } else if (IsSlot(hit)) {
    w.hoveredItem = hit;
    SetSkinButtonState(state.items, kSkinItemCount, hit, kItemHover);
  } else {
    w.hoveredItem = 0;
  }
  if (w.hoveredItem != before) PaintCandidateWindow(context);
}

void OnLeftDown(HWND window, ImeContext* context, CandidateWindowState& state, POINT at) {
  ImeWindowState& w = context->candidateWindow;
  const int hit = HitTestSkinButton(state.items, kSkinItemCount, w.size, at.x, at.y);
  if (hit < 0) {
    ClearSkinButtonState(state.items, kSkinItemCount, w.pressedItem);
    w.pressedItem = 0;
    w.dragOrigin.x = kNoDrag;
    ReleaseCapture();
    PaintCandidateWindow(context);
    return;
  }
  w.pressedItem = hit;
  if (hit == 0) {
    w.dragOrigin = at;
    return;
  }
  SetSkinButtonState(state.items, kSkinItemCount, hit, kItemPressed);
  PaintCandidateWindow(context);
  // The front end may end the composition and destroy this window: nothing
  // of it is touched after the command.
  if (IsSlot(hit)) {
    const int number = CommitNumber(context, state, hit - kIdFirstSlot);
    ExecuteMenuCommand(context, kCommandCommitCandidate, static_cast<uintptr_t>(number), 0);
  } else if (hit == kIdPreviousPage) {
    ExecuteMenuCommand(context, kCommandPreviousPage, 0, 0);
  } else if (hit == kIdNextPage) {
    ExecuteMenuCommand(context, kCommandNextPage, 0, 0);
  } else if (hit == kIdMenu) {
    ShowFunctionMenu(context, window);
  }
}

void OnLeftUp(ImeContext* context, CandidateWindowState& state) {
  ImeWindowState& w = context->candidateWindow;
  ClearSkinButtonState(state.items, kSkinItemCount, w.pressedItem);
  ClearSkinButtonState(state.items, kSkinItemCount, w.hoveredItem);
  w.pressedItem = 0;
  w.hoveredItem = 0;
  w.dragOrigin.x = kNoDrag;
  PaintCandidateWindow(context);
  ReleaseCapture();
}

void OnDestroy(HWND window, ImeContext* context) {
  HideCandidateWindow(window);
  SkinWindowArea* area = context->skin ? WindowAreaOf(context) : nullptr;
  if (area) {
    CandidateWindowState& state = area->candidate;
    DeleteCandidateFonts(&state.fonts);
    ReleaseSurface(&state.surface);
    ReleaseCandidateBackground(&state);
  }
  if (context->candidateWindow.window == window) context->candidateWindow.window = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

}  // namespace

LRESULT CALLBACK CandidateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    OnSkinWindowCreate(window, lParam, &ImeContext::candidateWindow);
    return 0;
  }
  ImeContext* context = WindowContext(window);
  SkinWindowArea* area = context ? WindowAreaOf(context) : nullptr;
  if (!area) return DefWindowProcW(window, message, wParam, lParam);
  CandidateWindowState& state = area->candidate;
  LRESULT result = 0;
  // The dictionary window closes a little after the mouse has left both.
  if (message == WM_MOUSELEAVE) ScheduleDictWindowClose(context);
  if (HandleCommonSkinMessage(window, message, &result)) return result;
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(window, context, state, wParam, at);
      return 0;
    case WM_MOUSEHOVER: {
      const int hit = HitTestSkinButton(state.items, kSkinItemCount, context->candidateWindow.size,
                                        at.x, at.y);
      if (IsSlot(hit)) RequestDictWindow(context, hit - kIdFirstSlot);
      return 0;
    }
    case WM_LBUTTONDOWN:
      OnLeftDown(window, context, state, at);
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(context, state);
      return 0;
    case WM_RBUTTONDOWN: {
      const int hit = HitTestSkinButton(state.items, kSkinItemCount, context->candidateWindow.size,
                                        at.x, at.y);
      if (IsSlot(hit)) {
        ShowCandidateWordMenu(context, hit - kIdFirstSlot, window);
      } else {
        ShowFunctionMenu(context, window);
      }
      return 0;
    }
    case kRelayoutMessage:
      RelayoutCandidateWindow(window);
      ShowCandidateWindow(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(window, context);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
