// Types into the system's own Notepad through the built module installed as
// an IME, with nothing set up for it: the program's own input context in
// the mode the system gives it, and no UI window unless the system makes
// one. Checks the text, the status bar, and the candidate window below the
// caret.
//   notepad_check --data DIR --module FILE --keys KEYS --expect TEXT
// In KEYS, "|" makes another window take the focus and give it back.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "tests/imehost/HostSetup.h"

namespace {

constexpr DWORD kSettleMs = 150;

int Fail(const char* what) {
  std::printf("notepad_check: %s (error %lu)\n", what, GetLastError());
  std::fflush(stdout);
  return 1;
}

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

struct Notepad {
  PROCESS_INFORMATION process{};
  HWND frame = nullptr;
  HWND edit = nullptr;
  DWORD thread = 0;

  bool Start() {
    wchar_t command[] = L"notepad.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
      return false;
    WaitForInputIdle(process.hProcess, 10000);
    for (int i = 0; i < 100 && !edit; ++i) {
      frame = OwnFrame();
      if (frame) edit = FindWindowExW(frame, nullptr, L"Edit", nullptr);
      if (!edit) Sleep(100);
    }
    if (edit) thread = GetWindowThreadProcessId(edit, nullptr);
    return edit != nullptr;
  }
  // Ours to end: nobody is asked to save the typed text.
  ~Notepad() {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  // The main window of the Notepad this program started, not another one.
  HWND OwnFrame() const {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"Notepad", nullptr))) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process.dwProcessId) return window;
    }
    return nullptr;
  }
  bool HasModule(const std::wstring& path) const {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process.hProcess, modules, sizeof(modules), &bytes)) return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
      wchar_t base[MAX_PATH];
      if (GetModuleBaseNameW(process.hProcess, modules[i], base, MAX_PATH) &&
          lstrcmpiW(base, name.c_str()) == 0)
        return true;
    }
    return false;
  }
  bool HasFocus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread, &info) && info.hwndFocus == edit;
  }
  std::wstring Text() const {
    wchar_t text[512] = {};
    SendMessageW(edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
  }
};

