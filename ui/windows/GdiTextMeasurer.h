// Text measuring with GDI on a display-compatible memory DC, for the
// candidate layout.
#pragma once

#include <windows.h>

#include "ui/windows/CandidateFonts.h"
#include "ui/windows/CandidateLayout.h"

class GdiTextMeasurer : public TextMeasurer {
 public:
  explicit GdiTextMeasurer(const CandidateFonts& fonts);
  ~GdiTextMeasurer() override;
  GdiTextMeasurer(const GdiTextMeasurer&) = delete;
  GdiTextMeasurer& operator=(const GdiTextMeasurer&) = delete;
  SIZE Measure(TextFont font, const wchar_t* text, int units) override;

 private:
  const CandidateFonts& fonts_;
  HDC dc_;
  HGDIOBJ original_;
};
