// A whole run per command line against the fake: the work folder, the
// temporary copy, the checks before each mode and which dialog runs.
#include <gtest/gtest.h>

#include "installer/core/FolderTree.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/StartUp.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

struct RunFixture {
  FakeInstallerOs os;
  ScriptedDialogs dialogs;
  std::unique_ptr<InstallerState> state = NewState();
  std::wstring work() { return os.Folder(KnownFolder::kTemp) + L"$zinInstaller$-4242\\"; }
  int Run(const std::wstring& line) {
    state = NewState();
    return RunInstaller(*state, os, dialogs, line.c_str());
  }
  // The product as an install leaves it in the registry and on disk.
  void Install() {
    auto product = ProductState(os);
    WriteProductValues(*product, os);
    CreateDirectoryPath(os, product->installFolder);
    CreateDirectoryPath(os, product->dataFolder);
    WriteFileBytes(std::wstring(product->installFolder) + L"installer.exe", Bytes("stub"));
    WriteFileBytes(std::wstring(product->dataFolder) + L"main.dmg", Bytes("dmg"));
  }
  // An Extract that loads the shipped identity, as the real dialog would.
  void ExtractsShippedPackage() {
    dialogs.extract = [](InstallerState& s) {
      std::vector<uint8_t> image = DefaultConfigImage();
      return TakePackageSettings(s, image);
    };
  }
};

TEST(StartUp, InstallRunsTheWizardAndCleansTheWorkFolder) {
  RunFixture f;
  f.ExtractsShippedPackage();
  EXPECT_EQ(f.Run(L""), 0);
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"extract", "wizard"}));
  EXPECT_STREQ(f.state->productKey, ZN_PRODUCT_GUID_TEXT);
  EXPECT_STREQ(f.state->workFolder, f.work().c_str());
  EXPECT_STREQ(f.state->ownPath, f.os.ownPath.c_str());
  EXPECT_EQ(GetFileAttributesW(f.work().c_str()), INVALID_FILE_ATTRIBUTES);
  // A line with a key but no mode installs too.
  f.dialogs.ran.clear();
  f.Run(L"/n " + kKey);
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"extract", "wizard"}));
}

