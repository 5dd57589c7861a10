// Menu loading and small menu edits.
#include "ui/windows/MenuSupport.h"

#include "engine/ImeContext.h"
#include "engine/Os.h"

LoadedMenu::LoadedMenu(int resourceId)
    : bar_(LoadMenuW(EngineModule(), MAKEINTRESOURCEW(resourceId))),
      popup_(bar_ ? GetSubMenu(bar_, 0) : nullptr) {}

LoadedMenu::~LoadedMenu() {
  if (bar_) DestroyMenu(bar_);
}

void CategoryName(const ImeContext* context, int category, wchar_t (&out)[kCategoryNameUnits]) {
  out[0] = 0;
  if (!context || !context->softBlock || category < 0 || category >= 32) return;
  const wchar_t* name = context->softBlock->categoryNames[category];
  // Names fill 9 units and need not be terminated in the block.
  int n = 0;
  while (n < kCategoryNameUnits - 1 && name[n]) {
    out[n] = name[n];
    ++n;
  }
  out[n] = 0;
}

void SetMenuText(HMENU menu, UINT id, const wchar_t* text) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  info.dwTypeData = const_cast<wchar_t*>(text);
  SetMenuItemInfoW(menu, id, FALSE, &info);
}

void CheckItem(HMENU menu, UINT id, bool checked) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}
