// The whole system from outside, in a Wine prefix made for this test: the
// built setup program installs, Wubi codes typed through the installed IME
// reach an EDIT control, a repair puts a damaged install right while the
// user's words and counters stay, and an uninstall (with a program holding
// the module) leaves nothing but the user-word backups. The phases run in
// order; a later one is skipped when an earlier one failed.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "engine/Product.h"
#include "tests/common/TestFiles.h"
#include "tests/endtoend/SetupDriver.h"

namespace zn::e2e {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;
constexpr uint32_t kSeededAttr = 0x02000400;  // a user word
const wchar_t kSeededWord[] = L"星禾测试";
const char kSeededCode[] = "zzzy";

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH];
  UINT n = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, n) + L"\\";
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, path);
  wchar_t longPath[MAX_PATH];
  DWORD m = GetLongPathNameW(path, longPath, MAX_PATH);
  return m > 0 && m < MAX_PATH ? std::wstring(longPath, m) : std::wstring(path, n);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> Matching(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::wstring Value(HKEY root, const std::wstring& path, const wchar_t* name) {
  wchar_t data[1024] = L"";
  DWORD bytes = sizeof(data);
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &bytes) !=
      ERROR_SUCCESS) {
    return L"";
  }
  return data;
}

// The places of the installed product.
struct Places {
  std::wstring install = ShellFolder(CSIDL_PROGRAM_FILES) + L"zinIME\\";
  std::wstring family = ShellFolder(CSIDL_COMMON_APPDATA) + L"ZinnorIME3\\";
  std::wstring data = family + L"zinIME\\";
  std::wstring module = SystemFolder() + L"zinIME.ime";
  std::wstring startMenu = ShellFolder(CSIDL_COMMON_PROGRAMS) + ZN_DISPLAY_NAME L"\\";
  std::wstring backups = ShellFolder(CSIDL_PERSONAL) + L"[ " ZN_DISPLAY_NAME L" ]\\";
  std::wstring productKey = L"Software\\ZinnorIME3\\" + kKey;
  std::wstring productKey32 = L"Software\\Wow6432Node\\ZinnorIME3\\" + kKey;
  std::wstring uninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kKey;
};

// Header fields of the main table a repair keeps, and its user words.
struct TableState {
  uint32_t field74 = 0;
  uint64_t field78 = 0;
  uint64_t field80 = 0;
  std::vector<std::wstring> userWords;
};

TableState ReadTable(const std::wstring& path) {
  TableState state;
  std::vector<uint8_t> bytes = zn::test::ReadFileBytes(path);
  if (bytes.size() < kDmgOffsetTableOffset) return state;
  std::memcpy(&state.field74, bytes.data() + offsetof(DmgHeader, userState74), 4);
  std::memcpy(&state.field78, bytes.data() + offsetof(DmgHeader, userState78), 8);
  std::memcpy(&state.field80, bytes.data() + offsetof(DmgHeader, userState80), 8);
  MappedFile copy{};
  copy.size = static_cast<uint32_t>(bytes.size());
  copy.view = bytes.data();
  DmgView view = GetDmgView(&copy);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord record;
    if (!ReadDmgRecord(view, i, &record) || EntryAttr::Category(record.attr) != 2) continue;
    wchar_t word[130];
    CopyRecordWord(record, word, 130);
    state.userWords.push_back(word);
  }
  return state;
}

// What a user's typing and a few months of use leave in main.dmg: a user
// word and counters in the header; written as the input method writes.
bool SeedTable(const std::wstring& path) {
  MappedFile* table = nullptr;
  OpenMappedFile(&table, path.c_str());
  if (!IsWritableMapping(table)) return false;
  bool ok = false;
  {
    DataWriteLock lock(table);
    if (lock.Held()) {
      uint32_t a = 0x5A5A0001;
      uint64_t b = 0x0123456789ABCDEFull;
      uint64_t c = 42;
      std::memcpy(table->view + offsetof(DmgHeader, userState74), &a, 4);
      std::memcpy(table->view + offsetof(DmgHeader, userState78), &b, 8);
      std::memcpy(table->view + offsetof(DmgHeader, userState80), &c, 8);
      std::vector<uint8_t> record(4);
      std::memcpy(record.data(), &kSeededAttr, 4);
      record.push_back(static_cast<uint8_t>(strlen(kSeededCode)));
      record.insert(record.end(), kSeededCode, kSeededCode + strlen(kSeededCode));
      record.push_back(static_cast<uint8_t>(wcslen(kSeededWord)));
      for (const wchar_t* p = kSeededWord; *p; ++p) {
        record.push_back(static_cast<uint8_t>(*p & 0xFF));
        record.push_back(static_cast<uint8_t>(*p >> 8));
      }
      ok = AppendRecord(table, record.data()) &&
           PlaceNewRecord(table, &kDefaultRecordCompareOps, -1) &&
           RebuildKeyIndex(table, &kDefaultRecordCompareOps);
    }
  }
  CloseMappedFile(table, 1);
  return ok;
}

