// The status bar: a layered, topmost popup of skin buttons showing the input
// state, clickable and draggable, its position kept in the appearance block.
#pragma once

#include <windows.h>

#include "ui/windows/ScreenInfo.h"

struct ImeContext;

// Creates the context's status bar when the skin has a bar picture (returns
// the existing one after that); null otherwise.
HWND CreateStatusWindow(ImeContext* context);
// Places the buttons and computes the bar's position (default corner, or the
// stored one clamped into its monitor) and writes it back as stored.
void LayoutStatusWindow(ImeContext* context, const ScreenInfo& screen = DefaultScreen());
// Moves the bar to its position, shows it without activating and paints it.
void UpdateStatusWindow(HWND window);
void PaintStatusWindow(HWND window);
