// The installer against Wine's real registry, IMM32 and TSF objects, in a
// throw-away prefix of its own: registration in both frameworks and its
// removal, shortcuts, access rules, a busy module, and the setup program
// itself run as a child process.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "installer/core/FileAccess.h"
#include "installer/core/FolderTree.h"
#include "installer/core/FolderTrust.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/StartUp.h"
#include "installer/core/Win32InstallerOs.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

// The real seam, with the Windows version a test asks for.
class VersionedOs : public Win32InstallerOs {
 public:
  uint32_t major = 10;
  uint32_t minor = 0;
  void OsVersion(uint32_t* outMajor, uint32_t* outMinor) override {
    *outMajor = major;
    *outMinor = minor;
  }
  // No one clicks here: questions are answered yes and counted.
  int questions = 0;
  int ShowMessage(HWND, const wchar_t*, const wchar_t*, uint32_t) override {
    ++questions;
    return IDYES;
  }
};

class WineInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(os_.StartCom());
    state_ = NewState();
    std::vector<uint8_t> image = DefaultConfigImage();
    ASSERT_TRUE(TakePackageSettings(*state_, image));
    std::wstring programFiles;
    ASSERT_TRUE(os_.GetKnownFolder(KnownFolder::kProgramFiles, &programFiles));
    SetText(state_->installFolder, kPathUnits, programFiles + L"zinIME\\");
    std::wstring data;
    ASSERT_TRUE(ProductDataFolder(os_, L"zinIME", &data));
    SetText(state_->dataFolder, kPathUnits, data);
    ASSERT_TRUE(CreateDirectoryPath(os_, data));
    ASSERT_TRUE(WriteFileBytes(data + L"config.dsc", image));
    ASSERT_TRUE(ModulePath64(os_, L"zinIME", &module_));
    ASSERT_TRUE(CopyFileW(ZN_MODULE_PATH, module_.c_str(), FALSE));
  }
  void TearDown() override {
    UnregisterInputMethod(*state_, os_);
    os_.RegRemoveTree(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str());
    os_.RegRemoveTree(RegHive::kLocalMachine, ProductKeyPath32(kKey).c_str());
    os_.StopCom();
  }
  bool TipRegistered() {
    return os_.RegKeyExists(RegHive::kLocalMachine,
                            (L"Software\\Microsoft\\CTF\\TIP\\" + kKey).c_str());
  }

  VersionedOs os_;
  std::unique_ptr<InstallerState> state_;
  std::wstring module_;
};

TEST_F(WineInstaller, TsfRegistrationAndRemoval) {
  ASSERT_TRUE(RegisterInputMethod(*state_, os_));
  EXPECT_TRUE(TipRegistered());
  std::wstring server;
  EXPECT_EQ(os_.RegReadString(RegHive::kClassesRoot,
                              (L"CLSID\\" + kKey + L"\\InProcServer32").c_str(), L"", &server),
            ERROR_SUCCESS);
  EXPECT_TRUE(SamePath(server, module_));
  for (const std::wstring& key : {ProductKeyPath(kKey), ProductKeyPath32(kKey)}) {
    std::wstring name;
    EXPECT_EQ(os_.RegReadString(RegHive::kLocalMachine, key.c_str(), L"LanguageName", &name),
              ERROR_SUCCESS);
    EXPECT_EQ(name, ZN_LANGUAGE_NAME);
  }
  // The installed settings now name the embedded framework.
  std::vector<uint8_t> config = ReadFileBytes(std::wstring(state_->dataFolder) + L"config.dsc");
  EXPECT_EQ(ImeOf(config)->optionFlags & kFrameworkBits, kFrameworkEmbedded);

  ASSERT_TRUE(RegisterInputMethod(*state_, os_));  // over the earlier one
  EXPECT_TRUE(TipRegistered());
  ASSERT_TRUE(UnregisterInputMethod(*state_, os_));
  EXPECT_FALSE(TipRegistered());
  EXPECT_FALSE(os_.RegKeyExists(RegHive::kClassesRoot, (L"CLSID\\" + kKey).c_str()));
}

