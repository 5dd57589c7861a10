// The code-table detail view without its window: which records a filter
// takes, the texts and colours of their cells, the copied text, the caption,
// the category entries of the view menu and what the edit commands allow.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "config/tables/TableList.h"
#include "engine/ConfigBlocks.h"
#include "engine/DmgTable.h"

struct ViewFilter {
  uint32_t category = 0;     // 0 all, else one category
  bool deletedOnly = false;  // goes before pinnedOnly, which goes before category
  bool pinnedOnly = false;
  std::wstring code;         // the code text begins with it
  std::wstring word;         // the word begins with it, or holds it (contains)
  bool contains = false;
};

// Positions of the records the filter takes, in offset-table order. When
// stop becomes set the walk ends early with what it has.
std::vector<uint32_t> FilterTableRows(const DmgView& view, const ViewFilter& filter,
                                      const std::atomic<bool>* stop = nullptr);
// Whether one record passes (the per-record test of FilterTableRows).
bool RecordPassesFilter(const DmgRecord& record, const ViewFilter& filter);

enum ViewColumn : int {
  kViewColumnNumber,
  kViewColumnCode,
  kViewColumnWord,
  kViewColumnCategory,
  kViewColumnOrder,
  kViewColumnCount,
};

// Column titles and widths; the code column is 0 wide for word-list tables.
struct ViewColumnInfo {
  const wchar_t* title;
  int width;
};
ViewColumnInfo ViewColumnOf(int column, TableFileKind kind);

// The text of one cell for the record at position (kept to capacity units
// with the terminator); "" when the record cannot be read.
void ViewCellText(const DmgView& view, uint32_t position, int column, TableFileKind kind,
                  const SoftConfigBlock* soft, wchar_t* out, int capacity);
// "分类" of a record: the table, or the category name with " 固顶" and
// " 已删除" behind it.
std::wstring ViewCategoryText(uint32_t attr, TableFileKind kind, const SoftConfigBlock* soft);
// Text colour of a row: red deleted, dark blue user entries, else black.
COLORREF ViewRowColour(uint32_t attr);

// The clipboard text of the selected rows: at most the first 24 of them,
// written from the last taken back to the first, each "word TAB code CR LF".
std::wstring ViewCopyText(const DmgView& view, const std::vector<uint32_t>& selectedPositions);
inline constexpr size_t kMaxCopiedRows = 24;

// The window caption for a table path, with " - <display name>" when known.
std::wstring ViewCaption(TableFileKind kind, const std::wstring& displayName);

// The category entries of the view menu for main.dmg, in menu order.
struct ViewCategoryEntry {
  int command;
  uint32_t category;
  std::wstring text;
};
std::vector<ViewCategoryEntry> ViewCategoryMenu(const SoftConfigBlock* soft);

// Which edit commands the menus enable.
struct ViewEditState {
  bool add = false;
  bool modify = false;
  bool erase = false;
  bool restore = false;
};
ViewEditState ViewEditStateFor(TableFileKind kind, uint32_t categoryFilter,
                               const SoftConfigBlock* soft);
// The category a word added from the view gets: the shown one, or the user
// category when all are shown.
inline uint32_t ViewAddCategory(uint32_t categoryFilter) { return categoryFilter ? categoryFilter : 2; }
// Whether an entry may be changed from the view: user entries and entries of
// a writable category.
bool ViewEntryChangeable(uint32_t attr, const SoftConfigBlock* soft);

// One entry as the view shows it: found again by code and word for any edit,
// since other processes may move it while the view is open.
struct ViewEntry {
  std::wstring code;
  std::wstring word;
  uint32_t attr = 0;
};
bool ReadViewEntry(const DmgView& view, uint32_t position, ViewEntry* out);
