// Item table routines shared by the candidate window and the status bar.
#include "ui/windows/SkinItems.h"

#include <cstring>

void ResetSkinItems(SkinItem* items, int count) {
  for (int i = 0; i < count; ++i) {
    SkinItem& item = items[i];
    std::memset(&item, 0, sizeof(item));
    item.state = kItemHidden;
    for (int s = 0; s < 4; ++s) item.textColour[s] = item.backColour[s] = kNoColour;
  }
}

int HitTestSkinButton(const SkinItem* items, int count, SIZE window, int x, int y) {
  if (x <= 0 || x >= window.cx || y <= 0 || y >= window.cy) return -1;
  for (int i = 0; i < count; ++i) {
    const SkinItem& item = items[i];
    if (item.x < 0 || item.y < 0) continue;
    if (item.state == kItemDisabled || item.state == kItemHidden) continue;
    if (item.x < x && x < item.x + item.width && item.y < y && y < item.y + item.height) {
      return item.id;
    }
  }
  return 0;
}

void ClearSkinButtonState(SkinItem* items, int count, int id) {
  if (id <= 0) return;
  for (int i = 0; i < count; ++i) {
    SkinItem& item = items[i];
    if (item.state == kItemDisabled || item.state == kItemHidden) continue;
    if (item.id == id) item.state = kItemNormal;
  }
}

void SetSkinButtonState(SkinItem* items, int count, int id, int state) {
  if (id <= 0) return;
  for (int i = 0; i < count; ++i) {
    SkinItem& item = items[i];
    if (item.state == kItemDisabled || item.state == kItemHidden) continue;
    if (item.id == id) {
      item.state = state;
    } else if (item.state == state) {
      item.state = kItemNormal;
    }
  }
}
