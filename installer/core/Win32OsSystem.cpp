// Processes, keyboard layouts, prompts, clock and versions of the real
// installer seam.
#include <windows.h>
#include <imm.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "engine/FileVersion.h"
#include "installer/core/ScopedHandle.h"
#include "installer/core/Win32InstallerOs.h"

namespace {

using Handle = KernelHandle;

// A module snapshot fails with ERROR_BAD_LENGTH while the process is still
// loading modules; a few tries get past it.
HANDLE ModuleSnapshot(DWORD flags, uint32_t pid) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    HANDLE snapshot = CreateToolhelp32Snapshot(flags, pid);
    if (snapshot != INVALID_HANDLE_VALUE) return snapshot;
    if (GetLastError() != ERROR_BAD_LENGTH) break;
  }
  return INVALID_HANDLE_VALUE;
}

bool EqualsIgnoringCase(const wchar_t* a, const wchar_t* b) {
  return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool Win32InstallerOs::ListProcesses(std::vector<ProcessEntry>* out) {
  out->clear();
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.get()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!Process32FirstW(snapshot.get(), &entry)) return false;
  do {
    out->push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
    entry.dwSize = sizeof(entry);
  } while (Process32NextW(snapshot.get(), &entry));
  return true;
}

bool Win32InstallerOs::ListProcessModules(uint32_t pid, bool wow32,
                                          std::vector<std::wstring>* out) {
  out->clear();
  DWORD flags = TH32CS_SNAPMODULE | (wow32 ? TH32CS_SNAPMODULE32 : 0);
  Handle snapshot(ModuleSnapshot(flags, pid));
  if (!snapshot.get()) return false;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!Module32FirstW(snapshot.get(), &entry)) return false;
  do {
    out->push_back(entry.szExePath);
    entry.dwSize = sizeof(entry);
  } while (Module32NextW(snapshot.get(), &entry));
  return true;
}

bool Win32InstallerOs::TerminateProcess(uint32_t pid, uint32_t exitCode) {
  Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process.get() || !::TerminateProcess(process.get(), exitCode)) return false;
  // Termination is asynchronous: a process still unloading its modules would
  // be listed again as a holder, so wait (bounded) until it is gone.
  WaitForSingleObject(process.get(), 5000);
  return true;
}

bool Win32InstallerOs::IsCriticalProcess(uint32_t pid) {
  // The idle and system processes, then those Windows marks critical.
  if (pid == 0 || pid == 4) return true;
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.get()) return false;
  using IsCriticalFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isCritical = reinterpret_cast<IsCriticalFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsProcessCritical")));
  BOOL critical = FALSE;
  if (isCritical && isCritical(process.get(), &critical) && critical) return true;
  // Windows before 8.1 has no such mark: the session's core processes by name.
  wchar_t image[MAX_PATH];
  DWORD units = MAX_PATH;
  if (!QueryFullProcessImageNameW(process.get(), 0, image, &units)) return false;
  const wchar_t* name = wcsrchr(image, L'\\');
  name = name ? name + 1 : image;
  for (const wchar_t* core : {L"smss.exe", L"csrss.exe", L"wininit.exe", L"winlogon.exe",
                              L"services.exe", L"lsass.exe"}) {
    if (EqualsIgnoringCase(name, core)) return true;
  }
  return false;
}

bool Win32InstallerOs::ShellOpen(const wchar_t* verb, const wchar_t* file,
                                 const wchar_t* parameters, int showCommand) {
  HINSTANCE result = ShellExecuteW(nullptr, verb, file, parameters, nullptr, showCommand);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32InstallerOs::StartIdleChild(const wchar_t* commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &child)) {
    return false;
  }
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
  ResumeThread(child.hThread);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return true;
}

bool Win32InstallerOs::TakeInstanceLock(const wchar_t* name) {
  if (instanceLock_) return true;
  // Global so that installers in two sessions exclude each other; a process
  // without the right to create global objects falls back to its session.
  for (const wchar_t* scope : {L"Global\\", L"Local\\"}) {
    std::wstring full = std::wstring(scope) + name;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, full.c_str());
    if (!mutex) {
      if (GetLastError() == ERROR_ACCESS_DENIED) return false;  // it exists, held by someone else
      continue;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex);
      return false;
    }
    instanceLock_ = mutex;
    return true;
  }
  return false;
}

uintptr_t Win32InstallerOs::InstallIme(const wchar_t* modulePath, const wchar_t* layoutText) {
  return reinterpret_cast<uintptr_t>(
      ImmInstallIMEW(const_cast<wchar_t*>(modulePath), const_cast<wchar_t*>(layoutText)));
}

bool Win32InstallerOs::ListKeyboardLayouts(std::vector<uintptr_t>* out) {
  out->clear();
  int count = GetKeyboardLayoutList(0, nullptr);
  if (count <= 0) return count == 0;
  std::vector<HKL> layouts(static_cast<size_t>(count));
  count = GetKeyboardLayoutList(count, layouts.data());
  for (int i = 0; i < count; ++i) out->push_back(reinterpret_cast<uintptr_t>(layouts[i]));
  return true;
}

std::wstring Win32InstallerOs::ImeFileName(uintptr_t layout) {
  wchar_t name[MAX_PATH] = {};
  UINT units = ImmGetIMEFileNameW(reinterpret_cast<HKL>(layout), name, MAX_PATH);
  if (units == 0 || units >= MAX_PATH) return std::wstring();
  return std::wstring(name, units);
}

bool Win32InstallerOs::UnloadLayout(uintptr_t layout) {
  return UnloadKeyboardLayout(reinterpret_cast<HKL>(layout)) != FALSE;
}

bool Win32InstallerOs::BroadcastSettingChange(const wchar_t* text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(text),
                             SMTO_NOTIMEOUTIFNOTHUNG, 100, &result) != 0;
}

bool Win32InstallerOs::AddFont(const wchar_t* path) {
  return AddFontResourceW(path) > 0;
}

void Win32InstallerOs::BroadcastFontChange() {
  PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

int Win32InstallerOs::ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption,
                                  uint32_t style) {
  return MessageBoxW(owner, text, caption, style);
}

void Win32InstallerOs::Sleep(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

uint64_t Win32InstallerOs::TickCount() {
  return GetTickCount64();
}

uint64_t Win32InstallerOs::SystemTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void Win32InstallerOs::OsVersion(uint32_t* major, uint32_t* minor) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExW(&info);
  *major = info.dwMajorVersion;
  *minor = info.dwMinorVersion;
}

bool Win32InstallerOs::QueryVersionString(const wchar_t* path, const wchar_t* name,
                                          std::wstring* out) {
  wchar_t value[256];
  bool found = ::QueryVersionString(path, name, value, 256) != 1;
  *out = found ? value : L"";
  return found;
}

uint32_t Win32InstallerOs::LastError() {
  return GetLastError();
}

std::wstring Win32InstallerOs::ErrorText(uint32_t code) {
  wchar_t* buffer = nullptr;
  DWORD units = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = units && buffer ? std::wstring(buffer, units) : std::wstring();
  if (buffer) LocalFree(buffer);
  // One log line: the system's texts end in a line break, some hold several.
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}