// The temporary copy deletes itself shortly after it ended.
bool TemporaryFilesGone() {
  for (int waited = 0; waited < 20000; waited += 100) {
    if (Matching(TempFolder() + L"zinInstaller-*.exe").empty() &&
        Matching(TempFolder() + L"$zinInstaller$-*").empty()) {
      return true;
    }
    Sleep(100);
  }
  return false;
}

bool gInstalled = false;
bool gRepaired = false;

TEST(EndToEnd, InstallsFromTheSetupProgram) {
  Places places;
  RunResult run = InstallPackage(ZN_PACKAGE_PATH);
  ASSERT_TRUE(run.finished) << Narrow(run.error + L"\n" + run.log);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.log.find(L"  7.安装完成。"), std::wstring::npos) << Narrow(run.log);
  std::printf("install: %.1f s\n", run.seconds);

  EXPECT_EQ(zn::test::ReadFileBytes(places.module), zn::test::ReadFileBytes(ZN_MODULE_PATH));
  for (const wchar_t* name :
       {L"config.dsc", L"main.dmg", L"danzi.dmi", L"sysl.dmg", L"engl.dmg", L"temp.dmg"}) {
    EXPECT_TRUE(Exists(places.data + name)) << Narrow(name);
  }
  for (const wchar_t* name :
       {L"installer.exe", L"config.exe", L"_backup_.dat", L"tessel\\skin.col"}) {
    EXPECT_TRUE(Exists(places.install + name)) << Narrow(name);
  }
  for (const std::wstring& key : {places.productKey, places.productKey32}) {
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, L"IMEName"), L"zinIME");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, L"InstallLocation"), places.install);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, key, L"DataLocation"), places.data);
  }
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"CLSID\\" + kKey + L"\\InProcServer32", nullptr),
            places.module);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"Wow6432Node\\CLSID\\" + kKey + L"\\InProcServer32"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\CTF\\TIP\\" + kKey));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, places.uninstallKey, L"DisplayName"), ZN_DISPLAY_NAME);
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, places.uninstallKey, L"UninstallString"),
            places.install + L"installer.exe /n " + kKey + L" /u");
  for (const wchar_t* link : {L"设置", L"更新", L"修复", L"卸载"}) {
    EXPECT_TRUE(Exists(places.startMenu + link + ZN_DISPLAY_NAME L".lnk")) << Narrow(link);
  }
  EXPECT_TRUE(Exists(places.startMenu + ZN_DISPLAY_NAME L"按键功能设定.lnk"));
  EXPECT_TRUE(Matching(TempFolder() + L"$zinInstaller$-*").empty());
  gInstalled = !HasFailure();
}

TEST(EndToEnd, TypesThroughTheInstalledImeIntoAnEditControl) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  PROCESS_INFORMATION host;
  ASSERT_TRUE(StartProgram(ZN_IMEHOST_PATH, L"--installed --keys \"wqvb khlg \" --expect 你好中国",
                           &host));
  DWORD code = 99;
  bool ended = WaitForProcess(host.hProcess, 60000, &code);
  if (!ended) TerminateProcess(host.hProcess, 9);
  CloseHandle(host.hProcess);
  ASSERT_TRUE(ended);
  EXPECT_EQ(code, 0u);
}