// A key as the keyboard sends it, with Shift where the character needs it.
void SendChar(wchar_t c) {
  const SHORT scan = VkKeyScanW(c);
  const WORD vk = LOBYTE(scan);
  const bool shift = (HIBYTE(scan) & 1) != 0;
  INPUT input[4] = {};
  int n = 0;
  auto add = [&](WORD key, bool up) {
    input[n].type = INPUT_KEYBOARD;
    input[n].ki.wVk = key;
    input[n].ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (shift) add(VK_SHIFT, false);
  add(vk, false);
  add(vk, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(n, input, sizeof(INPUT));
  Sleep(kSettleMs);
}

// Polls until done() holds, for up to ten seconds (other tests may load the
// machine).
template <typename Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

void Pump(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

// A window of the module's classes in Notepad's thread.
struct ClassSearch {
  const wchar_t* name;
  HWND found;
};

BOOL CALLBACK FindClass(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) && lstrcmpW(name, search->name) == 0 &&
      IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleWindowOf(DWORD thread, const wchar_t* className) {
  ClassSearch search{className, nullptr};
  EnumThreadWindows(thread, FindClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Another program's window takes the focus for a moment, as when the user
// clicks elsewhere and comes back. While away, Notepad shows none of the
// module's windows; back, the status bar is there again.
int FocusTrip(const Notepad& notepad) {
  int failures = 0;
  HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                               300, 120, 80, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  Pump(100);
  WaitFor([&] { return GetForegroundWindow() == other; });
  for (const wchar_t* name : {L"RURUDIDU_STATUS", L"RUZEDIVE_ZARU"}) {
    if (!WaitFor([&] { return VisibleWindowOf(notepad.thread, name) == nullptr; })) {
      std::printf("%ls still shown while Notepad is in the background\n", name);
      ++failures;
    }
  }
  SetForegroundWindow(notepad.frame);
  Pump(100);
  DestroyWindow(other);
  WaitFor([&] { return notepad.HasFocus(); });
  if (!WaitFor([&] { return VisibleWindowOf(notepad.thread, L"RURUDIDU_STATUS") != nullptr; })) {
    std::printf("no status bar after coming back\n");
    ++failures;
  }
  return failures;
}

// Notepad's caret on the screen (its thread's caret, read from outside).
bool CaretOf(DWORD thread, POINT* out) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(thread, &info) || !info.hwndCaret) return false;
  *out = POINT{info.rcCaret.left, info.rcCaret.top};
  return ClientToScreen(info.hwndCaret, out) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring dataFolder, module, keys, expect;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    if (name == L"--data") dataFolder = argv[i + 1];
    else if (name == L"--module") module = argv[i + 1];
    else if (name == L"--keys") keys = argv[i + 1];
    else if (name == L"--expect") expect = argv[i + 1];
  }
  if (dataFolder.empty() || module.empty() || keys.empty()) {
    std::printf("usage: notepad_check --data DIR --module FILE --keys KEYS --expect TEXT\n");
    return 2;
  }
  DataCopy data;
  if (!data.Make(dataFolder)) return Fail("cannot copy the data folder");
  if (dataFolder.back() != L'\\') dataFolder += L'\\';
  ProductRegistry registry;
  if (!registry.Write(dataFolder, data.path())) return Fail("cannot write the registry values");
  ImeLayout layout;
  if (!layout.Install(module, L"星禾五笔")) return Fail("ImmInstallIMEW failed");

  Notepad notepad;
  if (!notepad.Start()) return Fail("Notepad did not start");
  SetForegroundWindow(notepad.frame);
  // As the system's language switcher does.
  PostMessageW(notepad.frame, WM_INPUTLANGCHANGEREQUEST, 0,
               reinterpret_cast<LPARAM>(layout.layout()));
  // Nothing tells another process when the layout became active there (the
  // system loads the IME only at the first key): give Notepad a moment.
  Sleep(1000);
  if (!WaitFor([&] { return notepad.HasFocus(); }))
    return Fail("Notepad did not take the IME's layout");

  int failures = 0;
  // The first two code letters: the candidate window hangs below the caret
  // (a cell never measured is 21 pixels high, plus the 2-pixel gap).
  const size_t codeStart = keys.find_first_of(L"abcdefghijklmnopqrstuvwxyz");
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == L'|') {
      failures += FocusTrip(notepad);
      continue;
    }
    SendChar(keys[i]);
    if (i != codeStart + 1 || codeStart == std::wstring::npos) continue;
    WaitFor([&] { return VisibleWindowOf(notepad.thread, L"RUZEDIVE_ZARU") != nullptr; });
    const HWND status = VisibleWindowOf(notepad.thread, L"RURUDIDU_STATUS");
    const HWND candidates = VisibleWindowOf(notepad.thread, L"RUZEDIVE_ZARU");
    POINT caret{};
    RECT rect{};
    if (!status) {
      std::printf("no status bar shown\n");
      ++failures;
    }
    if (!candidates || !CaretOf(notepad.thread, &caret) || !GetWindowRect(candidates, &rect)) {
      std::printf("no candidate window or caret\n");
      ++failures;
    } else if (rect.left != caret.x || rect.top != caret.y + 23) {
      std::printf("candidate window at (%ld, %ld), caret at (%ld, %ld)\n", rect.left, rect.top,
                  caret.x, caret.y);
      ++failures;
    }
  }
  WaitFor([&] { return notepad.Text() == expect; });
  const std::wstring text = notepad.Text();
  std::printf("typed: %s\n", Utf8(text).c_str());
  if (text != expect) {
    std::printf("expected: %s (the IME is %sloaded in Notepad)\n", Utf8(expect).c_str(),
                notepad.HasModule(module) ? "" : "not ");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
