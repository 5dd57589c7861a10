// Word-list tables (type 5: sysl.dmg associations, engl.dmg English words):
// built from a plain list and copied over the live table.
#pragma once

#include <cstdint>

#include "codetable/Progress.h"
#include "engine/ConfigBlocks.h"
#include "engine/MappedFile.h"

inline constexpr wchar_t kWordListTempName[] = L"__templx_.dmg";
inline constexpr wchar_t kWordListTableName[] = L"联想库 ";
// Longest line taken whole; a longer one goes on as the next line.
constexpr uint32_t kWordListLineUnits = 127;

// Builds a type-5 table from a list file. *hashFlag tells whether the first
// line taken holds "#". Returns the record count, 0 on failure.
int BuildWordListTable(const wchar_t* listPath, const wchar_t* outputPath, ProgressReporter* progress,
                       bool* hashFlag);
// The same from a decoded text (not changed).
int BuildWordListTableFromText(const wchar_t* text, uint32_t lenUnits, const wchar_t* outputPath,
                               ProgressReporter* progress, bool* hashFlag);

// No file, or one of no bytes (what a builder killed before its first write
// leaves): no table whose words could be lost.
bool NoTableAt(const wchar_t* path);
// Puts a whole table where there is none, under the write lock of the
// folder: written beside its place and renamed into it, so a kill leaves no
// table or the whole one. Nothing maps an empty file, so nothing holds it
// open against the rename. A folder without settings is no data folder and
// has no folder lock (its tables lock themselves). False when a table
// appeared meanwhile or the lock stayed busy.
bool PlaceWholeTable(const wchar_t* tablePath, const MappedFile* fresh);

// Builds the list into __templx_.dmg of the temporary folder (or of
// tempFolder) and copies it over the start of the table at tablePath, growing
// that file when it is shorter; where no table is (no file, or an empty one)
// the built table is put in its place. In a data folder (config.dsc beside
// the table) this runs under one hold of the folder's write lock. For an
// association table (sysl.dmg) the settings then say whether the list came
// with "#" marks (the input options' bit the association lookup reads):
// settings, the caller's own view of them, or when null the config.dsc
// beside the table. 1 done, 0 failed (nothing changed).
int MergeWordListViaTempTable(const wchar_t* tablePath, const wchar_t* listPath, bool* hashFlag,
                              ProgressReporter* progress, const wchar_t* tempFolder = nullptr,
                              ImeConfigBlock* settings = nullptr);
