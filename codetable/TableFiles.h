// Whole-table file work of the code-table tools: creating mapped files,
// temporary paths, reading text files, sorting the offset table, purging
// categories, emptying tables and replacing a live table in place.
#pragma once

#include <cstdint>

#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/TempWords.h"
#include "engine/TextDecoder.h"

// First byte after the header and one spare u32 (the compiler's edge base).
constexpr uint32_t kDmgRecordBase = kDmgOffsetTableOffset + 4;  // 66188

// Creates (CREATE_ALWAYS, shared read/write) a file of sizeBytes and maps it
// whole; a name that holds no plain file (a link, a folder) is refused.
// Returns sizeBytes, or 0 with *out null and nothing left open.
uint32_t CreateMappedFile(MappedFile** out, const wchar_t* path, uint32_t sizeBytes);

// folder (or the temporary folder when null or empty), a backslash when
// missing, then name, into out (260 units). Returns the length, 0 when the
// path would not fit.
uint32_t MakeTempFilePath(const wchar_t* name, wchar_t* out, const wchar_t* folder = nullptr);

enum ReadTextResult { kReadTextDone = 0, kReadTextCannotOpen = 1, kReadTextNoMemory = 2 };
// Reads a whole file and decodes it by its byte-order mark into text, which
// always ends with a zero unit.
int ReadWholeTextFile(const wchar_t* path, DecodedText* text);

// Sorts the offset table by the record order (codes, then words; texts for a
// word list) and flushes. Offsets that point outside the file go last.
int SortOffsetTable(MappedFile* table, const RecordCompareOps* ops);

// Removes the records whose category (bits 24-28) has its bit set in mask;
// the kept records are moved to the end of the file in sort order and the
// key index of a code table is rebuilt (default key set). Nonzero on success.
int PurgeCategoryEntries(MappedFile* table, uint32_t categoryMask);

// Count 0, edge = file size, key index zeroed; the file keeps its size.
int EmptyTable(MappedFile* table);
// Writes a new, empty temp.dmg (WriteEmptyTempTable) at path.
int CreateEmptyTempTable(const wchar_t* path);

// Copies a complete new table over the live one in place: grows the live file
// when it is shorter, else keeps its size with the records at its end; keeps
// the live header's name, tag and user fields. 1 done, 0 refused (the new
// table is damaged or the live file cannot grow); on 0 the live table is
// unchanged.
int ReplaceLiveTable(MappedFile* live, const MappedFile* fresh);

// Checks that header, count, edge and every offset of a table agree with its
// size (records inside [edge, size)).
bool IsTableConsistent(const MappedFile* table);
