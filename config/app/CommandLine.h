// config's command line: "/n" product key, "/do" keyword, "/showurl" URL
// with "/showurlCX" / "/showurlCY" size, "/dict" word.
#pragma once

#include <cstddef>
#include <string>

inline constexpr size_t kKeywordUnits = 255;
inline constexpr size_t kProductKeyChars = 39;
inline constexpr size_t kSizeValueChars = 39;

struct ConfigCommandLine {
  std::wstring productKey;  // at most kProductKeyChars
  std::wstring keyword;     // at most kKeywordUnits; "showurl" or "dict" for those switches
  std::wstring text;        // the URL or the word, at most kKeywordUnits
  int width = -1;
  int height = -1;
  int left = -1;
  int top = -1;
};

// Copies one argument starting at source into destination (capacity in
// units, terminator included; the value is cut to fit and terminated). A
// value that starts with ' or " runs to the next mark of the same kind, the
// marks removed; otherwise it runs to the next blank. Returns the units of
// source consumed (a closing mark included).
size_t CopyQuotedArgument(const wchar_t* source, wchar_t* destination, size_t capacity);

// Reads the command line (without the program name) left to right, token by
// token, so a switch is recognised only as a whole token of its own: a word
// or URL holding "/n " cannot add switches. A token taken as a switch's value
// is never a switch itself. Never fails.
ConfigCommandLine ParseConfigCommandLine(const wchar_t* commandLine);

