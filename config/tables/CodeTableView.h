// The detail view of one code table: a virtual list of its entries filtered
// on a worker thread, with add, change, delete, restore, copy and dictionary
// commands. It maps the table a second time, apart from config's context.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/tables/ViewEdits.h"
#include "config/tables/ViewRows.h"
#include "engine/MappedFile.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogWorker.h"
#include "ui/dialogs/VirtualList.h"

struct ConfigApp;

// Posted to the view by its fill thread with the rows it found.
inline constexpr UINT kViewFillDone = WM_APP + 21;

struct CodeTableViewSetup {
  std::wstring tablePath;
  uint32_t category = 0;  // 0: all categories
  std::wstring code;      // seeded filters
  std::wstring word;
  // The caption; empty: the caption of the table's kind.
  std::wstring caption;
};

class CodeTableView : public Dialog, private VirtualListSource {
 public:
  CodeTableView(ConfigApp& app, CodeTableViewSetup setup);
  ~CodeTableView() override;

  // For tests and the benchmark: whether a fill runs, and the rows shown.
  bool filling() const { return filling_; }
  size_t rowCount() const { return rows_.size(); }
  // Positions of the selected rows in the table's offset table.
  std::vector<uint32_t> SelectedPositions() const;
  // Runs a menu or accelerator command (refused while a fill runs).
  void RunCommand(int command);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnOk() override;
  void OnCancel() override;
  void OnSize(int cx, int cy) override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& msg) override;

 private:
  void CellText(int row, int column, wchar_t* out, int capacity) override;
  bool CellColours(int row, int column, COLORREF& text, COLORREF& back) override;

  void StartViewFill();
  void FinishViewFill(std::vector<uint32_t> rows);
  void SetControlsEnabled(bool enabled);
  void AddCategoryEntries();
  void UpdateMenu(HMENU menu);
  void ShowContextMenu();
  int FirstSelectedRow() const;
  bool ReadRow(int row, ViewEntry* out) const;
  // Code, word and attributes of the selected rows, as they are now.
  std::vector<ViewEntry> SelectedEntries() const;

  void OnAddViewWord();
  void OnEditViewEntry();
  void OnDeleteViewEntries();
  void OnRestoreViewEntries();
  void TellEditFailure(ViewEditResult result);
  void OnCopyViewEntries();
  void OnLookupInDictionary();
  void ChooseCategory(uint32_t category);

  ConfigApp& app_;
  CodeTableViewSetup setup_;
  TableFileKind kind_;
  MappedFile* table_ = nullptr;
  bool deletedOnly_ = false;
  bool pinnedOnly_ = false;
  int selectAfterFill_ = -1;
  int scrollAfterFill_ = -1;
  bool filling_ = false;
  std::vector<uint32_t> rows_;
  std::vector<ViewCategoryEntry> categoryEntries_;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  VirtualList list_;
  DialogWorker<std::vector<uint32_t>> worker_;
};