TEST(EndToEnd, RepairPutsTheInstallRightAndKeepsTheUsersWords) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  Places places;
  ASSERT_TRUE(DeleteFileW((places.install + L"tessel\\skin.col").c_str()));
  ASSERT_TRUE(SeedTable(places.data + L"main.dmg"));
  TableState before = ReadTable(places.data + L"main.dmg");
  ASSERT_EQ(before.userWords, std::vector<std::wstring>{kSeededWord});

  RunResult run = RunMaintenance(places.install + L"installer.exe", kKey, true);
  ASSERT_TRUE(run.finished) << Narrow(run.error + L"\n" + run.log);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.log.find(L"  6.修复完成。"), std::wstring::npos) << Narrow(run.log);
  EXPECT_EQ(run.popups, std::vector<std::wstring>{L"操作提示"});
  std::printf("repair: %.1f s\n", run.seconds);

  EXPECT_TRUE(Exists(places.install + L"tessel\\skin.col"));
  TableState after = ReadTable(places.data + L"main.dmg");
  EXPECT_EQ(after.field74, before.field74);
  EXPECT_EQ(after.field78, before.field78);
  EXPECT_EQ(after.field80, before.field80);
  EXPECT_EQ(after.userWords, before.userWords);
  std::vector<uint8_t> backup = zn::test::ReadFileBytes(places.backups + L"导出 - 用户词条.txt");
  std::wstring text(backup.size() / 2, L'\0');
  if (!text.empty()) std::memcpy(text.data(), backup.data(), text.size() * 2);
  EXPECT_NE(text.find(std::wstring(kSeededWord) + L"\tzzzy"), std::wstring::npos);
  EXPECT_TRUE(TemporaryFilesGone());
  gRepaired = !HasFailure();
}

TEST(EndToEnd, UninstallFreesTheModuleAndLeavesOnlyTheBackups) {
  if (!gInstalled) GTEST_SKIP() << "not installed";
  Places places;
  HANDLE loaded = CreateEventW(nullptr, TRUE, FALSE, L"zinIME-e2e-module-loaded");
  PROCESS_INFORMATION holder;
  ASSERT_TRUE(StartProgram(ZN_HOLDER_PATH,
                           L"\"" + places.module + L"\" zinIME-e2e-module-loaded", &holder));
  ASSERT_EQ(WaitForSingleObject(loaded, 30000), WAIT_OBJECT_0);
  CloseHandle(loaded);

  RunResult run = RunMaintenance(places.install + L"installer.exe", kKey, false);
  DWORD holderCode = 0;
  bool holderEnded = WaitForProcess(holder.hProcess, 10000, &holderCode);
  if (!holderEnded) TerminateProcess(holder.hProcess, 9);
  CloseHandle(holder.hProcess);
  ASSERT_TRUE(run.finished) << Narrow(run.error + L"\n" + run.log);
  EXPECT_EQ(run.exitCode, 0u);
  std::printf("uninstall: %.1f s\n", run.seconds);
  EXPECT_NE(run.log.find(L"  7.卸载完成。"), std::wstring::npos) << Narrow(run.log);
  // The list of programs holding the module came up and ended the holder.
  EXPECT_EQ(run.popups, (std::vector<std::wstring>{L"操作提示", L"文件访问冲突"}));
  EXPECT_TRUE(holderEnded);

  EXPECT_TRUE(Matching(SystemFolder() + L"zinIME.ime*").empty());
  EXPECT_FALSE(Exists(places.install));
  EXPECT_FALSE(Exists(places.family));
  EXPECT_FALSE(Exists(places.startMenu));
  for (const std::wstring& key :
       {places.productKey, places.productKey32, places.uninstallKey,
        std::wstring(L"Software\\ZinnorIME3"), std::wstring(L"Software\\Wow6432Node\\ZinnorIME3"),
        std::wstring(L"Software\\Microsoft\\CTF\\TIP\\") + kKey}) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << Narrow(key);
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Wow6432Node\\CLSID\\" + kKey));
  // What stays: the user-word backups, one per repair and uninstall.
  std::vector<std::wstring> backups = Matching(places.backups + L"*");
  std::vector<std::wstring> files;
  for (const std::wstring& name : backups) {
    if (name != L"." && name != L"..") files.push_back(name);
  }
  EXPECT_EQ(files.size(), gRepaired ? 2u : 1u);
  EXPECT_TRUE(TemporaryFilesGone());
}

}  // namespace
}  // namespace zn::e2e
