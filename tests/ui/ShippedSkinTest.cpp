// The skins the product ships: every picture present, and skin.ini numbers
// that fit the pictures without any clamping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/ui/ShippedSkins.h"
#include "tests/ui/SkinTestSupport.h"
#include "ui/skin/ArchiveLoader.h"
#include "ui/skin/SkinImage.h"
#include "ui/skin/SkinIni.h"

namespace {

std::wstring TesselFolder() {
  std::wstring path = L"Z:";
  for (const char* p = ZN_TEST_TESSEL_UNIX; *p; ++p) path += *p == '/' ? L'\\' : wchar_t(*p);
  return path + L"\\";
}

bool IsExtension(int slot) {
  return slot >= ButtonPicture(kButtonExtern1, 0);
}

void ExpectInside(const SkinPoint& at,
                  const SkinImage* button,
                  const SkinImage* panel,
                  const char* what) {
  SCOPED_TRACE(what);
  ASSERT_NE(button, nullptr);
  EXPECT_GE(at.x, 0);
  EXPECT_GE(at.y, 0);
  EXPECT_LE(at.x + button->width, panel->width);
  EXPECT_LE(at.y + button->height, panel->height);
}

}  // namespace

TEST(ShippedSkins, LoadWithEveryPictureAndFittingLayouts) {
  for (const wchar_t* file : {L"skin.col", L"night.col"}) {
    SCOPED_TRACE(std::string(file, file + wcslen(file)));
    std::wstring path = TesselFolder() + file;
    SkinValues values;
    SkinImageSet images;
    ASSERT_EQ(LoadSkinArchive(&values, &images, path.c_str()), 1);
    EXPECT_NE(values.info.name[0], 0);
    for (int slot = 0; slot < kSkinPictureCount; ++slot) {
      EXPECT_EQ(images.images[slot] != nullptr, !IsExtension(slot)) << slot;
    }

    // The text as written equals the loaded values: nothing needed clamping.
    char ansi[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
    ArchiveEntryList* list =
        LoadArchiveEntries(ansi, {kMaxSkinEntries, kMaxSkinEntryBytes, kMaxSkinArchiveBytes});
    ASSERT_NE(list, nullptr);
    SkinValues raw{};
    for (uint32_t i = 0; i < list->count; ++i) {
      const ArchiveEntry& e = list->Entries()[i];
      if (std::string(e.name) == "skin.ini") {
        ASSERT_EQ(e.data[0], 0xFF);  // UTF-16 with its byte-order mark
        ASSERT_EQ(e.data[1], 0xFE);
        EXPECT_EQ(ParseSkinIni(&raw, e.length, e.data), kSkinIniParsed);
      }
    }
    FreeArchiveEntries(list);
    EXPECT_EQ(0, memcmp(&raw.info, &values.info, sizeof(raw) - sizeof(raw.loadedPath)));

    const StatusBarLayout& bar = values.statusBar;
    const SkinImage* barImage = images.images[kPictureBar];
    ExpectInside(bar.logo, images.images[ButtonPicture(kButtonFlag, 0)], barImage, "flag");
    ExpectInside(bar.chineseEnglish, images.images[ButtonPicture(kButtonCn, 0)], barImage, "cn");
    ExpectInside(bar.width, images.images[ButtonPicture(kButtonFull, 0)], barImage, "quan");
    ExpectInside(bar.punctuation, images.images[ButtonPicture(kButtonCnPunctuation, 0)], barImage,
                 "biaodian");
    ExpectInside(bar.softKeyboard, images.images[ButtonPicture(kButtonKey1, 0)], barImage, "key");
    ExpectInside(bar.menu, images.images[ButtonPicture(kButtonMenu, 0)], barImage, "menu");
    EXPECT_EQ(bar.extension1.x, -1);

    for (int i = 0; i < 4; ++i) {
      const CandidateLayout& l = values.layouts[i];
      const SkinImage* panel = images.images[kPictureCandHB + i];
      EXPECT_EQ(l.minWidth, panel->width);
      EXPECT_EQ(l.minHeight, panel->height);
      EXPECT_NE(l.indexSuffix, 0);
      // At the minimum size the page buttons land inside the picture.
      for (const SkinPoint& configured : {l.previousPage, l.nextPage}) {
        SkinPoint at = configured;
        if (at.x > l.stretchColumns.y) at.x -= l.rightMargin;
        if (at.y > l.stretchRows.y) at.y -= l.bottomMargin;
        ExpectInside(at, images.images[ButtonPicture(kButtonUp, 0)], panel, "page button");
      }
    }
    FreeSkin(&images);
  }
}

TEST(ShippedSkins, EachHasAPreviewForTheAppearancePage) {
  // The appearance page shows the archive's path with ".png" for ".col".
  for (const wchar_t* file : {L"skin.png", L"night.png"}) {
    SCOPED_TRACE(std::string(file, file + wcslen(file)));
    SkinImage* preview = LoadPngFile((TesselFolder() + file).c_str());
    ASSERT_NE(preview, nullptr);
    // Small enough for the page's preview box (about 124 x 104 pixels at
    // the usual font size), and not see-through everywhere.
    EXPECT_LE(preview->width, 124);
    EXPECT_LE(preview->height, 104);
    bool drawn = false;
    for (int32_t i = 0; i < preview->width * preview->height && !drawn; ++i)
      drawn = preview->pixels[i * 4 + 3] != 0;  // alpha of a 4-byte pixel
    EXPECT_TRUE(drawn);
    FreeSkinImage(preview);
  }
}

// The appearance page's preview shows the width state a fresh install has:
// half width. Where the two width pictures differ, the preview is inked
// exactly where the half-width picture is.
TEST(ShippedSkins, PreviewShowsTheHalfWidthButton) {
  std::wstring path = TesselFolder() + L"skin.col";
  SkinValues values;
  SkinImageSet images;
  ASSERT_EQ(LoadSkinArchive(&values, &images, path.c_str()), 1);
  SkinImage* preview = LoadPngFile((TesselFolder() + L"skin.png").c_str());
  ASSERT_NE(preview, nullptr);
  const SkinImage* half = images.images[ButtonPicture(kButtonHalf, 0)];
  const SkinImage* full = images.images[ButtonPicture(kButtonFull, 0)];
  ASSERT_TRUE(half && full && half->width == full->width && half->height == full->height);
  // Where the status bar's third button sits in the preview drawing.
  const int left = 65, top = 63;
  ASSERT_LE(left + half->width, preview->width);
  ASSERT_LE(top + half->height, preview->height);
  auto at = [](const SkinImage* image, int x, int y) {
    return image->pixels + 4 * (static_cast<size_t>(y) * image->width + x);
  };
  const uint8_t* plain = at(preview, left, top);  // the corner: no ink
  int differing = 0, matching = 0;
  for (int y = 0; y < half->height; ++y) {
    for (int x = 0; x < half->width; ++x) {
      int halfInk = at(half, x, y)[3], fullInk = at(full, x, y)[3];
      if (std::abs(halfInk - fullInk) < 128) continue;
      const uint8_t* shown = at(preview, left + x, top + y);
      int distance = 0;
      for (int c = 0; c < 3; ++c) distance += std::abs(shown[c] - plain[c]);
      ++differing;
      if ((distance > 60) == (halfInk > fullInk)) ++matching;
    }
  }
  FreeSkinImage(preview);
  ASSERT_GT(differing, 20);
  EXPECT_GT(matching * 10, differing * 9) << matching << " of " << differing;
}
