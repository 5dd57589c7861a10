// The candidate window: a layered, topmost popup showing the code and the
// current page beside the caret, drawn from the skin.
#pragma once

#include <windows.h>

#include "ui/windows/ScreenInfo.h"

struct ImeContext;

// Sent to the candidate window and the status bar: lay out again (a skin was
// reloaded), then show.
constexpr UINT kRelayoutMessage = WM_USER + 100;

// Creates the context's candidate window once (returns the existing one
// after that); null when the window cannot be made.
HWND CreateCandidateWindow(ImeContext* context);
// Lays the window out for the context's current page and resizes it.
void RelayoutCandidateWindow(HWND window);
// Moves the window to its place and paints it; hides it when the layout gave
// it no size.
void ShowCandidateWindow(HWND window);
void HideCandidateWindow(HWND window);
// Draws the window's picture (background, texts, buttons) into its surface
// and pushes it to the screen at the context's position.
void PaintCandidateWindow(ImeContext* context);
// The drawing alone, without the push; false when there is nothing to draw.
bool RenderCandidateWindow(ImeContext* context);

// Writes the candidate window's screen position into the context (and the
// fixed position into the appearance block when that mode stores one).
int ComputeCandidatePosition(ImeContext* context, const ScreenInfo& screen = DefaultScreen());

// The context a skinned window serves (GWLP_USERDATA).
ImeContext* WindowContext(HWND window);
// True on Windows 8 and later for an open immersive context: then the
// windows are owned by the host and report themselves as IME windows.
bool ReportsImeEvents(const ImeContext* context);
