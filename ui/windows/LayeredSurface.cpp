// DIB-section surfaces of the layered windows.
#include "ui/windows/LayeredSurface.h"

bool PrepareSurface(LayeredSurface* surface, SIZE size) {
  if (size.cx <= 0 || size.cy <= 0) return false;
  if (surface->bitmap && surface->size.cx == size.cx && surface->size.cy == size.cy) return true;
  ReleaseSurface(surface);
  HDC screen = GetDC(nullptr);
  surface->dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!surface->dc) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface->bitmap = CreateDIBSection(surface->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!surface->bitmap || !bits) {
    ReleaseSurface(surface);
    return false;
  }
  surface->bits = static_cast<uint8_t*>(bits);
  surface->original = SelectObject(surface->dc, surface->bitmap);
  surface->size = size;
  return true;
}

void ReleaseSurface(LayeredSurface* surface) {
  if (surface->dc && surface->original) SelectObject(surface->dc, surface->original);
  if (surface->bitmap) DeleteObject(surface->bitmap);
  if (surface->dc) DeleteDC(surface->dc);
  *surface = LayeredSurface{};
}

DibView SurfaceDib(const LayeredSurface& surface) {
  return {surface.size.cx, surface.size.cy, surface.bits};
}

bool PushSurface(const LayeredSurface& surface, HWND window, POINT position) {
  if (!surface.dc || !window) return false;
  // GDI must have finished writing into the DIB before it is read.
  GdiFlush();
  POINT source{0, 0};
  SIZE size = surface.size;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return UpdateLayeredWindow(window, nullptr, &position, &size, surface.dc, &source, 0, &blend,
                             ULW_ALPHA) != FALSE;
}
