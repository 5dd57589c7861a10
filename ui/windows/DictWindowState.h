// What the dictionary window keeps (in its first extra slot, freed with the
// window), shared by its creation and its procedure.
#pragma once

#include <windows.h>

#include "ui/popups/DictText.h"
#include "ui/popups/PopupGeometry.h"
#include "ui/windows/PopupWindow.h"

constexpr UINT_PTR kDictCloseTimer = 1;
constexpr int kDictHeadwordUnits = 128;

struct DictState {
  ~DictState() {
    if (linkFont) DeleteObject(linkFont);
    if (textFont) DeleteObject(textFont);
  }
  int slot = -1;  // the page slot shown, -1 none
  wchar_t headword[kDictHeadwordUnits] = {};
  wchar_t text[kDictTextUnits] = {};
  HFONT linkFont = nullptr;
  HFONT textFont = nullptr;
  HWND edit = nullptr;  // the rich-edit child, null when rich edit is missing
  DictMouseMode mode = DictMouseMode::kDrag;
  bool pressed = false;
  POINT press{};  // client coordinates of the press
  SIZE sizeAtPress{};
};

inline DictState* DictStateOf(HWND window) { return PopupState<DictState>(window); }

// Places the rich-edit child inside a window of this size.
inline void PlaceDictEdit(const DictState& state, SIZE window) {
  if (state.edit) MoveWindow(state.edit, 8, 8, window.cx - 16, window.cy - 38, TRUE);
}
