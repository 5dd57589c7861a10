// The soft keyboard as data: its thirteen character layouts, the key
// rectangles of its 440 x 169 picture, the virtual key each key sends and
// the key position each virtual key types. Used by the soft-keyboard window
// and by the key runner; no window here.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

struct ImeContext;

inline constexpr int kSoftKeyboardWidth = 440;
inline constexpr int kSoftKeyboardHeight = 169;

inline constexpr int kSoftKeyboardLayouts = 13;
// Key positions of a layout row: 0-12 the digit row (grave accent to "="),
// 13 Backspace, 14 Tab, 15-27 Q to "\", 28 Caps Lock, 29-39 A to the
// apostrophe, 40 Enter, 41 Shift, 42-51 Z to "/", 52-57 the bottom row.
inline constexpr int kSoftKeyPositions = 58;
inline constexpr int kNoSoftKey = -1;

// One layout: per key position a pair (normal, shifted) of UTF-16 units; a
// space or 0 means the key types nothing. The context keeps a byte copy of
// the current row.
struct SoftKeyboardRow {
  wchar_t units[2 * kSoftKeyPositions];
};
inline constexpr int kSoftKeyboardRowBytes = 232;
static_assert(sizeof(SoftKeyboardRow) == kSoftKeyboardRowBytes);

// Layout n (1-13) is row n - 1: PC keyboard, Greek, Russian, Zhuyin, pinyin
// vowels, Hiragana, Katakana, Chinese punctuation, numbers, mathematical
// symbols, box drawing, Chinese numerals and units, special symbols.
extern const std::array<SoftKeyboardRow, kSoftKeyboardLayouts> SoftKeyboardLayoutTable;

// Rectangles in window coordinates: keys 0-59 (positions 0-57 as above, then
// 58 Delete and 59 right Ctrl; the bottom row is left Ctrl, Esc, left Alt,
// Space, right Alt, Insert, Delete, right Ctrl), the menu spot 90 and the
// close spot 91. Entries 60-89 are empty and never hit.
inline constexpr int kSoftKeyCount = 60;
inline constexpr int kSoftKeyRectCount = 92;
inline constexpr int kSoftKeyMenuSpot = 90;
inline constexpr int kSoftKeyCloseSpot = 91;
inline constexpr int kSoftKeyShift = 41;
extern const std::array<RECT, kSoftKeyRectCount> SoftKeyRects;

// The virtual key each of the keys 0-59 sends when clicked.
extern const std::array<uint8_t, kSoftKeyCount> SoftKeyVirtualKeys;

// Virtual key -> UTF-16 offset of its pair in a layout row (2 * position),
// 255 for keys without one. The arrow keys sit at 110-116, past the keys
// that have characters; offsets from kSoftKeyFirstDeadOffset up type
// nothing.
extern const std::array<uint8_t, 256> VirtualKeyToSoftKey;
inline constexpr int kSoftKeyFirstDeadOffset = 115;

// Hit results besides key and spot indexes.
inline constexpr int kSoftKeyNoHit = -1;   // inside the keyboard, on no key
inline constexpr int kSoftKeyOutside = -2;  // outside the keyboard
// The key or spot under a point in window coordinates.
int HitTestSoftKey(POINT point);
// Ctrl and Alt keys: drawn, but a click sends nothing.
bool IsInertSoftKey(int key);

// The key position a virtual key types, kNoSoftKey for keys without one.
int SoftKeyPosition(uint8_t virtualKey);
// The character the key types in the context's current layout row (its
// shifted one with Shift); 0 when the key has no position or no character
// (a space counts as none).
wchar_t SoftKeyCharacter(const ImeContext* context, uint8_t virtualKey, bool shift);

// Where a soft keyboard without a stored position opens: the bottom-right
// corner of the work area, or its bottom-left corner when it would cover the
// status bar there (status null: no status bar). Screen coordinates.
POINT DefaultSoftKeyboardPosition(const RECT& work, const RECT* status);
