// Process scans over the seam's Toolhelp snapshots.
#include "installer/core/ProcessList.h"

#include "installer/core/GuardedCopy.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"

int EnumProcessesWith(InstallerOs& os, const std::function<bool(const ProcessEntry&)>& callback) {
  std::vector<ProcessEntry> processes;
  if (!os.ListProcesses(&processes)) return 0;
  for (const ProcessEntry& process : processes) {
    if (!callback(process)) break;
  }
  return 1;
}

bool ProcessHoldsModule(InstallerOs& os, uint32_t pid, const std::wstring& moduleName, int family) {
  std::vector<std::wstring> modules;
  if (moduleName.empty() || !os.ListProcessModules(pid, family == kFamily32, &modules))
    return false;
  bool byPath = moduleName.find(L'\\') != std::wstring::npos;
  for (const std::wstring& path : modules) {
    if (byPath ? SamePath(path, moduleName) : SameFileName(path, moduleName)) return true;
  }
  return false;
}

void HolderScan::ScanFamily(int family) {
  EnumProcessesWith(os_, [&](const ProcessEntry& process) {
    for (const Row& row : rows_) {
      if (row.pid == process.pid) return true;
    }
    if (!ProcessHoldsModule(os_, process.pid, moduleName_, family)) return true;
    Row row{process.exeName, process.pid, L""};
    std::vector<std::wstring> modules;
    // The first module of a process is its executable.
    if (os_.ListProcessModules(process.pid, false, &modules) && !modules.empty()) {
      os_.QueryVersionString(modules.front().c_str(), L"FileDescription", &row.description);
    }
    rows_.push_back(row);
    return true;
  });
}

size_t HolderScan::Setup(const std::wstring& moduleName, int family) {
  moduleName_ = moduleName;
  family_ = family;
  return Refresh();
}

size_t HolderScan::Refresh() {
  rows_.clear();
  if (family_ < 0) {
    ScanFamily(kFamily64);
    ScanFamily(kFamily32);
  } else {
    ScanFamily(family_);
  }
  return rows_.size();
}

size_t HolderScan::TerminateAll(InstallerState& state) {
  UnregisterInputMethod(state, os_);
  uint32_t self = os_.OwnProcessId();
  for (const Row& row : rows_) {
    if (row.pid == self || os_.IsCriticalProcess(row.pid)) continue;
    os_.TerminateProcess(row.pid, 1);
  }
  os_.Sleep(1000);
  return Refresh();
}

int CheckImeInUse(InstallerState& state, InstallerOs& os) {
  if (state.productKey[0] == L'\0' ||
      !os.RegKeyExists(RegHive::kLocalMachine, ProductKeyPath(state.productKey).c_str())) {
    return 0;
  }
  std::wstring name = ReadProductValue(os, state.productKey, L"IMEName") + L".ime";
  HolderScan scan(os);
  if (scan.Setup(name, kFamilyAll) == 0) return 0;
  if (!state.processList) return 1;
  return state.processList->Run(state.owner, name.c_str(), kFamilyAll) == IDOK ? 0 : 1;
}
