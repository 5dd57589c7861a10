// Creating windows on first need: the SkinData of a context is made when it
// is missing before the status bar, tips or dictionary window is created.
#pragma once

#include <windows.h>

struct ImeContext;

HWND RequestStatusWindow(ImeContext* context);
// A tip at a screen point (ShowTipsWindow); null when none could be shown.
HWND RequestTipsWindow(ImeContext* context, int x, int y, int type, const wchar_t* text);
// The dictionary window for page slot candidateIndex (ShowDictWindow); null
// without dict.dms or for an empty slot.
HWND RequestDictWindow(ImeContext* context, int candidateIndex);
int DestroyTipsWindow(ImeContext* context);
