// The install wizard's work without its window: the install folder it
// proposes and accepts, installing over an earlier folder, and the steps
// with their undo.
#include <gtest/gtest.h>

#include <algorithm>

#include "installer/core/GuardedCopy.h"
#include "installer/core/InstallSteps.h"
#include "installer/core/StepFailureLog.h"
#include "installer/core/Messages.h"
#include "installer/core/InstalledFiles.h"
#include "installer/core/ProductPaths.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

TEST(InstallFolder, NameDefaultAndWhichFoldersAreAccepted) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  SoftConfigBlock& soft = state->soft;
  SetText(soft.installFolderName, 40, L"星禾五笔");
  EXPECT_EQ(InstallFolderName(soft), L"星禾五笔");
  // No name, or no plain one: the module name, never the parent itself.
  for (const wchar_t* name : {L"", L"a\\b", L"..", L"con"}) {
    SetText(soft.installFolderName, 40, name);
    EXPECT_EQ(InstallFolderName(soft), L"zinIME") << static_cast<int>(name[0]);
  }
  // A name filling its field has no terminator: only the field is read.
  for (wchar_t& unit : soft.installFolderName) unit = L'字';
  EXPECT_EQ(InstallFolderName(soft), std::wstring(40, L'字'));
  SetText(soft.installFolderName, 40, L"");
  EXPECT_EQ(AppendInstallFolderName(L"C:\\Apps", soft), L"C:\\Apps\\zinIME\\");
  EXPECT_EQ(DefaultInstallFolder(*state, os),
            os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\");
  os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"InstallLocation",
                    L"D:\\Tools\\Zin");
  EXPECT_EQ(DefaultInstallFolder(*state, os), L"D:\\Tools\\Zin\\");

  std::wstring programs = os.Folder(KnownFolder::kProgramFiles);
  struct Case {
    std::wstring folder;
    bool accepted;
  };
  const Case cases[] = {
      {programs + L"zinIME", true},
      {L"  " + programs + L"zinIME\\  ", true},
      {programs.substr(0, 3), false},                 // a drive root
      {programs, false},                              // Program Files itself
      {os.root(), false},                             // holds the system's folders
      {os.Folder(KnownFolder::kWindows), false},
      {os.Folder(KnownFolder::kDocuments), false},
      {L"zinIME", false},                             // relative
      {L"\\\\server\\share\\zinIME", false},
      {programs + L"a\\..\\b", false},
      {programs + L"a:b", false},
      {L"", false},
  };
  for (const Case& c : cases) {
    std::wstring normal;
    EXPECT_EQ(IsAcceptableInstallFolder(os, c.folder, &normal), c.accepted)
        << std::string(c.folder.begin(), c.folder.end());
    if (c.accepted) EXPECT_EQ(normal, programs + L"zinIME\\");
  }
}

TEST(InstallFolder, ChooserStartsWhereItLeftOff) {
  FakeInstallerOs os;
  FolderChooser chooser;
  std::wstring apps = os.Folder(KnownFolder::kProgramFiles) + L"Apps";
  CreateDirectoryW(apps.c_str(), nullptr);
  os.pickedFolders = {apps, os.root() + L"missing"};
  std::wstring chosen;
  EXPECT_TRUE(chooser.Choose(os, nullptr, L"", L"t", &chosen));
  EXPECT_EQ(chosen, apps);
  EXPECT_EQ(os.pickStarts.back(), os.Folder(KnownFolder::kDesktop));
  // A folder that does not exist is no choice.
  EXPECT_FALSE(chooser.Choose(os, nullptr, L"", L"t", &chosen));
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(os.pickStarts.back(), apps + L"\\");
  EXPECT_FALSE(chooser.Choose(os, nullptr, L"C:\\given", L"t", &chosen));
  EXPECT_EQ(os.pickStarts.back(), L"C:\\given\\");
}

TEST(InstallFolder, ANewFolderIsCreatedAndARefusedOneTouchesNothing) {
  InstallFixture f;
  std::wstring folder = f.os.Folder(KnownFolder::kProgramFiles) + L"New\\Zin";
  EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, folder), FolderPreparation::kReady);
  EXPECT_TRUE(Exists(folder));
  EXPECT_EQ(std::wstring(f.state->installFolder), folder + L"\\");
  EXPECT_TRUE(f.os.messages.empty());

  std::wstring programs = f.os.Folder(KnownFolder::kProgramFiles);
  EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, programs), FolderPreparation::kRefused);
  ASSERT_EQ(f.os.messages.size(), 1u);
  EXPECT_NE(f.os.messages[0].find(L"不能用作安装目录"), std::wstring::npos);
  EXPECT_TRUE(Exists(programs + L"New\\Zin"));
}

