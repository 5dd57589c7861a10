// Pixel routines over premultiplied DIBs and the GDI helpers of the skinned
// windows.
#include "ui/windows/LayeredDraw.h"

#include <cstdlib>
#include <cstring>

namespace {

bool Fits(int x, int y, const SkinImage* image, const DibView& dib) {
  if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return false;
  if (x < 0 || y < 0 || !dib.bits) return false;
  // 64-bit sums: a hostile position must not wrap past the check.
  return static_cast<int64_t>(x) + image->width <= dib.width &&
         static_cast<int64_t>(y) + image->height <= dib.height;
}

// "Over" on premultiplied pixels: the picture's straight colour weighted by
// its alpha, the target by what the picture leaves through.
void Composite(int x, int y, const SkinImage& image, const DibView& dib) {
  for (int32_t row = 0; row < image.height; ++row) {
    const uint8_t* src = image.pixels + static_cast<size_t>(row) * image.width * 4;
    uint8_t* dst = dib.bits + (static_cast<size_t>(y + row) * dib.width + x) * 4;
    for (int32_t col = 0; col < image.width; ++col, src += 4, dst += 4) {
      const uint32_t a = src[3];
      if (a == 0) continue;
      const uint32_t rest = 255 - a;
      for (int c = 0; c < 3; ++c) {
        uint32_t v = (src[c] * a + dst[c] * rest + 127) / 255;
        dst[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
      uint32_t alpha = a + (dst[3] * rest + 127) / 255;
      dst[3] = static_cast<uint8_t>(alpha >= 255 ? kOpaqueMarker : alpha);
    }
  }
}

}  // namespace

SkinImageVariants ButtonVariants(const SkinImageSet& images, SkinButton button) {
  return {images.images[ButtonPicture(button, 0)], images.images[ButtonPicture(button, 1)],
          images.images[ButtonPicture(button, 2)]};
}

const SkinImage* ChooseSkinVariant(const SkinImageVariants& variants, int state,
                                   bool pageButton) {
  const SkinImage* chosen = variants.normal;
  if (state == kItemDisabled && pageButton) {
    chosen = variants.pressed;
  } else if (state == kItemHover) {
    chosen = variants.hover;
  } else if (state == kItemPressed) {
    chosen = pageButton ? variants.hover : variants.pressed;
  }
  return chosen ? chosen : variants.normal;
}

void BlendSkinImage(const SkinItem& item, const SkinImageVariants& variants, const DibView& dib,
                    bool pageButton) {
  if (item.state == kItemHidden) return;
  // The fit is checked on the picture actually drawn: a larger hover or
  // pressed picture must not write past the DIB.
  const SkinImage* image = ChooseSkinVariant(variants, item.state, pageButton);
  if (!Fits(item.x, item.y, image, dib)) return;
  Composite(item.x, item.y, *image, dib);
}

void BlendImage(int x, int y, const SkinImage* image, const DibView& dib) {
  if (!Fits(x, y, image, dib)) return;
  Composite(x, y, *image, dib);
}

void CopyPremultiplied(const SkinImage& image, const DibView& dib, bool markAlpha) {
  if (!image.pixels || !dib.bits || image.width != dib.width || image.height != dib.height) return;
  const size_t count = static_cast<size_t>(dib.width) * dib.height;
  const uint8_t* src = image.pixels;
  uint8_t* dst = dib.bits;
  for (size_t i = 0; i < count; ++i, src += 4, dst += 4) {
    const uint32_t a = src[3];
    for (int c = 0; c < 3; ++c) dst[c] = static_cast<uint8_t>((src[c] * a + 127) / 255);
    dst[3] = markAlpha ? 255 : static_cast<uint8_t>(a);
  }
}

void RepairTextAlpha(const SkinImage& background, const DibView& dib) {
  if (!background.pixels || !dib.bits || background.width != dib.width ||
      background.height != dib.height) {
    return;
  }
  const size_t count = static_cast<size_t>(dib.width) * dib.height;
  const uint8_t* bg = background.pixels;
  uint8_t* px = dib.bits;
  for (size_t i = 0; i < count; ++i, bg += 4, px += 4) {
    if (px[3] == 0) {
      px[3] = 255;
    } else if (px[3] == 255) {
      px[3] = bg[3];
    }
  }
}

void DrawImageOverWhite(HDC dc, const SkinImage* image, const RECT& clip) {
  if (!dc || !image || !image->pixels || image->width <= 0 || image->height <= 0) return;
  const LONG left = clip.left > 0 ? clip.left : 0;
  const LONG top = clip.top > 0 ? clip.top : 0;
  const LONG right = clip.right < image->width ? clip.right : image->width;
  const LONG bottom = clip.bottom < image->height ? clip.bottom : image->height;
  if (left >= right || top >= bottom) return;
  const int w = right - left;
  const int h = bottom - top;
  // One transfer of the visible part instead of a SetPixel per pixel.
  auto* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h * 4));
  if (!out) return;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = image->pixels + (static_cast<size_t>(top + y) * image->width + left) * 4;
    uint8_t* dst = out + static_cast<size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x, src += 4, dst += 4) {
      const uint32_t a = src[3];
      for (int c = 0; c < 3; ++c) {
        uint32_t v = (src[c] * a + 255 * (255 - a) + 127) / 255;
        dst[c] = static_cast<uint8_t>(v > 255 ? 255 : v);
      }
      dst[3] = 255;
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, left, top, w, h, 0, 0, 0, h, out, &info, DIB_RGB_COLORS);
  std::free(out);
}

