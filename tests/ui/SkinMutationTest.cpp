// Deterministic mutations of a valid skin: damaged archive structure,
// hostile entries packed with correct CRCs, and damaged skin.ini and PNG
// bytes. None may crash; whatever loads must be complete.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/ui/HostileSkins.h"
#include "tests/ui/SkinTestSupport.h"
#include "ui/skin/SkinIni.h"

using zn::test::SampleSkin;
using zn::test::TempDir;
using zn::test::WriteFileBytes;

namespace {

// A fixed-seed generator, so every run mutates the same way.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

 private:
  uint64_t state_;
};

void Mutate(std::vector<uint8_t>& bytes, Random& rng) {
  if (bytes.empty()) return;
  static const uint32_t kInteresting[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
  int edits = 1 + rng.Below(4);
  for (int i = 0; i < edits && !bytes.empty(); ++i) {
    size_t at = rng.Below(static_cast<uint32_t>(bytes.size()));
    switch (rng.Below(5)) {
      case 0:
        bytes[at] ^= static_cast<uint8_t>(1u << rng.Below(8));
        break;
      case 1:
        bytes[at] = static_cast<uint8_t>(rng.Next());
        break;
      case 2: {
        uint32_t v = kInteresting[rng.Below(8)];
        for (size_t k = 0; k < 4 && at + k < bytes.size(); ++k)
          bytes[at + k] = static_cast<uint8_t>(v >> (8 * k));
        break;
      }
      case 3:
        bytes.resize(at);
        break;
      default: {
        size_t n = 1 + rng.Below(64);
        if (at + n <= bytes.size())
          bytes.insert(bytes.begin() + at, bytes.begin() + at, bytes.begin() + at + n);
        break;
      }
    }
  }
}

// Recomputes the CRC of every whole chunk, so damage reaches the decoder
// instead of stopping at the first checksum.
void FixPngCrcs(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t n = uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    if (n > png.size() - at - 12) break;
    uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + at + 4, n + 4));
    for (int k = 0; k < 4; ++k) png[at + 8 + n + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
    at += 12 + n;
  }
}

// A load either fails with nothing kept or yields a complete skin.
void ExpectWholeOrNothing(int result, const SkinValues& values, const SkinImageSet& images) {
  if (result) {
    EXPECT_NE(values.info.name[0], 0);
    for (int i = 0; i < kPictureFirstButton; ++i) EXPECT_NE(images.images[i], nullptr);
  } else {
    for (SkinImage* image : images.images) EXPECT_EQ(image, nullptr);
  }
}

}  // namespace

TEST(SkinMutation, DamagedArchivesNeverCrash) {
  TempDir dir;
  std::wstring path = dir.File(L"m.col");
  for (bool deflated : {false, true}) {
    zn::test::ZipWriter zip;
    zip.Add("skin.ini", zn::test::Utf16Ini(zn::test::SampleIni(L"变异")), deflated);
    for (const char* picture : zn::test::kRequiredPictures) {
      zip.Add(picture, zn::test::SolidPng(12, 9), deflated);
    }
    std::vector<uint8_t> valid = zip.Build();
    Random rng(deflated ? 7 : 11);
    for (int round = 0; round < 1000; ++round) {
      std::vector<uint8_t> bytes = valid;
      Mutate(bytes, rng);
      ASSERT_TRUE(WriteFileBytes(path, bytes));
      SkinValues values;
      SkinImageSet images;
      int result = LoadSkinArchive(&values, &images, path.c_str());
      ExpectWholeOrNothing(result, values, images);
      FreeSkin(&images);
    }
  }
}

TEST(SkinMutation, HostileEntriesWithValidCrcsNeverCrash) {
  TempDir dir;
  std::wstring path = dir.File(L"h.col");
  std::vector<uint8_t> ini = zn::test::Utf16Ini(zn::test::SampleIni(L"变异") +
                                                L"[-候选窗口-嵌入-]\r\n横向拉伸区域=3,9\r\n");
  std::vector<uint8_t> png = zn::test::SolidPng(12, 9);
  Random rng(2024);
  for (int round = 0; round < 300; ++round) {
    zn::test::ZipWriter zip;
    std::vector<uint8_t> mutatedIni = ini;
    if (rng.Below(2)) Mutate(mutatedIni, rng);
    zip.Add("skin.ini", mutatedIni, rng.Below(2) != 0);
    for (const char* picture : zn::test::kRequiredPictures) {
      std::vector<uint8_t> p = png;
      if (rng.Below(3) == 0) Mutate(p, rng);
      zip.Add(picture, p, true);
    }
    ASSERT_TRUE(WriteFileBytes(path, zip.Build()));
    SkinValues values;
    SkinImageSet images;
    int result = LoadSkinArchive(&values, &images, path.c_str());
    ExpectWholeOrNothing(result, values, images);
    if (result) {
      // Whatever the text said, every stretch range lies inside its picture.
      for (int i = 0; i < 4; ++i) {
        const SkinImage* picture = images.images[kPictureCandHB + i];
        const CandidateLayout& l = values.layouts[i];
        EXPECT_LE(0, l.stretchColumns.x);
        EXPECT_LE(l.stretchColumns.x, l.stretchColumns.y);
        EXPECT_LT(l.stretchColumns.y, picture->width);
        EXPECT_LT(l.stretchRows.y, picture->height);
        SkinImage* stretched =
            BuildStretchedBackground(picture, l.minWidth, l.minHeight, l.stretchColumns.x,
                                     l.stretchColumns.y, l.stretchRows.x, l.stretchRows.y);
        ASSERT_NE(stretched, nullptr);
        GlobalFree(stretched);
      }
    }
    FreeSkin(&images);
  }
}