// An earlier install in the chosen folder: its user words go to the
// Documents folder first, its data folder goes, and its program files go
// only when the folder is this product's own.
struct OverwriteFixture : InstallFixture {
  std::wstring folder = os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\";
  OverwriteFixture() {
    CreateDirectoryPath(os, folder);
    WriteFileBytes(folder + L"config.exe", Bytes("old"));
    WriteFileBytes(folder + L"notes.txt", Bytes("mine"));
    CreateDirectoryPath(os, Data());
    WriteFileBytes(Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(true)));
  }
  std::wstring Backup() {
    return os.Folder(KnownFolder::kDocuments) + L"[ 星禾五笔 ]\\导出 - 用户词条.txt";
  }
};

TEST(InstallFolder, AnsweringNoLeavesTheFolderAlone) {
  OverwriteFixture f;
  f.os.answers = {IDNO};
  EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, f.folder), FolderPreparation::kDeclined);
  EXPECT_EQ(f.os.messages[0], L"输入法安装|所选安装目录已经存在，是否继续安装并覆盖安装目录？");
  EXPECT_TRUE(Exists(f.folder + L"config.exe"));
  EXPECT_TRUE(Exists(f.Data() + L"main.dmg"));
  EXPECT_FALSE(Exists(f.Backup()));
}

TEST(InstallFolder, OverwritingSavesTheUserWordsFirst) {
  for (bool ownFolder : {true, false}) {
    OverwriteFixture f;
    if (ownFolder) {
      f.os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"InstallLocation",
                          f.folder.c_str());
    }
    f.os.answers = {IDYES, IDNO};  // overwrite; do not open the backup's folder
    EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, f.folder), FolderPreparation::kReady);
    std::wstring saved = Utf16File(f.Backup());
    EXPECT_EQ(saved.rfind(L"\xFEFF---config@码表分类=主码-用户码表\r\n", 0), 0u);
    EXPECT_NE(saved.find(L"星禾\tzzxy#序1024\r\n"), std::wstring::npos);
    EXPECT_FALSE(Exists(f.Data()));
    // The old program files go only from this product's own folder; what
    // the user put there always stays.
    EXPECT_EQ(Exists(f.folder + L"config.exe"), !ownFolder);
    EXPECT_TRUE(Exists(f.folder + L"notes.txt"));
    ASSERT_EQ(f.os.messages.size(), 2u);
    EXPECT_NE(f.os.messages[1].find(L"用户词已经备份在"), std::wstring::npos);
  }
}

TEST(InstallFolder, UserWordsThatCannotBeSavedStopTheOverwrite) {
  OverwriteFixture f;
  // Documents\[ 星禾五笔 ] is a file: no backup folder can be made there.
  WriteFileBytes(f.os.Folder(KnownFolder::kDocuments) + L"[ 星禾五笔 ]", Bytes("x"));
  f.os.answers = {IDYES};
  EXPECT_EQ(PrepareInstallFolder(*f.state, f.os, f.folder), FolderPreparation::kDeclined);
  ASSERT_EQ(f.os.messages.size(), 2u);
  EXPECT_NE(f.os.messages[1].find(L"用户词条未能备份"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(f.Data() + L"main.dmg"), BuildDmgBytes(SmallMainTable(true)));
}

TEST(InstallSteps, RunInOrderAndRecordThePlacedFiles) {
  InstallFixture f;
  f.Unpack();
  ASSERT_TRUE(CreateDirectoryPath(f.os, f.Install()));
  ASSERT_TRUE(RunInstallSteps(*f.state, f.os, L"owner", L"company"));
  const std::vector<std::wstring> lines = {
      L"安装完成。\r\n",               L"  1.创建文件系统....",
      L"  2.设置软件运行环境...",        L"  3.写入卸载信息...",
      L"  4.备份安装数据...",            L"  5.创建开始菜单及桌面快捷方式...",
      L"  6.清除安装程序创建的临时文件...", L"  7.安装完成。\r\n"};
  EXPECT_EQ(f.log.lines, lines);
  EXPECT_EQ(f.log.positions, (std::vector<int>{0, 10, 25, 40, 55, 70, 85, 100}));
  EXPECT_EQ(f.os.comDepth, 0);
  EXPECT_GE(f.os.sleptMs, 300u);

  std::wstring install = LowerAscii(f.Install());
  EXPECT_EQ(ReadFileBytes(f.Module()), Bytes("ime64"));
  EXPECT_EQ(ReadFileBytes(install + L"_backup_.dat"), Bytes("package"));
  EXPECT_FALSE(Exists(f.state->packagePath));
  EXPECT_EQ(ReadFileBytes(install + L"installer.exe"), Bytes("stub"));
  EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, UninstallKeyPath(kKey), L"RegOwner"), L"owner");
  EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, ProductKeyPath(kKey), L"InstallLocation"),
            f.Install());

  std::vector<std::wstring> recorded;
  f.os.RegReadStrings(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), kInstalledFilesValue,
                      &recorded);
  std::sort(recorded.begin(), recorded.end());
  EXPECT_EQ(recorded, (std::vector<std::wstring>{L"_backup_.dat", L"config.exe", L"installer.exe",
                                                 L"tessel\\skin.col"}));
}

