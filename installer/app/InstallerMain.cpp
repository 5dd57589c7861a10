// installer.exe: start-up of the process, then one run for the command line.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <objbase.h>

#include <memory>

#include "installer/app/ExtractDialog.h"
#include "installer/app/MaintenanceDialog.h"
#include "installer/app/ProcessListDialog.h"
#include "installer/app/UpdateDialog.h"
#include "installer/app/WizardDialog.h"
#include "installer/core/StartUp.h"
#include "installer/core/Win32InstallerOs.h"

namespace {

// The dialogs of the modes.
class ProgramDialogs : public InstallerDialogs {
 public:
  explicit ProgramDialogs(InstallerOs& os) : os_(os) {}
  bool Extract(InstallerState& state) override {
    ExtractDialog dialog(state, os_);
    return dialog.RunModal(state.owner) == IDOK;
  }
  void Wizard(InstallerState& state) override {
    WizardDialog dialog(state, os_);
    dialog.RunModal(nullptr);
  }
  void Uninstall(InstallerState& state) override {
    MaintenanceDialog dialog(MaintenanceDialog::Kind::kUninstall, state, os_);
    dialog.RunModal(nullptr);
  }
  void Repair(InstallerState& state) override {
    MaintenanceDialog dialog(MaintenanceDialog::Kind::kRepair, state, os_);
    dialog.RunModal(nullptr);
  }
  void Update(InstallerState& state) override {
    UpdateDialog dialog(state, os_);
    dialog.RunModal(nullptr);
  }

 private:
  InstallerOs& os_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // The temporary copy runs from a folder any user can write to: load
  // system libraries from the system folder only.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  ImmDisableIME(0);
  if (FAILED(CoInitialize(nullptr))) return 1;
  // No folder we remove may be our current directory.
  wchar_t system[MAX_PATH];
  UINT units = GetSystemDirectoryW(system, MAX_PATH);
  if (units > 0 && units < MAX_PATH) SetCurrentDirectoryW(system);

  auto state = std::make_unique<InstallerState>();
  ZeroMemory(state.get(), sizeof(InstallerState));
  Win32InstallerOs os;
  ProcessListDialogPrompt processList(*state, os);
  state->processList = &processList;
  PlacedFiles placed;
  state->placed = &placed;
  ProgramDialogs dialogs(os);
  int exitCode = RunInstaller(*state, os, dialogs, commandLine);
  CoUninitialize();
  return exitCode;
}
