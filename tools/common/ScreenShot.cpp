#include "tools/common/ScreenShot.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace {

// The screen's pixels as RGB rows, top row first.
bool CaptureRgb(const RECT& rect, std::vector<uint8_t>* rgb) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
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
    const size_t count = static_cast<size_t>(width) * height;
    rgb->resize(count * 3);
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < count; ++i) {
      (*rgb)[i * 3] = bgra[i * 4 + 2];
      (*rgb)[i * 3 + 1] = bgra[i * 4 + 1];
      (*rgb)[i * 3 + 2] = bgra[i * 4];
    }
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool WritePng(const std::wstring& path, int width, int height, const std::vector<uint8_t>& rgb) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop pngInfo = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && pngInfo && !setjmp(png_jmpbuf(png));
  if (ok) {
    png_init_io(png, file);
    png_set_IHDR(png, pngInfo, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, pngInfo);
    for (int y = 0; y < height; ++y) {
      png_write_row(png, rgb.data() + static_cast<size_t>(y) * width * 3);
    }
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &pngInfo);
  // A failed write must not leave a picture that looks whole.
  if (fclose(file) != 0) ok = false;
  if (!ok) _wremove(path.c_str());
  return ok;
}

}  // namespace

bool SaveScreenRect(const RECT& rect, const std::wstring& path) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> rgb;
  return CaptureRgb(rect, &rgb) && WritePng(path, width, height, rgb);
}
