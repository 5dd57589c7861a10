// Uninstall entry and shortcuts from the package's product identity.
#include "installer/core/UninstallEntry.h"

#include "installer/core/Messages.h"

#include "engine/WideString.h"
#include "installer/core/FolderTree.h"
#include "installer/core/PathGuard.h"
#include "installer/core/ProductPaths.h"

namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::wstring Format(const wchar_t* format, const std::wstring& a, const std::wstring& b = L"") {
  wchar_t text[512];
  FormatString(text, 512, format, a.c_str(), b.c_str());
  return text;
}

// The shortcuts in their fixed order; file names take the folder and the
// display name.
struct Row {
  uint32_t bit;
  const wchar_t* file;         // folder, display name
  const wchar_t* target;       // install folder
  const wchar_t* arguments;    // product key
  const wchar_t* description;  // display name
  int icon;                    // index in the target; -1 none, -2 the module's 16
};
constexpr Row kRows[] = {
    {0x80, L"%s设置%s.lnk", L"%sconfig.exe", L"/n %s", L"%s 的使用习惯更改和设定", 0},
    {0x20, L"%s更新%s.lnk", L"%sinstaller.exe", L"/n %s /g", L"检查 %s 的最新服务器版本", 3},
    {0x1000, L"%s修复%s.lnk", L"%sinstaller.exe", L"/n %s /r", L"修复 %s 至新安装状态", 1},
    {0x800, L"%s卸载%s.lnk", L"%sinstaller.exe", L"/n %s /u", L"卸载%s 程序", 2},
    {0x40, L"%s%s帮助文档.lnk", L"%smain.chm", nullptr, L"查看 %s 的详细帮助文档", -1},
    {0x100, L"%s%s按键功能设定.lnk", L"%sconfig.exe", L"/n %s /do anjianshezhi",
     L"更改或定义 %s 按键功能", -2},
};

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> PlanUninstallEntry(
    const InstallerState& state, const std::wstring& owner, const std::wstring& organisation) {
  const SoftConfigBlock& soft = state.soft;
  std::wstring install = WithBackslash(state.installFolder);
  std::wstring uninstall = install + L"installer.exe /n " + state.productKey + L" /u";
  std::wstring help = soft.helpLink[0] ? std::wstring(soft.helpLink) : install + L"main.chm";
  return {
      {L"RegOwner", owner},
      {L"RegCompany", organisation},
      {L"DisplayName", soft.displayName},
      {L"Comments", soft.comments},
      {L"DisplayVersion", soft.versionText},
      {L"DisplayIcon", install + L"installer.exe"},
      {L"Contact", soft.contact},
      {L"Publisher", soft.publisher},
      {L"URLInfoAbout", soft.aboutUrl},
      {L"URLUpdateInfo", soft.updateUrl},
      {L"HelpLink", help},
      {L"HelpTelephone", soft.helpTelephone},
      {L"UninstallString", uninstall},
      {L"InstallLocation", install},
      // Where the package came from: the setup program itself.
      {L"InstallSource", state.ownPath},
      {L"ModifyPath", uninstall},
  };
}

bool WriteUninstallEntry(InstallerState& state, InstallerOs& os, const std::wstring& owner,
                         const std::wstring& organisation) {
  if (state.productKey[0] == L'\0' || !os.RegKeyExists(RegHive::kLocalMachine, kUninstallRoot) ||
      !os.RegCanWrite(RegHive::kLocalMachine, kUninstallRoot)) {
    NoteFailure(state, kFailUninstallRootNotWritable, 0);
    return false;
  }
  std::wstring key = UninstallKeyPath(state.productKey);
  LONG rc = os.RegMakeKey(RegHive::kLocalMachine, key.c_str());
  if (rc != ERROR_SUCCESS) {
    NoteFailure(state, L"RegCreateKeyExW", static_cast<uint32_t>(rc));
    return false;
  }
  for (const auto& [name, text] : PlanUninstallEntry(state, owner, organisation)) {
    rc = os.RegWriteString(RegHive::kLocalMachine, key.c_str(), name.c_str(), text.c_str());
    if (rc != ERROR_SUCCESS) {
      NoteFailure(state, L"RegSetValueExW", static_cast<uint32_t>(rc));
      return false;
    }
  }
  return true;
}

std::vector<ShellLinkSpec> PlanShortcuts(const InstallerState& state, const std::wstring& folder,
                                         const std::wstring& module64) {
  std::vector<ShellLinkSpec> links;
  uint32_t flags = state.soft.installerFlags;
  if (!(flags & kShortcutBits)) return links;
  std::wstring install = WithBackslash(state.installFolder);
  std::wstring name = state.soft.displayName;
  for (const Row& row : kRows) {
    if (!(flags & row.bit)) continue;
    ShellLinkSpec link;
    link.linkPath = Format(row.file, folder, name);
    link.target = Format(row.target, install);
    link.arguments = row.arguments ? Format(row.arguments, state.productKey) : L"";
    link.description = Format(row.description, name);
    link.workingFolder = install;
    link.iconPath = row.icon == -1 ? L"" : row.icon == -2 ? module64 : link.target;
    link.iconIndex = row.icon == -2 ? 16 : row.icon < 0 ? 0 : row.icon;
    link.showCommand = SW_SHOW;
    links.push_back(link);
  }
  return links;
}

std::vector<std::wstring> AllShortcutPaths(const std::wstring& folder,
                                           const std::wstring& displayName) {
  std::vector<std::wstring> paths;
  for (const Row& row : kRows) paths.push_back(Format(row.file, folder, displayName));
  return paths;
}

bool CreateShortcuts(InstallerState& state, InstallerOs& os) {
  std::wstring programs;
  std::wstring module64;
  ModulePath64(os, state.soft.imeName, &module64);
  // The display name names a folder of its own; it must be one plain name.
  if ((state.soft.installerFlags & kShortcutBits) && IsPlainFileName(state.soft.displayName) &&
      os.GetKnownFolder(KnownFolder::kCommonPrograms, &programs)) {
    std::wstring folder = WithBackslash(programs) + state.soft.displayName + L"\\";
    if (!CreateDirectoryPath(os, folder)) return false;
    for (const ShellLinkSpec& link : PlanShortcuts(state, folder, module64)) {
      os.CreateShellLink(link);  // a shortcut that cannot be made is left out
    }
    os.NotifyFolderChanged(folder.c_str());
  }
  if (state.soft.startProgram[0] != L'\0') {
    std::wstring path = WithBackslash(state.installFolder) + state.soft.startProgram;
    std::wstring parameters;
    size_t cut = path.find(L" /");
    if (cut != std::wstring::npos) {
      parameters = path.substr(cut + 1);
      path.resize(cut);
    }
    os.ShellOpen(L"open", path.c_str(), parameters.empty() ? nullptr : parameters.c_str(), SW_SHOW);
  }
  return true;
}
