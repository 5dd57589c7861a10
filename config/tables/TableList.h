// The list of the code-table manager page without its window: the rows of
// the tables and categories, what the selected row enables, the names of
// exported files and the in-use switch of a category.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"

enum class TableFileKind { kMain, kTemp, kAssociation, kEnglish, kOther };

// File names of the tables in the data folder.
inline constexpr wchar_t kMainTableFile[] = L"main.dmg";
inline constexpr wchar_t kTempTableFile[] = L"temp.dmg";
inline constexpr wchar_t kAssociationTableFile[] = L"sysl.dmg";
inline constexpr wchar_t kEnglishTableFile[] = L"engl.dmg";

// The kind of a table by the file name at the end of path (case ignored).
TableFileKind TableKindOfPath(const std::wstring& path);

// Flag bits of a category (product-identity block).
inline constexpr uint32_t kCategoryWritable = 0x1;
inline constexpr uint32_t kCategoryInUse = 0x2;

// The name of category 0..31 (up to nine units, not always terminated).
std::wstring CategoryName(const SoftConfigBlock* soft, uint32_t category);
bool CategoryWritable(const SoftConfigBlock* soft, uint32_t category);

struct TableRow {
  int number = -1;  // the category 0..31 of a main-table row; -1 for the other tables
  TableFileKind table = TableFileKind::kMain;
  std::wstring name;
  uint32_t count = 0;
  std::wstring writable;  // "√", "" or "-"
  std::wstring inUse;
};

// What the list shows besides the category names.
struct TableCounts {
  uint32_t byCategory[64] = {};
  uint32_t mainTotal = 0;
  bool tempOpen = false;
  bool associationOpen = false;
  bool englishOpen = false;
  uint32_t temp = 0;
  uint32_t association = 0;
  uint32_t english = 0;
};

// Rows in list order: the whole main table, system, the named classes
// 16..31 up to the first unnamed one, secondary and user when named,
// auxiliary when named, then the temporary, association and English tables
// that are open.
std::vector<TableRow> BuildTableRows(const SoftConfigBlock* soft, const TableCounts& counts);

// The state of the five buttons (and of the context menu) for a row.
struct TableButtons {
  bool edit = false;
  bool import = false;
  bool exportTable = false;
  bool replace = false;
  bool clear = false;
  const wchar_t* editText = L"编辑(&E)";
};
// For no row (null) every button is off.
TableButtons ButtonsForRow(const TableRow* row, const SoftConfigBlock* soft);
// The file a row stands for ("" for no row).
const wchar_t* TableFileOfRow(const TableRow& row);

// A name usable as one part of a file name: characters Windows refuses
// ("\", "/", ":", "*", "?", quotes, "<", ">", "|", controls) and runs of
// dots become "_", as do trailing blanks and dots; an empty name becomes "_".
std::wstring SafeFileNamePart(const std::wstring& name);
// The export folder under the documents folder: "<documents>\[ <name> ]".
std::wstring ExportFolderFor(const std::wstring& documents, const std::wstring& displayName);
// The export file of a row inside folder; empty when the row may not be
// exported (the temporary table, a category that is not writable).
std::wstring ExportFileName(const TableRow& row, const SoftConfigBlock* soft,
                            const std::wstring& folder);
// The export selector of a row: its category, -1 for the word-list tables.
int32_t ExportSelector(const TableRow& row);

// Flips the in-use bit of category 0..31; false for other numbers.
bool ToggleCategoryInUse(SoftConfigBlock* soft, int category);