void DrawLine(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
  HPEN first = CreatePen(PS_SOLID, 1, topLeft);
  HPEN second = CreatePen(PS_SOLID, 1, bottomRight);
  HGDIOBJ old = SelectObject(dc, first);
  MoveToEx(dc, rect.left, rect.top, nullptr);
  LineTo(dc, rect.right, rect.top);
  MoveToEx(dc, rect.left, rect.top, nullptr);
  LineTo(dc, rect.left, rect.bottom);
  SelectObject(dc, second);
  MoveToEx(dc, rect.right - 1, rect.top, nullptr);
  LineTo(dc, rect.right - 1, rect.bottom - 1);
  MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
  LineTo(dc, rect.right, rect.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(first);
  DeleteObject(second);
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& rect) {
  if (!dc || !bitmap) return;
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof(info), &info)) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HGDIOBJ old = SelectObject(memory, bitmap);
  TransparentBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0,
                 0, info.bmWidth, info.bmHeight, RGB(255, 255, 255));
  SelectObject(memory, old);
  DeleteDC(memory);
}

void FillRectWithText(HDC dc, const SkinItem& item) {
  if (item.state == kItemHidden || item.state < 0 || item.state > 3) return;
  const int s = item.state;
  if (item.kind & kItemKindBitmap) {
    RECT r{item.x, item.y, item.x + item.width, item.y + item.height};
    DrawTransparentBitmap(dc, item.bitmap[s], r);
    return;
  }
  if (!(item.kind & kItemKindText) || item.textLength <= 0) return;
  const int32_t text = item.textColour[s];
  const int32_t back = item.backColour[s];
  if (back != kNoColour && back != text) {
    RECT r{item.x - 1, item.y - 1, item.x + item.width + 1, item.y + item.height + 1};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(back));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  SetBkMode(dc, TRANSPARENT);
  if (text != kNoColour) SetTextColor(dc, static_cast<COLORREF>(text));
  const int units = item.textLength < kSkinItemTextUnits ? item.textLength : kSkinItemTextUnits;
  ExtTextOutW(dc, item.x + item.textOffsetX, item.y, 0, nullptr, item.text,
              static_cast<UINT>(units), nullptr);
}
