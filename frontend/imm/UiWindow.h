// The IME's UI window ("ZINNOR3UI"): the system creates one per thread and
// sends it the IME messages of the input context in its window slot.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

// The window procedure of the class the module registers with its skinned
// windows (kImeUiWindowClass).
LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
