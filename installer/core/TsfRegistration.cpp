// COM server keys and categories of the text service.
#include "installer/core/TsfRegistration.h"

#include "installer/core/TsfCategories.h"

namespace {

std::wstring ClsidKey(const std::wstring& productKey, bool wow64) {
  return (wow64 ? L"Wow6432Node\\CLSID\\" : L"CLSID\\") + productKey;
}

}  // namespace

bool RegisterTsfServer(InstallerOs& os, const std::wstring& productKey,
                       const std::wstring& modulePath, bool wow64) {
  if (productKey.empty()) return false;
  std::wstring key = ClsidKey(productKey, wow64);
  std::wstring server = key + L"\\InProcServer32";
  bool ok =
      os.RegWriteString(RegHive::kClassesRoot, key.c_str(), L"", L"zinnorTSF") == ERROR_SUCCESS;
  ok = os.RegWriteString(RegHive::kClassesRoot, server.c_str(), L"", modulePath.c_str()) ==
           ERROR_SUCCESS &&
       ok;
  ok = os.RegWriteString(RegHive::kClassesRoot, server.c_str(), L"ThreadingModel", L"Apartment") ==
           ERROR_SUCCESS &&
       ok;
  return ok;
}

void DeleteClsidKeys(InstallerOs& os, const std::wstring& productKey) {
  // An empty key would name the whole CLSID tree.
  if (productKey.empty()) return;
  os.RegRemoveTree(RegHive::kClassesRoot, ClsidKey(productKey, false).c_str());
  os.RegRemoveTree(RegHive::kClassesRoot, ClsidKey(productKey, true).c_str());
}

bool RegisterTsfCategories(InstallerOs& os, const GUID& clsid, bool windows8, HRESULT* failed) {
  size_t count = windows8 ? kTsfCategoryCount : kTsfCategoriesBefore8;
  for (size_t i = 0; i < count; ++i) {
    HRESULT hr = os.TsfRegisterCategory(clsid, *kTsfCategories[i]);
    if (FAILED(hr)) {
      if (failed) *failed = hr;
      return false;
    }
  }
  return true;
}

void UnregisterTsfCategories(InstallerOs& os, const GUID& clsid) {
  for (const GUID* category : kTsfCategories) os.TsfUnregisterCategory(clsid, *category);
}
