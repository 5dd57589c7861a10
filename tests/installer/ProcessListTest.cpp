// The process list: which processes hold a module (fake snapshots and this
// very process under Wine), the before-repair check and termination.
#include <gtest/gtest.h>

#include "installer/core/FolderTree.h"
#include "installer/core/GuardedCopy.h"
#include "installer/core/ProcessList.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

FakeProcess Process(uint32_t pid, const wchar_t* exe, std::vector<std::wstring> modules64,
                    std::vector<std::wstring> modules32 = {}) {
  FakeProcess p;
  p.pid = pid;
  p.exeName = exe;
  p.modules64 = std::move(modules64);
  p.modules32 = std::move(modules32);
  return p;
}

TEST(ProcessList, MatchesFileNamesWithoutCaseAndByFamily) {
  FakeInstallerOs os;
  os.processes = {
      Process(10, L"notepad.exe",
              {L"C:\\windows\\notepad.exe", L"C:\\Windows\\System32\\ZINIME.IME"}),
      Process(11, L"word.exe", {L"C:\\app\\word.exe", L"C:\\app\\myzinIME.ime"}),
      Process(12, L"old32.exe", {L"C:\\old\\old32.exe"}, {L"C:\\Windows\\SysWOW64\\zinime.ime"}),
      Process(13, L"gone.exe", {}),
  };
  os.versions[Lower(L"C:\\windows\\notepad.exe")] = L"1.0";
  EXPECT_TRUE(ProcessHoldsModule(os, 10, L"zinIME.ime", kFamily64));
  EXPECT_FALSE(ProcessHoldsModule(os, 11, L"zinIME.ime", kFamily64));  // only the tail matches
  EXPECT_FALSE(ProcessHoldsModule(os, 12, L"zinIME.ime", kFamily64));
  EXPECT_TRUE(ProcessHoldsModule(os, 12, L"zinIME.ime", kFamily32));
  EXPECT_FALSE(ProcessHoldsModule(os, 99, L"zinIME.ime", kFamily64));
  // A target path of the guarded copy compares whole paths.
  EXPECT_TRUE(ProcessHoldsModule(os, 10, L"c:\\windows\\system32\\zinime.ime", kFamily64));
  EXPECT_FALSE(ProcessHoldsModule(os, 10, L"c:\\windows\\syswow64\\zinime.ime", kFamily64));

  HolderScan scan(os);
  EXPECT_EQ(scan.Setup(L"zinIME.ime", kFamily64), 1u);
  EXPECT_EQ(scan.Setup(L"zinIME.ime", kFamily32), 2u);
  EXPECT_EQ(scan.Setup(L"zinIME.ime", kFamilyAll), 2u);  // no pid twice
  ASSERT_EQ(scan.rows().size(), 2u);
  EXPECT_EQ(scan.rows()[0].program, L"notepad.exe");
  EXPECT_EQ(scan.rows()[0].pid, 10u);
}

TEST(ProcessList, TerminateUnregistersFirstAndSparesUsAndCriticalOnes) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  WriteProductValues(*state, os);
  const wchar_t* module = L"C:\\Windows\\System32\\zinIME.ime";
  os.processes = {Process(10, L"a.exe", {L"C:\\a.exe", module}),
                  Process(4242, L"setup.exe", {L"C:\\s.exe", module}),
                  Process(30, L"csrss.exe", {L"C:\\csrss.exe", module})};
  os.processes[2].critical = true;
  HolderScan scan(os);
  ASSERT_EQ(scan.Setup(L"zinIME.ime", kFamilyAll), 3u);
  EXPECT_EQ(scan.TerminateAll(*state), 2u);
  EXPECT_TRUE(state->unregistered);
  EXPECT_EQ(os.terminated, std::vector<uint32_t>{10});
  EXPECT_EQ(os.calls.back(), L"Terminate 10 1");
  EXPECT_GE(os.sleptMs, 1000u);
  EXPECT_GT(os.CountCalls(L"Unregister "), 0u);
}

TEST(ProcessList, CheckBeforeRepairShowsNothingWhenFree) {
  FakeInstallerOs os;
  auto state = ProductState(os);
  ScriptedProcessList list;
  state->processList = &list;
  EXPECT_EQ(CheckImeInUse(*state, os), 0);  // nothing installed
  WriteProductValues(*state, os);
  EXPECT_EQ(CheckImeInUse(*state, os), 0);
  EXPECT_EQ(list.runs, 0);
  os.processes = {Process(10, L"a.exe", {L"C:\\a.exe", L"C:\\x\\zinime.IME"})};
  list.answer = IDCANCEL;
  EXPECT_EQ(CheckImeInUse(*state, os), 1);
  EXPECT_EQ(list.lastName, L"zinIME.ime");
  EXPECT_EQ(list.lastFamily, kFamilyAll);
  list.answer = IDOK;
  EXPECT_EQ(CheckImeInUse(*state, os), 0);
}

// Wine's Toolhelp snapshots of this process: a module it has loaded is
// found by its name in any case.
TEST(ProcessList, FindsThisProcessHoldingALoadedModule) {
  FakeInstallerOs fake;
  Win32InstallerOs os;
  std::wstring copy = fake.Folder(KnownFolder::kTemp) + L"ZnHolder.dll";
  ASSERT_TRUE(CopyFileW(ZN_MODULE_PATH, copy.c_str(), FALSE));
  HMODULE held = LoadLibraryW(copy.c_str());
  ASSERT_NE(held, nullptr);
  HolderScan scan(os);
  EXPECT_GE(scan.Setup(L"znholder.DLL", kFamily64), 1u);
  bool self = false;
  for (const HolderScan::Row& row : scan.rows()) self = self || row.pid == GetCurrentProcessId();
  EXPECT_TRUE(self);
  EXPECT_TRUE(ProcessHoldsModule(os, GetCurrentProcessId(), Lower(copy), kFamily64));
  FreeLibrary(held);
  EXPECT_FALSE(ProcessHoldsModule(os, GetCurrentProcessId(), L"znholder.dll", kFamily64));
}

}  // namespace
}  // namespace zn::test