TEST_F(WineInstaller, ImmLayoutFoundAndRemovedWithThePreloadRenumbered) {
  os_.major = 6;
  os_.minor = 1;
  state_->soft.installerFlags &= ~kStateTsfAllowed;
  ASSERT_TRUE(RegisterInputMethod(*state_, os_));
  ASSERT_TRUE(RegisterInputMethod(*state_, os_));  // Wine takes a new slot each time
  std::vector<uintptr_t> layouts = FindImeLayouts(os_, L"ZINIME.ime");
  ASSERT_EQ(layouts.size(), 1u);
  EXPECT_FALSE(TipRegistered());
  std::wstring text = LayoutText(layouts[0]);
  const wchar_t* preload = L"Keyboard Layout\\Preload";
  os_.RegWriteString(RegHive::kCurrentUser, preload, L"1", L"00000409");
  os_.RegWriteString(RegHive::kCurrentUser, preload, L"2", text.c_str());
  os_.RegWriteString(RegHive::kCurrentUser, preload, L"3", L"00000804");

  ASSERT_TRUE(UnregisterInputMethod(*state_, os_));
  EXPECT_TRUE(FindImeLayouts(os_, L"zinIME.ime").empty());
  EXPECT_FALSE(
      os_.RegKeyExists(RegHive::kLocalMachine,
                       (L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts\\" + text).c_str()));
  std::wstring value;
  os_.RegReadString(RegHive::kCurrentUser, preload, L"1", &value);
  EXPECT_EQ(value, L"00000409");
  os_.RegReadString(RegHive::kCurrentUser, preload, L"2", &value);
  EXPECT_EQ(value, L"00000804");
  EXPECT_NE(os_.RegReadString(RegHive::kCurrentUser, preload, L"3", &value), ERROR_SUCCESS);
}

// Wine's profiles cannot substitute a layout (E_NOTIMPL): on Windows 7 with
// an embedded style the IMM32 layout and the enabled profile both stay.
TEST_F(WineInstaller, Windows7EmbeddedRegistersWithoutSubstitution) {
  os_.major = 6;
  os_.minor = 1;
  state_->ime.optionFlags |= kFrameworkEmbedded;
  ASSERT_TRUE(RegisterInputMethod(*state_, os_));
  EXPECT_EQ(state_->failure.call, nullptr);
  EXPECT_EQ(FindImeLayouts(os_, L"zinIME.ime").size(), 1u);
  EXPECT_TRUE(TipRegistered());
  ASSERT_TRUE(UnregisterInputMethod(*state_, os_));
  EXPECT_TRUE(FindImeLayouts(os_, L"zinIME.ime").empty());
  EXPECT_FALSE(TipRegistered());
}

TEST_F(WineInstaller, ShortcutsAccessRulesAndABusyModule) {
  std::wstring programs;
  ASSERT_TRUE(os_.GetKnownFolder(KnownFolder::kCommonPrograms, &programs));
  ShellLinkSpec link;
  link.linkPath = programs + L"星禾五笔测试.lnk";
  link.target = std::wstring(state_->installFolder) + L"config.exe";
  link.arguments = L"/n " + kKey;
  link.description = L"星禾五笔 的使用习惯更改和设定";
  link.workingFolder = state_->installFolder;
  link.iconPath = link.target;
  ASSERT_TRUE(os_.CreateShellLink(link));
  EXPECT_NE(GetFileAttributesW(link.linkPath.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(link.linkPath.c_str());

  EXPECT_TRUE(ApplyFileAccess(*state_, os_, module_, FileAccessKind::kProgram));
  EXPECT_TRUE(ApplyFileAccess(*state_, os_, std::wstring(state_->dataFolder) + L"config.dsc",
                              FileAccessKind::kDataFile));

  // A module loaded here cannot be overwritten, but is moved aside.
  std::wstring temp;
  ASSERT_TRUE(os_.GetKnownFolder(KnownFolder::kTemp, &temp));
  std::wstring held = temp + L"znbusy.dll";
  ASSERT_TRUE(CopyFileW(ZN_MODULE_PATH, held.c_str(), FALSE));
  HMODULE loaded = LoadLibraryW(held.c_str());
  ASSERT_NE(loaded, nullptr);
  std::wstring source = temp + L"znnew.bin";
  ASSERT_TRUE(WriteFileBytes(source, Bytes("new module")));
  EXPECT_FALSE(CopyFileW(source.c_str(), held.c_str(), FALSE));
  EXPECT_EQ(CopyFileGuarded(*state_, os_, source, held, kFamily64, FileAccessKind::kNone), 1);
  EXPECT_EQ(os_.questions, 1);  // the versioned module would be replaced by an unversioned file
  EXPECT_EQ(ReadFileBytes(held), Bytes("new module"));
  FreeLibrary(loaded);
}

// The real link and owner seam, as far as Wine shows it: it makes no
// junctions and keeps no faithful owners, so the planted cases run on the
// fake; here the plain ones, hard links and removal by handle.
TEST_F(WineInstaller, SecuredFoldersPlainEntriesAndRemovalByHandle) {
  std::wstring part;
  EXPECT_EQ(FindUntrustedPart(os_, state_->dataFolder, &part), FolderTrust::kTrusted);
  std::wstring temp;
  ASSERT_TRUE(os_.GetKnownFolder(KnownFolder::kTemp, &temp));
  std::wstring folder = temp + L"znsecured";
  std::vector<uint8_t> dacl = ProductFolderDacl(true);
  ASSERT_TRUE(os_.CreateSecuredFolder(folder.c_str(), reinterpret_cast<const ACL*>(dacl.data())));
  EXPECT_FALSE(os_.CreateSecuredFolder(folder.c_str(), reinterpret_cast<const ACL*>(dacl.data())));
  PathFacts facts;
  ASSERT_EQ(os_.InspectPath(folder.c_str(), &facts), PathPresence::kPresent);
  EXPECT_EQ(JudgeLevel(facts, true), FolderTrust::kTrusted);
  EXPECT_EQ(os_.InspectPath((folder + L"\\none\\x").c_str(), &facts), PathPresence::kMissing);

  // A file with a second name gets no rights until that name is gone.
  std::wstring file = folder + L"\\a.dmg";
  std::wstring second = folder + L"\\b.dmg";
  ASSERT_TRUE(WriteFileBytes(file, Bytes("a")));
  ASSERT_TRUE(CreateHardLinkW(second.c_str(), file.c_str(), nullptr));
  EXPECT_FALSE(ApplyFileAccess(*state_, os_, file, FileAccessKind::kDataFile));
  EXPECT_TRUE(os_.RemoveFile(second.c_str()));
  EXPECT_TRUE(ApplyFileAccess(*state_, os_, file, FileAccessKind::kDataFile));

  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(os_.RemoveFolder(folder.c_str()));  // not empty
  EXPECT_FALSE(os_.RemoveFile(folder.c_str()));    // a folder, no link
  EXPECT_TRUE(os_.RemoveFile(file.c_str()));
  EXPECT_TRUE(os_.RemoveFolder(folder.c_str()));
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The setup program as a user starts it: it unpacks, finds nothing
// installed, shows its wizard, and once the wizard is cancelled it leaves
// no work folder behind; nothing was installed, and the exit code says so.
TEST(WinePackage, SetupProgramRunsAndCleansUp) {
  std::wstring command = std::wstring(L"\"") + ZN_PACKAGE_PATH + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  std::wstring title = std::wstring(ZN_DISPLAY_NAME) + L" 安装向导";
  HWND wizard = nullptr;
  for (int i = 0; i < 3000 && !wizard; ++i) {
    HWND found = FindWindowW(L"#32770", title.c_str());
    if (found && IsWindowVisible(found) && GetDlgItem(found, IDCANCEL)) wizard = found;
    if (!wizard) Sleep(20);
  }
  EXPECT_NE(wizard, nullptr);
  if (wizard) PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
  DWORD waited = WaitForSingleObject(child.hProcess, 60000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 9);
  DWORD exitCode = 99;
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(exitCode, static_cast<DWORD>(kExitNothingDone));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(temp) + L"$zinInstaller$-*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
}  // namespace zn::test
