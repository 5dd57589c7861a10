// The product's IMM32 keyboard layouts: finding them by IME file and
// removing them from the layout list and every user's preload list.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "installer/core/InstallerOs.h"

// The file-name parts of two paths are equal, case ignored (Wine reports a
// full path for the IME file, Windows the bare name).
bool SameFileName(const std::wstring& a, const std::wstring& b);
// "E0200804": the layout handle's low 32 bits, as the registry names it.
std::wstring LayoutText(uintptr_t layout);

// Every installed layout whose IME file is imeFile: the loaded layouts and
// the keys below Keyboard Layouts whose "Ime File" names it. No duplicates.
std::vector<uintptr_t> FindImeLayouts(InstallerOs& os, const std::wstring& imeFile);
// The first of them, or 0.
uintptr_t FindImeLayout(InstallerOs& os, const std::wstring& imeFile);

// What to change in one Preload key: the numbered values holding the layout
// go, and the rest are renumbered 1..n in their order, so no gap hides the
// user's later layouts.
struct PreloadEdit {
  std::vector<std::wstring> deleteNames;
  std::vector<std::pair<std::wstring, std::wstring>> writes;  // name, layout text
  bool changed = false;
};
PreloadEdit PlanPreloadRemoval(const std::vector<RegValue>& values, const std::wstring& layoutText);

// Removes every layout of <imeName>.ime: preload entries of the current and
// of all users, the layout keys, the loaded layout; with notify, tells the
// running programs. 1 when a layout was found, else 0.
int RemoveKeyboardLayouts(InstallerOs& os, const std::wstring& imeName, bool notify);
