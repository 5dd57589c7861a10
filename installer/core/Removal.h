// Removing an installed product: its files, data folder, shortcuts and
// registry keys. Every folder removed is checked to be this product's own.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// The module <IMEName>.ime in both system folders; a loaded one is renamed
// aside and deleted when Windows next starts (restart set).
void DeleteModuleFiles(InstallerOs& os, const std::wstring& imeName, bool* restart);
// The uninstall's file step: the recorded files of the install folder, this
// product's data folder and its virtualised copies, and the modules.
void DeleteInstalledFiles(InstallerState& state, InstallerOs& os, bool* restart);
// The product's Start-menu folder: its shortcut files, then the folder
// itself when nothing else is in it. A display name that is no plain name
// names no folder of ours: nothing is touched.
void DeleteShortcuts(InstallerOs& os, const std::wstring& displayName);
// The uninstall entry and the product key in both registry views.
void DeleteProductKeys(InstallerOs& os, const std::wstring& productKey);
// ProgramData\ZinnorIME3\ holds no other product's data: nothing, or only
// folders whose names begin with a dot.
bool IsProductDataEmpty(InstallerOs& os);
// The family's own folder and registry keys once no product is left in them.
void RemoveFamilyLeftovers(InstallerOs& os);
// Copies of this product's data folder that file virtualisation made below
// the Internet cache folder, one per drive letter c..y.
void RemoveVirtualizedData(InstallerOs& os, const std::wstring& imeName);
