// The in-memory skin: parsed skin.ini values, decoded pictures and the
// per-context SkinData block the engine allocates. Plain records with fixed
// layouts (FontSpec is also stored in config.dsc).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/ConfigBlocks.h"  // FontSpec
#include "engine/PointerLayout.h"

// A decoded picture: width x height pixels, 4 bytes each in the order blue,
// green, red, alpha (not premultiplied), rows top to bottom, no row padding.
struct SkinImage {
  int32_t width;
  int32_t height;
  uint8_t* pixels;
};
static_assert(sizeof(SkinImage) == ByPointerSize(16, 12));

struct SkinInfo {
  wchar_t name[40];           // 名称
  wchar_t description[40];    // 描述
  wchar_t version[40];        // 版本
  wchar_t ownerName[40];      // 所有者名称
  wchar_t ownerContact[128];  // 所有者联系方式
};
static_assert(sizeof(SkinInfo) == 576);

struct SkinTextStyle {
  FontSpec codeFont;
  FontSpec candidateFont;
  uint8_t rightToLeft;
  uint32_t indexColour;
  uint32_t hintColour;
  uint32_t tempWordColour;
  uint32_t userWordColour;
  uint32_t firstColour;
  uint32_t firstBackground;
  uint32_t hoverBackground;
  uint32_t hoverColour;
  int32_t maxCodeShown;
  int32_t maxCandidateShown;
  uint32_t cursorColour;
};
static_assert(sizeof(SkinTextStyle) == 240);
static_assert(offsetof(SkinTextStyle, rightToLeft) == 192);
static_assert(offsetof(SkinTextStyle, indexColour) == 196);
static_assert(offsetof(SkinTextStyle, cursorColour) == 236);

struct SkinPoint {
  int32_t x;
  int32_t y;
};

struct StatusBarLayout {
  int32_t defaultPosition;  // 1..5 corners and centres, anything else bottom right
  SkinPoint chineseEnglish;
  SkinPoint punctuation;
  SkinPoint width;
  SkinPoint softKeyboard;
  SkinPoint menu;
  SkinPoint logo;
  SkinPoint extension1;
  SkinPoint extension2;
  wchar_t labels[3][10];  // cn_1, cn_2, cn_3
};
static_assert(sizeof(StatusBarLayout) == 128);
static_assert(offsetof(StatusBarLayout, labels) == 68);

struct CandidateLayout {
  SkinPoint nextPage;
  SkinPoint previousPage;
  SkinPoint punctuation;
  SkinPoint width;
  SkinPoint extension1;
  SkinPoint extension2;
  SkinPoint codeOrigin;
  SkinPoint candidateOrigin;
  int32_t indexWordGap;
  int32_t wordHintGap;
  int32_t candidateGap;
  int32_t lineGap;
  SkinPoint stretchColumns;  // first, last (inclusive)
  SkinPoint stretchRows;     // first, last (inclusive)
  int32_t rightMargin;
  int32_t bottomMargin;
  int32_t minWidth;
  int32_t minHeight;
  int32_t rightOffsetX;
  int32_t rightOffsetY;
  int32_t lowerOffsetX;
  int32_t lowerOffsetY;
  wchar_t indexSuffix;
};
static_assert(sizeof(CandidateLayout) == 132);
static_assert(offsetof(CandidateLayout, stretchColumns) == 80);
static_assert(offsetof(CandidateLayout, indexSuffix) == 128);

// The four candidate layouts, in skin.ini section order; each pairs with the
// background picture of the same index + 1 in SkinImageSet.
enum CandidateLayoutIndex {
  kLayoutMerged = 0,
  kLayoutMergedVertical = 1,
  kLayoutEmbedded = 2,
  kLayoutEmbeddedVertical = 3,
};

struct SkinValues {
  wchar_t loadedPath[260];
  SkinInfo info;
  SkinTextStyle text;
  StatusBarLayout statusBar;
  CandidateLayout layouts[4];
};
static_assert(sizeof(SkinValues) == 1992);
static_assert(offsetof(SkinValues, info) == 520);
static_assert(offsetof(SkinValues, text) == 1096);
static_assert(offsetof(SkinValues, statusBar) == 1336);
static_assert(offsetof(SkinValues, layouts) == 1464);

constexpr int kSkinPictureCount = 50;
constexpr int kSkinButtonCount = 15;

// Slots of SkinImageSet: five backgrounds, then three states per button.
enum SkinPicture {
  kPictureBar = 0,
  kPictureCandHB = 1,
  kPictureCandHBShu = 2,
  kPictureCandQR = 3,
  kPictureCandQRShu = 4,
  kPictureFirstButton = 5,
};
enum SkinButton {
  kButtonFlag,
  kButtonEn,
  kButtonCn,
  kButtonCapsLock,
  kButtonEnPunctuation,
  kButtonCnPunctuation,
  kButtonFull,
  kButtonHalf,
  kButtonKey2,
  kButtonKey1,
  kButtonMenu,
  kButtonUp,
  kButtonDown,
  kButtonExtern1,
  kButtonExtern2,
};
// state: 0 normal, 1 the "_1" picture, 2 the "_2" picture.
constexpr int ButtonPicture(SkinButton button, int state) {
  return kPictureFirstButton + 3 * static_cast<int>(button) + state;
}
static_assert(ButtonPicture(kButtonExtern2, 2) == kSkinPictureCount - 1);

struct SkinImageSet {
  SkinImage* images[kSkinPictureCount];  // null where the archive lacks one
};
static_assert(sizeof(SkinImageSet) == ByPointerSize(400, 200));

constexpr int kMaxListedSkins = 64;

// The skins of the skin folder; entry i is values[i] with images[i].
struct SkinList {
  int32_t count;
  SkinValues values[kMaxListedSkins];
  SkinImageSet images[kMaxListedSkins];
};
static_assert(sizeof(SkinList) == ByPointerSize(153096, 140292));
static_assert(offsetof(SkinList, values) == 4);
static_assert(offsetof(SkinList, images) == ByPointerSize(127496, 127492));

// Bytes of the window state at the start of SkinData and of the area after
// the pictures. Their fields belong to the candidate window and status bar.
constexpr size_t kSkinWindowAreaBytes = 50000;
constexpr size_t kSkinTrailingAreaBytes = 760;

// One per input context, zero-filled at allocation by the engine.
struct SkinData {
  uint8_t windowArea[kSkinWindowAreaBytes];
  SkinList list;
  SkinValues values;
  SkinImageSet images;
  uint8_t trailingArea[kSkinTrailingAreaBytes];
};
static_assert(sizeof(SkinData) == ByPointerSize(206248, 193244));
static_assert(offsetof(SkinData, list) == 50000);
static_assert(offsetof(SkinData, values) == ByPointerSize(203096, 190292));
static_assert(offsetof(SkinData, images) == ByPointerSize(205088, 192284));
static_assert(offsetof(SkinData, trailingArea) == ByPointerSize(205488, 192484));
