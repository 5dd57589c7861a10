// The process list's window: columns, rows from the scan, and the buttons.
#include "installer/app/ProcessListDialog.h"

#include "engine/WideString.h"
#include "installer/app/InstallerResources.h"
#include "ui/dialogs/Controls.h"

ProcessListDialog::ProcessListDialog(InstallerState& state, HolderScan& scan, HINSTANCE instance)
    : Dialog(IDD_PROCESS_LIST, instance), state_(state), scan_(scan) {}

BOOL ProcessListDialog::OnInitDialog() {
  HICON question = LoadIconW(nullptr, IDI_QUESTION);
  SetWindowIcons(hwnd(), question, question);
  if (scan_.rows().empty()) {
    EndModal(IDOK);
    return TRUE;
  }
  list_.Attach(Item(IDC_PROCESS_LIST), this);
  ListView_SetExtendedListViewStyle(list_.hwnd(), LVS_EX_FULLROWSELECT | LVS_EX_BORDERSELECT);
  list_.AddColumn(L"程序名", 100);
  list_.AddColumn(L"PID", 70);
  list_.AddColumn(L"描述", 150);
  list_.SetRowCount(static_cast<int>(scan_.rows().size()));
  return TRUE;
}

void ProcessListDialog::CellText(int row, int column, wchar_t* out, int capacity) {
  out[0] = L'\0';
  if (row < 0 || static_cast<size_t>(row) >= scan_.rows().size()) return;
  const HolderScan::Row& entry = scan_.rows()[static_cast<size_t>(row)];
  if (column == 0) CopyStringBounded(out, static_cast<uint32_t>(capacity), entry.program.c_str());
  if (column == 1) FormatString(out, static_cast<uint32_t>(capacity), L"%u", entry.pid);
  if (column == 2)
    CopyStringBounded(out, static_cast<uint32_t>(capacity), entry.description.c_str());
}

void ProcessListDialog::AfterScan(size_t found) {
  if (found == 0) {
    EndModal(IDOK);
    return;
  }
  list_.SetRowCount(static_cast<int>(found));
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
}

bool ProcessListDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_PROCESS_RETRY) {
    AfterScan(scan_.Refresh());
    return true;
  }
  if (id == IDC_PROCESS_TERMINATE) {
    AfterScan(scan_.TerminateAll(state_));
    return true;
  }
  return Dialog::OnCommand(id, code, control);
}

bool ProcessListDialog::OnNotify(NMHDR* header, LRESULT& result) {
  return list_.HandleNotify(header, result) || Dialog::OnNotify(header, result);
}

int ProcessListDialogPrompt::Run(HWND owner, const wchar_t* moduleName, int family) {
  HolderScan scan(os_);
  if (scan.Setup(moduleName, family) == 0) return IDOK;
  ProcessListDialog dialog(state_, scan, instance_);
  return static_cast<int>(dialog.RunModal(owner));
}
