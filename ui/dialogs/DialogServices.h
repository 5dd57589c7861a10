// The outside effects the dialog layer itself needs (message boxes, popup
// menus), behind one small interface that each program's seam implements,
// so dialogs can be driven by tests without anything modal appearing.
#pragma once

#include <windows.h>

class DialogServices {
 public:
  virtual ~DialogServices() = default;
  // A modal message box; returns the button id (IDOK, IDYES ...).
  virtual int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) = 0;
  // Tracks a popup menu at screen point (x, y) and returns the chosen
  // command, 0 when none was chosen. flags are TrackPopupMenu's; the
  // implementation adds TPM_RETURNCMD.
  virtual int TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) = 0;
};

// The real calls. Programs derive their own seam from it or hand it over.
class Win32DialogServices : public DialogServices {
 public:
  int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) override;
  int TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) override;
};
