// The order of a run: framework switch, or work folder, command line and the
// mode's checks before its dialog, then the clean-up.
#include "installer/core/StartUp.h"

#include <cstring>

#include "engine/WideString.h"
#include "installer/core/CommandLine.h"
#include "installer/core/FolderTree.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"

namespace {

std::wstring TempFolder(InstallerOs& os) {
  std::wstring temp;
  return os.GetKnownFolder(KnownFolder::kTemp, &temp) ? WithBackslash(temp) : std::wstring();
}

void ShowFormatted(InstallerState& state, InstallerOs& os, const wchar_t* format,
                   const wchar_t* argument, const wchar_t* caption, uint32_t icon) {
  wchar_t text[1024];
  FormatString(text, 1024, format, argument);
  os.ShowMessage(state.owner, text, caption, MB_OK | icon);
}

// Two installers of one product at once would unpack, copy and register
// over each other.
bool TakeProductLock(InstallerState& state, InstallerOs& os, const wchar_t* caption) {
  std::wstring name = std::wstring(L"zinIME-installer-") + state.productKey;
  if (os.TakeInstanceLock(name.c_str())) return true;
  const wchar_t* display = state.soft.displayName[0] ? state.soft.displayName : state.productKey;
  ShowFormatted(state, os, kMsgAlreadyRunning, display, caption, MB_ICONWARNING);
  return false;
}

bool RunFrameworkSwitch(InstallerState& state, InstallerOs& os, const InstallerCommandLine& line) {
  if (line.switchKey.empty()) return false;
  CopyToBuffer(state.productKey, kKeyUnits, line.switchKey);
  // Nothing is removed unless the new registration can be written too.
  if (!os.RegCanWrite(RegHive::kLocalMachine, ProductKeyPath(line.switchKey).c_str())) {
    os.ShowMessage(state.owner, kMsgSwitchNotAllowed, kCaptionFrameworkSwitch,
                   MB_OK | MB_ICONERROR);
    return false;
  }
  uint32_t language = ReadLangId(os, line.switchKey);
  state.soft.languageId = static_cast<uint16_t>(language ? language : 0x0804);
  if (!os.StartCom()) return false;
  bool ok = line.embeddedMode != 0 ? ReRegisterEmbeddedMode(state, os) : SwitchToImmMode(state, os);
  os.StopCom();
  return ok;
}

// Each mode fails unless it reaches its dialog, which then says how it went.
void RunUninstallMode(InstallerState& state, InstallerOs& os, InstallerDialogs& dialogs) {
  state.outcome = RunOutcome::kFailed;
  if (!TakeProductLock(state, os, kCaptionUninstall)) return;
  if (!ReadInstalledProduct(state, os)) {
    os.ShowMessage(state.owner, kMsgBadEnvironment, kCaptionUninstall, MB_OK | MB_ICONERROR);
    return;
  }
  state.outcome = RunOutcome::kNotRun;
  dialogs.Uninstall(state);
  DeleteSelfOnExit(os);
}

void RunRepairMode(InstallerState& state, InstallerOs& os, InstallerDialogs& dialogs) {
  state.outcome = RunOutcome::kFailed;
  if (!TakeProductLock(state, os, kCaptionRepair)) return;
  std::wstring install = ReadProductValue(os, state.productKey, L"InstallLocation");
  std::wstring requested = state.productKey;
  state.ownPath[0] = L'\0';
  if (install.empty() || !CopyToBuffer(state.installFolder, kPathUnits, WithBackslash(install)) ||
      !CopyToBuffer(state.packagePath, kPathUnits, WithBackslash(install) + L"_backup_.dat")) {
    os.ShowMessage(state.owner, kMsgBadEnvironment, kCaptionRepair, MB_OK | MB_ICONERROR);
    return;
  }
  // The kept package must be this product's, or the repair would install
  // some other product over it.
  std::wstring data;
  if (!dialogs.Extract(state) || requested != state.productKey ||
      !ProductDataFolder(os, state.soft.imeName, &data) ||
      !CopyToBuffer(state.dataFolder, kPathUnits, data)) {
    RemoveWorkFolder(state, os);
    os.ShowMessage(state.owner, kMsgBadEnvironment, kCaptionRepair, MB_OK | MB_ICONERROR);
    return;
  }
  state.outcome = RunOutcome::kNotRun;
  dialogs.Repair(state);
  DeleteSelfOnExit(os);
}

void RunInstallMode(InstallerState& state, InstallerOs& os, InstallerDialogs& dialogs) {
  state.outcome = RunOutcome::kFailed;
  if (!dialogs.Extract(state)) {
    RemoveWorkFolder(state, os);
    os.ShowMessage(state.owner, kMsgBadPackage, kCaptionInstall, MB_OK | MB_ICONERROR);
    return;
  }
  if (!TakeProductLock(state, os, kCaptionInstall)) return;
  std::wstring display;
  if (IsInstalledAlready(os, state.productKey, &display)) {
    ShowFormatted(state, os, kMsgAlreadyInstalled, display.c_str(), kCaptionInstall,
                  MB_ICONWARNING);
    return;
  }
  state.outcome = RunOutcome::kNotRun;
  dialogs.Wizard(state);
}

}  // namespace

