// The installer's command line: whole tokens, matched without regard to case.
//   (none)                 install from the package appended to this file
//   /n KEY /u|/r|/g|/z     uninstall, repair, update check, nothing
//   /f                     this is the temporary copy
//   /EMMODE=n /GUID=KEY    switch the framework of an installed product
#pragma once

#include <string>
#include <vector>

#include "installer/core/InstallerState.h"

struct InstallerCommandLine {
  InstallerMode mode = InstallerMode::kUnnamed;
  bool tempCopy = false;
  std::wstring productKey;       // from /n; empty unless a braced GUID
  bool frameworkSwitch = false;  // a /GUID= token was given
  std::wstring switchKey;        // from /GUID=; empty unless a braced GUID
  int embeddedMode = 0;          // /EMMODE=1..3, else 0
};

// Splits at blanks; double quotes group blanks into a token and are removed.
std::vector<std::wstring> SplitCommandLine(const wchar_t* line);
InstallerCommandLine ParseCommandLineTokens(const wchar_t* line);

// Fills the mode, the temporary-copy flag and the product key of the state.
// Always true.
bool ParseInstallerCommandLine(InstallerState& state, const wchar_t* line);
