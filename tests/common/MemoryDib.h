// A 32-bit top-down DIB section selected into a memory DC, for tests that
// let GDI draw and then read the pixels.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zn::test {

class MemoryDib {
 public:
  MemoryDib(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    if (bitmap_) original_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryDib() {
    if (original_) SelectObject(dc_, original_);
    if (bitmap_) DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  MemoryDib(const MemoryDib&) = delete;
  MemoryDib& operator=(const MemoryDib&) = delete;

  bool ok() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(bits_); }
  // Every pixel set to one 0xAARRGGBB value.
  void Fill(uint32_t value) {
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = value;
  }
  // The pixel after GDI finished, as 0xAARRGGBB.
  uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x];
  }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ original_ = nullptr;
  uint32_t* bits_ = nullptr;
};

}  // namespace zn::test
