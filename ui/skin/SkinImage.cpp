// Picture routines the skinned windows use: window region from alpha and the
// nine-grid stretched background.
#include "ui/skin/SkinImage.h"

#include <cstdlib>
#include <cstring>

#include "ui/skin/SkinIni.h"

namespace {

// Rectangles per ExtCreateRegion call; larger batches are slow in GDI.
constexpr DWORD kRegionBatch = 4000;

// ORs the batch into *result (creating it on first use); false on GDI failure.
bool FlushBatch(uint8_t* buffer, DWORD count, const RECT& bounds, HRGN* result) {
  if (count == 0) return true;
  auto* data = reinterpret_cast<RGNDATA*>(buffer);
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = count;
  data->rdh.nRgnSize = count * sizeof(RECT);
  data->rdh.rcBound = bounds;
  HRGN batch = ExtCreateRegion(nullptr, sizeof(RGNDATAHEADER) + count * sizeof(RECT), data);
  if (!batch) return false;
  int combined = CombineRgn(*result, *result, batch, RGN_OR);
  DeleteObject(batch);
  return combined != ERROR;
}

// Source index for target index j of a side stretched from `side` to `target`.
int32_t SourceIndex(int32_t j, int32_t target, int32_t side, int32_t first, int32_t last) {
  if (j < first) return j;
  if (j <= target - side + last) return first + (j - first) % (last - first + 1);
  return j - (target - side);
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

HRGN CreateRegionFromAlpha(const SkinImage* image) {
  if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return nullptr;
  HRGN result = CreateRectRgn(0, 0, 0, 0);
  if (!result) return nullptr;

  auto* buffer =
      static_cast<uint8_t*>(std::malloc(sizeof(RGNDATAHEADER) + kRegionBatch * sizeof(RECT)));
  if (!buffer) {
    DeleteObject(result);
    return nullptr;
  }
  RECT* rects = reinterpret_cast<RECT*>(buffer + sizeof(RGNDATAHEADER));
  DWORD count = 0;
  RECT bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
  bool ok = true;

  for (int32_t y = 0; y < image->height && ok; ++y) {
    const uint8_t* row = image->pixels + static_cast<size_t>(y) * image->width * 4;
    int32_t x = 0;
    while (x < image->width && ok) {
      while (x < image->width && row[x * 4 + 3] == 0) ++x;
      if (x >= image->width) break;
      int32_t start = x;
      while (x < image->width && row[x * 4 + 3] != 0) ++x;
      rects[count++] = {start, y, x, y + 1};
      if (start < bounds.left) bounds.left = start;
      if (x > bounds.right) bounds.right = x;
      if (y < bounds.top) bounds.top = y;
      if (y + 1 > bounds.bottom) bounds.bottom = y + 1;
      if (count == kRegionBatch) {
        ok = FlushBatch(buffer, count, bounds, &result);
        count = 0;
        bounds = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
      }
    }
  }
  if (ok) ok = FlushBatch(buffer, count, bounds, &result);
  std::free(buffer);
  if (!ok) {
    DeleteObject(result);
    return nullptr;
  }
  return result;
}

bool StretchSkinImageInto(const SkinImage* source,
                          SkinImage* target,
                          int32_t firstColumn,
                          int32_t lastColumn,
                          int32_t firstRow,
                          int32_t lastRow) {
  if (!source || !source->pixels || source->width <= 0 || source->height <= 0) return false;
  if (!target || !target->pixels || target->width <= 0 || target->height <= 0) return false;
  const int32_t w = source->width;
  const int32_t h = source->height;
  const int32_t width = target->width;
  const int32_t height = target->height;
  // A hostile skin must not make us divide by zero or read outside the source.
  firstColumn = Clamp(firstColumn, 0, w - 1);
  lastColumn = Clamp(lastColumn, firstColumn, w - 1);
  firstRow = Clamp(firstRow, 0, h - 1);
  lastRow = Clamp(lastRow, firstRow, h - 1);
  const int32_t middleEnd = width - w + lastColumn;  // last target column of the tiled part
  for (int32_t i = 0; i < height; ++i) {
    const int32_t sy = SourceIndex(i, height, h, firstRow, lastRow);
    const uint8_t* in = source->pixels + static_cast<size_t>(sy) * w * 4;
    uint8_t* out = target->pixels + static_cast<size_t>(i) * width * 4;
    // Runs of consecutive source columns are copied whole: the left edge,
    // each repetition of the stretch area, then the right edge.
    int32_t j = firstColumn < width ? firstColumn : width;
    std::memcpy(out, in, static_cast<size_t>(j) * 4);
    while (j < width) {
      const int32_t src = SourceIndex(j, width, w, firstColumn, lastColumn);
      int32_t run = width - j;
      if (j <= middleEnd) {
        run = lastColumn - src + 1;
        if (run > middleEnd - j + 1) run = middleEnd - j + 1;
      }
      std::memcpy(out + static_cast<size_t>(j) * 4, in + static_cast<size_t>(src) * 4,
                  static_cast<size_t>(run) * 4);
      j += run;
    }
  }
  return true;
}

SkinImage* BuildStretchedBackground(const SkinImage* source,
                                    int32_t width,
                                    int32_t height,
                                    int32_t firstColumn,
                                    int32_t lastColumn,
                                    int32_t firstRow,
                                    int32_t lastRow) {
  if (!source || !source->pixels || source->width <= 0 || source->height <= 0) return nullptr;
  width = Clamp(width, 1, kMaxSkinWindowSide);
  height = Clamp(height, 1, kMaxSkinWindowSide);
  size_t pixelBytes = static_cast<size_t>(width) * height * 4;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(SkinImage) + pixelBytes);
  if (!block) return nullptr;
  auto* image = static_cast<SkinImage*>(block);
  image->width = width;
  image->height = height;
  image->pixels = reinterpret_cast<uint8_t*>(image + 1);
  StretchSkinImageInto(source, image, firstColumn, lastColumn, firstRow, lastRow);
  return image;
}
