// The drawing surface of a layered window: a 32-bit top-down DIB section on
// a memory DC, kept between paints and made again only when the size
// changes, and pushed to the screen with UpdateLayeredWindow.
#pragma once

#include <windows.h>

#include "ui/windows/LayeredDraw.h"

struct LayeredSurface {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ original;
  uint8_t* bits;
  SIZE size;
};

// A surface of the size (reusing the current one when it fits exactly);
// false when GDI refuses.
bool PrepareSurface(LayeredSurface* surface, SIZE size);
void ReleaseSurface(LayeredSurface* surface);
DibView SurfaceDib(const LayeredSurface& surface);
// UpdateLayeredWindow with per-pixel alpha at position.
bool PushSurface(const LayeredSurface& surface, HWND window, POINT position);
