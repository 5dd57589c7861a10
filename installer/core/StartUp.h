// The installer's start-up: the work folder, the temporary copy, the checks
// before each mode and the dispatch to the mode's dialog.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// The dialogs the modes run; the program supplies them, tests script them.
class InstallerDialogs {
 public:
  virtual ~InstallerDialogs() = default;
  // Splits and unpacks the package and loads its settings; true for IDOK.
  virtual bool Extract(InstallerState& state) = 0;
  virtual void Wizard(InstallerState& state) = 0;
  virtual void Uninstall(InstallerState& state) = 0;
  virtual void Repair(InstallerState& state) = 0;
  virtual void Update(InstallerState& state) = 0;
};

// <temp>$zinInstaller$-<pid>\, recreated empty; also records our own path.
bool CreateWorkFolder(InstallerState& state, InstallerOs& os);
// Removes the work folder (only ever below the temporary folder).
bool RemoveWorkFolder(InstallerState& state, InstallerOs& os);
// Copies the installed installer.exe (or this file) to a temporary copy of
// this process's own name and starts it with the same line plus "/f". 1
// when the copy started, 0 (after a message) when it did not.
int RelaunchFromTemp(InstallerState& state, InstallerOs& os, const wchar_t* commandLine);
// The product is fully present: installer.exe in its folder, main.dmg in its
// data folder and a display name, which is returned.
bool IsInstalledAlready(InstallerOs& os, const std::wstring& productKey, std::wstring* displayName);

// Exit codes of a run. A mode that hands over to its temporary copy ends
// with kExitDone once the copy started: the copy's own code tells the rest.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNothingDone = 2;  // cancelled, or closed before the action
int ExitCodeOf(RunOutcome outcome);

// One whole run for a command line; returns the process exit code.
int RunInstaller(InstallerState& state, InstallerOs& os, InstallerDialogs& dialogs,
                 const wchar_t* commandLine);
