// Repair and uninstall on the fake: the user-word backup, the table state a
// repair carries over, and what an uninstall removes and leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "installer/core/FileAccess.h"
#include "installer/core/InstallSteps.h"
#include "installer/core/InstalledFiles.h"
#include "installer/core/KeyboardLayouts.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "installer/core/Removal.h"
#include "installer/core/RepairUninstall.h"
#include "installer/core/UserWords.h"
#include "tests/installer/InstallerTestSupport.h"
#include "tests/installer/RepairTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

std::wstring BackupFolder(FakeInstallerOs& os, const wchar_t* name = L"星禾五笔") {
  return os.Folder(KnownFolder::kDocuments) + L"[ " + name + L" ]\\";
}

TEST(UserWordBackup, ExportsTheUserEntriesUnderANewNameEachTime) {
  InstallFixture f;
  CreateDirectoryPath(f.os, f.Data());
  WriteFileBytes(f.Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(true)));
  UserWordBackup first = BackupUserWords(*f.state, f.os);
  EXPECT_EQ(first.result, UserWordBackup::Result::kSaved);
  EXPECT_EQ(first.entries, 2u);
  EXPECT_EQ(first.path, BackupFolder(f.os) + L"导出 - 用户词条.txt");
  const std::wstring expected =
      L"\xFEFF---config@码表分类=主码-用户码表\r\n"
      L"词\\\\t条\tzzab#固#序1024\r\n"
      L"星禾\tzzxy#序1024\r\n";
  EXPECT_EQ(Utf16File(first.path), expected);

  // An earlier backup is never overwritten.
  UserWordBackup second = BackupUserWords(*f.state, f.os);
  EXPECT_EQ(second.path, BackupFolder(f.os) + L"导出 - 用户词条 (2).txt");
  EXPECT_EQ(Utf16File(first.path), expected);
  EXPECT_EQ(Utf16File(second.path), expected);

  // No user entry, or no table: nothing written, nothing to lose.
  WriteFileBytes(f.Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(false)));
  EXPECT_EQ(BackupUserWords(*f.state, f.os).result, UserWordBackup::Result::kNoEntries);
  DeleteFileW((f.Data() + L"main.dmg").c_str());
  EXPECT_EQ(BackupUserWords(*f.state, f.os).result, UserWordBackup::Result::kNoEntries);
  EXPECT_FALSE(Exists(BackupFolder(f.os) + L"导出 - 用户词条 (3).txt"));
}

TEST(UserWordBackup, SavedWordsAreLoggedAndOfferedFailedOnesStopTheWork) {
  InstallFixture f;
  CreateDirectoryPath(f.os, f.Data());
  WriteFileBytes(f.Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(true)));
  // A display name that is no plain name does not name the folder.
  SetText(f.state->soft.displayName, 40, L"a/b");
  f.os.answers = {IDYES};
  EXPECT_TRUE(SaveUserWordsFirst(*f.state, f.os, L"输入法卸载"));
  std::wstring path = BackupFolder(f.os, L"zinIME") + L"导出 - 用户词条.txt";
  EXPECT_TRUE(Exists(path));
  EXPECT_TRUE(f.log.Has(L"已备份用户词条 2 条"));
  ASSERT_EQ(f.os.opened.size(), 1u);
  EXPECT_EQ(f.os.opened[0], L"open|Explorer.exe|/select,\"" + path + L"\"");

  // The folder cannot be made: the work stops and no file is left.
  WriteFileBytes(BackupFolder(f.os).substr(0, BackupFolder(f.os).size() - 1), Bytes("x"));
  SetText(f.state->soft.displayName, 40, L"星禾五笔");
  f.os.messages.clear();
  EXPECT_FALSE(SaveUserWordsFirst(*f.state, f.os, L"输入法卸载"));
  ASSERT_EQ(f.os.messages.size(), 1u);
  EXPECT_EQ(f.os.messages[0].rfind(L"输入法卸载|用户词条未能备份", 0), 0u);

  // Nothing to save: no question at all.
  WriteFileBytes(f.Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(false)));
  f.os.messages.clear();
  EXPECT_TRUE(SaveUserWordsFirst(*f.state, f.os, L"输入法卸载"));
  EXPECT_TRUE(f.os.messages.empty());
}

