// Readers of the values the installer keeps under the product's registry key
// (HKEY_LOCAL_MACHINE\Software\ZinnorIME3\<product key>).
#pragma once

#include <cstdint>

#include "engine/Os.h"

constexpr uint32_t kImeNameUnits = 40;
constexpr uint32_t kRegistryPathUnits = 128;

// Reads one string value of the product key into out (capacity in units).
// out is emptied first and always terminated; returns 1 when the value was read.
int ReadImeRegistryValue(const wchar_t* productKey,
                         const wchar_t* valueName,
                         wchar_t* out,
                         uint32_t capacity,
                         const OsServices& os = DefaultOs());
// Reads IMEName into out (kImeNameUnits). Returns 0 only when the product key
// cannot be opened; a missing value leaves out empty and returns 1.
int ReadImeName(const wchar_t* productKey, wchar_t* out, const OsServices& os = DefaultOs());
// Reads InstallLocation and makes it end in a backslash. An empty value, or one
// with no room left for the backslash, counts as missing (0).
int ReadInstallLocation(const wchar_t* productKey,
                        wchar_t* out,
                        uint32_t capacity,
                        const OsServices& os = DefaultOs());
