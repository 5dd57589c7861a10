// Decoded skin pictures: PNG decoding, the window region from a picture's
// alpha channel and the nine-grid stretched background.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/skin/SkinTypes.h"

// Largest picture side and pixel count a skin may carry (16 MB of pixels at
// most); larger pictures are refused before anything is allocated.
constexpr uint32_t kMaxPictureSide = 4096;
constexpr uint64_t kMaxPicturePixels = 4ull * 1024 * 1024;
// All the pictures of one skin together: 8 M pixels, 32 MB of BGRA. An
// input method lives in every application: a skin must not cost more.
constexpr uint64_t kMaxSkinPixels = 8ull * 1024 * 1024;
// Largest chunk a picture may declare; a larger one stops the decode.
constexpr uint32_t kMaxPngChunkBytes = 8u * 1024 * 1024;
// Largest PNG file LoadPngFile reads.
constexpr uint32_t kMaxPngFileBytes = 32u * 1024 * 1024;

// Pixels a skin may still decode.
struct PixelBudget {
  uint64_t left = kMaxSkinPixels;
  bool exceeded = false;  // a picture was refused for want of budget
};

// Decodes a PNG held in memory; null when it is not a PNG, is damaged, ends
// early or exceeds the limits above. With a budget, a picture larger than
// what is left is refused (exceeded set) before any pixel is decoded, and a
// decoded one is taken from it. The result is malloc'ed: FreeSkinImage.
SkinImage* LoadPngFromMemory(const uint8_t* bytes, uint32_t length, PixelBudget* budget = nullptr);
SkinImage* LoadPngFile(const wchar_t* path);

// The size a PNG's header declares, read without decoding; false when the
// bytes do not start like a PNG.
bool PngDeclaredSize(const uint8_t* bytes, uint32_t length, uint32_t* width, uint32_t* height);

// Builds a SkinImage from decoded rows of the given PNG colour type (after
// expansion and 16-bit stripping): 0 grey, 2 RGB, 4 grey+alpha, 6 RGBA.
// Pictures without an alpha channel are opaque. Null for other types.
SkinImage* MakeSkinImage(int32_t width, int32_t height, int colourType, const uint8_t* const* rows);

// Frees a picture made by LoadPngFromMemory, LoadPngFile or MakeSkinImage.
void FreeSkinImage(SkinImage* image);

// Frees every picture of the set and zeroes it.
void FreeSkin(SkinImageSet* set);

// A region made of every run of pixels whose alpha is not 0; null for a null
// or empty picture or when GDI fails. The caller owns the region.
HRGN CreateRegionFromAlpha(const SkinImage* image);

// A width x height copy of source whose columns firstColumn..lastColumn and
// rows firstRow..lastRow (inclusive) repeat to fill the extra space. The
// ranges are clamped into the source, the size to 1..kMaxSkinWindowSide.
// One GlobalAlloc block (record and pixels): free it with GlobalFree.
SkinImage* BuildStretchedBackground(const SkinImage* source,
                                    int32_t width,
                                    int32_t height,
                                    int32_t firstColumn,
                                    int32_t lastColumn,
                                    int32_t firstRow,
                                    int32_t lastRow);
// The same into a picture the caller provides (its width, height and pixels
// set): for windows that keep one buffer across layouts. False for a missing
// source or target.
bool StretchSkinImageInto(const SkinImage* source,
                          SkinImage* target,
                          int32_t firstColumn,
                          int32_t lastColumn,
                          int32_t firstRow,
                          int32_t lastRow);