TEST(StartUp, BadPackageAndInstalledProductStop) {
  RunFixture f;
  f.dialogs.extractResult = false;
  EXPECT_EQ(f.Run(L""), kExitFailed);
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"extract"}));
  ASSERT_EQ(f.os.messages.size(), 1u);
  EXPECT_EQ(f.os.messages[0], L"输入法安装|错误的安装文件，请联系软件发布者获取正确版本。");

  RunFixture installed;
  installed.Install();
  installed.ExtractsShippedPackage();
  EXPECT_EQ(installed.Run(L""), kExitFailed);
  EXPECT_EQ(installed.dialogs.ran, (std::vector<std::string>{"extract"}));
  ASSERT_EQ(installed.os.messages.size(), 1u);
  EXPECT_EQ(installed.os.messages[0], std::wstring(L"输入法安装|") + ZN_DISPLAY_NAME +
                                          L" 已经在您的计算机中安装，请在安装之前卸载旧有版本。");

  // Half present (no main.dmg): installs over it.
  RunFixture partial;
  partial.Install();
  DeleteFileW(
      (partial.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\zinIME\\main.dmg").c_str());
  partial.ExtractsShippedPackage();
  partial.Run(L"");
  EXPECT_EQ(partial.dialogs.ran.back(), "wizard");

  // A second installer of the same product is turned away.
  RunFixture second;
  second.ExtractsShippedPackage();
  second.os.lockedByOthers.insert(L"zinIME-installer-" + kKey);
  EXPECT_EQ(second.Run(L""), kExitFailed);
  EXPECT_EQ(second.dialogs.ran, (std::vector<std::string>{"extract"}));
  ASSERT_EQ(second.os.messages.size(), 1u);
  EXPECT_NE(second.os.messages[0].find(L"已经在运行"), std::wstring::npos);
}

TEST(StartUp, ModesNeedingTheTemporaryCopyRelaunch) {
  RunFixture f;
  f.Install();
  std::wstring installed = f.os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\installer.exe";
  for (const wchar_t* mode : {L"/u", L"/r", L"/g"}) {
    f.os.opened.clear();
    std::wstring line = L"/n " + kKey + L" " + mode;
    EXPECT_EQ(f.Run(line), kExitDone);
    EXPECT_TRUE(f.dialogs.ran.empty());
    std::wstring copy = f.os.Folder(KnownFolder::kTemp) + L"zinInstaller-4242.exe";
    ASSERT_EQ(f.os.opened.size(), 1u);
    EXPECT_EQ(f.os.opened[0], L"|" + copy + L"|" + line + L" /f");
    EXPECT_EQ(ReadFileBytes(copy), Bytes("stub"));
    EXPECT_EQ(GetFileAttributesW(f.work().c_str()), INVALID_FILE_ATTRIBUTES);
  }
  // A copy that cannot start is removed and reported.
  f.os.shellOpenWorks = false;
  EXPECT_EQ(f.Run(L"/n " + kKey + L" /u"), kExitFailed);
  EXPECT_EQ(
      GetFileAttributesW((f.os.Folder(KnownFolder::kTemp) + L"zinInstaller-4242.exe").c_str()),
      INVALID_FILE_ATTRIBUTES);
  ASSERT_FALSE(f.os.messages.empty());
  EXPECT_EQ(f.os.messages.back(), L"初始化错误|安装程序位于临时目录中的副本无法运行，将中止进程。");
}

TEST(StartUp, UninstallCopyReadsTheProductAndDeletesItself) {
  RunFixture f;
  f.Install();
  f.os.ownPath = f.os.Folder(KnownFolder::kTemp) + L"zinInstaller-99.exe";
  f.Run(L"/n " + kKey + L" /u /f");
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"uninstall"}));
  EXPECT_STREQ(f.state->soft.displayName, ZN_DISPLAY_NAME);
  EXPECT_STREQ(f.state->soft.uninstallPage, ZN_UNINSTALL_PAGE);
  EXPECT_EQ(f.state->soft.languageId, 0x0804);
  EXPECT_EQ(std::wstring(f.state->dataFolder),
            f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\zinIME\\");
  EXPECT_EQ(f.os.children.size(), 1u);

  // DataLocation pointing elsewhere is not taken: the data folder is rebuilt.
  f.os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"DataLocation",
                      L"C:\\");
  f.dialogs.ran.clear();
  f.Run(L"/n " + kKey + L" /u /f");
  EXPECT_EQ(std::wstring(f.state->dataFolder),
            f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\zinIME\\");

  // A required value missing: the environment is broken.
  for (const wchar_t* value : {L"LanguageName", L"IMEName", L"InstallLocation"}) {
    RunFixture broken;
    broken.Install();
    broken.os.RegRemoveValue(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), value);
    EXPECT_EQ(broken.Run(L"/n " + kKey + L" /u /f"), kExitFailed);
    EXPECT_TRUE(broken.dialogs.ran.empty());
    ASSERT_EQ(broken.os.messages.size(), 1u);
    EXPECT_EQ(broken.os.messages[0], L"输入法卸载|错误的安装环境，可能程序已经损坏。");
  }
  // An IMEName that is no plain name never becomes a folder to remove.
  RunFixture hostile;
  hostile.Install();
  hostile.os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"IMEName",
                            L"..\\..");
  hostile.Run(L"/n " + kKey + L" /u /f");
  EXPECT_TRUE(hostile.dialogs.ran.empty());
}

