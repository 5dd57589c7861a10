// The install wizard's work without its window: the folder it proposes and
// accepts, the checks before the steps, and the ordered install steps, each
// undone in reverse when a later one fails.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// The package's name for its folder below the chosen one; IMEName when the
// package gives none or no plain name.
std::wstring InstallFolderName(const SoftConfigBlock& soft);
// chosen + name + "\": what the wizard makes of a browsed folder.
std::wstring AppendInstallFolderName(const std::wstring& chosen, const SoftConfigBlock& soft);
// The product's registered InstallLocation, else <Program Files>\<name>\.
std::wstring DefaultInstallFolder(InstallerState& state, InstallerOs& os);

// The wizard's browse button: starts in the given folder, else in the last
// one chosen in this run, else on the desktop. True with a folder that exists.
class FolderChooser {
 public:
  bool Choose(InstallerOs& os, HWND owner, const std::wstring& initial, const wchar_t* title,
              std::wstring* out);

 private:
  std::wstring last_;
};

// A folder may hold the product when it is a plain local path that is no
// drive root and no folder of Windows or of the user (nor holds one).
bool IsAcceptableInstallFolder(InstallerOs& os, const std::wstring& folder,
                               std::wstring* normalised);

enum class FolderPreparation {
  kReady,     // the install folder is set in the state and exists
  kDeclined,  // the user said no, or the user words could not be saved
  kRefused,   // not a folder the product may go to
  kFailed,    // it could not be created
};
// Before the steps, on the install thread: checks the typed folder, asks
// before installing over an existing one (whose user words are saved first
// and whose data folder then goes; the old program files go only from this
// product's own folder), and creates it. Messages go through the seam.
FolderPreparation PrepareInstallFolder(InstallerState& state, InstallerOs& os,
                                       const std::wstring& typed);

// The package zip copied to <install folder>_backup_.dat for repairs; the
// zip is deleted once copied.
bool BackupInstallPackage(InstallerState& state, InstallerOs& os);

// The install steps with their log lines and bar positions. A failing step
// stops the run and the finished ones are undone, newest first, so no half
// install stays behind.
bool RunInstallSteps(InstallerState& state, InstallerOs& os, const std::wstring& owner,
                     const std::wstring& organisation);