bool CreateWorkFolder(InstallerState& state, InstallerOs& os) {
  std::wstring temp = TempFolder(os);
  if (temp.empty()) return false;
  std::wstring work = temp + L"$zinInstaller$-" + std::to_wstring(os.OwnProcessId()) + L"\\";
  if (!CopyToBuffer(state.workFolder, kPathUnits, work)) return false;
  if (!RemoveFolderTree(os, work, temp) || !CreateDirectoryPath(os, work)) return false;
  return CopyToBuffer(state.ownPath, kPathUnits, os.OwnPath()) && state.ownPath[0] != L'\0';
}

bool RemoveWorkFolder(InstallerState& state, InstallerOs& os) {
  if (state.workFolder[0] == L'\0') return true;
  return RemoveFolderTree(os, state.workFolder, TempFolder(os));
}

int RelaunchFromTemp(InstallerState& state, InstallerOs& os, const wchar_t* commandLine) {
  std::wstring install = ReadProductValue(os, state.productKey, L"InstallLocation");
  std::wstring source =
      install.empty() ? std::wstring() : WithBackslash(install) + L"installer.exe";
  // Run from elsewhere, or with the installed copy missing: copy this file.
  if (source.empty() || os.FileAttributes(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
    source = os.OwnPath();
  }
  std::wstring temp = TempFolder(os);
  std::wstring target = temp.empty() ? std::wstring() : TempCopyPath(temp, os.OwnProcessId());
  if (target.size() + 2 >= kPathUnits || target.empty() ||
      !os.CopyOneFile(source.c_str(), target.c_str(), true, nullptr)) {
    wchar_t text[1024];
    FormatString(text, 1024, kMsgTempNotWritable, install.c_str(), source.c_str(), target.c_str());
    os.ShowMessage(state.owner, text, kCaptionStartUp, MB_OK | MB_ICONERROR);
    return 0;
  }
  std::wstring parameters = std::wstring(commandLine ? commandLine : L"") + L" /f";
  if (parameters.size() >= 512 ||
      !os.ShellOpen(nullptr, target.c_str(), parameters.c_str(), SW_SHOW)) {
    os.RemoveFile(target.c_str());
    os.ShowMessage(state.owner, kMsgTempCopyFailed, kCaptionStartUp, MB_OK | MB_ICONERROR);
    return 0;
  }
  return 1;
}

bool IsInstalledAlready(InstallerOs& os, const std::wstring& productKey,
                        std::wstring* displayName) {
  std::wstring install = ReadProductValue(os, productKey, L"InstallLocation");
  if (install.empty()) return false;
  std::wstring program = WithBackslash(install) + L"installer.exe";
  std::wstring data;
  if (os.FileAttributes(program.c_str()) == INVALID_FILE_ATTRIBUTES ||
      !ProductDataFolder(os, ReadProductValue(os, productKey, L"IMEName"), &data) ||
      os.FileAttributes((data + L"main.dmg").c_str()) == INVALID_FILE_ATTRIBUTES) {
    return false;
  }
  *displayName = ReadProductValue(os, productKey, L"DisplayName");
  return !displayName->empty();
}

int ExitCodeOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kDone:
      return kExitDone;
    case RunOutcome::kFailed:
      return kExitFailed;
    default:
      return kExitNothingDone;
  }
}

int RunInstaller(InstallerState& state, InstallerOs& os, InstallerDialogs& dialogs,
                 const wchar_t* commandLine) {
  InstallerCommandLine line = ParseCommandLineTokens(commandLine);
  if (line.frameworkSwitch) return RunFrameworkSwitch(state, os, line) ? kExitDone : kExitFailed;
  if (!CreateWorkFolder(state, os) || !ParseInstallerCommandLine(state, commandLine))
    return kExitFailed;
  std::memset(&state.soft, 0, sizeof(state.soft));

  InstallerMode mode = state.mode;
  bool needsCopy = mode == InstallerMode::kUninstall || mode == InstallerMode::kRepair ||
                   mode == InstallerMode::kUpdate;
  if (needsCopy && !state.tempCopy) {
    RemoveWorkFolder(state, os);
    return RelaunchFromTemp(state, os, commandLine) ? kExitDone : kExitFailed;
  }
  switch (mode) {
    case InstallerMode::kUninstall:
      RunUninstallMode(state, os, dialogs);
      break;
    case InstallerMode::kRepair:
      RunRepairMode(state, os, dialogs);
      break;
    case InstallerMode::kUpdate:
      dialogs.Update(state);
      // An update check changes nothing here: what it found is in its window.
      state.outcome = RunOutcome::kDone;
      // Every check would otherwise leave one more copy in the temporary folder.
      DeleteSelfOnExit(os);
      break;
    case InstallerMode::kNothing:
      state.outcome = RunOutcome::kDone;
      break;
    default:
      RunInstallMode(state, os, dialogs);
      break;
  }
  RemoveWorkFolder(state, os);
  return ExitCodeOf(state.outcome);
}
