// The thirteen layouts, the key geometry, the virtual-key map and the
// keyboard picture agree with each other and with what the menu promises.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "ui/popups/SoftKeyboard.h"

namespace {

wchar_t Normal(int layout, int position) {
  return SoftKeyboardLayoutTable[layout - 1].units[2 * position];
}
wchar_t Shifted(int layout, int position) {
  return SoftKeyboardLayoutTable[layout - 1].units[2 * position + 1];
}

bool IsCharacterKey(int position) {
  return (position <= 12) || (position >= 15 && position <= 27) ||
         (position >= 29 && position <= 39) || (position >= 42 && position <= 51);
}

TEST(SoftKeyboardLayouts, ExamplesSitWhereTheLayoutsPromise) {
  struct Example {
    int layout;
    int position;
    wchar_t normal;
    wchar_t shifted;  // 0: not checked
  };
  const Example examples[] = {
      {1, 1, L'1', L'!'},  {1, 15, L'q', L'Q'},  {2, 15, L'α', L'Α'}, {3, 15, L'а', L'А'},
      {4, 1, L'ㄅ', 0},    {5, 15, L'ā', 0},     {6, 0, L'ぁ', L'あ'}, {7, 0, L'ァ', L'ア'},
      {8, 0, L'。', 0},    {8, 1, L'，', 0},     {9, 0, L'Ⅰ', 0},     {10, 0, L'≈', 0},
      {11, 0, L'┌', L'└'}, {12, 1, L'一', L'壹'}, {13, 15, L'§', 0},
  };
  for (const Example& e : examples) {
    EXPECT_EQ(Normal(e.layout, e.position), e.normal) << "layout " << e.layout;
    if (e.shifted) EXPECT_EQ(Shifted(e.layout, e.position), e.shifted) << "layout " << e.layout;
  }
}

TEST(SoftKeyboardLayouts, EveryCharacterIsPrintableAndOnceInItsLayout) {
  for (int layout = 1; layout <= kSoftKeyboardLayouts; ++layout) {
    std::set<wchar_t> seen;
    int count = 0;
    for (int unit = 0; unit < 2 * kSoftKeyPositions; ++unit) {
      const wchar_t c = SoftKeyboardLayoutTable[layout - 1].units[unit];
      if (!IsCharacterKey(unit / 2)) {
        EXPECT_EQ(c, 0) << "layout " << layout << " key " << unit / 2 << " types nothing";
        continue;
      }
      if (c == 0) continue;
      ++count;
      EXPECT_NE(c, L' ') << "spaces are stored as 0";
      EXPECT_TRUE(seen.insert(c).second) << "layout " << layout << " repeats U+" << std::hex
                                         << static_cast<int>(c);
      WORD type = 0;
      ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, &c, 1, &type));
      EXPECT_TRUE(type & C1_DEFINED) << "layout " << layout << " U+" << std::hex
                                     << static_cast<int>(c);
      EXPECT_FALSE(type & (C1_CNTRL | C1_SPACE | C1_BLANK))
          << "layout " << layout << " U+" << std::hex << static_cast<int>(c);
      EXPECT_FALSE(c >= 0xD800 && c <= 0xF8FF) << "no surrogate or private-use character";
    }
    // Every layout fills at least the letter keys' worth of characters.
    EXPECT_GE(count, 24) << "layout " << layout;
  }
}

TEST(SoftKeyboardLayouts, PcLayoutAgreesWithTheKeysVirtualKeys) {
  // Letter and digit keys send the virtual key of the character they show:
  // a clicked key types what its cap says.
  int letters = 0, digits = 0;
  for (int position = 0; position <= 51; ++position) {
    if (!IsCharacterKey(position)) continue;
    const uint8_t vk = SoftKeyVirtualKeys[position];
    const wchar_t normal = Normal(1, position);
    if (vk >= 'A' && vk <= 'Z') {
      ++letters;
      EXPECT_EQ(normal, static_cast<wchar_t>(vk - 'A' + 'a'));
      EXPECT_EQ(Shifted(1, position), static_cast<wchar_t>(vk));
    } else if (vk >= '0' && vk <= '9') {
      ++digits;
      EXPECT_EQ(normal, static_cast<wchar_t>(vk));
    } else {
      EXPECT_GE(vk, VK_OEM_1) << position;
      EXPECT_TRUE(std::wcschr(L"`-=[]\\;',./", normal)) << position;
    }
  }
  EXPECT_EQ(letters, 26);
  EXPECT_EQ(digits, 10);
  const std::wstring shiftedDigits = {Shifted(1, 1), Shifted(1, 2), Shifted(1, 9), Shifted(1, 10)};
  EXPECT_EQ(shiftedDigits, L"!@()");
}

