// The commands of the code-table manager page on its selected row: export,
// clear, replace and import. They ask, choose files and show progress
// through CodeTableUi, act on config's context, and report what went wrong
// with a message of its own.
#pragma once

#include <string>

#include "codetable/CodeTableCommands.h"
#include "codetable/Progress.h"
#include "config/tables/TableList.h"
#include "engine/ImeContext.h"

inline constexpr wchar_t kTableCaption[] = L"配置程序";
inline constexpr wchar_t kNotPermittedMessage[] = L"该码表未被授权修改！";

// Exports the row's table or category into folder (created when missing).
// Returns the file written; empty when nothing was written, after telling
// why: a row that may not be exported, a folder that cannot be made, a
// table that cannot be read, a file that cannot be written.
std::wstring ExportTableRow(ImeContext* context, const TableRow& row, const std::wstring& folder,
                            CodeTableUi& ui);

// Empties the row's table or purges its category after asking. True when
// something was emptied.
bool ClearTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui);

// Replaces the whole main table from a definition, a category from a word
// file, or a word-list table from a list. 1 done, 0 failed, -1 nothing done
// (refused or cancelled).
int ReplaceTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui,
                    const std::wstring& tempFolder);

// Imports a word file into the main table (the row's category, or the whole
// table), or replaces a word-list table from a list. The records added (or
// 1 for a word list), 0 failed, -1 nothing done.
int ImportIntoTableRow(ImeContext* context, const TableRow& row, CodeTableUi& ui,
                       const std::wstring& tempFolder);

// The counts the list shows, read from the context's tables.
TableCounts CountContextTables(ImeContext* context);

// Empties temp.dmg in place into its fixed-slot form (growing a short file
// to that form first). False when it cannot be written.
bool EmptyTempTableInPlace(MappedFile* temp);
