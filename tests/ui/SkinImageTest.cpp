// Window region from alpha and the nine-grid stretch, on hand-made pictures.
#include <gtest/gtest.h>

#include <vector>

#include "ui/skin/SkinImage.h"

namespace {

// A picture whose pixel (x, y) has blue = x, green = y and the given alpha.
struct HandMade {
  std::vector<uint8_t> pixels;
  SkinImage image;
  HandMade(int w, int h, const std::vector<uint8_t>& alpha = {}) : pixels(w * h * 4) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint8_t* p = &pixels[(y * w + x) * 4];
        p[0] = static_cast<uint8_t>(x);
        p[1] = static_cast<uint8_t>(y);
        p[3] = alpha.empty() ? 255 : alpha[y * w + x];
      }
    }
    image = {w, h, pixels.data()};
  }
};

std::vector<RECT> Rects(HRGN region) {
  DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<uint8_t> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  GetRegionData(region, size, data);
  const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
  return std::vector<RECT>(r, r + data->rdh.nCount);
}

// Source (column, row) a stretched pixel came from.
std::pair<int, int> Origin(const SkinImage* s, int x, int y) {
  const uint8_t* p = s->pixels + (y * s->width + x) * 4;
  return {p[0], p[1]};
}

}  // namespace

TEST(CreateRegionFromAlpha, RunsOfVisiblePixelsBecomeTheRegion) {
  // Rounded-corner 4 x 3 picture: transparent corners, a hole in the middle row.
  HandMade pic(4, 3, {0, 9, 9, 0, 9, 0, 1, 9, 0, 255, 255, 0});
  HRGN region = CreateRegionFromAlpha(&pic.image);
  ASSERT_NE(region, nullptr);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(PtInRegion(region, x, y) != 0, pic.pixels[(y * 4 + x) * 4 + 3] != 0)
          << x << "," << y;
    }
  }
  RECT box;
  GetRgnBox(region, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 3);
  DeleteObject(region);
}

TEST(CreateRegionFromAlpha, ManyRunsAreCombinedAcrossBatches) {
  // A 100 x 100 checkerboard: 5,000 one-pixel runs, more than one batch.
  std::vector<uint8_t> alpha(100 * 100);
  for (int i = 0; i < 100 * 100; ++i) alpha[i] = ((i % 100 + i / 100) % 2) ? 255 : 0;
  HandMade pic(100, 100, alpha);
  HRGN region = CreateRegionFromAlpha(&pic.image);
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(Rects(region).size(), 5000u);
  EXPECT_TRUE(PtInRegion(region, 99, 0));
  EXPECT_FALSE(PtInRegion(region, 99, 99));
  EXPECT_TRUE(PtInRegion(region, 98, 99));
  DeleteObject(region);
}

TEST(CreateRegionFromAlpha, EmptyInputs) {
  EXPECT_EQ(CreateRegionFromAlpha(nullptr), nullptr);
  SkinImage noPixels{4, 4, nullptr};
  EXPECT_EQ(CreateRegionFromAlpha(&noPixels), nullptr);
  HandMade clear(3, 3, std::vector<uint8_t>(9, 0));
  HRGN region = CreateRegionFromAlpha(&clear.image);
  ASSERT_NE(region, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
  DeleteObject(region);
}

TEST(BuildStretchedBackground, TilesTheStretchAreaAndKeepsTheEdges) {
  HandMade src(5, 4);
  // Columns 1..2 and row 2 repeat; 5 x 4 grows to 9 x 6.
  SkinImage* out = BuildStretchedBackground(&src.image, 9, 6, 1, 2, 2, 2);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->width, 9);
  EXPECT_EQ(out->height, 6);
  const int columns[9] = {0, 1, 2, 1, 2, 1, 2, 3, 4};
  const int rows[6] = {0, 1, 2, 2, 2, 3};
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(Origin(out, x, y), std::make_pair(columns[x], rows[y])) << x << "," << y;
    }
  }
  GlobalFree(out);

  // Same size: an exact copy.
  out = BuildStretchedBackground(&src.image, 5, 4, 1, 3, 1, 2);
  ASSERT_NE(out, nullptr);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Origin(out, x, y), std::make_pair(x, y));
  }
  GlobalFree(out);
}

TEST(BuildStretchedBackground, HostileRangesAndSizesStayInsideThePicture) {
  HandMade src(5, 4);
  struct Case {
    int w, h, c1, c2, r1, r2;
  } cases[] = {
      {12, 9, 3, 1, 2, 0},             // reversed ranges (would divide by zero)
      {12, 9, -50, 400, -1, 99},       // ranges outside the picture
      {3, 2, 1, 2, 1, 2},              // smaller than the source
      {0, -5, 1, 2, 1, 2},             // no size at all
      {1 << 30, 1 << 30, 1, 2, 1, 2},  // would overflow the allocation
  };
  for (const Case& c : cases) {
    SkinImage* out = BuildStretchedBackground(&src.image, c.w, c.h, c.c1, c.c2, c.r1, c.r2);
    ASSERT_NE(out, nullptr);
    EXPECT_GE(out->width, 1);
    EXPECT_LE(out->width, 4096);
    EXPECT_LE(out->height, 4096);
    for (int y = 0; y < out->height; y += 97) {
      for (int x = 0; x < out->width; x += 89) {
        auto [sx, sy] = Origin(out, x, y);
        EXPECT_LT(sx, 5);
        EXPECT_LT(sy, 4);
      }
    }
    GlobalFree(out);
  }
  EXPECT_EQ(BuildStretchedBackground(nullptr, 10, 10, 0, 0, 0, 0), nullptr);
  SkinImage empty{0, 0, nullptr};
  EXPECT_EQ(BuildStretchedBackground(&empty, 10, 10, 0, 0, 0, 0), nullptr);
}