TEST(SoftKeyGeometry, EveryKeyAndSpotIsHitOnlyInsideItsRectangle) {
  std::vector<int> ids;
  for (int i = 0; i < kSoftKeyCount; ++i) ids.push_back(i);
  ids.push_back(kSoftKeyMenuSpot);
  ids.push_back(kSoftKeyCloseSpot);
  for (int id : ids) {
    const RECT& r = SoftKeyRects[id];
    ASSERT_LT(r.left, r.right) << id;
    ASSERT_LT(r.top, r.bottom) << id;
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.right, kSoftKeyboardWidth);
    EXPECT_LE(r.bottom, kSoftKeyboardHeight);
    EXPECT_EQ(HitTestSoftKey({(r.left + r.right) / 2, (r.top + r.bottom) / 2}), id);
    EXPECT_EQ(HitTestSoftKey({r.left, r.top}), id);
    EXPECT_EQ(HitTestSoftKey({r.right - 1, r.bottom - 1}), id);
    EXPECT_NE(HitTestSoftKey({r.right, r.top}), id);
    EXPECT_NE(HitTestSoftKey({r.left, r.bottom}), id);
    EXPECT_NE(HitTestSoftKey({r.left - 1, r.top}), id);
  }
  // No two rectangles share a pixel.
  for (size_t a = 0; a < ids.size(); ++a) {
    for (size_t b = a + 1; b < ids.size(); ++b) {
      RECT overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &SoftKeyRects[ids[a]], &SoftKeyRects[ids[b]]))
          << ids[a] << " and " << ids[b];
    }
  }
  // Entries no key uses are never hit.
  for (int i = kSoftKeyCount; i < kSoftKeyMenuSpot; ++i) EXPECT_TRUE(IsRectEmpty(&SoftKeyRects[i]));
  // Rows of ordinary keys: 27 pixels on a 29-pixel pitch.
  EXPECT_EQ(SoftKeyRects[1].left - SoftKeyRects[0].left, 29);
  EXPECT_EQ(SoftKeyRects[0].right - SoftKeyRects[0].left, 27);
}

TEST(SoftKeyGeometry, GapsHitNoKeyAndPointsOutsideAreOutside) {
  EXPECT_EQ(HitTestSoftKey({0, 0}), kSoftKeyNoHit);
  EXPECT_EQ(HitTestSoftKey({31, 30}), kSoftKeyNoHit);  // between keys 0 and 1
  EXPECT_EQ(HitTestSoftKey({400, 120}), kSoftKeyNoHit);  // right of "/"
  EXPECT_EQ(HitTestSoftKey({kSoftKeyboardWidth - 1, kSoftKeyboardHeight - 1}), kSoftKeyNoHit);
  EXPECT_EQ(HitTestSoftKey({-1, 30}), kSoftKeyOutside);
  EXPECT_EQ(HitTestSoftKey({kSoftKeyboardWidth, 30}), kSoftKeyOutside);
  EXPECT_EQ(HitTestSoftKey({30, kSoftKeyboardHeight}), kSoftKeyOutside);
  EXPECT_EQ(HitTestSoftKey({30, -5}), kSoftKeyOutside);
  // Ctrl and Alt are inert; Esc, Space, Insert, Delete and Shift are not.
  for (int key : {52, 54, 56, 59}) EXPECT_TRUE(IsInertSoftKey(key)) << key;
  for (int key : {41, 53, 55, 57, 58, 0, 13}) EXPECT_FALSE(IsInertSoftKey(key)) << key;
}

TEST(SoftKeyGeometry, VirtualKeysAndPositionsMapBothWays) {
  struct Example {
    uint8_t vk;
    int offset;
  };
  const Example examples[] = {{'1', 2},       {'0', 20},       {'A', 58},        {VK_BACK, 26},
                              {VK_TAB, 28},   {VK_RETURN, 80}, {VK_SHIFT, 82},   {VK_CAPITAL, 56},
                              {VK_ESCAPE, 106}, {VK_SPACE, 108}, {VK_F1, 255}, {VK_LWIN, 255}};
  for (const Example& e : examples) EXPECT_EQ(VirtualKeyToSoftKey[e.vk], e.offset) << int(e.vk);
  // A clicked character key sends the virtual key that types its own position.
  for (int key = 0; key <= 51; ++key) {
    if (!IsCharacterKey(key)) continue;
    EXPECT_EQ(SoftKeyPosition(SoftKeyVirtualKeys[key]), key);
  }
  EXPECT_EQ(SoftKeyVirtualKeys[kSoftKeyShift], VK_LSHIFT);
  EXPECT_EQ(SoftKeyVirtualKeys[55], VK_SPACE);
  EXPECT_EQ(SoftKeyVirtualKeys[59], VK_RCONTROL);
  // The arrow keys' offsets run up to one pair past a row: Down has none.
  EXPECT_EQ(VirtualKeyToSoftKey[VK_DOWN], 116);
  EXPECT_EQ(SoftKeyPosition(VK_DOWN), kNoSoftKey);
  EXPECT_EQ(SoftKeyPosition(VK_F1), kNoSoftKey);
}