TEST(KeptTable, CountersAndUserEntriesSurviveAReplacedTable) {
  TempDir dir;
  std::wstring path = dir.File(L"main.dmg");
  WriteFileBytes(path, TableWithFields(true, 7, 0x1122334455667788ull, 99));
  KeptTableState kept;
  ASSERT_TRUE(ReadKeptTableState(path, &kept));
  EXPECT_EQ(kept.userRecords.size(), 2u);

  // The packaged table already holds one of the user's words.
  std::vector<DmgTestEntry> packaged = SmallMainTable(false);
  packaged.push_back({"zzxy", L"星禾", kUserAttr});
  WriteFileBytes(path, BuildDmgBytes(packaged));
  EXPECT_EQ(RestoreKeptTableState(path, kept), 1);
  EXPECT_EQ(RestoreKeptTableState(path, kept), 0);  // never twice
  std::vector<DmgTestEntry> entries = Entries(path);
  EXPECT_EQ(entries.size(), 5u);
  EXPECT_TRUE(Holds(entries, {"zzab", L"词\\t条", kUserAttr | 0x40000000}));
  EXPECT_TRUE(Holds(entries, {"zzxy", L"星禾", kUserAttr}));
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), DmgEntryLess));
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  EXPECT_EQ(GetU32(bytes, offsetof(DmgHeader, userState74)), 7u);
  uint64_t b = 0;
  std::memcpy(&b, bytes.data() + offsetof(DmgHeader, userState78), 8);
  EXPECT_EQ(b, 0x1122334455667788ull);
  // Every code is found through the rebuilt index.
  MappedFilePtr table = OpenTableFile(path);
  DmgRange range = FindExactCodeRange(table.get(), reinterpret_cast<const uint8_t*>("zzab"), 4);
  EXPECT_EQ(range.end - range.start, 1u);

  // Another writer holds the folder's lock: nothing is written.
  {
    MappedFilePtr other = OpenTableFile(path);
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread writer([&] {
      DataWriteLock lock(other.get());
      holding = lock.Held();
      while (!release) Sleep(10);
    });
    while (!holding) Sleep(10);
    kept.userRecords.push_back(RecordBytes({"zzzz", L"锁", kUserAttr}));
    EXPECT_EQ(RestoreKeptTableState(path, kept), -1);
    release = true;
    writer.join();
    other.reset();
    EXPECT_EQ(RestoreKeptTableState(path, kept), 1);
    kept.userRecords.pop_back();
  }

  // A damaged kept record is passed over; a missing table is a failure.
  kept.userRecords.push_back({1, 2, 3});
  EXPECT_EQ(RestoreKeptTableState(path, kept), 0);
  EXPECT_EQ(RestoreKeptTableState(dir.File(L"none.dmg"), kept), -1);
  EXPECT_FALSE(ReadKeptTableState(dir.File(L"none.dmg"), &kept));
}

