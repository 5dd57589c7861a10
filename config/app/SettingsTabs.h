// Which tabs the settings dialog shows (a mask in the ime block) and where
// a start page lands among them.
#pragma once

#include <cstdint>

struct SettingsTab {
  const wchar_t* text;
  uint32_t maskBit;
  int moduleIcon;  // icon resource of the module
  int page;        // SettingsPage
};

// The five tabs in their fixed order.
extern const SettingsTab kSettingsTabs[5];
inline constexpr uint32_t kAllTabBits = 0x1F;

struct TabLayout {
  int count = 0;
  int pages[5] = {};  // page of each position
  int selected = 0;   // position to select first
};

// Tabs of mask in their fixed order; a mask with none of the five bits
// shows them all. The start page (clamped to 0..4) selects its own tab; a
// start page whose tab is hidden selects the first tab.
TabLayout LayoutSettingsTabs(uint32_t mask, int startPage);
// The row of kSettingsTabs that shows page (0 for an unknown page).
int TabRowOfPage(int page);
// The position after position, wrapping to 0 at count.
int NextTabPosition(int position, int count);
