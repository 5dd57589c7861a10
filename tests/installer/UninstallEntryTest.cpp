// The uninstall entry's values and the shortcut table from the flags.
#include <gtest/gtest.h>

#include <map>

#include "installer/core/FolderTree.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/UninstallEntry.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;
const wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST(UninstallEntry, ValuesInOrder) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring install = state->installFolder;
  auto plan = PlanUninstallEntry(*state, L"用户", L"公司");
  std::vector<std::wstring> names;
  for (const auto& [name, text] : plan) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::wstring>{
                       L"RegOwner", L"RegCompany", L"DisplayName", L"Comments", L"DisplayVersion",
                       L"DisplayIcon", L"Contact", L"Publisher", L"URLInfoAbout", L"URLUpdateInfo",
                       L"HelpLink", L"HelpTelephone", L"UninstallString", L"InstallLocation",
                       L"InstallSource", L"ModifyPath"}));
  std::map<std::wstring, std::wstring> values(plan.begin(), plan.end());
  std::wstring uninstall = install + L"installer.exe /n " + kKey + L" /u";
  EXPECT_EQ(values[L"UninstallString"], uninstall);
  EXPECT_EQ(values[L"ModifyPath"], uninstall);
  EXPECT_EQ(values[L"HelpLink"], install + L"main.chm");  // no help address in the package
  EXPECT_EQ(values[L"DisplayIcon"], install + L"installer.exe");
  EXPECT_EQ(values[L"InstallSource"], os.ownPath);
  EXPECT_EQ(values[L"RegOwner"], L"用户");
  SetText(state->soft.helpLink, 256, L"https://zinime.org/help");
  auto withHelp = PlanUninstallEntry(*state, L"", L"");
  EXPECT_EQ((std::map<std::wstring, std::wstring>(withHelp.begin(), withHelp.end())[L"HelpLink"]),
            L"https://zinime.org/help");
}

TEST(UninstallEntry, WrittenWithTerminatorsOrFailed) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  // No Uninstall key to open: the step fails.
  EXPECT_FALSE(WriteUninstallEntry(*state, os, L"o", L"c"));
  os.RegMakeKey(RegHive::kLocalMachine, kUninstallRoot);
  ASSERT_TRUE(WriteUninstallEntry(*state, os, L"o", L"c"));
  std::wstring key = UninstallKeyPath(kKey);
  EXPECT_EQ(os.Value(RegHive::kLocalMachine, key, L"DisplayName"), ZN_DISPLAY_NAME);
  std::vector<uint8_t> raw = os.RawValue(RegHive::kLocalMachine, key, L"UninstallString");
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw[raw.size() - 2] | raw[raw.size() - 1], 0);
  os.readOnlyKeys.insert(L"0:software\\microsoft\\windows\\currentversion\\uninstall");
  EXPECT_FALSE(WriteUninstallEntry(*state, os, L"o", L"c"));
}

TEST(Shortcuts, TableFromTheFlags) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  std::wstring folder = L"C:\\Start\\星禾五笔\\";
  std::wstring install = state->installFolder;
  std::wstring module = L"C:\\Windows\\system32\\zinIME.ime";
  state->soft.installerFlags = 0x19E0;
  std::vector<ShellLinkSpec> all = PlanShortcuts(*state, folder, module);
  ASSERT_EQ(all.size(), 6u);
  struct Expected {
    const wchar_t* file;
    const wchar_t* target;
    std::wstring arguments;
    int icon;
  };
  const Expected expected[] = {
      {L"设置星禾五笔.lnk", L"config.exe", L"/n " + kKey, 0},
      {L"更新星禾五笔.lnk", L"installer.exe", L"/n " + kKey + L" /g", 3},
      {L"修复星禾五笔.lnk", L"installer.exe", L"/n " + kKey + L" /r", 1},
      {L"卸载星禾五笔.lnk", L"installer.exe", L"/n " + kKey + L" /u", 2},
      {L"星禾五笔帮助文档.lnk", L"main.chm", L"", 0},
      {L"星禾五笔按键功能设定.lnk", L"config.exe", L"/n " + kKey + L" /do anjianshezhi", 16},
  };
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(all[i].linkPath, folder + expected[i].file) << i;
    EXPECT_EQ(all[i].target, install + expected[i].target) << i;
    EXPECT_EQ(all[i].arguments, expected[i].arguments) << i;
    EXPECT_EQ(all[i].iconIndex, expected[i].icon) << i;
    EXPECT_EQ(all[i].workingFolder, install) << i;
    EXPECT_EQ(all[i].showCommand, SW_SHOW) << i;
  }
  EXPECT_EQ(all[0].iconPath, all[0].target);
  EXPECT_EQ(all[4].iconPath, L"");
  EXPECT_EQ(all[5].iconPath, module);
  EXPECT_EQ(all[3].description, L"卸载星禾五笔 程序");

  state->soft.installerFlags = 0x80 | kStateTsfAllowed;
  std::vector<ShellLinkSpec> one = PlanShortcuts(*state, folder, module);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].linkPath, folder + L"设置星禾五笔.lnk");
  state->soft.installerFlags = 0x200 | 0x10;
  EXPECT_TRUE(PlanShortcuts(*state, folder, module).empty());
}

TEST(Shortcuts, FolderLinksAndTheProgramAfterwards) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  state->soft.installerFlags = 0x80;
  SetText(state->soft.startProgram, 260, L"config.exe /do jiemian");
  ASSERT_TRUE(CreateShortcuts(*state, os));
  std::wstring folder = os.Folder(KnownFolder::kCommonPrograms) + ZN_DISPLAY_NAME + L"\\";
  EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(os.shellLinks.size(), 1u);
  EXPECT_EQ(os.calls.back(), L"Notify " + folder);
  ASSERT_EQ(os.opened.size(), 1u);
  EXPECT_EQ(os.opened[0],
            L"open|" + std::wstring(state->installFolder) + L"config.exe|/do jiemian");

  // No shortcut bits: no folder, no links.
  FakeInstallerOs none;
  auto bare = ProductState(none);
  bare->soft.installerFlags = 0;
  ASSERT_TRUE(CreateShortcuts(*bare, none));
  EXPECT_TRUE(none.shellLinks.empty());
  EXPECT_EQ(
      GetFileAttributesW((none.Folder(KnownFolder::kCommonPrograms) + ZN_DISPLAY_NAME).c_str()),
      INVALID_FILE_ATTRIBUTES);
  // A display name that is no plain name never becomes a folder.
  bare->soft.installerFlags = 0x80;
  SetText(bare->soft.displayName, 40, L"..\\..\\x");
  ASSERT_TRUE(CreateShortcuts(*bare, none));
  EXPECT_TRUE(none.shellLinks.empty());
}

}  // namespace
}  // namespace zn::test
