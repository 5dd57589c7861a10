// Painting of owner-drawn buttons.
#include "ui/dialogs/OwnerButton.h"

OwnerButtonLook SystemButtonLook() {
  return OwnerButtonLook{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW),
                         GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_BTNTEXT),
                         GetSysColor(COLOR_GRAYTEXT)};
}

bool DrawOwnerButton(const DRAWITEMSTRUCT& item, const OwnerButtonLook& look) {
  if (item.CtlType != ODT_BUTTON) return false;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  HBRUSH face = CreateSolidBrush(pressed ? look.pressedFace : look.face);
  FillRect(dc, &r, face);
  DeleteObject(face);
  HBRUSH border = CreateSolidBrush(look.border);
  FrameRect(dc, &r, border);
  DeleteObject(border);
  wchar_t text[128];
  int n = GetWindowTextW(item.hwndItem, text, 128);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? look.disabledText : look.text);
  RECT textRect = r;
  // The pressed face shifts the text by one pixel, as a push does.
  if (pressed) OffsetRect(&textRect, 1, 1);
  DrawTextW(dc, text, n, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
  return true;
}
