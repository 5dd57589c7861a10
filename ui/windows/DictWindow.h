// The dictionary window: beside the hovered candidate, the word's entry in
// dict.dms (a plain popup with a rich-edit child), with a link to the full
// entry in config's mini dictionary and a corner to resize it.
#pragma once

#include <windows.h>

#include "ui/windows/ScreenInfo.h"

struct ImeContext;

// Shows the entry of the candidate in page slot 0-9 beside the candidate
// window, creating the window once; the same slot again changes nothing.
// Null when the slot is empty or the window cannot be made.
HWND ShowDictWindow(ImeContext* context, int slot, const ScreenInfo& screen = DefaultScreen());
// Puts the entry of the slot's word into the window's text (the word
// itself when dict.dms has none).
void FillDictText(ImeContext* context, int slot);
// Hides and destroys the context's dictionary window, if any.
void DestroyDictWindow(ImeContext* context);
// The mouse left the candidate window: the dictionary closes 500 ms later
// unless the mouse comes to it (or back to the candidate window, which
// calls KeepDictWindow).
void ScheduleDictWindowClose(ImeContext* context);
void KeepDictWindow(ImeContext* context);

// The text the window shows now; null without a window.
const wchar_t* DictWindowText(HWND window);

LRESULT CALLBACK DictWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
