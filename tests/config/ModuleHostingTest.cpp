// config with the real built module, as it runs on a user's machine: the
// module's two settings pages hosted in the settings dialog, its settings
// text codec in the text editor, and its version on the About page. config
// asks for the module in the system folder; the seam hands it the built file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

#include "config/app/AdvancedEditor.h"
#include "config/app/ConfigModes.h"
#include "config/app/SettingsDialog.h"
#include "frontend/settings/SettingsPageIds.h"
#include "tests/common/DialogDriver.h"
#include "tests/config/ConfigTestApp.h"

using namespace zn::test;

namespace {

const std::wstring kSettingsTitle = InstanceTitle(kTitleSettings, kTestDisplayName);
const std::wstring kEditorTitle = InstanceTitle(kTitleAdvanced, kTestDisplayName);

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

// Visible controls of a hosted page that stick out of the settings dialog's
// page area, where the user cannot see or reach them.
std::vector<int> ControlsOutsidePageArea(HWND dialog, HWND page) {
  RECT area;
  GetWindowRect(GetDlgItem(dialog, IDC_PAGE_FRAME), &area);
  std::vector<int> outside;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!(GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r;
    GetWindowRect(c, &r);
    if (r.left < area.left || r.top < area.top || r.right > area.right || r.bottom > area.bottom)
      outside.push_back(GetDlgCtrlID(c));
  }
  return outside;
}

bool HostedIn(HWND dialog, HWND page, int controlId) {
  return page && IsWindowVisible(page) && GetParent(GetParent(page)) == dialog &&
         GetDlgItem(page, controlId) != nullptr;
}

class RealModule : public ::testing::Test {
 protected:
  void SetUp() override {
    t.UseBuiltModule(ZN_MODULE_FILE_PATH);
    ASSERT_NE(t.app.context, nullptr);
    ASSERT_NE(t.app.context->moduleHandle, nullptr);
  }
  ConfigTestApp t;
};

TEST_F(RealModule, HostsBothPagesWhoseEditsReachTheSettingsFile) {
  // config looked where Windows keeps input-method modules.
  EXPECT_NE(Lower(t.services.loadedPath).find(L"\\system32\\zinime.ime"), std::wstring::npos)
      << t.services.loadedPath;
  t.ime()->interfaceFlags = 0x6;  // 常用 and 界面
  t.app.context->dmeBlock->codeOptions &= ~0x4u;
  t.app.context->dmeBlock->wildcardChar = 'z';
  SettingsDialog dialog(t.app, kPageOptions);
  HWND options = nullptr, appearance = nullptr;
  bool optionsHosted = false, appearanceHosted = false;
  std::vector<int> optionsOutside{-1}, appearanceOutside{-1};
  uint8_t codeOptionsAfterClick = 0, wildcardWhileOpen = 0, wildcardAfterSwitch = 0;
  uint32_t countAfterChoice = 0;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    if (!w || !WaitUntil([&] { return t.app.modulePage != nullptr; })) return;
    options = t.app.modulePage;
    optionsHosted = HostedIn(w, options, ZN_IDC_FREQUENCY) && GetDlgItem(options, ZN_IDC_WILDCARD);
    optionsOutside = ControlsOutsidePageArea(w, options);
    Click(options, ZN_IDC_SINGLE_CHARS);  // written at once
    codeOptionsAfterClick = t.DmeByteOnDisk(136);
    SetDlgItemTextW(options, ZN_IDC_WILDCARD, L"?");  // written when the page closes
    wildcardWhileOpen = t.DmeByteOnDisk(144);

    SendMessageW(w, WM_SYSCOMMAND, 0x1400, 0);  // Ctrl+Tab: on to 界面
    wildcardAfterSwitch = t.DmeByteOnDisk(144);
    appearance = t.app.modulePage;
    appearanceHosted = appearance != options && HostedIn(w, appearance, ZN_IDC_SKIN);
    appearanceOutside = ControlsOutsidePageArea(w, appearance);
    HWND count = GetDlgItem(appearance, ZN_IDC_CANDIDATE_COUNT);
    SendMessageW(count, CB_SETCURSEL, 6, 0);  // "7"
    SendMessageW(appearance, WM_COMMAND, MAKEWPARAM(ZN_IDC_CANDIDATE_COUNT, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(count));
    countAfterChoice = t.ImeWordOnDisk(144) >> 28;
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_TRUE(optionsHosted);
  EXPECT_TRUE(appearanceHosted);
  EXPECT_EQ(optionsOutside, std::vector<int>{});
  EXPECT_EQ(appearanceOutside, std::vector<int>{});
  EXPECT_TRUE(codeOptionsAfterClick & 0x4) << int{codeOptionsAfterClick};
  EXPECT_EQ(wildcardWhileOpen, 'z');
  EXPECT_EQ(wildcardAfterSwitch, '?');
  EXPECT_EQ(countAfterChoice, 7u);
  // Both pages are gone with the dialog, and nothing keeps the module.
  EXPECT_FALSE(IsWindow(options));
  EXPECT_FALSE(IsWindow(appearance));
  EXPECT_EQ(t.app.modulePage, nullptr);
  UnloadImeContext(t.app.context, t.services);
  t.app.context = nullptr;
  EXPECT_EQ(GetModuleHandleW(L"zinIME.ime"), nullptr);
}

TEST_F(RealModule, TheEditorReadsAndAppliesTheModulesSections) {
  t.app.context->dmeBlock->wildcardChar = 'z';
  AdvancedEditor editor(t.app);
  std::wstring shown;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kEditorTitle.c_str(), IDC_ADV_SAVE);
    if (!w) return;
    shown = EditorText(w);
    const std::wstring key = L"查询输入字符=";
    size_t at = shown.find(key);
    if (at == std::wstring::npos) return Click(w, IDCANCEL);
    size_t end = shown.find(L"\r\n", at);
    HWND rich = GetDlgItem(w, IDC_ADV_TEXT);
    SendMessageW(rich, EM_SETSEL, EditPosition(shown, at + key.size()), EditPosition(shown, end));
    SendMessageW(rich, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"?"));
    Click(w, IDC_ADV_SAVE);
    Click(w, IDCANCEL);
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  // The module wrote the bodies of its two sections.
  EXPECT_NE(shown.find(L"查询输入字符=z\r\n"), std::wstring::npos);
  size_t skin = shown.find(L"[-SKIN设置-]\r\n");
  ASSERT_NE(skin, std::wstring::npos);
  EXPECT_NE(shown.find(L"=", skin), std::wstring::npos) << "empty skin section";
  // And read the changed line back into the shared file.
  EXPECT_EQ(t.app.context->dmeBlock->wildcardChar, '?');
  EXPECT_EQ(t.DmeByteOnDisk(144), '?');
  EXPECT_TRUE(t.services.messages.empty());
}

TEST_F(RealModule, CarriesTheIconsOfTheSettingsTabsAndWindows) {
  for (int id : {117, 118, 119, 120, 121}) {
    HANDLE icon = LoadImageW(t.app.context->moduleHandle, MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0);
    EXPECT_NE(icon, nullptr) << id;
    if (icon) DestroyIcon(static_cast<HICON>(icon));
  }
}

TEST_F(RealModule, AboutShowsTheLoadedModulesVersion) {
  t.ime()->interfaceFlags = 0x10;
  SettingsDialog dialog(t.app, kPageAbout);
  std::wstring line;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    HWND page = nullptr;
    if (!w) return;
    WaitUntil([&] {
      for (HWND c = GetWindow(w, GW_CHILD); c && !page; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgItem(c, IDC_ABOUT_TEXT)) page = c;
      return page != nullptr;
    });
    if (page) line = ItemText(page, IDC_ABOUT_TEXT);
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  const std::wstring version = DottedVersionText(GetFileVersion(ZN_MODULE_FILE_PATH));
  EXPECT_NE(version, L"0.0.0.0");
  EXPECT_EQ(line, L"星禾五笔: 1.0.0\u3000\u3000\u3000星禾程序版本: " + version);
}

}  // namespace
