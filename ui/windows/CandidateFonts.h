// Fonts of the candidate window (code font, candidate font, an upright twin
// of a rotated candidate font) and the character cell of the composition
// font.
#pragma once

#include <windows.h>

#include "engine/ConfigBlocks.h"  // FontSpec

struct ImeContext;

struct CandidateFonts {
  FontSpec code;
  FontSpec candidate;
  HFONT codeFont;
  HFONT candidateFont;  // draws the candidates; turned 270 degrees for columns
  HFONT uprightFont;    // measures them (the same handle when not turned)
};

// The LOGFONTW a FontSpec describes (escapement in tenths of a degree).
LOGFONTW FontSpecToLogFont(const FontSpec& style, const wchar_t* face, int escapement);

// True when the display has a font with this face name.
bool FontFaceExists(const wchar_t* face);

// Deletes the fonts made before, then makes the code and candidate fonts of
// the context's skin (or the appearance block's fonts when it says so). For
// columns from the left the candidate font is the face's vertical ("@") form
// when the display has one, turned by 270 degrees. fallback is used when the
// context has no loaded skin.
void CreateCandidateFonts(ImeContext* context, CandidateFonts* fonts, const FontSpec* fallbackCode,
                          const FontSpec* fallbackCandidate);
// Deletes the fonts (each handle once) and clears the handles.
void DeleteCandidateFonts(CandidateFonts* fonts);

// Measures "国" in the font and stores its width and height + 8 as the
// context's character cell.
void MeasureFontCharSize(ImeContext* context, const LOGFONTW& font);

// The cell the candidate window uses when none was measured.
constexpr SIZE kDefaultCharCell{41, 21};
