// Drives the installed product's own programs as a user would, from outside
// their processes: starts the setup program or installer.exe, waits for
// their dialogs by title, clicks controls by id, answers the questions on
// the way and reads the step log. Shared by the end-to-end test, the
// install benchmark and the demo.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zn::e2e {

// Everything the user sees of one run.
struct RunResult {
  bool finished = false;  // the dialog reached its finish button and closed
  DWORD exitCode = 0xFFFFFFFF;
  double seconds = 0;  // from the start of the program to its end
  std::wstring log;    // the step log at the end
  std::vector<std::wstring> popups;  // titles of the windows answered on the way
  std::wstring error;  // what went wrong, for the report
};

// A visible dialog of this title whose control readyId exists; null after
// timeoutMs.
HWND WaitForDialog(const wchar_t* title, int readyId, int timeoutMs);
// The text of a control of a dialog in any process.
std::wstring ControlText(HWND dialog, int id);
// Clicks a button without waiting for what the click starts.
void PostClick(HWND dialog, int id);

// Starts a program; false when it cannot be started.
bool StartProgram(const std::wstring& program, const std::wstring& arguments,
                  PROCESS_INFORMATION* out);
// Waits for a process to end; false on the timeout.
bool WaitForProcess(HANDLE process, int timeoutMs, DWORD* exitCode);

// The setup program from its start to its end: the licence accepted, the
// proposed folder kept, the install run to "完成".
RunResult InstallPackage(const std::wstring& package, int timeoutMs = 180000);

// installer.exe /n <key> /r or /u: the copy it starts in the temporary
// folder shows the repair or uninstall dialog; its action runs to "完成".
// The questions on the way are answered: no to viewing the user-word
// backup, and "end the processes" in the list of programs holding the
// module.
RunResult RunMaintenance(const std::wstring& installer, const std::wstring& productKey,
                         bool repair, int timeoutMs = 180000);

// A shell folder (CSIDL_*) with a trailing backslash; empty when unknown.
std::wstring ShellFolder(int csidl);
bool KeyExists(HKEY root, const std::wstring& path);
// UTF-8, for test messages and printed logs.
std::string Narrow(const std::wstring& text);

}  // namespace zn::e2e