TEST(SkinMutation, DamagedIniAndPngBytesNeverCrash) {
  std::vector<uint8_t> ini = zn::test::Utf16Ini(zn::test::SampleIni(L"变异"));
  std::vector<uint8_t> png = zn::test::SolidPng(16, 16, 9, 8, 7, 128);
  Random rng(99);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> text = ini;
    Mutate(text, rng);
    SkinValues values{};
    int result = ParseSkinIni(&values, static_cast<uint32_t>(text.size()), text.data());
    EXPECT_TRUE(result == kSkinIniParsed || result == kSkinIniUndecodable ||
                result == kSkinIniNoName);
    EXPECT_LT(wcsnlen(values.info.name, 40), 40u);

    std::vector<uint8_t> picture = png;
    Mutate(picture, rng);
    if (round % 2) FixPngCrcs(picture);
    SkinImage* image = LoadPngFromMemory(picture.data(), static_cast<uint32_t>(picture.size()));
    if (image) {
      EXPECT_GT(image->width, 0);
      EXPECT_GT(image->height, 0);
    }
    FreeSkinImage(image);
  }
}

namespace {

int LoadBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  EXPECT_TRUE(WriteFileBytes(path, bytes));
  SkinValues values;
  SkinImageSet images;
  const int result = LoadSkinArchive(&values, &images, path.c_str());
  ExpectWholeOrNothing(result, values, images);
  FreeSkin(&images);
  return result;
}

// The five window pictures, the given PNG files, in an archive.
std::vector<uint8_t> SkinOf(const std::vector<std::vector<uint8_t>>& pictures) {
  zn::test::ZipWriter zip;
  zip.Add("skin.ini", zn::test::Utf16Ini(zn::test::SampleIni(L"预算")), true);
  for (size_t i = 0; i < pictures.size(); ++i) zip.Add(zn::test::kRequiredPictures[i], pictures[i], true);
  return zip.Build();
}

}  // namespace

TEST(SkinMutation, ChunksOverTheLimitStopTheDecode) {
  TempDir dir;
  const std::vector<uint8_t> png = zn::test::HugeTextChunkPng();
  EXPECT_EQ(LoadPngFromMemory(png.data(), static_cast<uint32_t>(png.size())), nullptr);
  EXPECT_EQ(LoadBytes(dir.File(L"bar.col"), zn::test::HugeTextChunkSkin(false)), 0);
  EXPECT_EQ(LoadBytes(dir.File(L"all.col"), zn::test::HugeTextChunkSkin(true)), 0);
  // A whole text chunk just over the limit is refused too, not read with a
  // warning; one under it is skipped and the picture decodes.
  for (uint32_t bytes : {kMaxPngChunkBytes + 1, 1u << 20}) {
    std::vector<uint8_t> body(bytes, 'x');
    std::memcpy(body.data(), "Comment", 8);
    std::vector<uint8_t> chunk;
    zn::test::PngChunk(chunk, "tEXt", body);
    std::vector<uint8_t> picture = zn::test::SolidPng(30, 16);
    picture.insert(picture.begin() + 33, chunk.begin(), chunk.end());
    SkinImage* image = LoadPngFromMemory(picture.data(), static_cast<uint32_t>(picture.size()));
    EXPECT_EQ(image != nullptr, bytes < kMaxPngChunkBytes) << bytes;
    FreeSkinImage(image);
  }
}

TEST(SkinMutation, PicturesOverTheSkinBudgetRefuseTheSkinWhole) {
  zn::test::SkinHostFixture f;
  f.AddSkin(L"good.col", L"好");
  f.Configure(L"good.col");
  ASSERT_EQ(LoadSelectedSkinFor(f.Host()), 1);
  // A dozen kilobytes that would decode to 800 MB: refused whole, and the
  // skin loaded before stays.
  ASSERT_TRUE(WriteFileBytes(f.Tessel() + L"large.col", zn::test::LargePictureSkin()));
  f.Configure(L"large.col");
  EXPECT_EQ(LoadSelectedSkinFor(f.Host()), 0);
  EXPECT_EQ(f.LoadedName(), L"good.col");
  EXPECT_EQ(std::wstring(f.skin()->values.info.name), L"好");
  ASSERT_NE(f.skin()->images.images[0], nullptr);

  // Exactly the budget loads; one row more does not.
  using zn::test::EncodePng;
  using zn::test::PngPicture;
  std::vector<std::vector<uint8_t>> exact = {
      EncodePng(PngPicture{2048, 2048}), EncodePng(PngPicture{2048, 2044}),
      EncodePng(PngPicture{64, 32}), EncodePng(PngPicture{64, 32}), EncodePng(PngPicture{64, 64})};
  EXPECT_EQ(LoadBytes(f.dir().File(L"exact.col"), SkinOf(exact)), 1);
  exact[4] = EncodePng(PngPicture{64, 65});
  EXPECT_EQ(LoadBytes(f.dir().File(L"over.col"), SkinOf(exact)), 0);

  // The budget stops a picture before any of its pixels is decoded.
  PixelBudget budget;
  budget.left = 99;
  const std::vector<uint8_t> ten = zn::test::SolidPng(10, 10);
  EXPECT_EQ(LoadPngFromMemory(ten.data(), static_cast<uint32_t>(ten.size()), &budget), nullptr);
  EXPECT_TRUE(budget.exceeded);
  budget = PixelBudget{};
  SkinImage* image = LoadPngFromMemory(ten.data(), static_cast<uint32_t>(ten.size()), &budget);
  ASSERT_NE(image, nullptr);
  FreeSkinImage(image);
  EXPECT_EQ(budget.left, kMaxSkinPixels - 100);
  EXPECT_FALSE(budget.exceeded);
}
