// The 码表 page of the settings dialog: the code tables and the categories
// of the main table with their counts and switches, and the commands on the
// selected row. The page is the code-table tools' UI: its progress bar shows
// their jobs and its message boxes ask and tell.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "codetable/Progress.h"
#include "config/tables/TableList.h"
#include "ui/dialogs/Dialog.h"

struct ConfigApp;

class CodeTablePage : public Dialog, public CodeTableUi {
 public:
  explicit CodeTablePage(ConfigApp& app);

  // Fills the list again from the context's tables and selects the
  // remembered row.
  void RefreshTableList();
  const std::vector<TableRow>& rows() const { return rows_; }
  int selectedRow() const { return selected_; }
  // Selects a row as a click would (-1: none) and updates the buttons.
  void SelectRow(int row);
  // Runs one of the page's commands on the selected row.
  void RunCommand(int command);
  // What a click on a cell does: the in-use switch of the "使用" column.
  void ClickCell(int row, int column);

  // CodeTableUi over this page.
  bool ChooseTextFile(const wchar_t* title, const wchar_t* filter, wchar_t* path) override;
  UiAnswer Ask(const wchar_t* text, const wchar_t* caption, UiIcon icon) override;
  void Tell(const wchar_t* text, const wchar_t* caption, UiIcon icon) override;
  void ShowProgress(bool visible) override;
  void SetProgress(int percent) override;
  void OpenDocument(const wchar_t* path) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  void OnSelectionChanged();
  void ShowContextMenu();
  void ShowTableView();
  void OnExportTable();
  const TableRow* SelectedTableRow() const;

  ConfigApp& app_;
  std::vector<TableRow> rows_;
  int selected_ = -1;
  int lastSeen_ = -2;
  TableButtons buttons_;
};
