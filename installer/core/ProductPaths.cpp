// Product registry paths, the data folder and the module paths.
#include "installer/core/ProductPaths.h"

#include "engine/Product.h"
#include "engine/WideString.h"
#include "installer/core/PathGuard.h"

std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

bool CopyToBuffer(wchar_t* out, uint32_t capacity, const std::wstring& text) {
  if (text.size() >= capacity) {
    out[0] = L'\0';
    return false;
  }
  CopyStringBounded(out, capacity, text.c_str());
  return true;
}

std::wstring ProductKeyPath(const std::wstring& productKey) {
  return std::wstring(ZN_REGISTRY_ROOT L"\\") + productKey;
}

std::wstring ProductKeyPath32(const std::wstring& productKey) {
  return std::wstring(L"Software\\Wow6432Node\\ZinnorIME3\\") + productKey;
}

std::wstring UninstallKeyPath(const std::wstring& productKey) {
  return std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + productKey;
}

std::wstring ReadProductValue(InstallerOs& os, const std::wstring& productKey,
                              const wchar_t* name) {
  std::wstring value;
  // An empty key would read the family's root key instead of a product's.
  if (productKey.empty()) return value;
  os.RegReadString(RegHive::kLocalMachine, ProductKeyPath(productKey).c_str(), name, &value);
  return value;
}

uint32_t ReadLangId(InstallerOs& os, const std::wstring& productKey) {
  uint32_t value = 0;
  if (productKey.empty()) return 0;
  if (os.RegReadDword(RegHive::kLocalMachine, ProductKeyPath(productKey).c_str(), L"LANGID",
                      &value) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

bool ProductFamilyFolder(InstallerOs& os, std::wstring* out) {
  std::wstring common;
  if (!os.GetKnownFolder(KnownFolder::kCommonAppData, &common)) return false;
  *out = WithBackslash(common) + L"ZinnorIME3\\";
  return true;
}

bool ProductDataFolder(InstallerOs& os, const std::wstring& imeName, std::wstring* out) {
  // The name ends up in paths that are later removed: one plain name only.
  if (!IsPlainFileName(imeName)) return false;
  std::wstring family;
  if (!ProductFamilyFolder(os, &family)) return false;
  *out = family + imeName + L"\\";
  return true;
}

namespace {

bool ModulePathIn(InstallerOs& os, KnownFolder folder, const std::wstring& imeName,
                  std::wstring* out) {
  if (!IsPlainFileName(imeName)) return false;
  std::wstring system;
  if (!os.GetKnownFolder(folder, &system)) return false;
  *out = WithBackslash(system) + imeName + L".ime";
  return true;
}

}  // namespace

bool ModulePath64(InstallerOs& os, const std::wstring& imeName, std::wstring* out) {
  return ModulePathIn(os, KnownFolder::kSystem, imeName, out);
}

bool ModulePath32(InstallerOs& os, const std::wstring& imeName, std::wstring* out) {
  return ModulePathIn(os, KnownFolder::kSystemWow64, imeName, out);
}
