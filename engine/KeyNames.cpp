// The KeyNameTable: what each virtual key types, unshifted and shifted.
#include "engine/KeyTables.h"

#include <array>

namespace {

using Row = std::array<const wchar_t*, 256>;

struct KeyNameRows {
  Row plain;
  Row shifted;
};

constexpr KeyNameRows BuildKeyNames() {
  KeyNameRows r{};
  for (int i = 0; i < 256; ++i) {
    r.plain[i] = L"";
    r.shifted[i] = L"";
  }
  r.plain[0x08] = L"键Backspace";
  r.plain[0x09] = L"键Tab";
  r.plain[0x0D] = L"键Enter";
  r.shifted[0x0D] = L"键Enter";
  r.plain[0x10] = L"键Shift";
  r.shifted[0x10] = L"键Shift";
  r.plain[0x11] = L"键Ctrl";
  r.plain[0x12] = L"键Alt";
  r.plain[0x13] = L"键Pause";
  r.plain[0x14] = L"键CapsLock";
  r.plain[0x1B] = L"键Esc";
  r.plain[0x20] = L" ";
  const wchar_t* nav[] = {L"键PageUp", L"键PageDown", L"键End",    L"键Home",
                          L"键左箭头", L"键上箭头",   L"键右箭头", L"键下箭头"};
  for (int i = 0; i < 8; ++i) r.plain[0x21 + i] = nav[i];
  r.plain[0x2C] = L"键PrtSc";
  r.plain[0x2D] = L"键Insert";
  r.plain[0x2E] = L"键Delete";
  const wchar_t* digits[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
  const wchar_t* shiftedDigits[] = {L")", L"!", L"@", L"#", L"$",
                                    L"%", L"^", L"&", L"*", L"("};
  for (int i = 0; i < 10; ++i) {
    r.plain[0x30 + i] = digits[i];
    r.shifted[0x30 + i] = shiftedDigits[i];
  }
  const wchar_t* lower[] = {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i",
                            L"j", L"k", L"l", L"m", L"n", L"o", L"p", L"q", L"r",
                            L"s", L"t", L"u", L"v", L"w", L"x", L"y", L"z"};
  const wchar_t* upper[] = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I",
                            L"J", L"K", L"L", L"M", L"N", L"O", L"P", L"Q", L"R",
                            L"S", L"T", L"U", L"V", L"W", L"X", L"Y", L"Z"};
  for (int i = 0; i < 26; ++i) {
    r.plain[0x41 + i] = lower[i];
    r.shifted[0x41 + i] = upper[i];
  }
  // Keypad keys type the code bytes of the full-width digits and operators.
  const wchar_t* keypadDigits[] = {L"\x10", L"\x11", L"\x12", L"\x13", L"\x14",
                                   L"\x15", L"\x16", L"\x17", L"\x18", L"\x19"};
  for (int i = 0; i < 10; ++i) r.plain[0x60 + i] = keypadDigits[i];
  r.plain[0x6A] = L"\x0A";
  r.plain[0x6B] = L"\x0B";
  r.plain[0x6D] = L"\x0D";
  r.plain[0x6E] = L"\x0E";
  r.plain[0x6F] = L"\x0F";
  const wchar_t* fkeys[] = {L"键F1",  L"键F2",  L"键F3",  L"键F4",  L"键F5",  L"键F6",
                            L"键F7",  L"键F8",  L"键F9",  L"键F10", L"键F11", L"键F12",
                            L"键F13", L"键F14", L"键F15", L"键F16", L"键F17", L"键F18",
                            L"键F19", L"键F20", L"键F21", L"键F22", L"键F23", L"键F24"};
  for (int i = 0; i < 24; ++i) r.plain[0x70 + i] = fkeys[i];
  r.plain[0x90] = L"键NumLock";
  r.plain[0x91] = L"键Scroll";
  const wchar_t* sided[] = {L"键左Shift", L"键右Shift", L"键左Ctrl",
                            L"键右Ctrl",  L"键左Alt",   L"键右Alt"};
  for (int i = 0; i < 6; ++i) r.plain[0xA0 + i] = sided[i];
  const wchar_t* oemPlain[] = {L";", L"=", L",", L"-", L".", L"/", L"`"};
  const wchar_t* oemShifted[] = {L":", L"+", L"<", L"_", L">", L"?", L"~"};
  for (int i = 0; i < 7; ++i) {
    r.plain[0xBA + i] = oemPlain[i];
    r.shifted[0xBA + i] = oemShifted[i];
  }
  const wchar_t* bracketPlain[] = {L"[", L"\\", L"]", L"'"};
  const wchar_t* bracketShifted[] = {L"{", L"|", L"}", L"\""};
  for (int i = 0; i < 4; ++i) {
    r.plain[0xDB + i] = bracketPlain[i];
    r.shifted[0xDB + i] = bracketShifted[i];
  }
  return r;
}

constexpr KeyNameRows kKeyNames = BuildKeyNames();

}  // namespace

const wchar_t* GetKeyNameByIndex(int index) {
  if (index < 0 || index > 511 || (index & 0xFF) == 0xFF) return L"";
  return index < 256 ? kKeyNames.plain[index] : kKeyNames.shifted[index - 256];
}
