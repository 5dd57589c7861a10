// One key event as a front end receives it (virtual key and key data), and
// the keyboard state beside it, read from a 256-byte table in the layout of
// GetKeyboardState (bit 7 down, bit 0 toggled).
#pragma once

#include <cstdint>

// Key-data (lParam) fields of a key event.
namespace KeyData {
inline constexpr uint32_t kScanBits = 0x0FFF0000;  // scan code, extended bit, reserved
inline constexpr uint32_t kExtended = 0x01000000;
inline constexpr uint32_t kUp = 0x80000000;
inline constexpr uint32_t kScanShift = 16;
}  // namespace KeyData

struct KeyEvent {
  uint32_t virtualKey = 0;  // only the low byte counts
  uint32_t keyData = 0;     // lParam of WM_KEYDOWN/WM_KEYUP

  uint8_t Vk() const { return static_cast<uint8_t>(virtualKey & 0xFF); }
  bool IsUp() const { return (keyData & KeyData::kUp) != 0; }
  uint32_t ScanBits() const { return keyData & KeyData::kScanBits; }
};

// Builds key data from a scan code (an extended key has 0x100 added), as the
// console host and the tests make their events.
inline uint32_t MakeKeyData(uint32_t scan, bool up) {
  const uint32_t extended = (scan & 0x100) ? KeyData::kExtended : 0;
  return ((scan & 0xFF) << KeyData::kScanShift) | extended | 1u | (up ? 0xC0000000u : 0);
}

// A read-only view of a keyboard-state table; the table outlives the view.
class KeyState {
 public:
  explicit KeyState(const uint8_t* table) : table_(table) {}

  bool IsDown(uint8_t vk) const { return table_ && (table_[vk] & 0x80) != 0; }
  bool IsToggled(uint8_t vk) const { return table_ && (table_[vk] & 0x01) != 0; }
  bool Shift() const { return IsDown(0x10); }
  bool Ctrl() const { return IsDown(0x11); }
  bool Alt() const { return IsDown(0x12); }
  bool CapsLock() const { return IsToggled(0x14); }

 private:
  const uint8_t* table_;
};
