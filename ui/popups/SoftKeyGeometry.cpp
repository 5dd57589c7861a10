// Where the keys of the soft keyboard are, what they send, which position a
// typed virtual key has, and where the keyboard opens.
#include <cstring>

#include "engine/ImeContext.h"
#include "ui/popups/SoftKeyboard.h"

namespace {

// Ordinary keys are 27 x 27 pixels on a 29-pixel pitch.
constexpr int kKeySize = 27;
constexpr int kKeyPitch = 29;

constexpr RECT Key(int left, int top, int right) { return RECT{left, top, right, top + kKeySize}; }

constexpr std::array<RECT, kSoftKeyRectCount> BuildRects() {
  std::array<RECT, kSoftKeyRectCount> r{};
  for (int i = 0; i < 13; ++i) r[i] = Key(3 + kKeyPitch * i, 22, 30 + kKeyPitch * i);
  r[13] = Key(380, 22, 435);  // Backspace
  r[14] = Key(3, 51, 44);     // Tab
  for (int i = 0; i < 12; ++i) r[15 + i] = Key(46 + kKeyPitch * i, 51, 73 + kKeyPitch * i);
  r[27] = Key(394, 51, 435);  // backslash, as wide as Tab
  r[28] = Key(3, 80, 58);     // Caps Lock
  for (int i = 0; i < 11; ++i) r[29 + i] = Key(60 + kKeyPitch * i, 80, 87 + kKeyPitch * i);
  r[40] = Key(380, 80, 435);  // Enter
  r[41] = Key(3, 109, 72);    // Shift
  for (int i = 0; i < 10; ++i) r[42 + i] = Key(74 + kKeyPitch * i, 109, 101 + kKeyPitch * i);
  r[52] = Key(3, 138, 30);     // left Ctrl
  r[53] = Key(32, 138, 59);    // Esc
  r[54] = Key(61, 138, 88);    // left Alt
  r[55] = Key(91, 138, 258);   // Space
  r[56] = Key(261, 138, 288);  // right Alt
  r[57] = Key(290, 138, 317);  // Insert
  r[58] = Key(319, 138, 346);  // Delete
  r[59] = Key(348, 138, 375);  // right Ctrl
  r[kSoftKeyMenuSpot] = RECT{2, 2, 20, 19};
  r[kSoftKeyCloseSpot] = RECT{413, 2, 432, 19};
  return r;
}

constexpr std::array<uint8_t, kSoftKeyCount> kVirtualKeys = {
    VK_OEM_3, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', VK_OEM_MINUS, VK_OEM_PLUS,
    VK_BACK, VK_TAB,
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', VK_OEM_4, VK_OEM_6, VK_OEM_5,
    VK_CAPITAL,
    'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', VK_OEM_1, VK_OEM_7,
    VK_RETURN, VK_LSHIFT,
    'Z', 'X', 'C', 'V', 'B', 'N', 'M', VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2,
    VK_LCONTROL, VK_ESCAPE, VK_LMENU, VK_SPACE, VK_RMENU, VK_INSERT, VK_DELETE, VK_RCONTROL};

constexpr std::array<uint8_t, 256> BuildVirtualKeyMap() {
  std::array<uint8_t, 256> m{};
  for (auto& v : m) v = 255;
  // A key up to "/" types the pair at its own position (Shift's own key is
  // the generic VK_SHIFT a keyboard reports, not the left one clicks send).
  for (int key = 0; key <= 51; ++key) {
    if (key != kSoftKeyShift) m[kVirtualKeys[key]] = static_cast<uint8_t>(2 * key);
  }
  m[VK_SHIFT] = 2 * kSoftKeyShift;
  // Esc and Space keep the positions of the layout rows' own bottom row; the
  // arrows lie past every key with characters.
  m[VK_ESCAPE] = 106;
  m[VK_SPACE] = 108;
  m[VK_LEFT] = 110;
  m[VK_UP] = 112;
  m[VK_RIGHT] = 114;
  m[VK_DOWN] = 116;
  return m;
}

constexpr bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

constexpr bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

constinit const std::array<RECT, kSoftKeyRectCount> SoftKeyRects = BuildRects();
constinit const std::array<uint8_t, kSoftKeyCount> SoftKeyVirtualKeys = kVirtualKeys;
constinit const std::array<uint8_t, 256> VirtualKeyToSoftKey = BuildVirtualKeyMap();

int HitTestSoftKey(POINT point) {
  if (!Inside(RECT{0, 0, kSoftKeyboardWidth, kSoftKeyboardHeight}, point)) return kSoftKeyOutside;
  for (int i = 0; i < kSoftKeyRectCount; ++i) {
    if (Inside(SoftKeyRects[i], point)) return i;
  }
  return kSoftKeyNoHit;
}

bool IsInertSoftKey(int key) { return key == 52 || key == 54 || key == 56 || key == 59; }

int SoftKeyPosition(uint8_t virtualKey) {
  const int offset = VirtualKeyToSoftKey[virtualKey];
  // The table sends the arrow keys one pair past a row: never read there.
  return offset < kSoftKeyFirstDeadOffset ? offset / 2 : kNoSoftKey;
}

wchar_t SoftKeyCharacter(const ImeContext* context, uint8_t virtualKey, bool shift) {
  const int position = SoftKeyPosition(virtualKey);
  if (!context || position == kNoSoftKey) return 0;
  const int unit = 2 * position + (shift ? 1 : 0);
  uint16_t c = 0;
  std::memcpy(&c, context->softKeyboardMap + 2 * unit, sizeof c);
  return c == L' ' ? 0 : static_cast<wchar_t>(c);
}

POINT DefaultSoftKeyboardPosition(const RECT& work, const RECT* status) {
  POINT p{work.right - kSoftKeyboardWidth, work.bottom - kSoftKeyboardHeight};
  const RECT keyboard{p.x, p.y, p.x + kSoftKeyboardWidth, p.y + kSoftKeyboardHeight};
  // Only a status bar the keyboard would cover sends it to the left edge.
  if (status && Overlap(keyboard, *status)) p.x = work.left;
  if (p.x < work.left) p.x = work.left;
  if (p.y < work.top) p.y = work.top;
  return p;
}
