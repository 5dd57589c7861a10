// The picture of a PC keyboard that the key-function editor shows: one
// owner-drawn button per key, each standing for the key name the settings
// use for it, placed in dialog units.
#pragma once

#include <string_view>
#include <vector>

struct KeyButton {
  int id;                 // control id of the button
  const wchar_t* keyName; // the name ParseKeySpec reads ("a", "键Esc", "０" ...)
  const wchar_t* label;   // the caption drawn on the button
  int x, y, width, height;  // dialog units
  bool sidedModifier;     // left/right Shift, Ctrl, Alt
};

inline constexpr int kFirstKeyButtonId = 3000;

// Every key button, ids from kFirstKeyButtonId on in table order.
const std::vector<KeyButton>& KeyboardLayout();
// The button of a control id, or null for any other id.
const KeyButton* FindKeyButton(int id);
