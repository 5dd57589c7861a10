// Finding the processes that hold the input-method module (or any target
// file of the guarded copy), and ending them on request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Calls back for every process until the callback returns false; 1 when
// the enumeration ran, 0 when it could not.
int EnumProcessesWith(InstallerOs& os, const std::function<bool(const ProcessEntry&)>& callback);

// The process has loaded a module of that name: a bare file name is
// compared with each module's file name, a path with each module's path;
// case is ignored either way. Family 1 looks at the 32-bit modules.
bool ProcessHoldsModule(InstallerOs& os, uint32_t pid, const std::wstring& moduleName, int family);

// The process list behind the dialog: scan, rows, refresh, terminate.
class HolderScan {
 public:
  struct Row {
    std::wstring program;  // executable file name
    uint32_t pid;
    std::wstring description;  // the executable's FileDescription, or empty
  };

  explicit HolderScan(InstallerOs& os) : os_(os) {}

  // Stores the name and family (negative: both) and scans; the count found.
  size_t Setup(const std::wstring& moduleName, int family);
  size_t Refresh();
  // Unregisters the input method first (so no process loads it again), then
  // ends every listed process except ours and critical ones, waits a second
  // and scans again.
  size_t TerminateAll(InstallerState& state);

  const std::vector<Row>& rows() const { return rows_; }

 private:
  void ScanFamily(int family);

  InstallerOs& os_;
  std::wstring moduleName_;
  int family_ = -1;
  std::vector<Row> rows_;
};

// Before a repair or uninstall: 0 when no process holds <IMEName>.ime (no
// window appears), else the list runs; 0 once it ends with IDOK, else 1.
int CheckImeInUse(InstallerState& state, InstallerOs& os);
