// The text service's COM server keys and TSF categories.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"

// HKCR CLSID\<key> (or Wow6432Node\CLSID\<key>): default "zinnorTSF",
// InprocServer32 = the module, ThreadingModel Apartment. True when all
// values were written.
bool RegisterTsfServer(InstallerOs& os, const std::wstring& productKey,
                       const std::wstring& modulePath, bool wow64);
void DeleteClsidKeys(InstallerOs& os, const std::wstring& productKey);

// Registers the categories in order (the last two only from Windows 8 on);
// the first failure stops and fails, its result in failed (may be null).
bool RegisterTsfCategories(InstallerOs& os, const GUID& clsid, bool windows8,
                           HRESULT* failed = nullptr);
// Removes all eight; failures are ignored.
void UnregisterTsfCategories(InstallerOs& os, const GUID& clsid);
