// Control helpers of the dialog layer.
#include "ui/dialogs/Controls.h"

std::wstring GetItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) return {};
  int n = GetWindowTextLengthW(item);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(item, text.data(), n + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

void SetItemText(HWND dialog, int id, const wchar_t* text) {
  SetDlgItemTextW(dialog, id, text ? text : L"");
}

bool IsItemChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void SetItemChecked(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableItem(HWND dialog, int id, bool enabled) {
  if (HWND item = GetDlgItem(dialog, id)) EnableWindow(item, enabled ? TRUE : FALSE);
}

void ShowItem(HWND dialog, int id, bool shown) {
  if (HWND item = GetDlgItem(dialog, id)) ShowWindow(item, shown ? SW_SHOW : SW_HIDE);
}

bool IsItemShown(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item && (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE) != 0;
}

POINT DialogUnitsToPixels(HWND dialog, int x, int y) {
  RECT r{0, 0, x, y};
  MapDialogRect(dialog, &r);
  return POINT{r.right, r.bottom};
}

RECT ItemRect(HWND dialog, int id) {
  RECT r{};
  HWND item = GetDlgItem(dialog, id);
  if (!item) return r;
  GetWindowRect(item, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ShiftItem(HWND dialog, int id, int dx, int dy, int dw) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) return;
  RECT r = ItemRect(dialog, id);
  // Negative units map symmetrically, so convert magnitudes.
  POINT d = DialogUnitsToPixels(dialog, dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  POINT w = DialogUnitsToPixels(dialog, dw < 0 ? -dw : dw, 0);
  int px = dx < 0 ? -d.x : d.x;
  int py = dy < 0 ? -d.y : d.y;
  int pw = dw < 0 ? -w.x : w.x;
  MoveWindow(item, r.left + px, r.top + py, r.right - r.left + pw, r.bottom - r.top, TRUE);
}

void FitToItem(HWND dialog, int frameId, HWND window) {
  if (!window) return;
  RECT r = ItemRect(dialog, frameId);
  MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void SetWindowIcons(HWND window, HICON big, HICON small) {
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}
