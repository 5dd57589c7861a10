// Owner-drawn push buttons (BS_OWNERDRAW): flat face, border and centred
// text in colours of the program's choice, drawn from WM_DRAWITEM.
#pragma once

#include <windows.h>

struct OwnerButtonLook {
  COLORREF face;
  COLORREF pressedFace;
  COLORREF border;
  COLORREF text;
  COLORREF disabledText;
};

// The look that follows the system colours.
OwnerButtonLook SystemButtonLook();
// Draws the button of item with its window text; false when item is no button.
bool DrawOwnerButton(const DRAWITEMSTRUCT& item, const OwnerButtonLook& look);
