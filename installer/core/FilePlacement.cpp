// Placing the package: modules into the system folders, data files into the
// data folder, fonts, the rest into the install folder, the stub last.
#include "installer/core/FilePlacement.h"

#include "engine/WideString.h"
#include "installer/core/FolderTree.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

constexpr wchar_t kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

bool Exists(InstallerOs& os, const std::wstring& path) {
  return os.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Bare(const std::wstring& folder) {
  return folder.size() > 3 && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
}

bool RunStep(InstallerState& state, InstallerOs& os, const PlacementStep& step) {
  std::wstring unpack = WithBackslash(state.unpackFolder);
  switch (step.action) {
    case PlacementAction::kCopyFile: {
      if (step.source.empty()) return true;  // the repair has no stub
      if (!Exists(os, step.source)) return step.optional;
      if (!CopyFileGuarded(state, os, step.source, step.target, step.family, step.access))
        return false;
      os.RemoveFile(step.source.c_str());
      // The 32-bit module leaves its folder of the package empty.
      size_t cut = step.source.rfind(L'\\');
      std::wstring folder = step.source.substr(0, cut + 1);
      if (IsStrictlyInside(folder, unpack)) os.RemoveFolder(Bare(folder).c_str());
      return true;
    }
    case PlacementAction::kCopyFolder: {
      if (!Exists(os, step.source)) return step.optional;
      if (!CopyFolderTree(state, os, step.source, step.target, false, step.access)) return false;
      if (step.source != unpack) RemoveFolderTree(os, step.source, unpack);
      return true;
    }
    case PlacementAction::kFonts:
      if (!Exists(os, step.source)) return step.optional;
      InstallFonts(os, step.source, step.target);
      RemoveFolderTree(os, step.source, unpack);
      return true;
  }
  return false;
}

}  // namespace

bool GetPlacementFolders(InstallerOs& os, PlacementFolders* out) {
  *out = PlacementFolders{};
  if (!os.GetKnownFolder(KnownFolder::kSystem, &out->system) ||
      !os.GetKnownFolder(KnownFolder::kWindows, &out->windows) ||
      !os.GetKnownFolder(KnownFolder::kFonts, &out->fonts)) {
    return false;
  }
  os.GetKnownFolder(KnownFolder::kSystemWow64, &out->systemWow64);
  return true;
}

std::vector<PlacementStep> PlanFilePlacement(const InstallerState& state,
                                             const PlacementFolders& folders) {
  std::wstring unpack = WithBackslash(state.unpackFolder);
  std::wstring module = std::wstring(state.soft.imeName) + L".ime";
  std::wstring install = WithBackslash(state.installFolder);
  std::vector<PlacementStep> steps;
  steps.push_back({PlacementAction::kCopyFile, unpack + L"zinIME.ime",
                   WithBackslash(folders.system) + module, 0, FileAccessKind::kProgram, false,
                   kLogModuleFailed});
  if (!folders.systemWow64.empty()) {
    steps.push_back({PlacementAction::kCopyFile, unpack + L"x86\\zinIME.ime",
                     WithBackslash(folders.systemWow64) + module, 1, FileAccessKind::kProgram, true,
                     kLogWow64ModuleFailed});
  }
  steps.push_back({PlacementAction::kCopyFolder, unpack + L"$windows$\\",
                   WithBackslash(folders.windows), -1, FileAccessKind::kProgram, true, nullptr});
  steps.push_back({PlacementAction::kFonts, unpack + L"$fonts$\\", WithBackslash(folders.fonts), -1,
                   FileAccessKind::kNone, true, nullptr});
  steps.push_back({PlacementAction::kCopyFolder, unpack + L"$dataFiles$\\",
                   WithBackslash(state.dataFolder), -1, FileAccessKind::kDataFile, true, nullptr});
  steps.push_back({PlacementAction::kCopyFolder, unpack, install, -1, FileAccessKind::kProgram,
                   false, nullptr});
  steps.push_back({PlacementAction::kCopyFile, state.stubPath, install + L"installer.exe", -1,
                   FileAccessKind::kProgram, false, kLogStubFailed});
  return steps;
}

