// The four popup menus of the skinned windows: input state (105), candidate
// entry (125), soft keyboard (127) and functions (130). Each is loaded from
// the module's resources, adjusted to the context's state and settings,
// tracked through the menu tracker, and its choice handed to the front end.
#pragma once

#include <windows.h>

struct ImeContext;

void ShowCandidateWordMenu(ImeContext* context, int slot, HWND owner);
void ShowFunctionMenu(ImeContext* context, HWND owner);
void ShowSoftKeyboardMenu(ImeContext* context, HWND owner);
void ShowInputStateMenu(ImeContext* context, HWND owner);
