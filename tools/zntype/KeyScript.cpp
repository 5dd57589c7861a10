// Parsing of key scripts into key strokes with US-layout virtual keys.
#include "tools/zntype/KeyScript.h"

#include <windows.h>

#include <cwctype>

#include "engine/EntryCommands.h"
#include "engine/KeyTables.h"

namespace {

struct NamedKey {
  const wchar_t* name;
  uint32_t virtualKey;
};

constexpr NamedKey kNamedKeys[] = {
    {L"Space", VK_SPACE},    {L"Enter", VK_RETURN},   {L"Esc", VK_ESCAPE},
    {L"Backspace", VK_BACK}, {L"Tab", VK_TAB},        {L"Left", VK_LEFT},
    {L"Right", VK_RIGHT},    {L"Up", VK_UP},          {L"Down", VK_DOWN},
    {L"Home", VK_HOME},      {L"End", VK_END},        {L"PageUp", VK_PRIOR},
    {L"PageDown", VK_NEXT},  {L"Delete", VK_DELETE},  {L"Insert", VK_INSERT},
    {L"Shift", VK_SHIFT},    {L"Ctrl", VK_CONTROL},   {L"Alt", VK_MENU},
    {L"CapsLock", VK_CAPITAL}, {L"LShift", VK_LSHIFT}, {L"RShift", VK_RSHIFT},
    {L"LCtrl", VK_LCONTROL}, {L"RCtrl", VK_RCONTROL},
};

// Unshifted and shifted characters of the US punctuation keys.
constexpr struct {
  wchar_t plain;
  wchar_t shifted;
  uint32_t virtualKey;
} kPunctuation[] = {
    {L';', L':', 0xBA}, {L'=', L'+', 0xBB}, {L',', L'<', 0xBC}, {L'-', L'_', 0xBD},
    {L'.', L'>', 0xBE}, {L'/', L'?', 0xBF}, {L'`', L'~', 0xC0}, {L'[', L'{', 0xDB},
    {L'\\', L'|', 0xDC}, {L']', L'}', 0xDD}, {L'\'', L'"', 0xDE},
};

constexpr wchar_t kShiftedDigits[] = L")!@#$%^&*(";

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

constexpr struct {
  const wchar_t* name;
  int command;
} kEntryCommands[] = {
    {L"up", kEntryMoveUp},       {L"down", kEntryMoveDown},
    {L"first", kEntryMoveFirst}, {L"last", kEntryMoveLast},
    {L"pin", kEntryTogglePinned}, {L"secondary", kEntryToggleSecondary},
    {L"delete", kEntryDelete},   {L"info", kEntryInformation},
    {L"lookup", kEntryLookUp},
};

// "Entry:COMMAND:SLOT" with SLOT 1..10 and "DeleteLast".
bool ParseMenuCommand(const std::wstring& body, KeyStroke* key) {
  if (EqualsNoCase(body, L"DeleteLast")) {
    key->keyFunction = KeyFunction::kDeleteWord;
    return true;
  }
  const size_t first = body.find(L':');
  const size_t second = first == std::wstring::npos ? first : body.find(L':', first + 1);
  if (second == std::wstring::npos || !EqualsNoCase(body.substr(0, first), L"Entry")) return false;
  const std::wstring slotText = body.substr(second + 1);
  if (slotText.empty() || slotText.size() > 2) return false;
  int slot = 0;
  for (wchar_t c : slotText) {
    if (!std::iswdigit(c)) return false;
    slot = slot * 10 + (c - L'0');
  }
  if (slot < 1 || slot > 10) return false;
  const std::wstring name = body.substr(first + 1, second - first - 1);
  for (const auto& command : kEntryCommands) {
    if (!EqualsNoCase(name, command.name)) continue;
    key->keyFunction = KeyFunction::kEntryOperation | (static_cast<uint64_t>(slot - 1) << 16) |
                       static_cast<uint64_t>(command.command);
    return true;
  }
  return false;
}

bool ParseNamedKey(const std::wstring& body, KeyStroke* key) {
  if (ParseMenuCommand(body, key)) return true;
  std::wstring rest = body;
  for (;;) {
    size_t plus = rest.find(L'+');
    if (plus == std::wstring::npos || plus + 1 >= rest.size()) break;
    std::wstring modifier = rest.substr(0, plus);
    if (EqualsNoCase(modifier, L"Ctrl")) {
      key->ctrl = true;
    } else if (EqualsNoCase(modifier, L"Shift")) {
      key->shift = true;
    } else if (EqualsNoCase(modifier, L"Alt")) {
      key->alt = true;
    } else {
      return false;
    }
    rest = rest.substr(plus + 1);
  }
  for (const NamedKey& named : kNamedKeys) {
    if (EqualsNoCase(rest, named.name)) {
      key->virtualKey = named.virtualKey;
      if (named.virtualKey == VK_SPACE && !key->ctrl && !key->alt) key->ch = L' ';
      return true;
    }
  }
  if ((rest[0] == L'F' || rest[0] == L'f') && rest.size() <= 3 && rest.size() >= 2) {
    int n = 0;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (!std::iswdigit(rest[i])) return false;
      n = n * 10 + (rest[i] - L'0');
    }
    if (n < 1 || n > 24) return false;
    key->virtualKey = VK_F1 + n - 1;
    return true;
  }
  // A single character after modifiers: {Ctrl+1}, {Ctrl+Shift+a}.
  if (rest.size() == 1) {
    KeyStroke plain;
    if (!CharToKeyStroke(rest[0], &plain)) return false;
    key->virtualKey = plain.virtualKey;
    key->shift = key->shift || plain.shift;
    return true;
  }
  return false;
}

}  // namespace

