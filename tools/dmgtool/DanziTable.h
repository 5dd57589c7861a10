// danzi.dmi from a compiled code table: each single character to its full
// (longest) code.
#pragma once

// Returns the number of characters written, 0 on failure.
int WriteDanziTable(const wchar_t* mainTablePath, const wchar_t* outputPath);