TEST(Uninstall, RemovesEverythingButTheUsersOwnFiles) {
  InstalledFixture f;
  ASSERT_TRUE(Exists(f.StartMenu()));
  WriteFileBytes(f.Install() + L"notes.txt", Bytes("mine"));
  auto state = f.FromRegistry();
  bool restart = true;
  ASSERT_TRUE(RunUninstallSteps(*state, f.os, &restart));
  EXPECT_FALSE(restart);
  EXPECT_EQ(f.log.positions, (std::vector<int>{0, 5, 20, 40, 60, 70, 80, 90, 100}));
  EXPECT_EQ(f.log.lines.back(), L"  7.卸载完成。\r\n");
  EXPECT_FALSE(Exists(f.Module()));
  EXPECT_TRUE(Exists(f.Install() + L"notes.txt"));
  for (const wchar_t* name : {L"config.exe", L"installer.exe", L"_backup_.dat", L"tessel"})
    EXPECT_FALSE(Exists(f.Install() + name)) << name;
  EXPECT_FALSE(Exists(f.Data()));
  EXPECT_FALSE(Exists(f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3"));
  EXPECT_FALSE(Exists(f.StartMenu()));
  for (const std::wstring& key :
       {ProductKeyPath(kKey), ProductKeyPath32(kKey), UninstallKeyPath(kKey),
        std::wstring(ZN_REGISTRY_ROOT), std::wstring(L"Software\\Wow6432Node\\ZinnorIME3")}) {
    EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, key)) << std::string(key.begin(), key.end());
  }
  EXPECT_FALSE(f.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  EXPECT_EQ(f.os.opened.size(), 0u);
  EXPECT_TRUE(OpenUninstallPage(*state, f.os));
  EXPECT_EQ(f.os.opened.back().rfind(L"user|https://", 0), 0u);

  // Without the user's file the folder goes too.
  InstalledFixture g;
  auto other = g.FromRegistry();
  ASSERT_TRUE(RunUninstallSteps(*other, g.os, nullptr));
  EXPECT_FALSE(Exists(g.Install()));
}

TEST(Uninstall, LeavesAnotherProductOfTheFamilyAndUntrustedLocations) {
  InstalledFixture f;
  std::wstring family = f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\";
  CreateDirectoryPath(f.os, family + L"other");
  WriteFileBytes(family + L"other\\main.dmg", Bytes("theirs"));
  f.os.RegWriteString(RegHive::kLocalMachine, ZN_REGISTRY_ROOT L"\\{other}", L"IMEName", L"other");
  // A data location written elsewhere is never removed: the product's own
  // folder is rebuilt from its name.
  std::wstring elsewhere = f.os.Folder(KnownFolder::kDocuments) + L"keep\\";
  CreateDirectoryPath(f.os, elsewhere);
  f.os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"DataLocation",
                      elsewhere.c_str());
  auto state = f.FromRegistry();
  ASSERT_TRUE(RunUninstallSteps(*state, f.os, nullptr));
  EXPECT_EQ(ReadFileBytes(family + L"other\\main.dmg"), Bytes("theirs"));
  EXPECT_TRUE(Exists(elsewhere));
  EXPECT_FALSE(Exists(f.Data()));
  EXPECT_FALSE(f.log.Has(L"执行完整卸载"));
  EXPECT_TRUE(f.os.HasKey(RegHive::kLocalMachine, ZN_REGISTRY_ROOT L"\\{other}"));
  EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, ProductKeyPath(kKey)));
}

// A link planted on the data folder's path stops both before anything is
// unregistered or removed.
TEST(Uninstall, APlantedLinkStopsRepairAndUninstallUntouched) {
  for (const wchar_t* caption : {L"输入法修复", L"输入法卸载"}) {
    InstalledFixture f;
    std::wstring family = f.os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3";
    f.os.links.insert(Lower(family));
    auto state = f.FromRegistry();
    f.os.calls.clear();
    bool repair = std::wstring(caption) == L"输入法修复";
    EXPECT_FALSE(repair ? RunRepairSteps(*state, f.os) : RunUninstallSteps(*state, f.os, nullptr));
    ASSERT_EQ(f.os.messages.size(), 1u);
    EXPECT_EQ(f.os.messages[0].rfind(std::wstring(caption) + L"|目录:\r\n" + family, 0), 0u);
    EXPECT_TRUE(f.log.Has(L"目录不可信任"));
    EXPECT_EQ(f.os.CountCalls(L"Unregister"), 0u);
    EXPECT_TRUE(Exists(f.Data() + L"main.dmg"));
    EXPECT_TRUE(Exists(f.Module()));
    EXPECT_TRUE(Exists(f.Install() + L"config.exe"));
    EXPECT_TRUE(f.os.HasKey(RegHive::kLocalMachine, ProductKeyPath(kKey)));
  }
}