bool CharToKeyStroke(wchar_t ch, KeyStroke* out) {
  KeyStroke key;
  key.ch = ch;
  key.name.assign(1, ch);
  if (ch >= L'a' && ch <= L'z') {
    key.virtualKey = ch - L'a' + 'A';
  } else if (ch >= L'A' && ch <= L'Z') {
    key.virtualKey = ch;
    key.shift = true;
  } else if (ch >= L'0' && ch <= L'9') {
    key.virtualKey = ch;
  } else if (ch == L' ') {
    key.virtualKey = VK_SPACE;
  } else {
    for (int d = 0; d < 10; ++d) {
      if (kShiftedDigits[d] == ch) {
        key.virtualKey = L'0' + d;
        key.shift = true;
      }
    }
    for (const auto& p : kPunctuation) {
      if (p.plain == ch) key.virtualKey = p.virtualKey;
      if (p.shifted == ch) {
        key.virtualKey = p.virtualKey;
        key.shift = true;
      }
    }
    if (key.virtualKey == 0) return false;
  }
  *out = key;
  return true;
}

bool ParseKeyScript(const std::wstring& text, std::vector<KeyStroke>* out, std::wstring* error) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t ch = text[i];
    if (ch == L'\r' || ch == L'\n') continue;
    if (ch == L'{' && i + 1 < text.size() && text[i + 1] == L'{') {
      KeyStroke brace;
      CharToKeyStroke(L'{', &brace);
      out->push_back(brace);
      ++i;
      continue;
    }
    if (ch == L'{') {
      size_t close = text.find(L'}', i + 1);
      if (close == std::wstring::npos || close == i + 1) {
        if (error) *error = L"unterminated key name at position " + std::to_wstring(i);
        return false;
      }
      KeyStroke key;
      key.name = text.substr(i, close - i + 1);
      if (!ParseNamedKey(text.substr(i + 1, close - i - 1), &key)) {
        if (error) *error = L"unknown key " + key.name;
        return false;
      }
      out->push_back(key);
      i = close;
      continue;
    }
    KeyStroke key;
    if (!CharToKeyStroke(ch, &key)) {
      // Characters outside the US layout still type themselves.
      key = KeyStroke{};
      key.ch = ch;
      key.name.assign(1, ch);
    }
    out->push_back(key);
  }
  return true;
}

namespace {

void SendKeyEvent(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

}  // namespace

uint32_t SendKeyStroke(const KeyStroke& key) {
  const WORD vk = static_cast<WORD>(key.virtualKey);
  if (key.ctrl) SendKeyEvent(VK_CONTROL, false);
  if (key.alt) SendKeyEvent(VK_MENU, false);
  if (key.shift) SendKeyEvent(VK_SHIFT, false);
  SendKeyEvent(vk, false);
  SendKeyEvent(vk, true);
  if (key.shift) SendKeyEvent(VK_SHIFT, true);
  if (key.alt) SendKeyEvent(VK_MENU, true);
  if (key.ctrl) SendKeyEvent(VK_CONTROL, true);
  if (key.ctrl) return VK_CONTROL;
  if (key.alt) return VK_MENU;
  return key.shift ? VK_SHIFT : vk;
}
