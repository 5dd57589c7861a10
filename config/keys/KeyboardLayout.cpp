// The key buttons of the editor: rows of keys with widths in quarter keys,
// laid out once into dialog units.
#include "config/keys/KeyboardLayout.h"

namespace {

constexpr int kLeft = 7;
constexpr int kTop = 7;
constexpr int kQuarter = 4;  // dialog units per quarter of a key
constexpr int kKeyHeight = 14;
constexpr int kRowPitch = 16;
// Where the navigation block and the keypad start, in quarters.
constexpr int kNavStart = 62;
constexpr int kPadStart = 76;

struct KeySpec {
  const wchar_t* keyName;  // null: an empty gap of the width
  const wchar_t* label;
  int quarters;
  int rows = 1;
};

struct RowSpec {
  int row;    // 0 = the function-key row, which stands apart
  int start;  // in quarters
  std::vector<KeySpec> keys;
};

std::vector<RowSpec> Rows() {
  return {
      {0, 0, {{L"键Esc", L"Esc", 4}, {nullptr, nullptr, 4},
              {L"键F1", L"F1", 4}, {L"键F2", L"F2", 4}, {L"键F3", L"F3", 4}, {L"键F4", L"F4", 4},
              {nullptr, nullptr, 2},
              {L"键F5", L"F5", 4}, {L"键F6", L"F6", 4}, {L"键F7", L"F7", 4}, {L"键F8", L"F8", 4},
              {nullptr, nullptr, 2},
              {L"键F9", L"F9", 4}, {L"键F10", L"F10", 4}, {L"键F11", L"F11", 4}, {L"键F12", L"F12", 4}}},
      {0, kNavStart, {{L"键PrtSc", L"PrtSc", 4}, {L"键Scroll", L"Scr", 4}, {L"键Pause", L"Pause", 4}}},
      {1, 0, {{L"`", L"`", 4}, {L"1", L"1", 4}, {L"2", L"2", 4}, {L"3", L"3", 4}, {L"4", L"4", 4},
              {L"5", L"5", 4}, {L"6", L"6", 4}, {L"7", L"7", 4}, {L"8", L"8", 4}, {L"9", L"9", 4},
              {L"0", L"0", 4}, {L"-", L"-", 4}, {L"=", L"=", 4}, {L"键Backspace", L"Backspace", 8}}},
      {1, kNavStart, {{L"键Insert", L"Ins", 4}, {L"键Home", L"Home", 4}, {L"键PageUp", L"PgUp", 4}}},
      {1, kPadStart, {{nullptr, nullptr, 4}, {L"／", L"/", 4}, {L"＊", L"*", 4}, {L"－", L"-", 4}}},
      {2, 0, {{L"键Tab", L"Tab", 6}, {L"q", L"Q", 4}, {L"w", L"W", 4}, {L"e", L"E", 4}, {L"r", L"R", 4},
              {L"t", L"T", 4}, {L"y", L"Y", 4}, {L"u", L"U", 4}, {L"i", L"I", 4}, {L"o", L"O", 4},
              {L"p", L"P", 4}, {L"[", L"[", 4}, {L"]", L"]", 4}, {L"\\", L"\\", 6}}},
      {2, kNavStart, {{L"键Delete", L"Del", 4}, {L"键End", L"End", 4}, {L"键PageDown", L"PgDn", 4}}},
      {2, kPadStart, {{L"７", L"7", 4}, {L"８", L"8", 4}, {L"９", L"9", 4}, {L"＋", L"+", 4, 2}}},
      {3, 0, {{L"键CapsLock", L"Caps", 7}, {L"a", L"A", 4}, {L"s", L"S", 4}, {L"d", L"D", 4},
              {L"f", L"F", 4}, {L"g", L"G", 4}, {L"h", L"H", 4}, {L"j", L"J", 4}, {L"k", L"K", 4},
              {L"l", L"L", 4}, {L";", L";", 4}, {L"'", L"'", 4}, {L"键Enter", L"Enter", 9}}},
      {3, kPadStart, {{L"４", L"4", 4}, {L"５", L"5", 4}, {L"６", L"6", 4}}},
      {4, 0, {{L"键左Shift", L"Shift", 9}, {L"z", L"Z", 4}, {L"x", L"X", 4}, {L"c", L"C", 4},
              {L"v", L"V", 4}, {L"b", L"B", 4}, {L"n", L"N", 4}, {L"m", L"M", 4}, {L",", L",", 4},
              {L".", L".", 4}, {L"/", L"/", 4}, {L"键右Shift", L"Shift", 11}}},
      {4, kNavStart + 4, {{L"键上箭头", L"↑", 4}}},
      {4, kPadStart, {{L"１", L"1", 4}, {L"２", L"2", 4}, {L"３", L"3", 4}}},
      {5, 0, {{L"键左Ctrl", L"Ctrl", 6}, {nullptr, nullptr, 4}, {L"键左Alt", L"Alt", 6},
              {L" ", L"空格", 28}, {L"键右Alt", L"Alt", 6}, {nullptr, nullptr, 4},
              {L"键右Ctrl", L"Ctrl", 6}}},
      {5, kNavStart, {{L"键左箭头", L"←", 4}, {L"键下箭头", L"↓", 4}, {L"键右箭头", L"→", 4}}},
      {5, kPadStart, {{L"０", L"0", 8}, {L"．", L".", 4}}},
  };
}

bool IsSidedModifier(const wchar_t* name) {
  static constexpr const wchar_t* kSided[] = {L"键左Shift", L"键右Shift", L"键左Ctrl",
                                              L"键右Ctrl", L"键左Alt", L"键右Alt"};
  for (const wchar_t* sided : kSided) {
    if (std::wstring_view(name) == sided) return true;
  }
  return false;
}

std::vector<KeyButton> Build() {
  std::vector<KeyButton> buttons;
  for (const RowSpec& row : Rows()) {
    // The function-key row stands a little apart from the others.
    const int y = kTop + row.row * kRowPitch + (row.row > 0 ? 4 : 0);
    int at = row.start;
    for (const KeySpec& key : row.keys) {
      if (key.keyName) {
        const int id = kFirstKeyButtonId + static_cast<int>(buttons.size());
        const int height = kKeyHeight + (key.rows - 1) * kRowPitch;
        buttons.push_back(KeyButton{id, key.keyName, key.label, kLeft + at * kQuarter, y,
                                    key.quarters * kQuarter - 1, height, IsSidedModifier(key.keyName)});
      }
      at += key.quarters;
    }
  }
  return buttons;
}

}  // namespace

const std::vector<KeyButton>& KeyboardLayout() {
  static const std::vector<KeyButton> buttons = Build();
  return buttons;
}

const KeyButton* FindKeyButton(int id) {
  const std::vector<KeyButton>& buttons = KeyboardLayout();
  const int index = id - kFirstKeyButtonId;
  if (index < 0 || index >= static_cast<int>(buttons.size())) return nullptr;
  return &buttons[static_cast<size_t>(index)];
}
