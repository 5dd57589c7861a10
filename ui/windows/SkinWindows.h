// Creating windows on first need: the SkinData of a context is made when it
// is missing before the status bar, tips or dictionary window is created.
#pragma once

#include <windows.h>

struct ImeContext;

HWND RequestStatusWindow(ImeContext* context);
// The tips and dictionary windows do not exist yet: both return null.
HWND RequestTipsWindow(ImeContext* context, int x, int y, int type, const wchar_t* text);
HWND RequestDictWindow(ImeContext* context, int candidateIndex);
int DestroyTipsWindow(ImeContext* context);
