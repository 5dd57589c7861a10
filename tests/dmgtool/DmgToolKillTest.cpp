// dmgtool's commands that write one table (wordlist, emptytemp, danzi),
// killed at random moments. In a live data folder (settings and the lock
// page beside the table: processes may be typing from it) a table is
// afterwards, once the engine has opened it, as before or as a whole run
// leaves it; a command that cannot put its table in place there refuses,
// says so, and leaves the folder untouched. Elsewhere no table is ever left
// half written under its name.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/MappedFile.h"
#include "engine/TableJournal.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestFiles.h"

using namespace zn::test;

namespace {

const std::wstring kData = ZN_TEST_DATA_DIR;
const std::wstring kSources = ZN_TEST_SOURCES_DIR;

struct ToolCase {
  std::wstring command;
  std::wstring table;   // the file it writes, in the folder
  bool refusedLive;     // the command leaves a live folder alone
};

const ToolCase kCases[] = {
    {L"wordlist", L"sysl.dmg", false},
    {L"emptytemp", L"temp.dmg", true},
    {L"danzi", L"danzi.dmi", true},
};

using Files = std::map<std::wstring, std::vector<uint8_t>>;

class DmgToolKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* name : {L"main.dmg", L"sysl.dmg", L"temp.dmg", L"danzi.dmi"}) {
      before_[name] = ReadFileBytes(kData + name);
      ASSERT_GT(before_[name].size(), 1000u) << "built data folder";
    }
    // A header field of the user's, so that a new empty table shows.
    PutU32(before_[L"temp.dmg"], offsetof(DmgHeader, userState74), 7);
    // A word list that differs from the shipped one: its last tenth dropped.
    std::vector<uint8_t> list = ReadFileBytes(kSources + L"sysl.txt");
    ASSERT_GT(list.size(), 1000u);
    size_t cut = list.size() - list.size() / 10;
    while (cut < list.size() && list[cut - 1] != '\n') ++cut;
    list.resize(cut);
    before_[L"list.txt"] = list;
  }

  std::wstring Args(const ToolCase& c) const {
    if (c.command == L"wordlist") return L"wordlist " + Quoted(dir_.File(L"list.txt")) + L" " + Quoted(dir_.File(c.table));
    if (c.command == L"danzi") return L"danzi " + Quoted(dir_.File(L"main.dmg")) + L" " + Quoted(dir_.File(c.table));
    return c.command + L" " + Quoted(dir_.File(c.table));
  }

  // Every file of the folder but the settings and the lock page.
  Files Folder() const {
    Files files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(dir_.File(L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
      std::wstring name = found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      if (name == L"config.dsc" || name == kLockPageName || name.rfind(L"out", 0) == 0) continue;
      files[name] = ReadFileBytes(dir_.File(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return files;
  }

  void Reset() {
    for (const auto& [name, bytes] : Folder()) {
      if (!before_.count(name)) DeleteFileW(dir_.File(name).c_str());
    }
    // A killed writer's view may go a moment after the process has ended.
    for (const auto& [name, bytes] : before_) {
      bool written = false;
      for (int tries = 0; tries < 200 && !(written = WriteFileBytes(dir_.File(name), bytes)); ++tries) Sleep(10);
      ASSERT_TRUE(written) << "cannot reset the folder";
    }
  }

  void MakeLive() {
    ASSERT_TRUE(WriteFileBytes(dir_.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
    Reset();
    MappedFile* table = nullptr;
    ASSERT_GT(OpenMappedFile(&table, dir_.File(L"sysl.dmg").c_str()), 0);
    { DataWriteLock lock(table); ASSERT_TRUE(lock.Held()); }
    CloseMappedFile(table, 0);
    ASSERT_NE(GetFileAttributesW(dir_.File(kLockPageName).c_str()), INVALID_FILE_ATTRIBUTES);
  }

  // What opening the data folder does with a table a writer left.
  void OpenAsTheEngineDoes(const ToolCase& c) {
    if (c.table.find(L".dmg") == std::wstring::npos) return;
    MappedFile* table = nullptr;
    OpenMappedFile(&table, dir_.File(c.table).c_str());
    if (table) RecoverIfAbandoned(table);
    CloseMappedFile(table, 1);
  }

  // Names, lengths and write times of the folder's files but the output.
  std::vector<std::tuple<std::wstring, uint64_t, uint64_t>> Listing() const {
    std::vector<std::tuple<std::wstring, uint64_t, uint64_t>> listing;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(dir_.File(L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return listing;
    do {
      std::wstring name = found.cFileName;
      if (name.rfind(L"out", 0) == 0 || name == L"." || name == L"..") continue;
      listing.emplace_back(name, (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                           (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return listing;
  }

  // Starts dmgtool and kills it delayUs after the start, or with onStir
  // delayUs after it first changed a file of the folder; never when
  // delayUs is negative. True when it ended by itself with exit code 0.
  bool Run(const ToolCase& c, long long delayUs, bool onStir, long long* tookUs, std::string* output) {
    using Clock = std::chrono::steady_clock;
    const auto still = Listing();
    std::unique_ptr<ChildProcess> child;
    Clock::time_point started;
    // Under load a start now and then fails while the last child is still
    // being torn down.
    for (int tries = 0; tries < 5 && !(child && child->Started()); ++tries) {
      if (tries) Sleep(100);
      started = Clock::now();
      child = std::make_unique<ChildProcess>(ZN_DMGTOOL_EXE, Args(c),
                                             dir_.File(L"out" + std::to_wstring(runs_++) + L".txt"));
    }
    EXPECT_TRUE(child->Started());
    if (delayUs >= 0) {
      Clock::time_point from = started;
      if (onStir) {
        // A run that writes nothing has ended by then.
        const Clock::time_point limit = started + std::chrono::microseconds(2 * fullUs_ + 100000);
        while (Listing() == still && Clock::now() < limit) {
        }
        from = Clock::now();
      }
      while (Clock::now() < from + std::chrono::microseconds(delayUs)) {
      }
      child->Kill();
    }
    const bool ok = child->Finish(120000);
    if (tookUs) *tookUs = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
    if (output) *output = child->Output();
    return ok;
  }

  // One whole run, then kills: a third at a random moment of a whole run,
  // a third within a few milliseconds of the first change to the folder,
  // the rest at a random moment after it. Each leaves the table as before or as the whole run did; a
  // refused run leaves the folder as it was.
  void RunKills(const ToolCase& c, bool live, int kills) {
    Reset();
    const Files before = Folder();
    long long fullUs = 0;
    std::string output;
    const bool ok = Run(c, -1, false, &fullUs, &output);
    fullUs_ = fullUs;
    const bool refused = live && c.refusedLive;
    if (refused) {
      EXPECT_FALSE(ok) << c.command << ": a live folder is refused";
      EXPECT_NE(output.find("live data folder"), std::string::npos) << output;
      EXPECT_TRUE(Folder() == before) << c.command << ": the refused folder changed";
    } else {
      ASSERT_TRUE(ok) << c.command << ": " << output;
    }
    OpenAsTheEngineDoes(c);
    const std::vector<uint8_t> finished = ReadFileBytes(dir_.File(c.table));
    ASSERT_FALSE(finished.empty());

    std::mt19937 rng(static_cast<unsigned>(fullUs) ^ 0x5eed);
    std::uniform_int_distribution<long long> moment(0, fullUs + fullUs / 5);
    std::uniform_int_distribution<long long> soon(0, 4000);
    std::uniform_int_distribution<long long> later(0, fullUs / 2);
    int unchanged = 0, done = 0;
    for (int k = 0; k < kills; ++k) {
      Reset();
      const bool onStir = k % 3 != 0;
      const long long delayUs = k % 3 == 0 ? moment(rng) : k % 3 == 1 ? soon(rng) : later(rng);
      Run(c, delayUs, onStir, nullptr, nullptr);
      OpenAsTheEngineDoes(c);
      const std::vector<uint8_t> left = ReadFileBytes(dir_.File(c.table));
      const bool asBefore = left == before_[c.table];
      const bool asFinished = left == finished;
      EXPECT_TRUE(asBefore || asFinished)
          << c.command << (live ? " on a live folder" : "") << " killed " << delayUs << " us after " << (onStir ? "it began writing" : "its start") << " left "
          << c.table.c_str() << " of " << left.size() << " bytes, neither as before nor finished";
      if (refused) EXPECT_TRUE(Folder() == before) << c.command << ": the refused folder changed";
      unchanged += asBefore;
      done += asFinished && !asBefore;
    }
    std::printf("%ls%s: whole run %lld us; %d kills: %d as before, %d finished\n", c.command.c_str(),
                live ? " (live)" : "", fullUs, kills, unchanged, done);
  }

  TempDir dir_;
  Files before_;
  int runs_ = 0;
  long long fullUs_ = 0;  // the last whole run
};

TEST_F(DmgToolKillTest, LiveFolderKeepsEachTableWholeOrIsRefused) {
  MakeLive();
  for (const ToolCase& c : kCases) RunKills(c, true, 12);
}

TEST_F(DmgToolKillTest, ElsewhereNoTableIsLeftHalfWritten) {
  for (const ToolCase& c : kCases) RunKills(c, false, 12);
}

}  // namespace
