// Lookup tables (.dms: dict.dms and its kin) built from text: one entry per
// line, "key<TAB>value". In both texts "\n" stands for a line break (CR LF),
// "\t" for a tab and "\\" for a backslash, so an entry may span lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codetable/Progress.h"

struct DmsTextEntry {
  std::wstring key;
  std::wstring value;
};

// Parses decoded text (lenUnits units). Blank lines are skipped; a line
// without a tab or with an empty key is rejected and reported through
// progress (may be null) with its line number. Returns the lines rejected.
uint32_t ParseDmsText(const wchar_t* text, uint32_t lenUnits, std::vector<DmsTextEntry>* entries,
                      ProgressReporter* progress);

// The file image of a lookup table: u32 count, u32 offsets sorted by key
// (unit by unit as unsigned numbers, a shorter key first; equal keys keep
// their order, so alternatives stay in the order given), then the entries,
// key and value each with a NUL. Empty when it would not fit in 4 GB.
std::vector<uint8_t> BuildDmsImage(const std::vector<DmsTextEntry>& entries);

enum class DmsBuildResult { kDone, kCannotRead, kTooLarge, kCannotWrite };
// Writes the table of entries to outputPath (replacing the file).
DmsBuildResult WriteDmsTable(const wchar_t* outputPath, const std::vector<DmsTextEntry>& entries);
// Reads a text file (UTF-16 with BOM, UTF-8 or the ANSI code page), builds
// the table and writes it to outputPath. *count receives the entries
// written, *rejected the lines rejected (both may be null).
DmsBuildResult BuildDmsFile(const wchar_t* textPath, const wchar_t* outputPath,
                            ProgressReporter* progress, uint32_t* count, uint32_t* rejected);
