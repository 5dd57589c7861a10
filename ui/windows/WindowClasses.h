// The window classes of the module: the five skinned windows and the IME's
// UI window, registered at module attach and removed at detach.
#pragma once

#include <windows.h>

inline constexpr wchar_t kCandidateWindowClass[] = L"RUZEDIVE_ZARU";
inline constexpr wchar_t kStatusWindowClass[] = L"RURUDIDU_STATUS";
inline constexpr wchar_t kSoftKeyboardWindowClass[] = L"RURUDIDU_SKBD";
inline constexpr wchar_t kTipsWindowClass[] = L"RURUDIDU_TIPS";
inline constexpr wchar_t kDictionaryWindowClass[] = L"RURUDIDU_DICT";
inline constexpr wchar_t kImeUiWindowClass[] = L"ZINNOR3UI";

// Registers the five skinned classes in order, then (when uiWindowProc is
// given) the UI class with the two pointer-sized extra slots IMM32 needs.
// Returns 1 when all registered, 0 at the first failure (later classes are
// not tried).
int RegisterSkinWindowClasses(HINSTANCE instance, WNDPROC uiWindowProc);
void UnregisterSkinWindowClasses(HINSTANCE instance);

LRESULT CALLBACK CandidateWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
