// What the plain popups (soft keyboard, tips, dictionary) share: the context
// a popup serves, a state record of its own, the IME events an immersive
// host wants, and their end.
#pragma once

#include <windows.h>

struct ImeContext;

// WM_CREATE: keeps the context the window was made for (GWLP_USERDATA).
void KeepPopupContext(HWND window, LPARAM createParams);
// Tells an immersive host (Windows 8 and later, composition open) that an
// IME window was shown and changed, or hidden.
void ReportPopupShown(const ImeContext* context, bool shown);
// WM_DESTROY: hides the window (reporting it), lets the mouse go, clears the
// context's handle when it is this window, and forgets the context.
void EndPopup(HWND window, ImeContext* context, HWND* handle);

// A popup's own state record lives in its first extra window slot; the
// window owns it and frees it at WM_NCDESTROY.
template <class State>
State* PopupState(HWND window) {
  return window ? reinterpret_cast<State*>(GetWindowLongPtrW(window, 0)) : nullptr;
}
template <class State>
void SetPopupState(HWND window, State* state) {
  SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(state));
}
// Takes the record away from the window (WM_NCDESTROY); the caller frees it.
template <class State>
State* TakePopupState(HWND window) {
  State* state = PopupState<State>(window);
  SetWindowLongPtrW(window, 0, 0);
  return state;
}
