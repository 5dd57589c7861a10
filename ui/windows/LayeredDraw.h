// Drawing into the 32-bit premultiplied DIBs the skinned windows push with
// UpdateLayeredWindow: skin pictures composited over the DIB, the alpha
// repair after GDI text, the item painter and two small GDI helpers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/skin/SkinTypes.h"
#include "ui/windows/SkinItems.h"

// A top-down 32-bit DIB: width x height pixels, blue, green, red, alpha,
// colours premultiplied by alpha, rows of exactly width * 4 bytes.
struct DibView {
  int32_t width;
  int32_t height;
  uint8_t* bits;
};

// Alpha written for a pixel a skin picture made fully opaque. The painters
// treat 255 as "background nothing has drawn over yet" while they repair the
// alpha GDI text destroys.
constexpr uint8_t kOpaqueMarker = 254;

// The state pictures of one button; a missing variant falls back to normal.
struct SkinImageVariants {
  const SkinImage* normal;
  const SkinImage* hover;    // the "_1" picture
  const SkinImage* pressed;  // the "_2" picture
};

// The normal, "_1" and "_2" pictures of a skin button.
SkinImageVariants ButtonVariants(const SkinImageSet& images, SkinButton button);

// The variant an item in this state shows. Page buttons show their "_2"
// picture while disabled and their "_1" picture while pressed.
const SkinImage* ChooseSkinVariant(const SkinImageVariants& variants, int state,
                                   bool pageButton);

// Composites the item's picture at its position over the DIB. Nothing for a
// hidden item, a negative position or a picture that would not fit whole.
void BlendSkinImage(const SkinItem& item, const SkinImageVariants& variants, const DibView& dib,
                    bool pageButton);
// Composites image at (x, y) over the DIB; nothing when it does not fit whole.
void BlendImage(int x, int y, const SkinImage* image, const DibView& dib);

// Fills the DIB with the picture's colours premultiplied by its alpha. With
// markAlpha every pixel gets alpha 255 (the "not drawn over" marker for the
// repair after GDI text), otherwise the picture's own alpha. The picture must
// have the DIB's size.
void CopyPremultiplied(const SkinImage& image, const DibView& dib, bool markAlpha);
// After GDI text: pixels whose alpha GDI cleared become opaque; pixels still
// at the marker take the background's alpha again.
void RepairTextAlpha(const SkinImage& background, const DibView& dib);

// Draws image over white at its own coordinates, only the pixels inside clip.
void DrawImageOverWhite(HDC dc, const SkinImage* image, const RECT& clip);
// A one-pixel frame: top and left edges in topLeft, right and bottom in
// bottomRight.
void DrawLine(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
// Stretches the whole bitmap into rect with white transparent.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& rect);
// Paints one item with the font selected into dc: a bitmap item its state's
// bitmap, a text item its background (when set and unlike the text colour)
// and then its text with a transparent background.
void FillRectWithText(HDC dc, const SkinItem& item);