TEST(InstallSteps, AFailedStepUndoesEveryFinishedOne) {
  InstallFixture f;
  f.Unpack();
  ASSERT_TRUE(CreateDirectoryPath(f.os, f.Install()));
  // The uninstall entry cannot be written: step 3 fails after the files
  // and the registration.
  f.os.readOnlyKeys.insert(L"0:" + Lower(kUninstallRootKey));
  EXPECT_FALSE(RunInstallSteps(*f.state, f.os, L"", L""));
  EXPECT_EQ(f.log.lines[0], L"安装程序发生错误！\r\n");
  EXPECT_TRUE(f.log.Has(std::wstring(L"     错误: 步骤“写入卸载信息”失败: ") +
                        kFailUninstallRootNotWritable));
  EXPECT_EQ(f.state->outcome, RunOutcome::kFailed);
  EXPECT_TRUE(f.log.Has(L"正在撤销"));
  EXPECT_EQ(f.log.lines.back().find(L"4."), std::wstring::npos);
  EXPECT_FALSE(Exists(f.Module()));
  EXPECT_FALSE(Exists(f.Install()));
  EXPECT_FALSE(Exists(f.Data()));
  EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, ProductKeyPath(kKey)));
  EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, ZN_REGISTRY_ROOT));
  EXPECT_GE(f.os.CountCalls(L"Unregister"), 1u);
  EXPECT_EQ(f.os.comDepth, 0);
}

TEST(InstallSteps, AFileThatCannotBePlacedLeavesNothingOfTheRunBehind) {
  InstallFixture f;
  f.Unpack();
  ASSERT_TRUE(CreateDirectoryPath(f.os, f.Install()));
  WriteFileBytes(f.Install() + L"notes.txt", Bytes("mine"));
  // config.exe is in use and the user cancels: the module and the data
  // files placed before it go again; the user's own file and folder stay.
  f.os.busy.insert(Lower(f.Install() + L"config.exe"));
  WriteFileBytes(LowerAscii(f.Install() + L"config.exe"), Bytes("running"));
  f.os.answers = {IDCANCEL};
  EXPECT_FALSE(RunInstallSteps(*f.state, f.os, L"", L""));
  EXPECT_TRUE(f.log.Has(L"步骤“创建文件系统”失败: CopyFileW 返回错误 0x00000020 (32)"));
  EXPECT_FALSE(Exists(f.Module()));
  EXPECT_FALSE(Exists(f.Data() + L"main.dmg"));
  EXPECT_TRUE(Exists(f.Install() + L"notes.txt"));
  EXPECT_EQ(ReadFileBytes(f.Install() + L"config.exe"), Bytes("running"));
  EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, UninstallKeyPath(kKey)));
}

// A failing registration names the step, the call and the system's own
// text for its error, right after the failure line.
TEST(InstallSteps, TheLogNamesTheFailedStepAndTheSystemError) {
  InstallFixture f;
  f.Unpack();
  ASSERT_TRUE(CreateDirectoryPath(f.os, f.Install()));
  f.os.osMajor = 6;
  f.os.osMinor = 1;
  f.os.installImeError = ERROR_ACCESS_DENIED;
  EXPECT_FALSE(RunInstallSteps(*f.state, f.os, L"", L""));
  EXPECT_EQ(f.state->outcome, RunOutcome::kFailed);
  auto failed = std::find(f.log.lines.begin(), f.log.lines.end(), L"安装程序发生错误！");
  ASSERT_NE(failed, f.log.lines.end());
  ASSERT_NE(failed + 1, f.log.lines.end());
  std::wstring text = f.os.ErrorText(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(*(failed + 1),
            L"     错误: 步骤“设置软件运行环境”失败: ImmInstallIMEW 返回错误 0x00000005 (5) " + text);
  EXPECT_EQ(text.find(L'\n'), std::wstring::npos);

  // A step that records no call is still named.
  EXPECT_EQ(StepFailureLine(f.os, kLogInstallBackup, StepFailure{}),
            L"     错误: 步骤“备份安装数据”失败");
  EXPECT_EQ(StepName(kLogInstallDone), L"安装完成。");
  // A successful run says so too.
  InstallFixture ok;
  ok.Unpack();
  ASSERT_TRUE(CreateDirectoryPath(ok.os, ok.Install()));
  ASSERT_TRUE(RunInstallSteps(*ok.state, ok.os, L"", L""));
  EXPECT_EQ(ok.state->outcome, RunOutcome::kDone);
}

}  // namespace
}  // namespace zn::test
