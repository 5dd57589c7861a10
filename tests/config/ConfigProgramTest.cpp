// config as a program: the start-up against the fake seam (bad environment,
// an open instance raised or handed the word, help), the clipboard writer
// on the real clipboard, and config.exe itself started twice on a scratch
// data folder with registry values in the test prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/app/ConfigModes.h"
#include "config/app/ConfigStartup.h"
#include "config/app/Win32ConfigServices.h"
#include "engine/Product.h"
#include "tests/common/DialogDriver.h"
#include "tests/config/ConfigTestApp.h"

using namespace zn::test;

namespace {

std::wstring WithKey(const ConfigTestApp& t, const wchar_t* rest) {
  return L"/n " + t.services.os.productKey + L" " + rest;
}

TEST(ConfigStartupRun, ABadEnvironmentStopsWithTheErrorBox) {
  ConfigTestApp t;
  for (const wchar_t* line : {L"", L"/n notaguid", L"/n {00000000-1111-2222-3333-44444444444}",
                              L"/do gaoji"}) {
    ConfigApp app(t.services);
    t.services.messages.clear();
    EXPECT_EQ(RunConfig(app, line), 1) << line;
    ASSERT_EQ(t.services.messages.size(), 1u) << line;
    EXPECT_EQ(t.services.messages[0].text, kBadEnvironmentMessage);
    EXPECT_EQ(t.services.messages[0].caption, L"配置程序");
    EXPECT_EQ(t.services.messages[0].style & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(app.context, nullptr);
  }
  // A valid key whose data folder lacks main.dmg fails the same way.
  UnloadImeContext(t.app.context, t.services);
  t.app.context = nullptr;
  ASSERT_TRUE(DeleteFileW(t.dir.File(L"main.dmg").c_str()));
  ConfigApp app(t.services);
  t.services.messages.clear();
  EXPECT_EQ(RunConfig(app, WithKey(t, L"").c_str()), 1);
  EXPECT_EQ(t.services.messages.size(), 1u);
}

TEST(ConfigStartupRun, WithoutAKeyTheOneInstalledProductIsUsed) {
  ConfigTestApp t;
  HWND fake = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));
  t.services.dialogs[InstanceTitle(kTitleSettings, kTestDisplayName)] = fake;
  t.services.installedKeys = {t.services.os.productKey};
  {
    ConfigApp app(t.services);
    EXPECT_EQ(RunConfig(app, L"/do jiemian"), 0);
    EXPECT_EQ(t.services.raised, (std::vector<HWND>{fake}));
    EXPECT_TRUE(t.services.messages.empty());
  }
  // None or several installed: no guess.
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  for (const auto& keys : {std::vector<std::wstring>{},
                           std::vector<std::wstring>{t.services.os.productKey, other}}) {
    t.services.installedKeys = keys;
    t.services.messages.clear();
    ConfigApp app(t.services);
    EXPECT_EQ(RunConfig(app, L"/do jiemian"), 1);
    ASSERT_EQ(t.services.messages.size(), 1u);
    EXPECT_EQ(t.services.messages[0].text, kBadEnvironmentMessage);
  }
}

TEST(ConfigStartupRun, AnOpenInstanceIsRaisedOrGivenTheWord) {
  ConfigTestApp t;
  HWND fake = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242));
  t.services.dialogs[InstanceTitle(kTitleSettings, kTestDisplayName)] = fake;
  t.services.dialogs[InstanceTitle(kTitleDictionary, kTestDisplayName)] = fake;
  {
    ConfigApp app(t.services);
    EXPECT_EQ(RunConfig(app, WithKey(t, L"/do jiemian").c_str()), 0);
    EXPECT_EQ(t.services.raised, (std::vector<HWND>{fake}));
    EXPECT_EQ(app.context, nullptr);
  }
  {
    ConfigApp app(t.services);
    EXPECT_EQ(RunConfig(app, WithKey(t, L"/dict \"词语\"").c_str()), 0);
    ASSERT_EQ(t.services.copyData.size(), 1u);
    EXPECT_EQ(t.services.copyData[0].size(), 128u);  // 256 bytes
    EXPECT_STREQ(t.services.copyData[0].c_str(), L"词语");
    EXPECT_EQ(t.services.raised.size(), 1u);
  }
  // Without DisplayName both sides use the "*" title.
  t.services.os.values.erase(L"DisplayName");
  t.services.dialogs[InstanceTitle(kTitleAdvanced, L"")] = fake;
  ConfigApp app(t.services);
  EXPECT_EQ(RunConfig(app, WithKey(t, L"/do 高级设置").c_str()), 0);
  EXPECT_EQ(t.services.raised.size(), 2u);
}

