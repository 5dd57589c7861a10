// Pieces the plain popups share.
#include "ui/windows/PopupWindow.h"

#include "engine/ImeContext.h"
#include "ui/windows/CandidateWindow.h"

void KeepPopupContext(HWND window, LPARAM createParams) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createParams);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

void ReportPopupShown(const ImeContext* context, bool shown) {
  if (!ReportsImeEvents(context)) return;
  if (shown) {
    NotifyWinEvent(EVENT_OBJECT_IME_SHOW, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_IME_CHANGE, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
  } else {
    NotifyWinEvent(EVENT_OBJECT_IME_HIDE, context->hostWindow, OBJID_CLIENT, CHILDID_SELF);
  }
}

void EndPopup(HWND window, ImeContext* context, HWND* handle) {
  if (IsWindowVisible(window)) {
    ShowWindow(window, SW_HIDE);
    ReportPopupShown(context, false);
  }
  if (GetCapture() == window) ReleaseCapture();
  if (handle && *handle == window) *handle = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}
