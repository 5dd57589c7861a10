// Version blocks of program files: a file's version strings and the dotted
// version text packed into one comparable number. Shared by config (its About
// page) and the installer (which compares the files it replaces).
#pragma once

#include <cstdint>
#include <string>

struct DottedVersion {
  uint16_t parts[4];  // a.b.c.d; missing parts are 0, larger ones clamped to 65535
  uint64_t packed;    // a << 48 | b << 32 | c << 16 | d
};

// Reads up to four dot-separated decimal numbers; anything else after a
// number's digits is skipped up to the next dot. Returns false when the text
// does not start with a digit (the parts read are still filled in).
bool ParseDottedVersion(const wchar_t* text, DottedVersion* out);

// Copies the value name (e.g. "FileVersion") of the file's version block
// into out: the first language and code page of \VarFileInfo\Translation that
// has it. Returns capacity when found, else 1; out is emptied first and
// always terminated (a longer value is cut).
int QueryVersionString(const wchar_t* file, const wchar_t* name, wchar_t* out, int capacity);

// The packed FileVersion of a file; 0 when it has no version block.
uint64_t GetFileVersion(const wchar_t* file);
// A packed version as "a.b.c.d".
std::wstring DottedVersionText(uint64_t packed);
