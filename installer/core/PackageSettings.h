// The product identity of the package: the soft and ime blocks of the
// packaged config.dsc.
#pragma once

#include <cstdint>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Takes the blocks from a config.dsc image into the state: the soft record
// (flags 0x30000000 cleared, 0x20000000 set when the ime block allows TSF),
// the ime block and the product key. False for an image without both blocks
// or whose display name, IMEName (a plain file name) or GUID is empty.
bool TakePackageSettings(InstallerState& state, std::vector<uint8_t>& image);

// Reads <unpack folder>\$dataFiles$\config.dsc into the state.
bool LoadPackageSettings(InstallerState& state, InstallerOs& os);

// "{XXXXXXXX-...}" of a 16-byte GUID.
std::wstring GuidText(const uint8_t guid[16]);
