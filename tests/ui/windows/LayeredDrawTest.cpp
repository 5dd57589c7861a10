// Pixels of the layered drawing routines, item hit tests and button states.
#include <gtest/gtest.h>

#include <vector>

#include "tests/common/MemoryDib.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/LayeredDraw.h"

using namespace zn::test;

namespace {

// A DIB in plain memory with guard bytes after it.
struct Canvas {
  Canvas(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a)
      : width(w), height(h), bytes(static_cast<size_t>(w) * h * 4 + 64, 0xCD) {
    for (int i = 0; i < w * h; ++i) {
      bytes[i * 4] = b;
      bytes[i * 4 + 1] = g;
      bytes[i * 4 + 2] = r;
      bytes[i * 4 + 3] = a;
    }
  }
  DibView dib() { return {width, height, bytes.data()}; }
  const uint8_t* at(int x, int y) const { return &bytes[(static_cast<size_t>(y) * width + x) * 4]; }
  bool GuardIntact() const {
    for (size_t i = static_cast<size_t>(width) * height * 4; i < bytes.size(); ++i) {
      if (bytes[i] != 0xCD) return false;
    }
    return true;
  }
  int width;
  int height;
  std::vector<uint8_t> bytes;
};

SkinItem Button(int x, int y, int state = kItemNormal) {
  SkinItem item{};
  item.x = x;
  item.y = y;
  item.state = state;
  item.id = 13;
  item.kind = kItemKindImageButton;
  return item;
}

}  // namespace

TEST(LayeredDraw, BlendCompositesOverPremultipliedPixels) {
  // Opaque picture pixels are marked 254; transparent ones leave the target.
  Canvas canvas(4, 1, 10, 20, 30, 255);
  std::vector<uint8_t> rgba = {200, 100, 50, 255, 1, 2, 3, 0, 255, 255, 255, 128, 0, 0, 0, 128};
  const uint8_t* rows[] = {rgba.data()};
  ImagePtr image(MakeSkinImage(4, 1, 6, rows));
  BlendImage(0, 0, image.get(), canvas.dib());
  EXPECT_EQ(canvas.at(0, 0)[0], 50);  // blue of (200, 100, 50)
  EXPECT_EQ(canvas.at(0, 0)[2], 200);
  EXPECT_EQ(canvas.at(0, 0)[3], kOpaqueMarker);
  EXPECT_EQ(std::vector<uint8_t>(canvas.at(1, 0), canvas.at(1, 0) + 4),
            (std::vector<uint8_t>{10, 20, 30, 255}));
  // A half-transparent edge over an opaque background stays opaque: no
  // see-through hole where a button's antialiased edge lies.
  EXPECT_EQ(canvas.at(2, 0)[3], kOpaqueMarker);
  EXPECT_EQ(canvas.at(2, 0)[0], (255 * 128 + 10 * 127 + 127) / 255);

  // Over a transparent pixel the result is the picture's own alpha and its
  // colour premultiplied by it.
  Canvas clear(1, 1, 0, 0, 0, 0);
  std::vector<uint8_t> half = {200, 200, 200, 128};
  const uint8_t* halfRows[] = {half.data()};
  ImagePtr halfImage(MakeSkinImage(1, 1, 6, halfRows));
  BlendImage(0, 0, halfImage.get(), clear.dib());
  EXPECT_EQ(clear.at(0, 0)[3], 128);
  EXPECT_EQ(clear.at(0, 0)[0], (200 * 128 + 127) / 255);
}

TEST(LayeredDraw, PicturesThatDoNotFitWholeAreNotDrawn) {
  ImagePtr normal = SolidImage(4, 4, 1, 2, 3, 255);
  ImagePtr hover = SolidImage(6, 6, 9, 9, 9, 255);
  SkinImageVariants variants{normal.get(), hover.get(), nullptr};
  struct Case {
    SkinItem item;
    bool drawn;
  };
  const Case cases[] = {
      {Button(6, 6), true},                 // exactly at the edge
      {Button(7, 6), false},                // one pixel over
      {Button(-1, 0), false},               // negative position
      {Button(0, 0, kItemHidden), false},   // hidden
      {Button(5, 5, kItemHover), false},    // the larger hover picture would overflow
      {Button(4, 4, kItemHover), true},
  };
  for (const Case& c : cases) {
    Canvas canvas(10, 10, 0, 0, 0, 255);
    BlendSkinImage(c.item, variants, canvas.dib(), false);
    EXPECT_TRUE(canvas.GuardIntact());
    const int x = c.item.x < 0 ? 0 : c.item.x;
    const int y = c.item.y < 0 ? 0 : c.item.y;
    EXPECT_EQ(canvas.at(x, y)[3] == kOpaqueMarker, c.drawn) << c.item.x << "," << c.item.y;
  }
}

TEST(LayeredDraw, StateVariantsAndFallbacks) {
  ImagePtr normal = SolidImage(1, 1, 0, 0, 0, 255);
  ImagePtr hover = SolidImage(1, 1, 0, 0, 0, 255);
  ImagePtr pressed = SolidImage(1, 1, 0, 0, 0, 255);
  SkinImageVariants all{normal.get(), hover.get(), pressed.get()};
  EXPECT_EQ(ChooseSkinVariant(all, kItemNormal, true), normal.get());
  EXPECT_EQ(ChooseSkinVariant(all, kItemDisabled, true), pressed.get());
  EXPECT_EQ(ChooseSkinVariant(all, kItemDisabled, false), normal.get());
  EXPECT_EQ(ChooseSkinVariant(all, kItemHover, false), hover.get());
  EXPECT_EQ(ChooseSkinVariant(all, kItemPressed, true), hover.get());
  EXPECT_EQ(ChooseSkinVariant(all, kItemPressed, false), pressed.get());
  SkinImageVariants only{normal.get(), nullptr, nullptr};
  EXPECT_EQ(ChooseSkinVariant(only, kItemPressed, false), normal.get());
  EXPECT_EQ(ChooseSkinVariant(only, kItemHover, false), normal.get());
}

