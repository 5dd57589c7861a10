// The white banner across the top of the installer's dialogs: the dialog's
// icon at the right and one or two lines of text.
#pragma once

#include <windows.h>

#include <cstddef>

struct BannerLine {
  const wchar_t* text;
  int x;
  int y;
  int weight;  // FW_NORMAL, FW_BOLD
};

// Paints the owner-drawn banner control.
void DrawBanner(const DRAWITEMSTRUCT& item, HICON icon, const BannerLine* lines, size_t count);

// An icon of the program's resources at size x size pixels (shared, never
// destroyed); null when missing.
HICON LoadProgramIcon(HINSTANCE instance, int id, int size);
// Sets the big and small icons of a dialog.
void SetDialogIcons(HWND dialog, HINSTANCE instance, int id);
