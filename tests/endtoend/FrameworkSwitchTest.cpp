// The switch to IMM32 as a user makes it, in a Wine prefix made for this
// test: the built setup program installs (TSF only, as on Windows 10), the
// installed config's system page chooses the traditional style, and the
// IMM32 layout it leaves is activated in Wine's Notepad the way the
// language switcher does it, and types. The installer's own command line
// for the switch and the uninstall of an IMM32 install follow.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/Product.h"
#include "tests/endtoend/SetupDriver.h"

namespace zn::e2e {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;
const wchar_t kLayouts[] = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
constexpr int kEmbedButton = 40004;  // 嵌入设置(&E)... on the system page
constexpr int kImmStyleRadio = 1017;  // 传统样式(&I)

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// The layouts whose "Ime File" is the product's module, as "E0020409" names.
std::vector<std::wstring> ProductLayouts() {
  std::vector<std::wstring> found;
  HKEY root = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLayouts, 0, KEY_READ, &root) != ERROR_SUCCESS)
    return found;
  wchar_t name[64];
  for (DWORD i = 0;; ++i) {
    DWORD units = 64;
    if (RegEnumKeyExW(root, i, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    wchar_t file[MAX_PATH] = L"";
    DWORD bytes = sizeof(file);
    if (RegGetValueW(root, name, L"Ime File", RRF_RT_REG_SZ, nullptr, file, &bytes) ==
            ERROR_SUCCESS &&
        EndsWithNoCase(file, L"zinIME.ime")) {
      found.push_back(name);
    }
  }
  RegCloseKey(root);
  return found;
}

std::vector<std::wstring> WaitForProductLayouts(int timeoutMs) {
  std::vector<std::wstring> layouts = ProductLayouts();
  for (int waited = 0; layouts.empty() && waited < timeoutMs; waited += 100) {
    Sleep(100);
    layouts = ProductLayouts();
  }
  return layouts;
}

HWND FindChildById(HWND parent, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND TopWindowOf(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search{pid, className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        if (owner != s->pid || !IsWindowVisible(window) || wcscmp(name, s->className) != 0)
          return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool HasModule(DWORD pid, const wchar_t* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  bool found = false;
  for (BOOL more = Module32FirstW(snapshot, &module); more && !found;
       more = Module32NextW(snapshot, &module)) {
    found = _wcsicmp(module.szModule, name) == 0;
  }
  CloseHandle(snapshot);
  return found;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = L"";
  DWORD_PTR units = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &units);
  return std::wstring(text, units);
}

void TypeKeys(const char* keys) {
  for (const char* p = keys; *p; ++p) {
    WORD vk = *p == ' ' ? VK_SPACE : static_cast<WORD>(*p - 'a' + 'A');
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[0].ki.wScan = input[1].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(60);
  }
}

struct Places {
  std::wstring install = ShellFolder(CSIDL_PROGRAM_FILES) + L"zinIME\\";
  std::wstring config = ShellFolder(CSIDL_COMMON_APPDATA) + L"ZinnorIME3\\zinIME\\config.dsc";
};

bool gInstalled = false;
bool gSwitched = false;

TEST(FrameworkSwitch, InstallRegistersTheTextServiceOnly) {
  RunResult run = InstallPackage(ZN_PACKAGE_PATH);
  ASSERT_TRUE(run.finished) << Narrow(run.error + L"\n" + run.log);
  EXPECT_EQ(run.exitCode, 0u);
  // Windows 10 takes input methods through TSF, which Wine routes no keys to.
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\CTF\\TIP\\" + kKey));
  EXPECT_TRUE(ProductLayouts().empty());
  gInstalled = !HasFailure();
}

// The installed config, its system page, 嵌入设置, 传统样式, OK: config starts
// the installer hidden with /EMMODE=0 /GUID=<key>.
TEST(FrameworkSwitch, ConfigsSystemPageSwitchesToImm) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  Places places;
  PROCESS_INFORMATION config;
  ASSERT_TRUE(StartProgram(places.install + L"config.exe", L"/n " + kKey + L" /do gaoji", &config));
  std::wstring title = std::wstring(L"使用设置 - ") + ZN_DISPLAY_NAME;
  HWND settings = WaitForDialog(title.c_str(), IDOK, 30000);
  HWND embedButton = settings ? FindChildById(settings, kEmbedButton) : nullptr;
  EXPECT_NE(embedButton, nullptr);
  HWND embed = nullptr;
  if (embedButton) {
    PostClick(GetParent(embedButton), kEmbedButton);
    embed = WaitForDialog(L"嵌入显示模式设置", IDOK, 30000);
  }
  EXPECT_NE(embed, nullptr);
  std::vector<std::wstring> layouts;
  if (embed) {
    PostMessageW(GetDlgItem(embed, kImmStyleRadio), BM_CLICK, 0, 0);
    Sleep(200);
    PostClick(embed, IDOK);
    layouts = WaitForProductLayouts(60000);
  }
  if (settings) PostClick(settings, IDCANCEL);
  DWORD code = 99;
  bool ended = WaitForProcess(config.hProcess, 30000, &code);
  if (!ended) TerminateProcess(config.hProcess, 9);
  CloseHandle(config.hProcess);
  EXPECT_TRUE(ended);

  ASSERT_EQ(layouts.size(), 1u);
  std::printf("IMM32 layout after the switch: %s\n", Narrow(layouts[0]).c_str());
  // The installer is done once the layout is there; the text service is gone.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\CTF\\TIP\\" + kKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kKey));
  gSwitched = !HasFailure();
}

// What the language switcher does: WM_INPUTLANGCHANGEREQUEST to the
// program's window. Wine then loads the IME into Notepad, and keys typed
// there go through it.
TEST(FrameworkSwitch, NotepadActivatesTheLayoutAndTypesThroughIt) {
  if (!gSwitched) GTEST_SKIP() << "not switched";
  std::vector<std::wstring> layouts = ProductLayouts();
  ASSERT_EQ(layouts.size(), 1u);
  HKL layout = reinterpret_cast<HKL>(
      static_cast<intptr_t>(static_cast<int32_t>(wcstoul(layouts[0].c_str(), nullptr, 16))));
  PROCESS_INFORMATION notepad;
  ASSERT_TRUE(StartProgram(L"C:\\windows\\notepad.exe", L"", &notepad));
  WaitForInputIdle(notepad.hProcess, 10000);
  HWND window = nullptr;
  for (int waited = 0; !window && waited < 10000; waited += 50) {
    window = TopWindowOf(notepad.dwProcessId, L"Notepad");
    if (!window) Sleep(50);
  }
  EXPECT_NE(window, nullptr);
  bool loaded = false;
  std::wstring text;
  HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
  EXPECT_NE(edit, nullptr);
  if (edit) {
    EXPECT_FALSE(HasModule(notepad.dwProcessId, L"zinIME.ime"));
    SetForegroundWindow(window);
    PostMessageW(window, WM_INPUTLANGCHANGEREQUEST, 0, reinterpret_cast<LPARAM>(layout));
    Sleep(500);
    // Wine loads the IME with the first key that reaches it. The Wubi code
    // of 你好 and Space to commit it.
    TypeKeys("wqvb ");
    for (int waited = 0; text.find(L"你好") == std::wstring::npos && waited < 5000; waited += 100) {
      Sleep(100);
      text = WindowText(edit);
    }
    loaded = HasModule(notepad.dwProcessId, L"zinIME.ime");
  }
  TerminateProcess(notepad.hProcess, 0);
  WaitForProcess(notepad.hProcess, 10000, nullptr);
  CloseHandle(notepad.hProcess);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(text, L"你好") << Narrow(text);
}

// The switch as config starts it, run by hand: exit code 0 and still one
// layout (the earlier one goes first); a key that is no product's fails.
TEST(FrameworkSwitch, InstallerCommandLineReportsTheOutcome) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  Places places;
  std::wstring installer = places.install + L"installer.exe";
  PROCESS_INFORMATION run;
  DWORD code = 99;
  ASSERT_TRUE(StartProgram(installer, L"/EMMODE=0 /GUID=" + kKey, &run));
  EXPECT_TRUE(WaitForProcess(run.hProcess, 60000, &code));
  CloseHandle(run.hProcess);
  EXPECT_EQ(code, 0u);
  std::vector<std::wstring> layouts = ProductLayouts();
  EXPECT_EQ(layouts.size(), 1u);

  ASSERT_TRUE(StartProgram(installer, L"/EMMODE=0 /GUID={00000000-0000-0000-0000-00000000000}", &run));
  EXPECT_TRUE(WaitForProcess(run.hProcess, 60000, &code));
  CloseHandle(run.hProcess);
  EXPECT_EQ(code, 1u);
  EXPECT_EQ(ProductLayouts(), layouts);
}

TEST(FrameworkSwitch, UninstallRemovesTheImmLayout) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  Places places;
  RunResult run = RunMaintenance(places.install + L"installer.exe", kKey, false);
  ASSERT_TRUE(run.finished) << Narrow(run.error + L"\n" + run.log);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(ProductLayouts().empty());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\ZinnorIME3\\" + kKey));
}

}  // namespace
}  // namespace zn::e2e
