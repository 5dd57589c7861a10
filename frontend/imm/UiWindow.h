// The IME's UI window ("ZINNOR3UI"): the system creates one per thread and
// sends it the IME messages of the input context in its window slot.
#pragma once

#include "frontend/imm/ImeDeclarations.h"

inline constexpr wchar_t kUiClassName[] = L"ZINNOR3UI";

// Registers the UI window class for this module; a class already registered
// counts as success.
bool RegisterUiWindowClass();
LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
