// In-process folder removal: the tree is walked without following reparse
// points, so a link planted inside a folder we remove cannot lead elsewhere.
#include "installer/core/FolderTree.h"

#include <cwctype>

#include "installer/core/ProductPaths.h"

namespace {

// Deeper trees than this are not ours.
constexpr int kMaxDepth = 64;

bool Exists(InstallerOs& os, const std::wstring& path) {
  return os.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(uint32_t attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsPlainFolder(InstallerOs& os, const std::wstring& path) {
  PathFacts facts;
  return os.InspectPath(path.c_str(), &facts) == PathPresence::kPresent &&
         (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(facts.attributes);
}

// Removing below a link would remove wherever it points: the expected
// parent and every level down to the folder must be plain folders.
bool NoLinkOnTheWay(InstallerOs& os, const std::wstring& parent, const std::wstring& path) {
  for (size_t end = parent.size() - 1; end != std::wstring::npos && end + 1 < path.size();
       end = path.find(L'\\', end + 1)) {
    if (!IsPlainFolder(os, path.substr(0, end))) return false;
  }
  return true;
}

// RemoveFile clears read-only through its handle: a path-based attribute
// write could reach through a link.
bool DeleteOneFile(InstallerOs& os, const std::wstring& path) {
  if (os.RemoveFile(path.c_str())) return true;
  os.DeleteAtReboot(path.c_str());
  return false;
}

// folder ends in a backslash and is no link.
bool RemoveContents(InstallerOs& os, const std::wstring& folder, int depth) {
  if (depth > kMaxDepth) return false;
  std::vector<FolderEntry> entries;
  if (!os.ListFolder(folder.c_str(), &entries)) return false;
  bool all = true;
  for (const FolderEntry& entry : entries) {
    std::wstring path = folder + entry.name;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A folder link goes; what it points to stays untouched. The folder is
      // looked at again itself: it may have become a link since the listing.
      if (!IsLink(entry.attributes) && IsPlainFolder(os, path))
        all = RemoveContents(os, path + L"\\", depth + 1) && all;
      if (!os.RemoveFolder(path.c_str())) {
        os.DeleteAtReboot(path.c_str());
        all = false;
      }
    } else {
      all = DeleteOneFile(os, path) && all;
    }
  }
  return all;
}

}  // namespace

bool CreateDirectoryPath(InstallerOs& os, const std::wstring& folder) {
  std::wstring path = WithBackslash(folder);
  // Skip the drive ("C:\") or the server and share of a UNC path.
  size_t at = path.find(L'\\') + 1;
  if (path.compare(0, 2, L"\\\\") == 0) {
    at = path.find(L'\\', 2);
    at = at == std::wstring::npos ? path.size() : path.find(L'\\', at + 1);
    if (at == std::wstring::npos) return false;
    ++at;
  }
  for (size_t end = path.find(L'\\', at); end != std::wstring::npos;
       end = path.find(L'\\', end + 1)) {
    std::wstring level = path.substr(0, end);
    if (!Exists(os, level)) os.CreateFolder(level.c_str());
  }
  uint32_t attributes = os.FileAttributes(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFolderTree(InstallerOs& os, const std::wstring& folder, const RemovalGuard& guard) {
  if (CheckRemovalTarget(os, folder, guard) != PathVerdict::kOk) return false;
  std::wstring path;
  NormaliseLocalPath(folder, &path);
  std::wstring bare = path.substr(0, path.size() - 1);
  PathFacts facts;
  PathPresence presence = os.InspectPath(bare.c_str(), &facts);
  if (presence == PathPresence::kMissing) return true;
  if (presence != PathPresence::kPresent || !(facts.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !NoLinkOnTheWay(os, guard.expectedParent, path)) {
    return false;
  }
  if (!IsLink(facts.attributes)) RemoveContents(os, path, 0);
  if (!os.RemoveFolder(bare.c_str()) && Exists(os, bare)) {
    os.DeleteAtReboot(bare.c_str());
    return false;
  }
  return !Exists(os, bare);
}

bool RemoveFolderTree(InstallerOs& os, const std::wstring& folder,
                      const std::wstring& expectedParent) {
  return RemoveFolderTree(os, folder, MakeRemovalGuard(os, expectedParent));
}

std::wstring TempCopyPath(const std::wstring& tempFolder, uint32_t pid) {
  return WithBackslash(tempFolder) + L"zinInstaller-" + std::to_wstring(pid) + L".exe";
}

bool IsTempCopyPath(const std::wstring& path, const std::wstring& tempFolder) {
  std::wstring folder = WithBackslash(tempFolder);
  if (path.size() <= folder.size() || !SamePath(path.substr(0, folder.size()), folder))
    return false;
  std::wstring name = path.substr(folder.size());
  const std::wstring prefix = L"zinInstaller-";
  const std::wstring suffix = L".exe";
  if (name.size() <= prefix.size() + suffix.size() ||
      !SamePath(name.substr(0, prefix.size()), prefix) ||
      !SamePath(name.substr(name.size() - suffix.size()), suffix)) {
    return false;
  }
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (!std::iswdigit(name[i])) return false;
  }
  return true;
}

int DeleteSelfOnExit(InstallerOs& os) {
  std::wstring own = os.OwnPath();
  std::wstring temp;
  std::wstring system;
  // Only a temporary copy deletes itself, never an installed installer.exe.
  if (own.empty() || !os.GetKnownFolder(KnownFolder::kTemp, &temp) || !IsTempCopyPath(own, temp) ||
      !os.GetKnownFolder(KnownFolder::kSystem, &system)) {
    return 0;
  }
  os.SetAttributes(own.c_str(), FILE_ATTRIBUTE_NORMAL);
  os.DeleteAtReboot(own.c_str());
  // cmd.exe expands %NAME% even inside quotes: such a path is left to the
  // delete at the next start.
  if (own.find(L'%') != std::wstring::npos) return 0;
  std::wstring command = L"\"" + system + L"cmd.exe\" /c del /f /q \"" + own + L"\"";
  return os.StartIdleChild(command.c_str()) ? 1 : 0;
}
