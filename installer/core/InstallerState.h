// The installer's state for one run: owned by WinMain and passed down to
// every step, together with the step log and the process-list prompt.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"

constexpr uint32_t kPathUnits = 260;
constexpr uint32_t kKeyUnits = 40;

enum class InstallerMode : char {
  kUnnamed = 0,  // a command line naming no mode: installs
  kInstall = 'i',
  kUninstall = 'u',
  kRepair = 'r',
  kUpdate = 'g',
  kNothing = 'z',
};

// Bits of the soft record's flags word (SoftConfigBlock::installerFlags).
constexpr uint32_t kStateTsfAllowed = 0x20000000;
constexpr uint32_t kStateFrameworkSwitch = 0x30000000;

// How the mode's work ended; RunInstaller makes the exit code of it.
enum class RunOutcome : uint8_t {
  kNotRun = 0,  // nothing was done: cancelled, or the dialog closed before its action
  kDone,
  kFailed,
};

// The system call that made a step fail, for the step's log line.
struct StepFailure {
  const wchar_t* call;  // null: none recorded
  uint32_t code;        // Win32 error or HRESULT; 0 when the call sets none
};

// Where a step writes its progress lines (the wizard's log, or nothing).
class StepLog {
 public:
  virtual ~StepLog() = default;
  // position: 0..100, or negative to leave the bar; text may be null.
  virtual void Append(int position, const wchar_t* text) = 0;
  // Puts text in place of the line that began with waiting (its first
  // line end and what follows it stay).
  virtual void ReplaceLine(const wchar_t* waiting, const wchar_t* text) {
    (void)waiting;
    (void)text;
  }
};

// The list of processes holding a file, offered when a module cannot be
// replaced. Returns IDOK once no process holds it any more.
class ProcessListPrompt {
 public:
  virtual ~ProcessListPrompt() = default;
  virtual int Run(HWND owner, const wchar_t* moduleName, int family) = 0;
};

// The files a run has written, in order, as the guarded copy wrote them.
struct PlacedFiles {
  std::vector<std::wstring> paths;
};

struct InstallerState {
  InstallerMode mode;
  bool tempCopy;  // "/f": this is the temporary copy
  // The package's product identity; in uninstall mode read from the registry.
  SoftConfigBlock soft;
  // The package's input-option block; its framework bits are read and set here.
  ImeConfigBlock ime;
  wchar_t unpackFolder[kPathUnits];
  wchar_t productKey[kKeyUnits];  // braced GUID text
  wchar_t workFolder[kPathUnits];
  wchar_t ownPath[kPathUnits];  // empty in repair mode
  wchar_t packagePath[kPathUnits];
  wchar_t stubPath[kPathUnits];       // empty in repair mode
  bool unregistered;                  // UnregisterInputMethod has run
  wchar_t installFolder[kPathUnits];  // ends in a backslash
  wchar_t dataFolder[kPathUnits];     // ends in a backslash

  // The guarded copy offers the process list once per run.
  bool processListUsed;
  StepLog* log;
  ProcessListPrompt* processList;
  HWND owner;
  PlacedFiles* placed;  // null: the run keeps no record

  RunOutcome outcome;
  StepFailure failure;  // of the step running now; cleared when a step starts
};

// Writes a line to the state's log, if it has one.
inline void LogStep(InstallerState& state, int position, const wchar_t* text) {
  if (state.log) state.log->Append(position, text);
}

// At the end of a run the waiting line says how the run ended.
inline void FinishWaitingLine(InstallerState& state, const wchar_t* waiting, const wchar_t* text) {
  if (state.log) state.log->ReplaceLine(waiting, text);
}

// Records a failed call of the running step; the latest is the one that
// ended it (earlier ones were retried or worked around).
inline void NoteFailure(InstallerState& state, const wchar_t* call, uint32_t code) {
  state.failure = StepFailure{call, code};
}