TEST(Uninstall, FilesInUseWaitForTheNextStart) {
  InstalledFixture f;
  f.os.busy.insert(Lower(f.Module()));
  auto state = f.FromRegistry();
  bool restart = false;
  ASSERT_TRUE(RunUninstallSteps(*state, f.os, &restart));
  EXPECT_TRUE(restart);
  EXPECT_EQ(f.log.lines.back(), L"  7.卸载完成。部分文件正在使用，将在重新启动计算机后删除。\r\n");
  EXPECT_FALSE(Exists(f.Module()));
  ASSERT_FALSE(f.os.rebootDeletes.empty());
  bool found = false;
  for (const std::wstring& path : f.os.rebootDeletes)
    found = found || Lower(path).rfind(Lower(f.Module()) + L".", 0) == 0;
  EXPECT_TRUE(found) << std::string(f.os.rebootDeletes[0].begin(), f.os.rebootDeletes[0].end());
}

TEST(Uninstall, WithoutAListOnlyThePackagesOwnFilesGo) {
  InstalledFixture f;
  f.os.RegRemoveValue(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), kInstalledFilesValue);
  WriteFileBytes(f.Install() + L"tessel\\mine.col", Bytes("skin"));
  WriteFileBytes(f.Install() + L"tessel\\mine.png", Bytes("picture"));
  auto state = f.FromRegistry();
  ASSERT_TRUE(RunUninstallSteps(*state, f.os, nullptr));
  EXPECT_FALSE(Exists(f.Install() + L"config.exe"));
  EXPECT_FALSE(Exists(f.Install() + L"tessel\\mine.col"));
  EXPECT_TRUE(Exists(f.Install() + L"tessel\\mine.png"));

  // A recorded path that leaves the folder is never followed.
  EXPECT_FALSE(IsRecordedPath(L"..\\x"));
  EXPECT_FALSE(IsRecordedPath(L"C:\\x"));
  EXPECT_FALSE(IsRecordedPath(L"\\x"));
  EXPECT_FALSE(IsRecordedPath(L"a\\\\b"));
  EXPECT_TRUE(IsRecordedPath(L"tessel\\skin.col"));
}

TEST(Uninstall, ShortcutsGoOneByOneAndAnEmptyNameTouchesNothing) {
  FakeInstallerOs os;
  std::wstring programs = os.Folder(KnownFolder::kCommonPrograms);
  WriteFileBytes(programs + L"other.lnk", Bytes("x"));
  DeleteShortcuts(os, L"");
  DeleteShortcuts(os, L"..");
  EXPECT_TRUE(Exists(programs + L"other.lnk"));
  std::wstring folder = programs + L"星禾五笔\\";
  CreateDirectoryPath(os, folder);
  WriteFileBytes(folder + L"设置星禾五笔.lnk", Bytes("x"));
  WriteFileBytes(folder + L"卸载星禾五笔.lnk", Bytes("x"));
  WriteFileBytes(folder + L"mine.lnk", Bytes("x"));
  DeleteShortcuts(os, L"星禾五笔");
  EXPECT_FALSE(Exists(folder + L"设置星禾五笔.lnk"));
  EXPECT_TRUE(Exists(folder + L"mine.lnk"));
  DeleteFileW((folder + L"mine.lnk").c_str());
  DeleteShortcuts(os, L"星禾五笔");
  EXPECT_FALSE(Exists(folder));
}

