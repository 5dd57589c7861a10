// The soft keyboard window: the keyboard picture with the current layout's
// characters, opened at the bottom of the work area; a click types the key
// as if it were pressed.
#pragma once

#include <windows.h>

#include "ui/windows/ScreenInfo.h"

struct ImeContext;

// What the window keeps in the context's softKeyboardWindow: hoveredItem
// and pressedItem (a key or spot; -1 none; pressedItem -2 for a press that
// must do nothing), dragOrigin (the press point relative to the window),
// and in layoutState whether the press moved the window and whether Shift
// is locked (kept for the context's life, like the keyboard's place).
inline constexpr int kSoftKeyboardMoved = 0;
inline constexpr int kSoftKeyboardShiftLock = 1;

// Places the context's soft keyboard (the first time: the work area's
// bottom-right corner, clear of the status bar), creates it once, shows it
// without activating it and draws it again. Null when it cannot be made.
HWND ShowSoftKeyboard(ImeContext* context, const ScreenInfo& screen = DefaultScreen());
// Hides and destroys the context's soft keyboard, if any.
void DestroySoftKeyboard(ImeContext* context);

// Draws the whole keyboard for the context (picture, characters, Shift lock,
// hovered and pressed keys) into dc at (0, 0).
void PaintSoftKeyboard(const ImeContext* context, HDC dc);

LRESULT CALLBACK SoftKeyboardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