class SoftKeyCharacterTest : public ::testing::Test {
 protected:
  SoftKeyCharacterTest() { std::memset(&context_, 0, sizeof context_); }
  ImeContext context_;
};

TEST_F(SoftKeyCharacterTest, ReadsTheContextRowAndNeverPastIt) {
  std::memcpy(context_.softKeyboardMap, &SoftKeyboardLayoutTable[1], kSoftKeyboardRowBytes);
  EXPECT_EQ(SoftKeyCharacter(&context_, 'Q', false), L'α');
  EXPECT_EQ(SoftKeyCharacter(&context_, 'Q', true), L'Α');
  EXPECT_EQ(SoftKeyCharacter(&context_, '1', false), 0) << "Greek has no digits";
  EXPECT_EQ(SoftKeyCharacter(nullptr, 'Q', false), 0);
  // A row full of characters: the arrows inside it type, Down (past it)
  // and keys without a position do not; a space is no character.
  for (int unit = 0; unit < 2 * kSoftKeyPositions; ++unit) {
    const wchar_t c = unit == 2 * 15 ? L' ' : static_cast<wchar_t>(L'A' + unit % 26);
    std::memcpy(context_.softKeyboardMap + 2 * unit, &c, 2);
  }
  EXPECT_NE(SoftKeyCharacter(&context_, VK_LEFT, false), 0);
  EXPECT_NE(SoftKeyCharacter(&context_, VK_RIGHT, true), 0);
  EXPECT_EQ(SoftKeyCharacter(&context_, VK_DOWN, false), 0);
  EXPECT_EQ(SoftKeyCharacter(&context_, VK_DOWN, true), 0);
  EXPECT_EQ(SoftKeyCharacter(&context_, VK_HOME, false), 0);
  EXPECT_EQ(SoftKeyCharacter(&context_, 'Q', false), 0);
}

TEST(SoftKeyboardPlacement, OpensBottomRightUnlessItWouldCoverTheStatusBar) {
  // A monitor right of the primary: absolute coordinates throughout.
  const RECT work{1920, 0, 3840, 1040};
  const POINT corner = DefaultSoftKeyboardPosition(work, nullptr);
  EXPECT_EQ(corner.x, 3840 - 440);
  EXPECT_EQ(corner.y, 1040 - 169);
  const RECT bottomRight{3700, 1000, 3820, 1030};
  POINT p = DefaultSoftKeyboardPosition(work, &bottomRight);
  EXPECT_EQ(p.x, 1920);
  EXPECT_EQ(p.y, 1040 - 169);
  // A status bar elsewhere (bottom left, top right) leaves the corner alone.
  const RECT bottomLeft{1930, 1000, 2050, 1030};
  p = DefaultSoftKeyboardPosition(work, &bottomLeft);
  EXPECT_EQ(p.x, corner.x);
  const RECT topRight{3700, 10, 3820, 40};
  p = DefaultSoftKeyboardPosition(work, &topRight);
  EXPECT_EQ(p.x, corner.x);
  // A work area smaller than the keyboard keeps it at the top-left edge.
  const RECT tiny{100, 50, 400, 150};
  p = DefaultSoftKeyboardPosition(tiny, nullptr);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 50);
}

TEST(SoftKeyboardPicture, DrawnForTheKeyRectangles) {
  HBITMAP picture = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(129));
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectW(picture, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, kSoftKeyboardWidth);
  EXPECT_EQ(info.bmHeight, kSoftKeyboardHeight);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, picture);
  // The blank caps of the character keys lie under their rectangles; the
  // gaps between keys show the panel.
  const COLORREF cap = GetPixel(dc, (SoftKeyRects[15].left + SoftKeyRects[15].right) / 2,
                                (SoftKeyRects[15].top + SoftKeyRects[15].bottom) / 2);
  const COLORREF panel = GetPixel(dc, 31, 35);
  EXPECT_NE(cap, panel);
  for (int key = 0; key <= 51; ++key) {
    if (!IsCharacterKey(key)) continue;
    const RECT& r = SoftKeyRects[key];
    EXPECT_EQ(GetPixel(dc, r.left + 4, r.top + 4), cap) << key;
    EXPECT_EQ(GetPixel(dc, r.right - 4, r.bottom - 5), cap) << key;
    EXPECT_EQ(GetPixel(dc, r.right + 1, (r.top + r.bottom) / 2), panel) << key;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DeleteObject(picture);
}

}  // namespace
