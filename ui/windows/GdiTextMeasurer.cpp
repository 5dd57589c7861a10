// GDI text extents in the candidate window's fonts.
#include "ui/windows/GdiTextMeasurer.h"

GdiTextMeasurer::GdiTextMeasurer(const CandidateFonts& fonts)
    : fonts_(fonts), dc_(CreateCompatibleDC(nullptr)), original_(nullptr) {
  if (dc_) original_ = GetCurrentObject(dc_, OBJ_FONT);
}

GdiTextMeasurer::~GdiTextMeasurer() {
  if (!dc_) return;
  if (original_) SelectObject(dc_, original_);
  DeleteDC(dc_);
}

SIZE GdiTextMeasurer::Measure(TextFont font, const wchar_t* text, int units) {
  SIZE size{0, 0};
  if (!dc_ || units <= 0) return size;
  // Turned candidate text is measured upright: the extent along the text.
  HFONT chosen = font == TextFont::kCode ? fonts_.codeFont : fonts_.uprightFont;
  SelectObject(dc_, chosen ? chosen : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  if (!GetTextExtentPoint32W(dc_, text, units, &size)) size = {0, 0};
  return size;
}
