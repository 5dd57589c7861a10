// Wine's own programs typed into through the installed IME.
#include "tests/endtoend/RealPrograms.h"

#include <cwctype>
#include <vector>

#include "tests/endtoend/SetupDriver.h"
#include "tools/zntype/KeyScript.h"

namespace zn::e2e {
namespace {

constexpr wchar_t kLayouts[] = L"System\\CurrentControlSet\\Control\\Keyboard Layouts";

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  if (tail.size() > text.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    if (std::towlower(text[text.size() - tail.size() + i]) != std::towlower(tail[i])) return false;
  }
  return true;
}

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
    return TRUE;
  search->found = window;
  return FALSE;
}

struct ChildSearch {
  const wchar_t* part;
  HWND found;
};

BOOL CALLBACK FindControl(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  std::wstring lower = name;
  std::wstring part = search->part;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  for (wchar_t& c : part) c = static_cast<wchar_t>(std::towlower(c));
  if (lower.find(part) == std::wstring::npos) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

bool SwitchToImm32(const std::wstring& installer, const std::wstring& productKey) {
  PROCESS_INFORMATION process;
  if (!StartProgram(installer, L"/EMMODE=0 /GUID=" + productKey, &process)) return false;
  DWORD code = 0;
  const bool ended = WaitForProcess(process.hProcess, 60000, &code);
  if (!ended) TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hProcess);
  return ended;
}

HKL FindImeLayout(const std::wstring& moduleName) {
  HKEY layouts = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLayouts, 0, KEY_READ, &layouts) != ERROR_SUCCESS)
    return nullptr;
  HKL found = nullptr;
  wchar_t name[16];
  for (DWORD i = 0; !found; ++i) {
    DWORD units = 16;
    if (RegEnumKeyExW(layouts, i, name, &units, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    wchar_t file[MAX_PATH] = {};
    DWORD bytes = sizeof(file) - sizeof(wchar_t);
    if (RegGetValueW(layouts, name, L"Ime File", RRF_RT_REG_SZ, nullptr, file, &bytes) !=
        ERROR_SUCCESS)
      continue;
    const std::wstring path = file;
    if (path == moduleName || EndsWithNoCase(path, L"\\" + moduleName))
      found = reinterpret_cast<HKL>(static_cast<UINT_PTR>(wcstoul(name, nullptr, 16)));
  }
  RegCloseKey(layouts);
  return found;
}

bool RealProgram::Start(const std::wstring& program, const wchar_t* controlClass) {
  if (!StartProgram(program, L"", &process_)) return false;
  WaitForInputIdle(process_.hProcess, 20000);
  for (int waited = 0; waited < 20000 && !control_; waited += 100) {
    Search search{process_.dwProcessId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    window_ = search.found;
    if (window_) {
      ChildSearch child{controlClass, nullptr};
      EnumChildWindows(window_, FindControl, reinterpret_cast<LPARAM>(&child));
      control_ = child.found;
    }
    if (!control_) Sleep(100);
  }
  return control_ != nullptr;
}

RealProgram::~RealProgram() {
  if (!process_.hProcess) return;
  // Closing would ask whether to save the typed text.
  TerminateProcess(process_.hProcess, 0);
  WaitForSingleObject(process_.hProcess, 5000);
  CloseHandle(process_.hProcess);
}

void RealProgram::SelectLayout(HKL layout) {
  SetForegroundWindow(window_);
  // Wine reports no other thread's layout, so nothing here can confirm the
  // switch: the typed text tells.
  PostMessageW(window_, WM_INPUTLANGCHANGEREQUEST, 0, reinterpret_cast<LPARAM>(layout));
  WaitForInputIdle(process_.hProcess, 5000);
  Sleep(300);
}

bool RealProgram::Type(const std::wstring& keys,
                       const std::function<void(const std::wstring&)>& onKey) {
  std::vector<KeyStroke> strokes;
  std::wstring error;
  if (!ParseKeyScript(keys, &strokes, &error)) return false;
  for (const KeyStroke& key : strokes) {
    if (!key.virtualKey) return false;
    if (GetForegroundWindow() != window_) SetForegroundWindow(window_);
    SendKeyStroke(key);
    // The program's thread takes the input from the server a little later.
    Sleep(40);
    WaitForInputIdle(process_.hProcess, 2000);
    Sleep(40);
    onKey(key.name);
  }
  return true;
}

std::wstring RealProgram::Text() const { return WindowText(control_); }

RECT RealProgram::WindowRect() const {
  RECT r{};
  GetWindowRect(window_, &r);
  return r;
}

}  // namespace zn::e2e
