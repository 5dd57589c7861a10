// Typing on the soft keyboard: which key position a virtual key has in a
// layout row, and the character it types there.
#pragma once

#include <cstdint>

struct ImeContext;

// Key positions of a layout row (58); a position's pair of characters starts
// at UTF-16 unit 2 * position.
inline constexpr int kSoftKeyPositions = 58;
inline constexpr int kNoSoftKey = -1;

// The key position of a virtual key, kNoSoftKey for keys without one.
int SoftKeyPosition(uint8_t virtualKey);
// The character the key types in the context's current layout (its shifted
// column with Shift); 0 when the key has no position or no character there.
wchar_t SoftKeyCharacter(const ImeContext* context, uint8_t virtualKey, bool shift);
