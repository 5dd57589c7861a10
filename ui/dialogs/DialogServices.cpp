// The Win32 side of the dialog layer's effects: the only file of the layer
// that shows message boxes or tracks menus.
#include "ui/dialogs/DialogServices.h"

int Win32DialogServices::ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption,
                                     UINT style) {
  return MessageBoxW(owner, text, caption, style);
}

int Win32DialogServices::TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
  // The owner must be the foreground window, or the menu does not close when
  // the user clicks elsewhere.
  if (owner) SetForegroundWindow(owner);
  int command = static_cast<int>(
      TrackPopupMenu(menu, flags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr));
  if (owner) PostMessageW(owner, WM_NULL, 0, 0);
  return command;
}
