// Removal of the installed product through the seam, each folder behind its
// guard and each key by its full path.
#include "installer/core/Removal.h"

#include "installer/core/FolderTree.h"
#include "installer/core/InstalledFiles.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/UninstallEntry.h"

namespace {

constexpr wchar_t kFamilyKey[] = L"Software\\ZinnorIME3";
constexpr wchar_t kFamilyKey32[] = L"Software\\Wow6432Node\\ZinnorIME3";

bool Exists(InstallerOs& os, const std::wstring& path) {
  return os.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a folder tree below parent; a file in use keeps it until the next
// start (restart set).
void RemoveTree(InstallerOs& os, const std::wstring& folder, const std::wstring& parent,
                bool* restart) {
  if (!RemoveFolderTree(os, folder, parent) && Exists(os, folder) && restart) *restart = true;
}

}  // namespace

void DeleteModuleFiles(InstallerOs& os, const std::wstring& imeName, bool* restart) {
  std::wstring path;
  if (ModulePath32(os, imeName, &path)) DeletePlacedFile(os, path, restart);
  if (ModulePath64(os, imeName, &path)) DeletePlacedFile(os, path, restart);
}

void DeleteInstalledFiles(InstallerState& state, InstallerOs& os, bool* restart) {
  std::wstring imeName = state.soft.imeName;
  if (state.installFolder[0] != L'\0') RemoveInstalledFiles(state, os, restart);
  std::wstring family;
  std::wstring data;
  if (ProductFamilyFolder(os, &family) && ProductDataFolder(os, imeName, &data)) {
    RemoveTree(os, data, family, restart);
  }
  RemoveVirtualizedData(os, imeName);
  DeleteModuleFiles(os, imeName, restart);
}

void DeleteShortcuts(InstallerOs& os, const std::wstring& displayName) {
  std::wstring programs;
  // An empty name would make the folder the Programs folder itself.
  if (!IsPlainFileName(displayName) || !os.GetKnownFolder(KnownFolder::kCommonPrograms, &programs))
    return;
  std::wstring folder = WithBackslash(programs) + displayName + L"\\";
  for (const std::wstring& link : AllShortcutPaths(folder, displayName)) {
    os.RemoveFile(link.c_str());
  }
  // Not recursive: anything else in the folder is not ours.
  os.RemoveFolder(folder.substr(0, folder.size() - 1).c_str());
  os.NotifyFolderChanged(folder.c_str());
}

void DeleteProductKeys(InstallerOs& os, const std::wstring& productKey) {
  // An empty key would name the parents themselves.
  if (productKey.empty()) return;
  os.RegRemoveTree(RegHive::kLocalMachine, UninstallKeyPath(productKey).c_str());
  os.RegRemoveTree(RegHive::kLocalMachine, ProductKeyPath(productKey).c_str());
  os.RegRemoveTree(RegHive::kLocalMachine, ProductKeyPath32(productKey).c_str());
}

bool IsProductDataEmpty(InstallerOs& os) {
  std::wstring family;
  if (!ProductFamilyFolder(os, &family)) return false;
  if (!Exists(os, family)) return true;
  std::vector<FolderEntry> entries;
  if (!os.ListFolder(family.c_str(), &entries)) return false;
  for (const FolderEntry& entry : entries) {
    bool dotFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !entry.name.empty() &&
                     entry.name[0] == L'.';
    if (!dotFolder) return false;
  }
  return true;
}

void RemoveFamilyLeftovers(InstallerOs& os) {
  std::wstring family;
  std::wstring common;
  if (IsProductDataEmpty(os) && ProductFamilyFolder(os, &family) &&
      os.GetKnownFolder(KnownFolder::kCommonAppData, &common)) {
    RemoveFolderTree(os, family, common);
  }
  // Another product of the family keeps its key, and so the family's.
  for (const wchar_t* key : {kFamilyKey, kFamilyKey32}) {
    std::vector<std::wstring> products;
    if (os.RegListSubkeys(RegHive::kLocalMachine, key, &products) == ERROR_SUCCESS &&
        products.empty()) {
      os.RegRemoveTree(RegHive::kLocalMachine, key);
    }
  }
}

void RemoveVirtualizedData(InstallerOs& os, const std::wstring& imeName) {
  std::wstring cache;
  if (!IsPlainFileName(imeName) || !os.GetKnownFolder(KnownFolder::kInternetCache, &cache) ||
      !Exists(os, cache)) {
    return;
  }
  cache = WithBackslash(cache);
  for (wchar_t drive = L'c'; drive <= L'y'; ++drive) {
    std::wstring folder = cache + L"Virtualized\\" + drive + L"\\ProgramData\\ZinnorIME3\\" +
                          imeName + L"\\";
    if (Exists(os, folder)) RemoveFolderTree(os, folder, cache);
  }
}
