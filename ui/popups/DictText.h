// The text the dictionary window shows for a candidate: the word's entry in
// dict.dms, copied out of the shared view (which is never written).
#pragma once

#include <cstdint>

struct MappedFile;

// Units of the dictionary window's text buffer, the terminator included;
// the full entry is for config's mini dictionary.
inline constexpr int kDictTextUnits = 4096;

// Copies the first entry of headword in the table into out (capacity in
// units, terminator included), up to the first "\r\n \r\n" that separates
// its summary from the rest, cut to fit without splitting a surrogate pair.
// Without an entry (or without a table) out gets the headword itself.
// Returns the units written; *found tells whether an entry was found.
int CopyDictEntryText(const MappedFile* dict, const wchar_t* headword, wchar_t* out, int capacity,
                      bool* found);
