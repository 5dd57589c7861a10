// PNG decoding into BGRA pictures: every colour type, and the files that
// must be refused rather than decoded from uninitialised memory.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "tests/common/TempDir.h"
#include "tests/ui/PngWriter.h"
#include "tests/ui/ZipWriter.h"
#include "ui/skin/SkinImage.h"

using zn::test::EncodePng;

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
  const zn::test::PngPicture rgba{2, 1, 6, 8, {10, 20, 30, 40, 50, 60, 70, 0}};
  const zn::test::PngPicture palette{2, 1, 3, 8, {0, 1}, {255, 0, 0, 0, 0, 255}, {128}};
  const zn::test::PngPicture grey4{2, 1, 0, 4, {0xF0}};
  // Without an alpha channel a picture is opaque; palettes (with
  // transparency) and low depths are expanded, 16-bit channels stripped.
  const std::tuple<zn::test::PngPicture, int, int, Bgra> cases[] = {
      {rgba, 0, 0, {30, 20, 10, 40}},
      {rgba, 1, 0, {70, 60, 50, 0}},
      {{1, 2, 2, 8, {1, 2, 3, 4, 5, 6}}, 0, 1, {6, 5, 4, 255}},
      {{1, 1, 0, 8, {77}}, 0, 0, {77, 77, 77, 255}},
      {{1, 1, 4, 8, {90, 12}}, 0, 0, {90, 90, 90, 12}},
      {palette, 0, 0, {0, 0, 255, 128}},
      {palette, 1, 0, {255, 0, 0, 255}},
      {grey4, 0, 0, {255, 255, 255, 255}},
      {grey4, 1, 0, {0, 0, 0, 255}},
      {{1, 1, 6, 16, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xEE}}, 0, 0, {0x9A, 0x56, 0x12, 0xFF}}};
  for (const auto& [png, x, y, want] : cases) {
    Picture p(EncodePng(png));
    ASSERT_NE(p.image, nullptr);
    EXPECT_EQ(p.image->width, static_cast<int>(png.width));
    EXPECT_EQ(p.image->height, static_cast<int>(png.height));
    EXPECT_EQ(p.Pixel(x, y), want) << int(png.colourType) << " " << x;
  }
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
    std::vector<uint8_t> png = EncodePng({1, 1, 6, 8, {1, 2, 3, 4}});
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
