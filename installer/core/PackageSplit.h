// The package: the installer executable with a zip archive appended, the
// executable's own size kept in its PE32+ header's LoaderFlags field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// File offset of LoaderFlags: e_lfanew + 128 in a PE32+ image.
constexpr uint32_t kLoaderFlagsOffsetFromPe = 128;

// Reads the stub size S from the image's header. False unless the bytes
// hold a PE32+ image whose headers and section data lie inside [0, S) and
// S leaves a non-empty archive behind it.
bool ReadStubSize(const uint8_t* bytes, size_t sizeBytes, uint32_t* stubSize);
// File offset of the LoaderFlags field; false when the header is no PE32+.
bool FindLoaderFlags(const uint8_t* bytes, size_t sizeBytes, uint32_t* offset);

// Splits the running package into installer.exe and makedata.zip in the
// work folder and points the state's stub and package paths at them. The
// temporary copy (repair) splits nothing. True when the archive exists.
bool SplitOverlay(InstallerState& state, InstallerOs& os);
