// Candidate-window fonts and the composition font's character cell.
#include "ui/windows/CandidateFonts.h"


#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/EffectiveSkin.h"

namespace {


int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

HFONT MakeFont(const FontSpec& style, const wchar_t* face, int escapement) {
  LOGFONTW font = FontSpecToLogFont(style, face, escapement);
  return CreateFontIndirectW(&font);
}

}  // namespace

LOGFONTW FontSpecToLogFont(const FontSpec& style, const wchar_t* face, int escapement) {
  LOGFONTW font{};
  font.lfHeight = style.sizePixels;
  font.lfEscapement = escapement;
  font.lfOrientation = escapement;
  font.lfWeight = style.weight;
  font.lfItalic = style.italic ? 1 : 0;
  font.lfUnderline = style.underline ? 1 : 0;
  font.lfStrikeOut = style.strikeOut ? 1 : 0;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_CHARACTER_PRECIS;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  CopyStringBounded(font.lfFaceName, LF_FACESIZE, face);
  return font;
}

bool FontFaceExists(const wchar_t* face) {
  if (!face || !face[0]) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  bool found = false;
  EnumFontsW(screen, face, FaceFound, reinterpret_cast<LPARAM>(&found));
  ReleaseDC(nullptr, screen);
  return found;
}

void DeleteCandidateFonts(CandidateFonts* fonts) {
  if (!fonts) return;
  if (fonts->uprightFont && fonts->uprightFont != fonts->candidateFont) {
    DeleteObject(fonts->uprightFont);
  }
  if (fonts->candidateFont) DeleteObject(fonts->candidateFont);
  if (fonts->codeFont) DeleteObject(fonts->codeFont);
  fonts->codeFont = fonts->candidateFont = fonts->uprightFont = nullptr;
}

void CreateCandidateFonts(ImeContext* context, CandidateFonts* fonts, const FontSpec* fallbackCode,
                          const FontSpec* fallbackCandidate) {
  if (!context || !fonts) return;
  DeleteCandidateFonts(fonts);
  const SkinConfigBlock* block = context->skinBlock;
  const bool blockFonts = block && (block->appearanceFlags & kSkinOwnFonts);
  if (!blockFonts && !SkinHasWindowPictures(context->skin) && fallbackCode && fallbackCandidate) {
    fonts->code = *fallbackCode;
    fonts->candidate = *fallbackCandidate;
  } else {
    GetSkinFontSpecs(context, &fonts->code, &fonts->candidate);
  }
  fonts->code.face[39] = 0;
  fonts->candidate.face[39] = 0;
  fonts->codeFont = MakeFont(fonts->code, fonts->code.face, 0);

  const wchar_t* face = fonts->candidate.face;
  if (block && (block->appearanceFlags & kSkinColumnsFromLeft)) {
    // Columns read top to bottom: the face's vertical form when the display
    // has one, else the plain face, turned by 270 degrees.
    wchar_t vertical[40];
    FormatString(vertical, 40, L"@%s", face);
    const wchar_t* turned = FontFaceExists(vertical) ? vertical : face;
    fonts->candidateFont = MakeFont(fonts->candidate, turned, 2700);
    fonts->uprightFont = MakeFont(fonts->candidate, face, 0);
  } else {
    fonts->candidateFont = MakeFont(fonts->candidate, face, 0);
    fonts->uprightFont = fonts->candidateFont;
  }
}

void MeasureFontCharSize(ImeContext* context, const LOGFONTW& font) {
  if (!context) return;
  HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (!dc) return;
  LOGFONTW plain{};
  plain.lfHeight = font.lfHeight;
  plain.lfWeight = font.lfWeight;
  plain.lfCharSet = DEFAULT_CHARSET;
  plain.lfClipPrecision = CLIP_CHARACTER_PRECIS;
  plain.lfQuality = PROOF_QUALITY;
  CopyStringBounded(plain.lfFaceName, LF_FACESIZE, font.lfFaceName);
  HFONT made = CreateFontIndirectW(&plain);
  HGDIOBJ old = made ? SelectObject(dc, made) : nullptr;
  SIZE size{};
  if (GetTextExtentPoint32W(dc, L"国", 1, &size) && size.cx > 0) {
    context->charCell = {size.cx, size.cy + 8};
  }
  if (old) SelectObject(dc, old);
  if (made) DeleteObject(made);
  DeleteDC(dc);
}
