// Helpers shared by the menu files: loading a popup from the module's
// resources and reading the category names of the product block.
#pragma once

#include <windows.h>

#include <cstdint>

struct ImeContext;

// A menu resource with the popup that is its first item.
class LoadedMenu {
 public:
  explicit LoadedMenu(int resourceId);
  ~LoadedMenu();
  LoadedMenu(const LoadedMenu&) = delete;
  LoadedMenu& operator=(const LoadedMenu&) = delete;
  HMENU popup() const { return popup_; }

 private:
  HMENU bar_;
  HMENU popup_;
};

constexpr int kCategoryNameUnits = 10;
// Category i of the product block (0 main, 2 user, 3 secondary,
// 4 auxiliary), terminated; empty without the block.
void CategoryName(const ImeContext* context, int category, wchar_t (&out)[kCategoryNameUnits]);

void SetMenuText(HMENU menu, UINT id, const wchar_t* text);
void CheckItem(HMENU menu, UINT id, bool checked);