TEST(LayeredDraw, AlphaRepairAfterGdiText) {
  // Background: opaque top row, half-transparent bottom row.
  std::vector<uint8_t> rgba = {100, 100, 100, 255, 100, 100, 100, 255,
                               100, 100, 100, 128, 100, 100, 100, 128};
  const uint8_t* rows[] = {rgba.data(), rgba.data() + 8};
  ImagePtr background(MakeSkinImage(2, 2, 6, rows));
  Canvas canvas(2, 2, 0, 0, 0, 0);
  CopyPremultiplied(*background, canvas.dib(), true);
  EXPECT_EQ(canvas.at(0, 1)[0], (100 * 128 + 127) / 255);
  EXPECT_EQ(canvas.at(0, 1)[3], 255);  // marked "not drawn over"
  canvas.bytes[3] = 0;                   // GDI drew pixel (0, 0)
  canvas.bytes[(2 + 1) * 4 + 3] = 0;     // and pixel (1, 1)
  RepairTextAlpha(*background, canvas.dib());
  EXPECT_EQ(canvas.at(0, 0)[3], 255);
  EXPECT_EQ(canvas.at(1, 0)[3], 255);
  EXPECT_EQ(canvas.at(0, 1)[3], 128);  // background alpha restored
  EXPECT_EQ(canvas.at(1, 1)[3], 255);  // text over a see-through area is opaque

  Canvas own(2, 2, 0, 0, 0, 0);
  CopyPremultiplied(*background, own.dib(), false);
  EXPECT_EQ(own.at(1, 1)[3], 128);
}

TEST(LayeredDraw, TextItemsClearAlphaThatTheRepairRestores) {
  // Real GDI into a DIB section: FillRectWithText's background fill and text
  // clear the alpha byte of the pixels they touch.
  MemoryDib dib(40, 20);
  ASSERT_TRUE(dib.ok());
  dib.Fill(0xFF000000);
  SkinItem item{};
  ResetSkinItems(&item, 1);
  item.x = 5;
  item.y = 5;
  item.width = 10;
  item.height = 8;
  item.state = kItemNormal;
  item.kind = kItemKindText;
  item.textColour[0] = RGB(0, 0, 0);
  item.backColour[0] = RGB(255, 0, 0);
  item.text[0] = L'W';
  item.textLength = 1;
  FillRectWithText(dib.dc(), item);
  EXPECT_EQ(dib.At(6, 6) >> 24, 0u);
  EXPECT_EQ(dib.At(30, 1) >> 24, 255u);  // untouched
  // Same text and background colour: no fill.
  item.backColour[0] = item.textColour[0];
  item.text[0] = 0;
  item.textLength = 0;
  dib.Fill(0xFF000000);
  FillRectWithText(dib.dc(), item);
  EXPECT_EQ(dib.At(6, 6) >> 24, 255u);
}

TEST(LayeredDraw, PreviewOverWhiteIsClipped) {
  MemoryDib dib(20, 20);
  dib.Fill(0x00123456);
  // A picture far larger than the control: only the clip rectangle is drawn.
  ImagePtr large = SolidImage(4096, 64, 0, 0, 0, 128);
  DrawImageOverWhite(dib.dc(), large.get(), RECT{2, 2, 10, 10});
  EXPECT_EQ(dib.At(0, 0) & 0xFFFFFF, 0x123456u);
  EXPECT_EQ(dib.At(10, 10) & 0xFFFFFF, 0x123456u);
  const uint32_t grey = (255 * 127 + 127) / 255;  // black at half alpha over white
  EXPECT_EQ(dib.At(5, 5) & 0xFFFFFF, grey | grey << 8 | grey << 16);
}

TEST(SkinItems, HitTestAndOneStatePerButton) {
  SkinItem items[kSkinItemCount];
  ResetSkinItems(items, kSkinItemCount);
  auto place = [&](int i, int id, int x, int y, int w, int h, int state = kItemNormal) {
    items[i].id = id;
    items[i].x = x;
    items[i].y = y;
    items[i].width = w;
    items[i].height = h;
    items[i].state = state;
  };
  place(0, 2, 10, 10, 20, 10);
  place(1, 3, 10, 10, 40, 10);           // overlaps: the first wins
  place(2, 12, 50, 0, 10, 10, kItemDisabled);
  place(3, 13, -5, 0, 100, 100);         // negative position never hits
  const SIZE window{100, 40};
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 0, 15), -1);
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 15, 0), -1);
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 100, 15), -1);
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 15, 15), 2);
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 10, 15), 0);  // on the edge
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 40, 15), 3);
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 55, 5), 0);   // disabled
  EXPECT_EQ(HitTestSkinButton(items, kSkinItemCount, window, 80, 30), 0);

  SetSkinButtonState(items, kSkinItemCount, 2, kItemHover);
  EXPECT_EQ(items[0].state, kItemHover);
  SetSkinButtonState(items, kSkinItemCount, 3, kItemHover);
  EXPECT_EQ(items[0].state, kItemNormal);
  EXPECT_EQ(items[1].state, kItemHover);
  SetSkinButtonState(items, kSkinItemCount, 12, kItemPressed);
  EXPECT_EQ(items[2].state, kItemDisabled);
  ClearSkinButtonState(items, kSkinItemCount, 3);
  EXPECT_EQ(items[1].state, kItemNormal);
  SetSkinButtonState(items, kSkinItemCount, 0, kItemPressed);
  EXPECT_EQ(items[4].state, kItemHidden);
}
