// PNG decoding into BGRA pictures: every colour type, and the files that
// must be refused rather than decoded from uninitialised memory.
#include <gtest/gtest.h>

#include <vector>

#include "tests/common/TempDir.h"
#include "tests/ui/PngWriter.h"
#include "tests/ui/ZipWriter.h"
#include "ui/skin/SkinImage.h"

using zn::test::PngSpec;

namespace {

std::vector<uint8_t> EncodePng(uint32_t w,
                               uint32_t h,
                               uint8_t type,
                               uint8_t depth,
                               std::vector<uint8_t> pixels,
                               std::vector<uint8_t> palette = {},
                               std::vector<uint8_t> transparency = {}) {
  PngSpec spec;
  spec.width = w;
  spec.height = h;
  spec.colourType = type;
  spec.bitDepth = depth;
  spec.pixels = std::move(pixels);
  spec.palette = std::move(palette);
  spec.transparency = std::move(transparency);
  return zn::test::EncodePng(spec);
}

}  // namespace

namespace {

struct Picture {
  SkinImage* image;
  explicit Picture(const std::vector<uint8_t>& png)
      : image(LoadPngFromMemory(png.data(), static_cast<uint32_t>(png.size()))) {}
  ~Picture() { FreeSkinImage(image); }
  std::vector<uint8_t> Pixel(int x, int y) const {
    const uint8_t* p = image->pixels + (y * image->width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

using Bgra = std::vector<uint8_t>;

}  // namespace

TEST(PngDecoder, ConvertsEveryColourTypeToBgra) {
  Picture a(EncodePng(2, 1, 6, 8, {10, 20, 30, 40, 50, 60, 70, 0}));
  ASSERT_NE(a.image, nullptr);
  EXPECT_EQ(a.image->width, 2);
  EXPECT_EQ(a.image->height, 1);
  EXPECT_EQ(a.Pixel(0, 0), (Bgra{30, 20, 10, 40}));
  EXPECT_EQ(a.Pixel(1, 0), (Bgra{70, 60, 50, 0}));

  // Without an alpha channel a picture is opaque.
  Picture rgb(EncodePng(1, 2, 2, 8, {1, 2, 3, 4, 5, 6}));
  ASSERT_NE(rgb.image, nullptr);
  EXPECT_EQ(rgb.Pixel(0, 1), (Bgra{6, 5, 4, 255}));
  Picture grey(EncodePng(1, 1, 0, 8, {77}));
  ASSERT_NE(grey.image, nullptr);
  EXPECT_EQ(grey.Pixel(0, 0), (Bgra{77, 77, 77, 255}));
  Picture greyAlpha(EncodePng(1, 1, 4, 8, {90, 12}));
  ASSERT_NE(greyAlpha.image, nullptr);
  EXPECT_EQ(greyAlpha.Pixel(0, 0), (Bgra{90, 90, 90, 12}));

  // Palette with transparency, and a 4-bit grey picture, are expanded.
  Picture p(EncodePng(2, 1, 3, 8, {0, 1}, {255, 0, 0, 0, 0, 255}, {128}));
  ASSERT_NE(p.image, nullptr);
  EXPECT_EQ(p.Pixel(0, 0), (Bgra{0, 0, 255, 128}));
  EXPECT_EQ(p.Pixel(1, 0), (Bgra{255, 0, 0, 255}));
  Picture lowDepth(EncodePng(2, 1, 0, 4, {0xF0}));
  ASSERT_NE(lowDepth.image, nullptr);
  EXPECT_EQ(lowDepth.Pixel(0, 0), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(lowDepth.Pixel(1, 0), (Bgra{0, 0, 0, 255}));
}

TEST(PngDecoder, SixteenBitChannelsAreStripped) {
  Picture d(EncodePng(1, 1, 6, 16, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xEE}));
  ASSERT_NE(d.image, nullptr);
  EXPECT_EQ(d.Pixel(0, 0), (Bgra{0x9A, 0x56, 0x12, 0xFF}));
}

TEST(PngDecoder, RefusesDamagedTruncatedAndOversizedPictures) {
  std::vector<uint8_t> good = zn::test::SolidPng(40, 40);
  // Cut anywhere: libpng must stop at the end of the data, not read past it.
  for (size_t cut = 0; cut < good.size(); cut += 7) {
    Picture cutPicture(std::vector<uint8_t>(good.begin(), good.begin() + cut));
    EXPECT_EQ(cutPicture.image, nullptr) << cut;
  }
  std::vector<uint8_t> badCrc = good;
  badCrc[30] ^= 0xFF;  // the CRC of IHDR
  EXPECT_EQ(Picture(badCrc).image, nullptr);
  EXPECT_EQ(Picture(zn::test::Bytes("not a png file at all")).image, nullptr);
  EXPECT_EQ(LoadPngFromMemory(nullptr, 100), nullptr);

  // Sizes that would allocate gigabytes are refused before decoding.
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{100000, 1}, {1, 100000}, {4096, 4096}}) {
    std::vector<uint8_t> png = EncodePng(1, 1, 6, 8, {1, 2, 3, 4});
    // Patch IHDR width and height (bytes 16..23) and its CRC.
    for (int s = 0; s < 4; ++s) {
      png[16 + s] = static_cast<uint8_t>(w >> (24 - 8 * s));
      png[20 + s] = static_cast<uint8_t>(h >> (24 - 8 * s));
    }
    uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
    for (int s = 0; s < 4; ++s) png[29 + s] = static_cast<uint8_t>(crc >> (24 - 8 * s));
    EXPECT_EQ(Picture(png).image, nullptr) << w << "x" << h;
  }
}

TEST(PngDecoder, LoadsFromAFile) {
  zn::test::TempDir dir;
  ASSERT_TRUE(zn::test::WriteFileBytes(dir.File(L"p.png"), zn::test::SolidPng(3, 2, 1, 2, 3)));
  SkinImage* image = LoadPngFile(dir.File(L"p.png").c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->pixels[0], 3);
  FreeSkinImage(image);
  EXPECT_EQ(LoadPngFile(dir.File(L"missing.png").c_str()), nullptr);
  EXPECT_EQ(LoadPngFile(dir.path().c_str()), nullptr);
}
