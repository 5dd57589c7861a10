// The driver: polling for windows, posted clicks (a sent one would wait
// for the modal loops the click opens), and the waits of one run.
#include "tests/endtoend/SetupDriver.h"

#include <shlobj.h>

#include "engine/Product.h"

namespace zn::e2e {

namespace {

// Control ids of the installer's dialogs.
constexpr int kAccept = 1001;
constexpr int kLog = 1006;
constexpr int kTerminate = 1015;
constexpr wchar_t kFinish[] = L"完成(&O)";
constexpr wchar_t kQuestionTitle[] = L"操作提示";
constexpr wchar_t kProcessListTitle[] = L"文件访问冲突";

double Seconds() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND FindDialog(const wchar_t* title, int readyId) {
  HWND dialog = FindWindowW(L"#32770", title);
  if (dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, readyId)) return dialog;
  return nullptr;
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// A popup stays up while it works on the click (ending programs takes a
// second or more): wait for it to go, so one popup is not answered twice.
void WaitUntilGone(HWND popup) {
  for (int waited = 0; waited < 10000 && IsWindow(popup) && IsWindowVisible(popup); waited += 50)
    Sleep(50);
}

// Answers what may come up while a step dialog works; true when it did.
bool AnswerPopups(RunResult* result) {
  if (HWND question = FindDialog(kQuestionTitle, IDNO)) {
    result->popups.push_back(kQuestionTitle);
    PostClick(question, IDNO);
    WaitUntilGone(question);
    return true;
  }
  if (HWND list = FindDialog(kProcessListTitle, kTerminate)) {
    result->popups.push_back(kProcessListTitle);
    PostClick(list, kTerminate);
    WaitUntilGone(list);
    return true;
  }
  return false;
}

// Clicks the action button of a step dialog and waits for its finish text,
// answering the popups; then closes it.
bool RunToFinish(HWND dialog, int timeoutMs, RunResult* result) {
  PostClick(dialog, IDOK);
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (!IsWindow(dialog)) {
      result->error = L"the dialog closed before it finished";
      return false;
    }
    if (ControlText(dialog, IDOK) == kFinish && Enabled(dialog, IDOK)) {
      result->log = ControlText(dialog, kLog);
      PostClick(dialog, IDOK);
      return true;
    }
    if (AnswerPopups(result)) {
      Sleep(200);  // the popup closes before the next look
      continue;
    }
    Sleep(50);
  }
  result->log = ControlText(dialog, kLog);
  result->error = L"no finish within the time";
  return false;
}

}  // namespace

HWND WaitForDialog(const wchar_t* title, int readyId, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (HWND dialog = FindDialog(title, readyId)) return dialog;
    Sleep(20);
  }
  return nullptr;
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? WindowText(control) : std::wstring();
}

std::wstring WindowText(HWND control) {
  DWORD_PTR units = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &units))
    return std::wstring();
  std::wstring text(units + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  text.resize(got);
  return text;
}

void PostClick(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool StartProgram(const std::wstring& program, const std::wstring& arguments,
                  PROCESS_INFORMATION* out) {
  std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  *out = PROCESS_INFORMATION{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, out)) {
    return false;
  }
  CloseHandle(out->hThread);
  out->hThread = nullptr;
  return true;
}

bool WaitForProcess(HANDLE process, int timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process, exitCode);
  return true;
}

RunResult InstallPackage(const std::wstring& package, int timeoutMs) {
  RunResult result;
  double start = Seconds();
  PROCESS_INFORMATION child;
  if (!StartProgram(package, L"", &child)) {
    result.error = L"the setup program cannot be started";
    return result;
  }
  std::wstring title = std::wstring(ZN_DISPLAY_NAME) + L" 安装向导";
  HWND wizard = WaitForDialog(title.c_str(), IDOK, timeoutMs);
  if (!wizard) {
    result.error = L"no install wizard";
  } else {
    PostMessageW(GetDlgItem(wizard, kAccept), BM_CLICK, 0, 0);
    for (int waited = 0; waited < 10000 && !Enabled(wizard, IDOK); waited += 20) Sleep(20);
    result.finished = RunToFinish(wizard, timeoutMs, &result);
  }
  if (!WaitForProcess(child.hProcess, timeoutMs, &result.exitCode)) {
    TerminateProcess(child.hProcess, 9);
    result.finished = false;
    if (result.error.empty()) result.error = L"the setup program did not end";
  }
  CloseHandle(child.hProcess);
  result.seconds = Seconds() - start;
  return result;
}

RunResult RunMaintenance(const std::wstring& installer, const std::wstring& productKey,
                         bool repair, int timeoutMs) {
  RunResult result;
  double start = Seconds();
  PROCESS_INFORMATION first;
  if (!StartProgram(installer, L"/n " + productKey + (repair ? L" /r" : L" /u"), &first)) {
    result.error = L"installer.exe cannot be started";
    return result;
  }
  // installer.exe hands over to its temporary copy and ends.
  WaitForProcess(first.hProcess, timeoutMs, nullptr);
  CloseHandle(first.hProcess);
  std::wstring title =
      std::wstring(ZN_DISPLAY_NAME) + (repair ? L" - 修复程序" : L" - 卸载程序");
  HWND dialog = WaitForDialog(title.c_str(), IDOK, timeoutMs);
  if (!dialog) {
    result.error = L"no " + title + L" dialog";
    return result;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(dialog, &pid);
  HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  result.finished = RunToFinish(dialog, timeoutMs, &result);
  if (copy) {
    if (!WaitForProcess(copy, timeoutMs, &result.exitCode)) {
      result.finished = false;
      if (result.error.empty()) result.error = L"the temporary copy did not end";
    }
    CloseHandle(copy);
  }
  result.seconds = Seconds() - start;
  return result;
}

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path))) return L"";
  std::wstring folder = path;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace zn::e2e
