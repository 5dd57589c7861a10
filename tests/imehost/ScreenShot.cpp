// Screen pixels to PNG through the tests' PNG encoder.
#include "tests/imehost/ScreenShot.h"

#include <vector>

#include "tests/common/TestFiles.h"
#include "tests/ui/PngWriter.h"

bool SaveScreenRect(const RECT& rect, const std::wstring& path) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    zn::test::PngPicture picture{static_cast<uint32_t>(width), static_cast<uint32_t>(height), 2};
    const auto* bgra = static_cast<const uint8_t*>(bits);
    picture.pixels.reserve(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
      picture.pixels.insert(picture.pixels.end(), {bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]});
    ok = zn::test::WriteFileBytes(path, zn::test::EncodePng(picture));
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}
