// Registry values, the IME layout and the data copy of the black-box host.
#include "tests/imehost/HostSetup.h"

#include <imm.h>

#include "engine/Product.h"
#include "tools/common/TypingView.h"

namespace {

std::wstring ProductKeyPath() {
  return std::wstring(ZN_REGISTRY_ROOT) + L"\\" + ZN_PRODUCT_GUID_TEXT;
}

constexpr const wchar_t* kValueNames[] = {L"IMEName", L"InstallLocation", L"DataLocation"};

bool ReadValue(HKEY key, const wchar_t* name, std::wstring* out) {
  wchar_t buffer[MAX_PATH * 2];
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  buffer[bytes / sizeof(wchar_t)] = 0;
  *out = buffer;
  return true;
}

bool WriteValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool ProductRegistry::Write(const std::wstring& installFolder, const std::wstring& dataFolder) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition) != ERROR_SUCCESS)
    return false;
  created_ = disposition == REG_CREATED_NEW_KEY;
  const std::wstring values[] = {ZN_IME_NAME, installFolder, dataFolder};
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    std::wstring old;
    if (ReadValue(key, kValueNames[i], &old))
      saved_.emplace_back(kValueNames[i], old);
    else
      added_.push_back(kValueNames[i]);
    ok = WriteValue(key, kValueNames[i], values[i]) && ok;
  }
  RegCloseKey(key);
  written_ = true;
  return ok;
}

ProductRegistry::~ProductRegistry() {
  if (!written_) return;
  if (created_) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str());
    // The root goes too when nothing else lives under it.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ZN_REGISTRY_ROOT);
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), 0, KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS)
    return;
  for (const auto& [name, value] : saved_) WriteValue(key, name.c_str(), value);
  for (const std::wstring& name : added_) RegDeleteValueW(key, name.c_str());
  RegCloseKey(key);
}

bool InstalledModulePath(std::wstring* out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath().c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return false;
  std::wstring name;
  bool found = ReadValue(key, L"IMEName", &name) && !name.empty();
  RegCloseKey(key);
  wchar_t system[MAX_PATH];
  UINT units = GetSystemDirectoryW(system, MAX_PATH);
  if (!found || units == 0 || units >= MAX_PATH) return false;
  *out = std::wstring(system) + L"\\" + name + L".ime";
  return GetFileAttributesW(out->c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ImeLayout::Install(const std::wstring& modulePath, const wchar_t* layoutText) {
  layout_ = ImmInstallIMEW(modulePath.c_str(), layoutText);
  return layout_ != nullptr;
}

ImeLayout::~ImeLayout() {
  if (!layout_) return;
  wchar_t name[64];
  wsprintfW(name, L"System\\CurrentControlSet\\Control\\Keyboard Layouts\\%08X",
            static_cast<unsigned>(reinterpret_cast<UINT_PTR>(layout_)));
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, name);
}

bool DataCopy::Make(const std::wstring& from) {
  path_ = CopyDataFolder(from);
  return !path_.empty();
}

DataCopy::~DataCopy() {
  RemoveDataFolderCopy(path_);
}
