// Where the product lives: its registry keys in both views, its data folder
// below ProgramData and its module files in the system folders.
#pragma once

#include <string>

#include "installer/core/InstallerOs.h"

// "Software\ZinnorIME3\<key>" and its 32-bit twin below Wow6432Node.
std::wstring ProductKeyPath(const std::wstring& productKey);
std::wstring ProductKeyPath32(const std::wstring& productKey);
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<key>".
std::wstring UninstallKeyPath(const std::wstring& productKey);

// One string value of the product key; empty when missing.
std::wstring ReadProductValue(InstallerOs& os, const std::wstring& productKey, const wchar_t* name);
// LANGID of the product key, 0 when absent.
uint32_t ReadLangId(InstallerOs& os, const std::wstring& productKey);

// ProgramData\ZinnorIME3\ and ProgramData\ZinnorIME3\<IMEName>\. False when
// the folder is unknown or the name is no plain file name.
bool ProductFamilyFolder(InstallerOs& os, std::wstring* out);
bool ProductDataFolder(InstallerOs& os, const std::wstring& imeName, std::wstring* out);

// The module in the 64-bit and the 32-bit system folder: <folder><IMEName>.ime.
bool ModulePath64(InstallerOs& os, const std::wstring& imeName, std::wstring* out);
bool ModulePath32(InstallerOs& os, const std::wstring& imeName, std::wstring* out);

std::wstring WithBackslash(std::wstring path);
// Copies text into a fixed buffer of the state; false (buffer emptied) when
// it does not fit.
bool CopyToBuffer(wchar_t* out, uint32_t capacity, const std::wstring& text);
