// What the candidate window's and the status bar's procedures share: their
// creation, the messages both answer alike, mouse tracking and dragging.
#pragma once

#include <windows.h>

#include <climits>

#include "engine/ImeContext.h"
#include "ui/skin/SkinTypes.h"

// dragOrigin.x of a window that is not being dragged.
constexpr LONG kNoDrag = LONG_MIN;

// WM_CREATE: keeps the context (GWLP_USERDATA), makes the window layered and
// forgets any drag of the window state named.
void OnSkinWindowCreate(HWND window, LPARAM createParams, ImeWindowState ImeContext::*state);
// WM_PAINT (all drawing goes through UpdateLayeredWindow), WM_SETCURSOR
// (captures the mouse) and WM_MOUSELEAVE (releases it). True when handled.
bool HandleCommonSkinMessage(HWND window, UINT message, LRESULT* result);
// Asks for WM_MOUSEHOVER after hoverMs and for WM_MOUSELEAVE.
void TrackLeaveAndHover(HWND window, DWORD hoverMs);
// Moves a window being dragged to the cursor (given in window coordinates)
// minus the drag origin, one pixel inside the cursor's work area, and keeps
// the place in the state and in the context's stored position words (when
// the data folder's lock is free at once: a drag never waits).
void DragSkinWindow(HWND window, ImeContext* context, ImeWindowState* state, POINT at,
                    int32_t* storedX, int32_t* storedY);

// The pictures of the width and punctuation buttons for the input state.
inline SkinButton WidthPicture(uint32_t stateFlags) {
  return (stateFlags & kStateFullWidth) ? kButtonFull : kButtonHalf;
}
inline SkinButton PunctuationPicture(uint32_t stateFlags) {
  return (stateFlags & kStateEnglishPunct) ? kButtonEnPunctuation : kButtonCnPunctuation;
}
