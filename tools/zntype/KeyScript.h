// Key scripts of the console host and the typing benchmarks: plain characters
// type themselves, {Name} names any other key ({Space}, {Enter}, {Esc},
// {Backspace}, {Left}, {PageDown}, {F1}, {Ctrl+1} ...), "{{" types "{".
// Two names stand for menu commands rather than keys: {Entry:COMMAND:SLOT}
// runs a command of the candidate-word menu (up, down, first, last, pin,
// secondary, delete, info, lookup) on page slot 1..10, and {DeleteLast}
// offers to delete the word committed last.
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
  uint64_t keyFunction = 0; // menu command: key-function flags to run instead of a key
  std::wstring name;        // as written: "a", "{Space}", "{Ctrl+1}"
};

// Parses a whole script; false with a message naming the bad key.
bool ParseKeyScript(const std::wstring& text, std::vector<KeyStroke>* out, std::wstring* error);
// The US-layout key of a printable ASCII character; false for others.
bool CharToKeyStroke(wchar_t ch, KeyStroke* out);
// Sends the stroke through SendInput as a keyboard makes it: its modifiers
// down, the key down and up, the modifiers up. Returns the key released last.
uint32_t SendKeyStroke(const KeyStroke& key);