TEST(Uninstall, VirtualisedCopiesAndTheFamilyFolder) {
  FakeInstallerOs os;
  std::wstring cache = os.Folder(KnownFolder::kInternetCache) + L"Virtualized\\";
  for (const wchar_t* path : {L"c\\ProgramData\\ZinnorIME3\\zinIME\\main.dmg",
                              L"y\\ProgramData\\ZinnorIME3\\zinIME\\main.dmg",
                              L"c\\ProgramData\\ZinnorIME3\\other\\main.dmg"}) {
    std::wstring file = cache + path;
    CreateDirectoryPath(os, file.substr(0, file.rfind(L'\\')));
    WriteFileBytes(file, Bytes("x"));
  }
  RemoveVirtualizedData(os, L"zinIME");
  EXPECT_FALSE(Exists(cache + L"c\\ProgramData\\ZinnorIME3\\zinIME"));
  EXPECT_FALSE(Exists(cache + L"y\\ProgramData\\ZinnorIME3\\zinIME"));
  EXPECT_TRUE(Exists(cache + L"c\\ProgramData\\ZinnorIME3\\other\\main.dmg"));
  RemoveVirtualizedData(os, L"..");
  EXPECT_TRUE(Exists(cache + L"c\\ProgramData\\ZinnorIME3"));

  std::wstring family = os.Folder(KnownFolder::kCommonAppData) + L"ZinnorIME3\\";
  EXPECT_TRUE(IsProductDataEmpty(os));  // not there at all
  CreateDirectoryPath(os, family + L".cache");
  EXPECT_TRUE(IsProductDataEmpty(os));
  WriteFileBytes(family + L"readme.txt", Bytes("x"));
  EXPECT_FALSE(IsProductDataEmpty(os));
  DeleteFileW((family + L"readme.txt").c_str());
  CreateDirectoryPath(os, family + L"other");
  EXPECT_FALSE(IsProductDataEmpty(os));
}

TEST(Repair, PutsFilesBackAndKeepsCountersAndUserWords) {
  InstalledFixture f;
  DeleteFileW((f.Install() + L"tessel\\skin.col").c_str());
  WriteFileBytes(f.Data() + L"main.dmg", TableWithFields(true, 5, 6, 7));
  // The repair unpacks _backup_.dat again; it has no stub.
  f.Unpack();
  f.state->stubPath[0] = L'\0';
  f.state->unregistered = false;
  ASSERT_TRUE(RunRepairSteps(*f.state, f.os));
  EXPECT_EQ(f.log.positions, (std::vector<int>{0, 10, 20, 40, 70, 85, 100, -1}));
  EXPECT_EQ(f.log.lines[6], L"  6.修复完成。\r\n");
  EXPECT_EQ(f.log.lines[7], L"      已将 2 条用户词条写回码表。");
  EXPECT_EQ(ReadFileBytes(f.Install() + L"tessel\\skin.col"), Bytes("skin"));
  std::vector<DmgTestEntry> entries = Entries(f.Data() + L"main.dmg");
  EXPECT_TRUE(Holds(entries, {"zzxy", L"星禾", kUserAttr}));
  EXPECT_TRUE(Holds(entries, {"wqvb", L"你好", kSystemAttr}));
  std::vector<uint8_t> bytes = ReadFileBytes(f.Data() + L"main.dmg");
  EXPECT_EQ(GetU32(bytes, offsetof(DmgHeader, userState74)), 5u);
  EXPECT_EQ(GetU32(bytes, offsetof(DmgHeader, userState80)), 7u);
  EXPECT_GE(f.os.CountCalls(L"Register "), 2u);
  EXPECT_EQ(f.os.comDepth, 0);

  // A package that cannot be placed fails the repair with its line.
  f.log.lines.clear();
  f.Unpack();
  DeleteFileW((std::wstring(f.state->unpackFolder) + L"zinIME.ime").c_str());
  f.state->stubPath[0] = L'\0';
  EXPECT_FALSE(RunRepairSteps(*f.state, f.os));
  // The failure, then where the user's words wait.
  ASSERT_GE(f.log.lines.size(), 3u);
  EXPECT_EQ(f.log.lines[f.log.lines.size() - 3], L"修复程序发生错误！");
  EXPECT_EQ(f.log.lines[f.log.lines.size() - 2], L"     错误: 步骤“修复文件系统”失败");
  EXPECT_EQ(f.log.lines.back().find(L"      2 条用户词条保存在 "), 0u);
  EXPECT_EQ(f.state->outcome, RunOutcome::kFailed);

  // A refused registration: the step, the call and the system's code.
  f.log.lines.clear();
  f.Unpack();
  f.state->stubPath[0] = L'\0';
  f.os.tsfResults["Register"] = E_ACCESSDENIED;
  EXPECT_FALSE(RunRepairSteps(*f.state, f.os));
  EXPECT_NE(f.log.lines[f.log.lines.size() - 2].find(L"步骤“修复软件运行环境”失败: "
                                    L"ITfInputProcessorProfiles::Register 返回错误 0x80070005"),
            std::wstring::npos);
  EXPECT_EQ(f.state->outcome, RunOutcome::kFailed);
}

