// Window-procedure pieces shared by the skinned windows.
#include "ui/windows/SkinWindowProc.h"

#include "engine/DataLock.h"
#include "ui/windows/Placement.h"

void OnSkinWindowCreate(HWND window, LPARAM createParams, ImeWindowState ImeContext::*state) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createParams);
  auto* context = static_cast<ImeContext*>(create->lpCreateParams);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
  SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  if (context) (context->*state).dragOrigin.x = kNoDrag;
}

bool HandleCommonSkinMessage(HWND window, UINT message, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      ValidateRect(window, nullptr);
      *result = 0;
      return true;
    case WM_SETCURSOR:
      // The windows never take the focus: the mouse is captured instead.
      SetCapture(window);
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      *result = TRUE;
      return true;
    case WM_MOUSELEAVE:
      ReleaseCapture();
      *result = 0;
      return true;
    default:
      return false;
  }
}

void TrackLeaveAndHover(HWND window, DWORD hoverMs) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof(track);
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = window;
  track.dwHoverTime = hoverMs;
  TrackMouseEvent(&track);
}

void DragSkinWindow(HWND window, ImeContext* context, ImeWindowState* state, POINT at,
                    int32_t* storedX, int32_t* storedY) {
  POINT cursor = at;
  ClientToScreen(window, &cursor);
  const POINT p = DragPosition(cursor, state->dragOrigin, state->size, DefaultScreen());
  SetWindowPos(window, HWND_TOPMOST, p.x, p.y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  state->position = p;
  if (!storedX || !storedY) return;
  DataWriteLock lock(context, 0);
  if (lock.Held()) {
    *storedX = p.x;
    *storedY = p.y;
  }
}
