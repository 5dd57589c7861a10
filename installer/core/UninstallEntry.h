// The product's entry in the list of installed programs, and its Start-menu
// shortcuts; both planned from the soft record as plain data first.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// (value name, text) in the order they are written; every one REG_SZ.
std::vector<std::pair<std::wstring, std::wstring>> PlanUninstallEntry(
    const InstallerState& state, const std::wstring& owner, const std::wstring& organisation);
// Install step 3. Fails when the Uninstall key cannot be opened or a value
// cannot be written.
bool WriteUninstallEntry(InstallerState& state, InstallerOs& os, const std::wstring& owner,
                         const std::wstring& organisation);

// Shortcut bits of the soft record's flags; none set: no shortcuts.
constexpr uint32_t kShortcutBits = 0x19E0;
// The shortcuts the flags ask for, in their fixed order. folder is the
// Start-menu folder of the product, ending in a backslash.
std::vector<ShellLinkSpec> PlanShortcuts(const InstallerState& state, const std::wstring& folder,
                                         const std::wstring& module64);
// The files of all shortcuts a package can ask for, whatever its flags.
std::vector<std::wstring> AllShortcutPaths(const std::wstring& folder,
                                           const std::wstring& displayName);
// Install step 5 and a repair step: the shortcuts, then the program the
// package starts afterwards. True unless the folder cannot be made.
bool CreateShortcuts(InstallerState& state, InstallerOs& os);
