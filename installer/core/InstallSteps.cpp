// The install folder and the install steps.
#include "installer/core/InstallSteps.h"

#include <functional>
#include <iterator>

#include "engine/WideString.h"
#include "installer/core/FilePlacement.h"
#include "installer/core/FolderTree.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/InstalledFiles.h"
#include "installer/core/Messages.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/Removal.h"
#include "installer/core/StepFailureLog.h"
#include "installer/core/UninstallEntry.h"
#include "installer/core/UserWords.h"

namespace {

// What an earlier version left in a folder of its own.
constexpr const wchar_t* kOldProgramFiles[] = {L"config.exe", L"installer.exe", L"_backup_.dat",
                                               L"main.chm"};

bool Exists(InstallerOs& os, const std::wstring& path) {
  return os.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Tell(InstallerState& state, InstallerOs& os, const wchar_t* format, const std::wstring& arg,
          uint32_t icon) {
  wchar_t text[1024];
  FormatString(text, 1024, format, arg.c_str());
  os.ShowMessage(state.owner, text, kCaptionInstall, MB_OK | icon);
}

// The files and data of an earlier install in this folder: user words saved
// first, then the data folder goes; the program files only when the folder
// is this product's own.
bool ClearEarlierInstall(InstallerState& state, InstallerOs& os, const std::wstring& folder) {
  if (!SaveUserWordsFirst(state, os, kCaptionInstall)) return false;
  std::wstring family;
  std::wstring data;
  if (ProductFamilyFolder(os, &family) && ProductDataFolder(os, state.soft.imeName, &data)) {
    RemoveFolderTree(os, data, family);
  }
  std::wstring registered = ReadProductValue(os, state.productKey, L"InstallLocation");
  std::wstring own;
  if (registered.empty() || !NormaliseLocalPath(registered, &own) || !SamePath(own, folder))
    return true;
  for (const wchar_t* name : kOldProgramFiles) os.RemoveFile((folder + name).c_str());
  return true;
}

}  // namespace

std::wstring InstallFolderName(const SoftConfigBlock& soft) {
  std::wstring name = FieldText(soft.installFolderName);
  return IsPlainFileName(name) ? name : FieldText(soft.imeName);
}

std::wstring AppendInstallFolderName(const std::wstring& chosen, const SoftConfigBlock& soft) {
  return WithBackslash(chosen) + InstallFolderName(soft) + L"\\";
}

std::wstring DefaultInstallFolder(InstallerState& state, InstallerOs& os) {
  std::wstring registered = ReadProductValue(os, state.productKey, L"InstallLocation");
  if (!registered.empty()) return WithBackslash(registered);
  std::wstring programs;
  if (!os.GetKnownFolder(KnownFolder::kProgramFiles, &programs)) programs = L"C:\\";
  return AppendInstallFolderName(programs, state.soft);
}

bool FolderChooser::Choose(InstallerOs& os, HWND owner, const std::wstring& initial,
                           const wchar_t* title, std::wstring* out) {
  std::wstring start = initial.empty() ? last_ : initial;
  if (start.empty()) os.GetKnownFolder(KnownFolder::kDesktop, &start);
  std::wstring chosen;
  uint32_t attributes = INVALID_FILE_ATTRIBUTES;
  if (os.PickFolder(owner, WithBackslash(start).c_str(), title, &chosen) && !chosen.empty())
    attributes = os.FileAttributes(chosen.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    out->clear();
    return false;
  }
  last_ = chosen;
  *out = chosen;
  return true;
}

bool IsAcceptableInstallFolder(InstallerOs& os, const std::wstring& folder,
                               std::wstring* normalised) {
  std::wstring trimmed = folder;
  while (!trimmed.empty() && (trimmed.back() == L' ' || trimmed.back() == L'\t'))
    trimmed.pop_back();
  size_t start = trimmed.find_first_not_of(L" \t");
  trimmed = start == std::wstring::npos ? std::wstring() : trimmed.substr(start);
  std::wstring path;
  if (!NormaliseLocalPath(trimmed, &path)) return false;
  // Anywhere on a local drive except its root and the system's own folders.
  RemovalGuard guard = MakeRemovalGuard(os, path.substr(0, 3));
  if (CheckRemovalTarget(os, path, guard) != PathVerdict::kOk || path.size() >= kPathUnits)
    return false;
  *normalised = path;
  return true;
}

FolderPreparation PrepareInstallFolder(InstallerState& state, InstallerOs& os,
                                       const std::wstring& typed) {
  std::wstring folder;
  if (!IsAcceptableInstallFolder(os, typed, &folder)) {
    Tell(state, os, kMsgFolderRefused, typed, MB_ICONERROR);
    return FolderPreparation::kRefused;
  }
  std::wstring data;
  ProductDataFolder(os, state.soft.imeName, &data);
  if (!CheckProductFolders(state, os, {data, folder}, kCaptionInstall))
    return FolderPreparation::kRefused;
  RemoveVirtualizedData(os, state.soft.imeName);
  if (Exists(os, folder)) {
    if (os.ShowMessage(state.owner, kMsgFolderExists, kCaptionInstall,
                       MB_YESNO | MB_ICONQUESTION) != IDYES ||
        !ClearEarlierInstall(state, os, folder)) {
      return FolderPreparation::kDeclined;
    }
  }
  if (!MakeTrustedFolder(os, folder, false)) {
    Tell(state, os, kMsgFolderNotCreated, folder, MB_ICONERROR);
    return FolderPreparation::kFailed;
  }
  CopyToBuffer(state.installFolder, kPathUnits, folder);
  return FolderPreparation::kReady;
}

bool BackupInstallPackage(InstallerState& state, InstallerOs& os) {
  std::wstring target = WithBackslash(state.installFolder) + L"_backup_.dat";
  if (!CopyFileGuarded(state, os, state.packagePath, target, kFamilyAll, FileAccessKind::kNone))
    return false;
  os.RemoveFile(state.packagePath);
  return true;
}

namespace {

bool RunInstallStepsInOrder(InstallerState& state, InstallerOs& os, const std::wstring& owner,
                            const std::wstring& organisation) {
  LogStep(state, 0, kLogInstallStart);
  std::wstring data;
  if (!ProductDataFolder(os, state.soft.imeName, &data) ||
      !CopyToBuffer(state.dataFolder, kPathUnits, data) ||
      !CopyToBuffer(state.installFolder, kPathUnits, WithBackslash(state.installFolder))) {
    LogStep(state, 0, kLogInstallFailed);
    return false;
  }
  if (!os.StartCom()) {
    LogStep(state, 0, kLogComFailed);
    return false;
  }
  std::wstring displayName = state.soft.displayName;
  struct Step {
    int position;
    const wchar_t* line;
    std::function<bool()> run;
    std::function<void()> undo;
  };
  const Step steps[] = {
      {10, kLogInstallFiles, [&] { return InstallFileSystem(state, os); },
       [&] { RemovePlacedFiles(state, os); }},
      {25, kLogInstallRegister, [&] { return RegisterInputMethod(state, os); },
       [&] {
         UnregisterInputMethod(state, os);
         DeleteProductKeys(os, state.productKey);
         RemoveFamilyLeftovers(os);
       }},
      {40, kLogInstallEntry, [&] { return WriteUninstallEntry(state, os, owner, organisation); },
       [&] { os.RegRemoveTree(RegHive::kLocalMachine, UninstallKeyPath(state.productKey).c_str()); }},
      // The copied package is one of the placed files: the file step's undo
      // removes it.
      {55, kLogInstallBackup, [&] { return BackupInstallPackage(state, os); }, [] {}},
      {70, kLogInstallShortcuts, [&] { return CreateShortcuts(state, os); },
       [&] { DeleteShortcuts(os, displayName); }},
      {85, kLogInstallCleanUp,
       [&] {
         os.Sleep(300);
         // Without the list the uninstall falls back to the package's names.
         RecordInstalledFiles(state, os);
         return true;
       },
       [] {}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    LogStep(state, steps[i].position, steps[i].line);
    state.failure = StepFailure{};
    if (steps[i].run()) continue;
    LogStep(state, 0, kLogInstallFailed);
    LogStepFailure(state, os, steps[i].line);
    LogStep(state, -1, kLogInstallUndo);
    // The failed step may have done part of its work: it is undone too.
    for (size_t j = i + 1; j > 0; --j) steps[j - 1].undo();
    os.StopCom();
    return false;
  }
  LogStep(state, 100, kLogInstallDone);
  os.StopCom();
  return true;
}

}  // namespace

bool RunInstallSteps(InstallerState& state, InstallerOs& os, const std::wstring& owner,
                     const std::wstring& organisation) {
  bool ok = RunInstallStepsInOrder(state, os, owner, organisation);
  FinishWaitingLine(state, kLogInstallStart, ok ? kLogInstallFinished : kLogInstallFailed);
  state.outcome = ok ? RunOutcome::kDone : RunOutcome::kFailed;
  return ok;
}
