// Tab layout of the settings dialog.
#include "config/app/SettingsTabs.h"

#include "config/app/ConfigModes.h"

const SettingsTab kSettingsTabs[5] = {
    {L"常用", 0x2, 120, kPageOptions},
    {L"界面", 0x4, 118, kPageAppearance},
    {L"码表", 0x8, 121, kPageCodeTables},
    {L"高级", 0x1, 117, kPageSystem},
    {L"关于", 0x10, 119, kPageAbout},
};

TabLayout LayoutSettingsTabs(uint32_t mask, int startPage) {
  if ((mask & kAllTabBits) == 0) mask |= kAllTabBits;
  if (startPage < 0) startPage = 0;
  if (startPage >= kPageCount) startPage = kPageCount - 1;
  TabLayout layout;
  for (const SettingsTab& tab : kSettingsTabs) {
    if (!(mask & tab.maskBit)) continue;
    if (tab.page == startPage) layout.selected = layout.count;
    layout.pages[layout.count++] = tab.page;
  }
  return layout;
}

int TabRowOfPage(int page) {
  for (int row = 0; row < 5; ++row) {
    if (kSettingsTabs[row].page == page) return row;
  }
  return 0;
}

int NextTabPosition(int position, int count) {
  if (count <= 0) return 0;
  int next = position + 1;
  return (next >= count || next < 0) ? 0 : next;
}
