// Key scripts of the console host and the typing benchmarks: plain characters
// type themselves, {Name} names any other key ({Space}, {Enter}, {Esc},
// {Backspace}, {Left}, {PageDown}, {F1}, {Ctrl+1} ...), "{{" types "{".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KeyStroke {
  uint32_t virtualKey = 0;  // US layout
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  wchar_t ch = 0;           // the character typed, 0 for a named key
  std::wstring name;        // as written: "a", "{Space}", "{Ctrl+1}"
};

// Parses a whole script; false with a message naming the bad key.
bool ParseKeyScript(const std::wstring& text, std::vector<KeyStroke>* out, std::wstring* error);
// The US-layout key of a printable ASCII character; false for others.
bool CharToKeyStroke(wchar_t ch, KeyStroke* out);
