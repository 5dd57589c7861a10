// What the plain popups (soft keyboard, tips, dictionary) share: the context
// a popup serves, a state record of its own, the IME events an immersive
// host wants, and their end.
#pragma once

#include <windows.h>

#include <new>

#include "ui/windows/CandidateWindow.h"

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
// window owns it (PopupProc).
template <class State>
State* PopupState(HWND window) {
  return window ? reinterpret_cast<State*>(GetWindowLongPtrW(window, 0)) : nullptr;
}

// The frame of a popup's procedure with a State record: at WM_CREATE the
// context is kept and a new State made (OnCreate may fill it); at
// WM_NCDESTROY the State is freed; every other message goes to Handle with
// the context and the State, which returns false to leave a message to
// DefWindowProc.
template <class State>
using PopupCreate = void (*)(HWND window, const CREATESTRUCTW& create, State& state);
template <class State>
using PopupHandler = bool (*)(HWND window, ImeContext* context, State& state, UINT message,
                              WPARAM wParam, LPARAM lParam, LRESULT* result);

template <class State, PopupCreate<State> OnCreate, PopupHandler<State> Handle>
LRESULT PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    KeepPopupContext(window, lParam);
    auto* state = new (std::nothrow) State;
    if (state) OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam), *state);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(state));
    return 0;
  }
  if (message == WM_NCDESTROY) {
    delete PopupState<State>(window);
    SetWindowLongPtrW(window, 0, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  ImeContext* context = WindowContext(window);
  State* state = PopupState<State>(window);
  LRESULT result = 0;
  if (context && state && Handle(window, context, *state, message, wParam, lParam, &result)) {
    return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
