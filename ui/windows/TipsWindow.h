// The tips window: one line of text (the new input state after a switch)
// near the caret, closing by itself about three seconds later unless the
// mouse rests on it.
#pragma once

#include <windows.h>

struct ImeContext;

// Shows text at the screen point (x, y) in the context's tips window,
// creating it once. type 1 uses a 14-pixel font, 2 a 12-pixel one, others
// 20 pixels; a negative type keeps the tip until it is closed. Each call
// starts the tip's life again. Null when the window cannot be made.
HWND ShowTipsWindow(ImeContext* context, int x, int y, int type, const wchar_t* text);

LRESULT CALLBACK TipsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
