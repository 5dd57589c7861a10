// A list view with virtual rows (LVS_OWNERDATA): texts and colours are asked
// for per visible cell, so hundreds of thousands of rows cost nothing until
// shown. Clicks come back as (row, column) cells.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

// What the list asks of its owner.
class VirtualListSource {
 public:
  virtual ~VirtualListSource() = default;
  // Writes the cell's text into out (capacity in units, terminator included).
  virtual void CellText(int row, int column, wchar_t* out, int capacity) = 0;
  // Colours of one cell; false keeps the list's own.
  virtual bool CellColours(int row, int column, COLORREF& text, COLORREF& back) {
    (void)row, (void)column, (void)text, (void)back;
    return false;
  }
};

struct ListCell {
  int row = -1;
  int column = -1;
};

class VirtualList {
 public:
  // list must have LVS_OWNERDATA; source outlives this object.
  void Attach(HWND list, VirtualListSource* source);
  HWND hwnd() const { return list_; }
  // Adds a column of width pixels at the end.
  void AddColumn(const wchar_t* title, int width);
  // Sets the row count, keeping the scroll position.
  void SetRowCount(int rows);
  // Handles the list's LVN_GETDISPINFOW and NM_CUSTOMDRAW; true (with result)
  // when the notification was this list's and was handled.
  bool HandleNotify(const NMHDR* header, LRESULT& result);
  // The cell under a point of the list's client area; row -1 when none.
  ListCell CellAt(POINT client) const;
  // The cell of an NM_CLICK / NM_DBLCLK notification of this list.
  ListCell ClickedCell(const NMHDR* header) const;
  int SelectedRow() const;

 private:
  HWND list_ = nullptr;
  VirtualListSource* source_ = nullptr;
  int columns_ = 0;
};
