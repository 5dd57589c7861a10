// The record of placed files and the removal of exactly those files.
#include "installer/core/InstalledFiles.h"

#include <algorithm>

#include "engine/FolderLockPage.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

// What every package places in the install folder, for an install that
// left no list.
constexpr const wchar_t* kPackageFiles[] = {L"installer.exe", L"config.exe", L"main.chm",
                                            L"_backup_.dat"};

bool Contains(const std::vector<std::wstring>& list, const std::wstring& path) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::wstring& item) { return SamePath(item, path); });
}

std::wstring ParentOf(const std::wstring& path) {
  size_t cut = path.find_last_of(L'\\', path.size() > 1 ? path.size() - 2 : 0);
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

}  // namespace

bool IsRecordedPath(const std::wstring& relative) {
  if (relative.empty() || relative.size() >= kPathUnits) return false;
  size_t at = 0;
  for (;;) {
    size_t end = relative.find(L'\\', at);
    std::wstring part = relative.substr(at, end == std::wstring::npos ? end : end - at);
    if (!IsPlainFileName(part)) return false;
    if (end == std::wstring::npos) return true;
    at = end + 1;
  }
}

std::vector<std::wstring> MergeInstalledFiles(const std::vector<std::wstring>& earlier,
                                              const std::vector<std::wstring>& placed,
                                              const std::wstring& installFolder) {
  std::vector<std::wstring> merged;
  std::wstring folder = WithBackslash(installFolder);
  for (const std::wstring& path : earlier) {
    if (IsRecordedPath(path) && !Contains(merged, path)) merged.push_back(path);
  }
  for (const std::wstring& path : placed) {
    if (!IsStrictlyInside(path, folder)) continue;
    std::wstring relative = path.substr(folder.size());
    if (IsRecordedPath(relative) && !Contains(merged, relative)) merged.push_back(relative);
  }
  return merged;
}

bool RecordInstalledFiles(InstallerState& state, InstallerOs& os) {
  std::wstring key = ProductKeyPath(state.productKey);
  std::vector<std::wstring> earlier;
  os.RegReadStrings(RegHive::kLocalMachine, key.c_str(), kInstalledFilesValue, &earlier);
  std::vector<std::wstring> placed = state.placed ? state.placed->paths : std::vector<std::wstring>();
  std::vector<std::wstring> merged = MergeInstalledFiles(earlier, placed, state.installFolder);
  return os.RegWriteStrings(RegHive::kLocalMachine, key.c_str(), kInstalledFilesValue, merged) ==
         ERROR_SUCCESS;
}

std::vector<std::wstring> ReadInstalledFiles(InstallerState& state, InstallerOs& os) {
  std::vector<std::wstring> recorded;
  if (os.RegReadStrings(RegHive::kLocalMachine, ProductKeyPath(state.productKey).c_str(),
                        kInstalledFilesValue, &recorded) == ERROR_SUCCESS &&
      !recorded.empty()) {
    return MergeInstalledFiles(recorded, {}, state.installFolder);
  }
  std::vector<std::wstring> files(std::begin(kPackageFiles), std::end(kPackageFiles));
  std::vector<FolderEntry> skins;
  os.ListFolder((WithBackslash(state.installFolder) + L"tessel\\").c_str(), &skins);
  for (const FolderEntry& entry : skins) {
    std::wstring name = LowerAscii(entry.name);
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > 4 &&
        name.compare(name.size() - 4, 4, L".col") == 0) {
      files.push_back(L"tessel\\" + entry.name);
    }
  }
  return files;
}

bool DeletePlacedFile(InstallerOs& os, const std::wstring& path, bool* restart) {
  uint32_t attributes = os.FileAttributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (os.RemoveFile(path.c_str())) return true;
  // In use (a loaded module, an open program): it goes at the next start.
  if (restart) *restart = true;
  if (MoveBusyFileAside(os, path)) return true;
  os.DeleteAtReboot(path.c_str());
  return false;
}

void RemoveEmptiedFolders(InstallerOs& os, const std::vector<std::wstring>& files,
                          const std::wstring& stopAt) {
  std::wstring top = WithBackslash(stopAt);
  std::vector<std::wstring> folders;
  for (const std::wstring& file : files) {
    if (!IsStrictlyInside(file, top)) continue;
    for (std::wstring folder = ParentOf(file); IsStrictlyInside(folder, top);
         folder = ParentOf(folder)) {
      if (!Contains(folders, folder)) folders.push_back(folder);
    }
  }
  // Deepest first, so a parent is tried once its children are gone.
  std::sort(folders.begin(), folders.end(),
            [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  folders.push_back(top);
  for (const std::wstring& folder : folders) {
    std::wstring bare = folder.substr(0, folder.size() - 1);
    // Only empty folders go: anything the user put there stays.
    if (bare.size() > 3) os.RemoveFolder(bare.c_str());
  }
}

void RemoveInstalledFiles(InstallerState& state, InstallerOs& os, bool* restart) {
  std::wstring folder = WithBackslash(state.installFolder);
  std::vector<std::wstring> paths;
  for (const std::wstring& relative : ReadInstalledFiles(state, os)) {
    paths.push_back(folder + relative);
    DeletePlacedFile(os, paths.back(), restart);
  }
  RemoveEmptiedFolders(os, paths, folder);
}

void RemovePlacedFiles(InstallerState& state, InstallerOs& os) {
  if (!state.placed) return;
  const std::vector<std::wstring>& paths = state.placed->paths;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) DeletePlacedFile(os, *it, nullptr);
  // The write lock's page is made by the first writer of the placed config.dsc.
  if (state.dataFolder[0]) os.RemoveFile((WithBackslash(state.dataFolder) + kLockPageName).c_str());
  RemoveEmptiedFolders(os, paths, state.installFolder);
  RemoveEmptiedFolders(os, paths, state.dataFolder);
  // The family folder above the data folder, when this run left it empty.
  std::wstring family = ParentOf(WithBackslash(state.dataFolder));
  if (family.size() > 3) os.RemoveFolder(family.substr(0, family.size() - 1).c_str());
  state.placed->paths.clear();
}
