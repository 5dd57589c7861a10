// Dialog 133: the processes that hold a module, with retry, terminate and
// cancel. It appears only when some process holds the module.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "installer/core/ProcessList.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/VirtualList.h"

class ProcessListDialog : public Dialog, private VirtualListSource {
 public:
  // The scan has been set up by the caller and found processes.
  ProcessListDialog(InstallerState& state, HolderScan& scan, HINSTANCE instance = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  void CellText(int row, int column, wchar_t* out, int capacity) override;
  // After a scan: IDOK when nothing holds the module any more, else the new rows.
  void AfterScan(size_t found);

  InstallerState& state_;
  HolderScan& scan_;
  VirtualList list_;
};

// The prompt the guarded copy and the repair and uninstall use: scans, and
// shows the dialog only when something holds the module.
class ProcessListDialogPrompt : public ProcessListPrompt {
 public:
  ProcessListDialogPrompt(InstallerState& state, InstallerOs& os, HINSTANCE instance = nullptr)
      : state_(state), os_(os), instance_(instance) {}
  int Run(HWND owner, const wchar_t* moduleName, int family) override;

 private:
  InstallerState& state_;
  InstallerOs& os_;
  HINSTANCE instance_;
};
