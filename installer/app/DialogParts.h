// Parts the installer's dialogs share: the white banner across the top with
// the dialog's icon and one or two lines, icons, and the log box.
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

// Adds text and a line break at the end of a multi-line edit box and
// scrolls to it; null adds nothing.
void AppendLogLine(HWND edit, const wchar_t* text);
// Replaces the first line of the log that begins with the text of waiting
// up to its first line end; nothing when there is none.
void ReplaceLogLine(HWND edit, const wchar_t* waiting, const wchar_t* text);
