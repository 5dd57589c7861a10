// Small helpers over dialog controls: texts, check boxes, enabling, showing,
// and moving controls by dialog units so layouts follow the dialog font.
#pragma once

#include <windows.h>

#include <string>

std::wstring GetItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const wchar_t* text);
bool IsItemChecked(HWND dialog, int id);
void SetItemChecked(HWND dialog, int id, bool checked);
void EnableItem(HWND dialog, int id, bool enabled);
void ShowItem(HWND dialog, int id, bool shown);
bool IsItemShown(HWND dialog, int id);

// Dialog units of this dialog in pixels (MapDialogRect).
POINT DialogUnitsToPixels(HWND dialog, int x, int y);
// The control's rectangle in the dialog's client coordinates.
RECT ItemRect(HWND dialog, int id);
// Moves a control by (dx, dy) dialog units and widens it by dw units.
void ShiftItem(HWND dialog, int id, int dx, int dy, int dw = 0);
// Places window at the rectangle of the frame control frameId (client
// coordinates of the dialog), without repainting.
void FitToItem(HWND dialog, int frameId, HWND window);
// The title-bar and task-switch icons of a window.
void SetWindowIcons(HWND window, HICON big, HICON small);
