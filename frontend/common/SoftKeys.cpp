// The virtual key to soft-keyboard position map and the character lookup in
// the context's copy of the current layout row.
#include "frontend/common/SoftKeys.h"

#include <array>
#include <cstring>

#include "engine/ImeContext.h"

namespace {

constexpr std::array<int8_t, 256> BuildPositions() {
  std::array<int8_t, 256> p{};
  for (auto& v : p) v = kNoSoftKey;
  p[0xC0] = 0;  // grave accent
  for (int d = 1; d <= 9; ++d) p['0' + d] = static_cast<int8_t>(d);
  p['0'] = 10;
  p[0xBD] = 11;  // minus
  p[0xBB] = 12;  // equals
  p[0x08] = 13;  // Backspace
  p[0x09] = 14;  // Tab
  const char top[] = "QWERTYUIOP";
  for (int i = 0; i < 10; ++i) p[static_cast<uint8_t>(top[i])] = static_cast<int8_t>(15 + i);
  p[0xDB] = 25;
  p[0xDD] = 26;
  p[0xDC] = 27;
  p[0x14] = 28;  // Caps Lock
  const char home[] = "ASDFGHJKL";
  for (int i = 0; i < 9; ++i) p[static_cast<uint8_t>(home[i])] = static_cast<int8_t>(29 + i);
  p[0xBA] = 38;
  p[0xDE] = 39;
  p[0x0D] = 40;  // Enter
  p[0x10] = 41;  // Shift
  p[0xA0] = 41;  // left Shift, as the keyboard window sends it
  const char bottom[] = "ZXCVBNM";
  for (int i = 0; i < 7; ++i) p[static_cast<uint8_t>(bottom[i])] = static_cast<int8_t>(42 + i);
  p[0xBC] = 49;
  p[0xBE] = 50;
  p[0xBF] = 51;
  p[0x1B] = 53;  // Esc
  p[0x20] = 54;  // Space
  return p;
}

constexpr std::array<int8_t, 256> kPositions = BuildPositions();

}  // namespace

int SoftKeyPosition(uint8_t virtualKey) { return kPositions[virtualKey]; }

wchar_t SoftKeyCharacter(const ImeContext* context, uint8_t virtualKey, bool shift) {
  const int position = SoftKeyPosition(virtualKey);
  if (!context || position == kNoSoftKey) return 0;
  const int unit = 2 * position + (shift ? 1 : 0);
  uint16_t c = 0;
  std::memcpy(&c, context->softKeyboardMap + 2 * unit, sizeof c);
  return static_cast<wchar_t>(c);
}
