// Pictures of the thirteen soft keyboards as the window paints them: every
// character must come out as its own glyph, not the face's missing-glyph
// box, and inside its key. The pictures are kept for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "tests/common/MemoryDib.h"
#include "tests/ui/PngWriter.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/windows/SoftKeyboardWindow.h"

using namespace zn::test;

namespace {

// No face has a glyph for a noncharacter: it draws the missing-glyph box.
constexpr wchar_t kMissing = 0xFFFF;

// The half of key `position` where its normal (bottom) or shifted (top)
// character is drawn.
RECT HalfOf(int position, bool shifted) {
  RECT r = SoftKeyRects[position];
  const int middle = (r.top + r.bottom) / 2;
  if (shifted) r.bottom = middle; else r.top = middle;
  return r;
}

bool SameMarks(const MemoryDib& a, const MemoryDib& b, const RECT& r) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if ((a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF)) return false;
    }
  }
  return true;
}

void Paint(ImeContext* context, const SoftKeyboardRow& row, MemoryDib* dib) {
  std::memcpy(context->softKeyboardMap, &row, kSoftKeyboardRowBytes);
  PaintSoftKeyboard(context, dib->dc());
}

void SavePicture(const MemoryDib& dib, const std::string& name) {
  PngPicture picture;
  picture.width = kSoftKeyboardWidth;
  picture.height = kSoftKeyboardHeight;
  picture.colourType = 2;
  for (int y = 0; y < kSoftKeyboardHeight; ++y) {
    for (int x = 0; x < kSoftKeyboardWidth; ++x) {
      const uint32_t p = dib.At(x, y);
      picture.pixels.insert(picture.pixels.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    }
  }
  const std::vector<uint8_t> png = EncodePng(picture);
  if (FILE* f = _wfopen((std::wstring(ZN_PICTURE_DIR) + std::wstring(name.begin(), name.end())).c_str(), L"wb")) {
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
  }
}

TEST(SoftKeyboardPictures, EveryLayoutDrawsItsOwnGlyphsInsideTheKeys) {
  CreateDirectoryW(ZN_PICTURE_DIR, nullptr);
  TestContext c;
  MemoryDib shown(kSoftKeyboardWidth, kSoftKeyboardHeight);
  MemoryDib boxes(kSoftKeyboardWidth, kSoftKeyboardHeight);
  MemoryDib empty(kSoftKeyboardWidth, kSoftKeyboardHeight);
  Paint(c.get(), SoftKeyboardRow{}, &empty);
  std::vector<std::wstring> wrong;
  for (int layout = 1; layout <= kSoftKeyboardLayouts; ++layout) {
    const SoftKeyboardRow& row = SoftKeyboardLayoutTable[layout - 1];
    // The same keyboard with every character drawn as the missing glyph.
    SoftKeyboardRow missing = row;
    for (wchar_t& unit : missing.units) {
      if (unit != 0 && unit != L' ') unit = kMissing;
    }
    Paint(c.get(), row, &shown);
    Paint(c.get(), missing, &boxes);
    SavePicture(shown, "soft-keyboard-" + std::to_string(layout) + ".png");
    for (int position = 0; position < kSoftKeyPositions; ++position) {
      for (bool shifted : {false, true}) {
        const wchar_t ch = row.units[2 * position + (shifted ? 1 : 0)];
        if (ch == 0 || ch == L' ') continue;
        const RECT half = HalfOf(position, shifted);
        const std::wstring where = L"layout " + std::to_wstring(layout) + L" " + ch;
        if (SameMarks(shown, boxes, half)) wrong.push_back(where + L": box");
        // An underscore sits low, past the middle of the key.
        if (SameMarks(shown, empty, SoftKeyRects[position])) wrong.push_back(where + L": nothing drawn");
      }
    }
    // Nothing of a key's characters may fall on the keyboard outside the
    // keys (where a glyph wider than its key would spill over).
    for (int y = 0; y < kSoftKeyboardHeight; ++y) {
      for (int x = 0; x < kSoftKeyboardWidth; ++x) {
        bool onKey = false;
        for (int key = 0; key < kSoftKeyCount && !onKey; ++key) {
          const RECT& r = SoftKeyRects[key];
          onKey = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        }
        if (!onKey && shown.At(x, y) != empty.At(x, y)) {
          wrong.push_back(L"layout " + std::to_wstring(layout) + L": a mark between the keys");
          y = kSoftKeyboardHeight;
          break;
        }
      }
    }
  }
  std::wstring all;
  for (const std::wstring& w : wrong) all += w + L"\n";
  EXPECT_TRUE(wrong.empty()) << all;
}

}  // namespace