bool CopyFolderTree(InstallerState& state, InstallerOs& os, const std::wstring& source,
                    const std::wstring& target, bool keepSources, FileAccessKind access) {
  std::wstring from = WithBackslash(source);
  std::wstring to = WithBackslash(target);
  if (!MakeTrustedFolder(os, to, false)) return false;
  std::vector<FolderEntry> entries;
  if (!os.ListFolder(from.c_str(), &entries)) return false;
  for (const FolderEntry& entry : entries) {
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // no zip makes one
    std::wstring path = from + entry.name;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!CopyFolderTree(state, os, path, to + entry.name, keepSources, access)) return false;
      continue;
    }
    if (!CopyFileGuarded(state, os, path, to + entry.name, kFamilyAll, access)) return false;
    if (!keepSources) os.RemoveFile(path.c_str());
  }
  return true;
}

void InstallFonts(InstallerOs& os, const std::wstring& source, const std::wstring& fontsFolder) {
  std::wstring from = WithBackslash(source);
  std::vector<FolderEntry> entries;
  os.ListFolder(from.c_str(), &entries);
  // Fonts go only into the folder judged and held here.
  HeldFolder fonts(os);
  std::wstring part;
  if (OpenTrustedFolder(os, fontsFolder, LevelCreation::kNone, &fonts, &part) !=
          FolderTrust::kTrusted ||
      !fonts.get()) {
    entries.clear();
  }
  for (const FolderEntry& entry : entries) {
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring lower = LowerAscii(entry.name);
    size_t ttf = lower.find(L".ttf");
    if (ttf == std::wstring::npos && lower.find(L".ttc") == std::wstring::npos) continue;
    std::wstring target = WithBackslash(fontsFolder) + lower;
    // A font already there is neither replaced nor registered again.
    HANDLE placed = nullptr;
    if (!IsPlainFileName(lower) ||
        !os.CopyIntoFolder(fonts.get(), lower.c_str(), (from + entry.name).c_str(), false,
                           nullptr, &placed, nullptr)) {
      continue;
    }
    os.CloseEntry(placed);
    std::wstring value =
        ttf != std::wstring::npos ? lower.substr(0, ttf) + L"(TrueType)" : lower + L"(TrueType-C)";
    os.AddFont(target.c_str());
    os.RegWriteString(RegHive::kLocalMachine, kFontsKey, value.c_str(), lower.c_str());
  }
  os.BroadcastFontChange();
}

bool InstallFileSystem(InstallerState& state, InstallerOs& os) {
  PlacementFolders folders;
  if (!GetPlacementFolders(os, &folders)) return false;
  if (!CheckProductFolders(state, os, {state.dataFolder, state.installFolder}, nullptr))
    return false;
  // The data folder's own rights pass to the files the input method creates
  // later; an earlier install's folder gets them too, through its handle.
  std::wstring data = Bare(state.dataFolder);
  bool existed = Exists(os, data);
  if (!MakeTrustedFolder(os, data, true)) return false;
  if (existed) {
    std::vector<uint8_t> dacl = ProductFolderDacl(true);
    os.WriteFileDacl(data.c_str(), reinterpret_cast<const ACL*>(dacl.data()), SE_DACL_PROTECTED);
  }
  for (const PlacementStep& step : PlanFilePlacement(state, folders)) {
    if (RunStep(state, os, step)) continue;
    wchar_t line[512];
    if (step.failure) {
      CopyStringBounded(line, 512, step.failure);
    } else {
      FormatString(line, 512, kLogFolderFailed, step.source.c_str());
    }
    LogStep(state, 0, line);
    return false;
  }
  return true;
}
