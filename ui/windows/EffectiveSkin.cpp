// The built-in plain skin and the choice between it and the loaded one.
#include "ui/windows/EffectiveSkin.h"

#include <cstring>

#include "engine/ImeContext.h"
#include "engine/WideString.h"

namespace {

constexpr int kPanelSide = 8;

struct BuiltIn {
  SkinValues values;
  SkinImageSet images;
  SkinImage panel;
  uint8_t pixels[kPanelSide * kPanelSide * 4];
};

void SetFont(FontSpec* font, const wchar_t* face, int32_t size, uint32_t colour) {
  std::memset(font, 0, sizeof(*font));
  CopyStringBounded(font->face, 40, face);
  font->sizePixels = size;
  font->weight = FW_NORMAL;
  font->colour = colour;
}

void SetLayout(CandidateLayout* layout, bool merged) {
  std::memset(layout, 0, sizeof(*layout));
  const SkinPoint none{-1, -1};
  layout->nextPage = layout->previousPage = layout->punctuation = layout->width = none;
  layout->extension1 = layout->extension2 = none;
  layout->codeOrigin = {6, 4};
  layout->candidateOrigin = {6, merged ? 26 : 4};
  layout->indexWordGap = 2;
  layout->wordHintGap = 4;
  layout->candidateGap = 12;
  layout->lineGap = 2;
  layout->stretchColumns = {2, kPanelSide - 3};
  layout->stretchRows = {2, kPanelSide - 3};
  layout->rightMargin = 6;
  layout->bottomMargin = 4;
  layout->indexSuffix = L'.';
}

BuiltIn* MakeBuiltIn() {
  static BuiltIn b;
  std::memset(&b, 0, sizeof(b));
  for (int y = 0; y < kPanelSide; ++y) {
    for (int x = 0; x < kPanelSide; ++x) {
      const bool edge = x == 0 || y == 0 || x == kPanelSide - 1 || y == kPanelSide - 1;
      uint8_t* p = b.pixels + (y * kPanelSide + x) * 4;
      p[0] = p[1] = p[2] = edge ? 0xA0 : 0xFF;
      p[3] = 0xFF;
    }
  }
  b.panel = {kPanelSide, kPanelSide, b.pixels};
  for (int i = kPictureCandHB; i <= kPictureCandQRShu; ++i) b.images.images[i] = &b.panel;
  SkinTextStyle& t = b.values.text;
  SetFont(&t.codeFont, L"宋体", -14, RGB(0x20, 0x50, 0xC0));
  SetFont(&t.candidateFont, L"宋体", -16, RGB(0, 0, 0));
  t.indexColour = t.hintColour = RGB(0x80, 0x80, 0x80);
  t.tempWordColour = RGB(0xB0, 0x50, 0x00);
  t.userWordColour = RGB(0x10, 0x70, 0x40);
  t.firstColour = RGB(0xFF, 0xFF, 0xFF);
  t.firstBackground = RGB(0x30, 0x70, 0xE0);
  t.hoverColour = RGB(0, 0, 0);
  t.hoverBackground = RGB(0xE0, 0xE8, 0xF8);
  t.maxCodeShown = 40;
  t.maxCandidateShown = 24;
  t.cursorColour = RGB(0x30, 0x70, 0xE0);
  SetLayout(&b.values.layouts[kLayoutMerged], true);
  SetLayout(&b.values.layouts[kLayoutMergedVertical], true);
  SetLayout(&b.values.layouts[kLayoutEmbedded], false);
  SetLayout(&b.values.layouts[kLayoutEmbeddedVertical], false);
  return &b;
}

const BuiltIn& TheBuiltIn() {
  static const BuiltIn* b = MakeBuiltIn();
  return *b;
}

}  // namespace

bool SkinHasWindowPictures(const SkinData* skin) {
  if (!skin) return false;
  for (int i = kPictureCandHB; i <= kPictureCandQRShu; ++i) {
    if (!skin->images.images[i]) return false;
  }
  return true;
}

EffectiveSkin EffectiveSkinOf(const ImeContext* context) {
  const SkinData* skin = context ? context->skin : nullptr;
  if (SkinHasWindowPictures(skin)) return {&skin->values, &skin->images, false};
  return {&BuiltInSkinValues(), &BuiltInSkinImages(), true};
}

const SkinValues& BuiltInSkinValues() { return TheBuiltIn().values; }
const SkinImageSet& BuiltInSkinImages() { return TheBuiltIn().images; }