TEST(StartUp, RepairUnpacksTheKeptPackageOfThisProduct) {
  RunFixture f;
  f.Install();
  std::wstring install = f.os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\";
  f.ExtractsShippedPackage();
  f.Run(L"/n " + kKey + L" /r /f");
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"extract", "repair"}));
  EXPECT_EQ(std::wstring(f.state->packagePath), install + L"_backup_.dat");
  EXPECT_EQ(f.state->ownPath[0], L'\0');

  // A kept package of another product is refused.
  RunFixture other;
  other.Install();
  other.dialogs.extract = [](InstallerState& s) {
    std::vector<uint8_t> image = DefaultConfigImage();
    SoftOf(image)->productGuid[0] ^= 1;
    return TakePackageSettings(s, image);
  };
  EXPECT_EQ(other.Run(L"/n " + kKey + L" /r /f"), kExitFailed);
  EXPECT_EQ(other.dialogs.ran, (std::vector<std::string>{"extract"}));
  ASSERT_EQ(other.os.messages.size(), 1u);
  EXPECT_EQ(other.os.messages[0], L"输入法修复|错误的安装环境，可能程序已经损坏。");

  RunFixture missing;
  EXPECT_EQ(missing.Run(L"/n " + kKey + L" /r /f"), kExitFailed);
  EXPECT_TRUE(missing.dialogs.ran.empty());
  EXPECT_EQ(missing.os.messages.size(), 1u);
}

TEST(StartUp, UpdateAndNothingModes) {
  RunFixture f;
  // Run as the temporary copy, it deletes itself once it ends.
  f.os.ownPath = TempCopyPath(f.os.Folder(KnownFolder::kTemp), f.os.ownPid);
  f.Run(L"/n " + kKey + L" /g /f");
  EXPECT_EQ(f.dialogs.ran, (std::vector<std::string>{"update"}));
  ASSERT_EQ(f.os.children.size(), 1u);
  EXPECT_NE(f.os.children[0].find(f.os.ownPath), std::wstring::npos);
  f.dialogs.ran.clear();
  EXPECT_EQ(f.Run(L"/z"), kExitDone);
  EXPECT_TRUE(f.dialogs.ran.empty());
  EXPECT_EQ(GetFileAttributesW(f.work().c_str()), INVALID_FILE_ATTRIBUTES);
  // A stale work folder of the same process id is replaced.
  CreateDirectoryPath(f.os, f.work() + L"zipdatas");
  WriteFileBytes(f.work() + L"zipdatas\\old.bin", Bytes("old"));
  f.dialogs.extract = [&](InstallerState&) {
    EXPECT_EQ(GetFileAttributesW((f.work() + L"zipdatas\\old.bin").c_str()),
              INVALID_FILE_ATTRIBUTES);
    return false;
  };
  f.Run(L"");
}

// The exit code is how the mode's dialog ended, so a script running the
// setup program, a repair or an uninstall learns of a failure.
TEST(StartUp, ExitCodeFollowsHowTheDialogEnded) {
  const std::pair<RunOutcome, int> outcomes[] = {{RunOutcome::kDone, kExitDone},
                                                 {RunOutcome::kFailed, kExitFailed},
                                                 {RunOutcome::kNotRun, kExitNothingDone}};
  for (const auto& [outcome, code] : outcomes) {
    RunFixture f;
    f.ExtractsShippedPackage();
    f.dialogs.outcome = outcome;
    EXPECT_EQ(f.Run(L""), code);
    EXPECT_EQ(f.dialogs.ran.back(), "wizard");
    RunFixture installed;
    installed.Install();
    installed.dialogs.outcome = outcome;
    EXPECT_EQ(installed.Run(L"/n " + kKey + L" /u /f"), code);
    installed.ExtractsShippedPackage();
    EXPECT_EQ(installed.Run(L"/n " + kKey + L" /r /f"), code);
    EXPECT_EQ(installed.dialogs.ran,
              (std::vector<std::string>{"uninstall", "extract", "repair"}));
  }
  // No work folder: nothing can run.
  RunFixture noTemp;
  noTemp.os.ownPath.clear();
  EXPECT_EQ(noTemp.Run(L""), kExitFailed);
}

}  // namespace
}  // namespace zn::test