TEST(ConfigStartupRun, HelpOpensTheHelpFileOfTheInstallFolder) {
  ConfigTestApp t;
  ConfigApp app(t.services);
  EXPECT_EQ(RunConfig(app, WithKey(t, L"/do help").c_str()), 0);
  ASSERT_EQ(t.services.starts.size(), 1u);
  EXPECT_EQ(t.services.starts[0].file, t.dir.path() + L"main.chm");
  EXPECT_EQ(t.services.starts[0].show, SW_SHOW);
}

TEST(ClipboardWriter, ReplacesEveryFormatSoNoStaleTextStays) {
  // An older ANSI text on the clipboard, as an older program leaves it.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL old = GlobalAlloc(GMEM_MOVEABLE, 4);
  memcpy(GlobalLock(old), "old", 4);
  GlobalUnlock(old);
  SetClipboardData(CF_TEXT, old);
  CloseClipboard();

  Win32ConfigServices services;
  ASSERT_EQ(SetClipboardText(services, L"新文本abc", 6), 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE unicode = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(unicode, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(unicode)), L"新文本abc");
  GlobalUnlock(unicode);
  HANDLE ansi = GetClipboardData(CF_TEXT);
  if (ansi) {
    EXPECT_STRNE(static_cast<const char*>(GlobalLock(ansi)), "old");
    GlobalUnlock(ansi);
  }
  CloseClipboard();
  std::wstring back;
  EXPECT_TRUE(services.ReadClipboardText(back, 3));
  EXPECT_EQ(back, L"新文本");
}

// Registry values of a product key of the test's own in the test prefix,
// removed again afterwards.
class RegistryProduct {
 public:
  RegistryProduct(const std::wstring& key, const std::wstring& folder) {
    path_ = std::wstring(ZN_REGISTRY_ROOT) + L"\\" + key;
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
      return;
    auto set = [&](const wchar_t* name, const std::wstring& value) {
      RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    set(L"IMEName", L"zinIME");
    set(L"DisplayName", L"黑盒测试");
    set(L"InstallLocation", folder);
    set(L"DataLocation", folder);
    RegCloseKey(handle);
    ok_ = true;
  }
  ~RegistryProduct() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::wstring path_;
  bool ok_ = false;
};

PROCESS_INFORMATION StartConfig(const std::wstring& arguments) {
  std::wstring line = L"\"" + std::wstring(ZN_CONFIG_EXE) + L"\" " + arguments;
  STARTUPINFOW startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    process.hProcess = nullptr;
  return process;
}

int CountWindows(const wchar_t* title) {
  struct Search {
    const wchar_t* title;
    int count;
  } search{title, 0};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t text[256] = L"";
        GetWindowTextW(window, text, 256);
        if (wcscmp(text, s->title) == 0) ++s->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

TEST(ConfigProgram, InstalledProductsAreTheKeysWithAnInstallFolder) {
  TempDir data;
  const std::wstring key = L"{6B1F0C2E-0D4A-4E55-9C3B-7E5D1F00A118}";
  const std::wstring bare = L"{6B1F0C2E-0D4A-4E55-9C3B-7E5D1F00A119}";
  RegistryProduct product(key, data.path());
  ASSERT_TRUE(product.ok());
  const std::wstring barePath = std::wstring(ZN_REGISTRY_ROOT) + L"\\" + bare;
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, barePath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &handle, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(handle);
  Win32ConfigServices services;
  std::vector<std::wstring> keys = services.InstalledProductKeys();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, barePath.c_str());
  EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end());
  EXPECT_EQ(std::find(keys.begin(), keys.end(), bare), keys.end());
}

TEST(ConfigProgram, ASecondStartRaisesTheFirst) {
  TempDir data;
  for (const wchar_t* name : {L"config.dsc", L"main.dmg"}) {
    ASSERT_TRUE(CopyFileW((std::wstring(ZN_SHIPPED_DATA) + name).c_str(), data.File(name).c_str(), FALSE))
        << name;
  }
  const std::wstring key = L"{6B1F0C2E-0D4A-4E55-9C3B-7E5D1F00A117}";
  RegistryProduct product(key, data.path());
  ASSERT_TRUE(product.ok());
  const wchar_t* title = L"使用设置 - 黑盒测试";
  PROCESS_INFORMATION first = StartConfig(L"/n " + key + L" /do about");
  ASSERT_NE(first.hProcess, nullptr);
  HWND window = WaitForDialog(title, IDOK, 20000);
  ASSERT_NE(window, nullptr);
  PROCESS_INFORMATION second = StartConfig(L"/n " + key + L" /do gaoji");
  ASSERT_NE(second.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(second.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(CountWindows(title), 1);
  EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(WaitForSingleObject(first.hProcess, 20000), WAIT_OBJECT_0);
  for (PROCESS_INFORMATION& p : {std::ref(first), std::ref(second)}) {
    if (p.hProcess && WaitForSingleObject(p.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(p.hProcess, 1);
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
  }
}

}  // namespace