TEST(Repair, KeepsTheFrameworkTheUserChose) {
  // Installed as a text service, then switched to the IMM32 layout.
  InstalledFixture f;
  ASSERT_TRUE(SwitchToImmMode(*f.state, f.os));
  ASSERT_EQ(FindImeLayouts(f.os, L"zinIME.ime").size(), 1u);
  f.Unpack();
  f.state->stubPath[0] = L'\0';
  f.state->unregistered = false;
  ASSERT_TRUE(RunRepairSteps(*f.state, f.os));
  EXPECT_EQ(FindImeLayouts(f.os, L"zinIME.ime").size(), 1u);
  EXPECT_FALSE(f.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
  EXPECT_EQ(f.log.lines[0], L"修复完成。\r\n");

  // A text-service install stays one, with no layout.
  InstalledFixture tsf;
  tsf.Unpack();
  tsf.state->stubPath[0] = L'\0';
  tsf.state->unregistered = false;
  ASSERT_TRUE(RunRepairSteps(*tsf.state, tsf.os));
  EXPECT_TRUE(FindImeLayouts(tsf.os, L"zinIME.ime").empty());
  EXPECT_TRUE(tsf.os.HasKey(RegHive::kClassesRoot, L"CLSID\\" + kKey));
}

// A file's identity and number of names, through a handle of its own.
BY_HANDLE_FILE_INFORMATION FileIdentity(const std::wstring& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
  }
  return info;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION x = FileIdentity(a);
  BY_HANDLE_FILE_INFORMATION y = FileIdentity(b);
  return x.nNumberOfLinks > 0 && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

// Anyone who may add files to the data folder may give a data file a second
// name, even while the installer still holds the file it just placed: an
// open for attributes only is not stopped by sharing (Windows' rule, which
// the fake's hook stands in for). Neither the install nor a repair stops,
// each data file ends as a file of its own, the rights it was made with in
// place, and what is written to it afterwards never reaches the other name.
TEST(Repair, ASecondNameGivenToADataFileStopsNothing) {
  const std::vector<DmgTestEntry> userWord = {{"zzxy", L"星禾", kUserAttr}};
  auto linkWhileHeld = [](InstallFixture& f, const std::wstring& outside) {
    f.os.onPlaced = [&f, outside](const std::wstring& path) {
      if (Lower(path) != Lower(f.Data() + L"main.dmg") || Exists(outside)) return;
      EXPECT_TRUE(CreateHardLinkW(outside.c_str(), path.c_str(), nullptr));
    };
  };
  auto expectOwnFile = [](InstallFixture& f, const std::wstring& outside) {
    std::wstring table = f.Data() + L"main.dmg";
    EXPECT_EQ(FileIdentity(table).nNumberOfLinks, 1u);
    EXPECT_FALSE(SameFile(table, outside));
    bool everyone = false;
    std::vector<uint8_t> world = WellKnownSid(WinWorldSid);
    for (const AceView& ace : AclEntries(f.os.dacls[Lower(table)]))
      everyone = everyone || (SameSid(ace.sid.data(), world.data()) && ace.mask == kModifyAccess);
    EXPECT_TRUE(everyone);
  };

  // The repair as the maintenance dialog runs it, the user's two words put back.
  auto repairKeepingTheWords = [](InstalledFixture& f) {
    f.Unpack();
    f.state->stubPath[0] = L'\0';
    f.state->unregistered = false;
    bool repaired = RunRepairSteps(*f.state, f.os);
    EXPECT_TRUE(repaired) << f.log.lines.back();
    EXPECT_TRUE(f.log.Has(L"已将 2 条用户词条写回码表"));
    return repaired;
  };

  // The install: a word the input method adds later stays in the data folder.
  {
    InstallFixture f;
    f.Unpack();
    CreateDirectoryPath(f.os, f.Install());
    std::wstring outside = f.os.Folder(KnownFolder::kDocuments) + L"linked.dmg";
    linkWhileHeld(f, outside);
    ASSERT_TRUE(RunInstallSteps(*f.state, f.os, L"", L"")) << f.log.lines.back();
    ASSERT_TRUE(Exists(outside));
    expectOwnFile(f, outside);
    std::vector<uint8_t> held = ReadFileBytes(outside);
    KeptTableState added;
    added.userRecords.push_back(RecordBytes(userWord[0]));
    EXPECT_EQ(RestoreKeptTableState(f.Data() + L"main.dmg", added), 1);
    EXPECT_TRUE(Holds(Entries(f.Data() + L"main.dmg"), userWord[0]));
    EXPECT_EQ(ReadFileBytes(outside), held);
  }

  // A repair: the user's words go back into the data folder's table only.
  {
    InstalledFixture f;
    WriteFileBytes(f.Data() + L"main.dmg", TableWithFields(true, 5, 6, 7));
    std::wstring outside = f.os.Folder(KnownFolder::kDocuments) + L"linked.dmg";
    linkWhileHeld(f, outside);
    ASSERT_TRUE(repairKeepingTheWords(f));
    expectOwnFile(f, outside);
    EXPECT_TRUE(Holds(Entries(f.Data() + L"main.dmg"), userWord[0]));
    EXPECT_FALSE(Holds(Entries(outside), userWord[0]));
  }

  // A repair finding a data file that already has a second name: the data
  // folder gets a fresh file, the other name keeps what it had.
  {
    InstalledFixture f;
    WriteFileBytes(f.Data() + L"main.dmg", TableWithFields(true, 5, 6, 7));
    std::wstring outside = f.os.Folder(KnownFolder::kDocuments) + L"earlier.dmg";
    ASSERT_TRUE(CreateHardLinkW(outside.c_str(), (f.Data() + L"main.dmg").c_str(), nullptr));
    std::vector<uint8_t> before = ReadFileBytes(outside);
    ASSERT_TRUE(repairKeepingTheWords(f));
    expectOwnFile(f, outside);
    EXPECT_EQ(ReadFileBytes(outside), before);
  }

  // One who names every placement: the third is a failure, told in the log,
  // and the file is not counted as placed.
  {
    InstallFixture f;
    f.Unpack();
    CreateDirectoryPath(f.os, f.Install());
    const std::wstring table = f.Data() + L"main.dmg";
    int named = 0;
    f.os.onPlaced = [&](const std::wstring& path) {
      if (Lower(path) != Lower(table)) return;
      std::wstring outside =
          f.os.Folder(KnownFolder::kDocuments) + L"linked" + std::to_wstring(++named) + L".dmg";
      EXPECT_TRUE(CreateHardLinkW(outside.c_str(), path.c_str(), nullptr));
    };
    EXPECT_FALSE(RunInstallSteps(*f.state, f.os, L"", L""));
    EXPECT_EQ(named, 3);
    EXPECT_TRUE(f.log.Has(L"错误: 文件 " + Lower(table) +
                          L" 放置后被另外命名(硬链接)，放置 3 次均未成功"));
    for (const std::wstring& path : f.placed.paths) EXPECT_NE(Lower(path), Lower(table));
  }
}

}  // namespace
}  // namespace zn::test
