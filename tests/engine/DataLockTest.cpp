// The data folder's write lock: refused to a second process or thread while
// held, taken again by a nested writer, released when its holder dies, and a
// writer that cannot get it within its wait changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/ImeContext.h"
#include "engine/TableJournal.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/DmgTestTables.h"
#include "tests/common/ChildProcess.h"

using namespace zn::test;

namespace {

// The second process: engine_data_writer.exe, built beside the tests.
const std::wstring kWriter = BesideThisProgram(L"engine_data_writer.exe");

class DataLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteFileBytes(dir_.File(L"config.dsc"), DefaultConfig()));
    ASSERT_TRUE(WriteFileBytes(dir_.File(L"main.dmg"), BuildDmgBytes(RandomEntries(5, 40))));
  }
  // Whether another thread could take the folder's lock without waiting.
  bool FreeForOtherThread(const std::wstring& folder) {
    bool held = true;
    std::thread other([&] { held = DataWriteLock(folder.c_str(), 0).Held(); });
    other.join();
    return held;
  }
  bool FreeForOtherThread() { return FreeForOtherThread(dir_.path()); }

  TempDir dir_;
};

}  // namespace

TEST_F(DataLockTest, SecondProcessIsRefusedWhileTheFirstHoldsIt) {
  ChildProcess first(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"first.txt"));
  ASSERT_TRUE(first.Started());
  ASSERT_EQ(first.FirstLine(10000), "held");
  // Every way of naming the folder reaches the same lock.
  EXPECT_FALSE(DataWriteLock(dir_.path().c_str(), 0).Held());
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  EXPECT_FALSE(DataWriteLock(main.get(), 0).Held());
  ChildProcess second(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"second.txt"));
  EXPECT_EQ(second.FirstLine(10000), "refused");

  first.CloseInput();
  EXPECT_TRUE(first.Finish(10000));
  EXPECT_TRUE(DataWriteLock(main.get(), 0).Held());

  // A holder that dies without letting go frees the lock with it.
  ChildProcess third(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"third.txt"));
  ASSERT_EQ(third.FirstLine(10000), "held");
  EXPECT_FALSE(FreeForOtherThread());
  third.Kill();
  EXPECT_TRUE(FreeForOtherThread());
}

TEST_F(DataLockTest, NestedWritersOfOneThreadShareItOthersWait) {
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  std::optional<DataWriteLock> outer;
  outer.emplace(dir_.path().c_str(), 0);
  ASSERT_TRUE(outer->Held());
  {
    DataWriteLock inner(main.get(), 0);
    EXPECT_TRUE(inner.Held());
    // A table write inside takes it again instead of waiting for itself.
    EXPECT_EQ(RebuildKeyIndex(main.get()), 1);
  }
  EXPECT_FALSE(FreeForOtherThread());
  // A waiting thread gets it once the holder lets go within its wait.
  bool got = false;
  std::thread waiter([&] { got = DataWriteLock(main.get(), 5000).Held(); });
  Sleep(50);
  outer.reset();
  waiter.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(FreeForOtherThread());
  // A folder without config.dsc has no folder lock; its tables lock themselves.
  TempDir bare;
  ASSERT_TRUE(WriteFileBytes(bare.File(L"t.dmg"), BuildDmgBytes(RandomEntries(6, 10))));
  MappedFilePtr table = OpenTableFile(bare.File(L"t.dmg"));
  EXPECT_FALSE(DataWriteLock(bare.path().c_str(), 0).Held());
  DataWriteLock own(table.get(), 0);
  EXPECT_TRUE(own.Held());
  bool other = true;
  std::thread([&] { other = DataWriteLock(table.get(), 0).Held(); }).join();
  EXPECT_FALSE(other);
}

TEST_F(DataLockTest, WriterThatCannotGetTheLockChangesNothing) {
  ChildProcess holder(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"holder.txt"));
  ASSERT_EQ(holder.FirstLine(10000), "held");
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  ASSERT_TRUE(main);
  const std::vector<uint8_t> before(main->view, main->view + main->size);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(AppendRecord(main.get(), RecordBytes({"zz", L"新", 0x02000400}).data()), 0);
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_GE(waited, 1500u);
  EXPECT_LT(waited, 6000u);
  EXPECT_EQ(std::vector<uint8_t>(main->view, main->view + main->size), before);
  holder.CloseInput();
  ASSERT_TRUE(holder.Finish(10000));
  EXPECT_EQ(AppendRecord(main.get(), RecordBytes({"zz", L"新", 0x02000400}).data()), 1);
}

// A context's writes take the lock through the shared page: after the first
// take no system call, yet other processes and threads are refused while it
// is held, it is really let go after, and a reopen while held changes none of that.
TEST_F(DataLockTest, ContextTakesWithoutSystemCallsAndReallyLetsGo) {
  auto* context = static_cast<ImeContext*>(std::calloc(1, sizeof(ImeContext)));
  ASSERT_GT(OpenMappedFile(&context->files[kFileConfig], dir_.File(L"config.dsc").c_str()), 0);
  MappedFile* config = context->files[kFileConfig];
  ASSERT_NE(config->lockPage, nullptr);
  { DataWriteLock first(context, 0); }
  const uint64_t takes = DataWriteLock::TakesOnThisThread();
  const uint64_t calls = DataWriteLock::SystemCallsOnThisThread();
  DWORD handlesBefore = 0, handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  for (int i = 0; i < 50; ++i) {
    DataWriteLock lock(context, 0);
    EXPECT_TRUE(lock.Held());
    DataWriteLock nested(config, 0);
    EXPECT_TRUE(nested.Held());
  }
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_EQ(handlesAfter, handlesBefore);
  EXPECT_EQ(DataWriteLock::TakesOnThisThread() - takes, 50u);
  EXPECT_EQ(DataWriteLock::SystemCallsOnThisThread(), calls);
  {
    DataWriteLock again(context, 0);
    ASSERT_TRUE(again.Held());
    EXPECT_FALSE(FreeForOtherThread());
    ChildProcess other(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"other.txt"));
    EXPECT_EQ(other.FirstLine(10000), "refused");
    other.CloseInput();
    other.Finish(10000);
    ASSERT_GT(ReopenMappedFile(config), 0);
  }
  EXPECT_TRUE(FreeForOtherThread());
  {
    DataWriteLock after(context, 0);
    EXPECT_TRUE(after.Held());
    EXPECT_FALSE(FreeForOtherThread());
  }
  CloseMappedFile(config, 0);
  std::free(context);
}

// A holder killed while it holds the lock is found dead and its lock taken
// over at once; what it was half way through is undone before the new
// holder writes, and every reader is told to look at its lengths again.
TEST_F(DataLockTest, LockOfAKilledHolderIsTakenOverAndItsChangeUndone) {
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  ASSERT_TRUE(main && main->lockPage);
  const LONG growth = main->lockPage->view->growth;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ChildProcess holder(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"holder.txt"));
    ASSERT_EQ(holder.FirstLine(10000), "held");
    EXPECT_FALSE(DataWriteLock(main.get(), 0).Held());
    // As if the holder had begun a whole-table change whose journal was gone.
    *reinterpret_cast<volatile uint32_t*>(main->view + kDmgChangingOffset) = 1;
    holder.Kill();
    const uint64_t takeOvers = main->lockPage->view->takeOvers;
    DataWriteLock lock(main.get(), 0);
    ASSERT_TRUE(lock.Held());
    EXPECT_TRUE(lock.TookOver());
    EXPECT_EQ(main->lockPage->view->takeOvers, takeOvers + 1);
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(main->view + kDmgChangingOffset), 0u);
  }
  EXPECT_NE(main->lockPage->view->growth, growth);
  // Let go normally, it is free again with nobody to take over from.
  DataWriteLock after(dir_.path().c_str(), 0);
  EXPECT_TRUE(after.Held());
  EXPECT_FALSE(after.TookOver());
}

// Records of one folder named in other spellings share one page: a nested
// writer does not wait for itself, and growth through one is seen by the other.
TEST_F(DataLockTest, SpellingsOfOneFolderShareTheLockAndTheGrowthWord) {
  std::wstring other = dir_.File(L"MAIN.DMG");
  for (wchar_t& c : other) c = c == L'\\' ? L'/' : c;
  MappedFilePtr writer = OpenTableFile(other);
  MappedFilePtr reader = OpenTableFile(dir_.File(L"main.dmg"));
  ASSERT_TRUE(writer && reader);
  EXPECT_EQ(writer->lockPage, reader->lockPage);
  {
    DataWriteLock outer(reader.get(), 0);
    ASSERT_TRUE(outer.Held());
    EXPECT_TRUE(DataWriteLock(writer.get(), 0).Held());
    const uint32_t size = writer->size;
    ASSERT_EQ(ResizeMappedFile(writer.get(), size + 4096), 1);
    RemapIfResized(reader.get());
    EXPECT_EQ(reader->size, size + 4096);
  }
  EXPECT_TRUE(FreeForOtherThread());
}

// A waiter marks its turn in the page; one that died waiting, or whose slot
// another process has taken since, must not keep the lock from anyone.
TEST_F(DataLockTest, AWaiterThatDiedDoesNotKeepTheLock) {
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  ASSERT_TRUE(main && main->lockPage);
  ASSERT_TRUE(DataWriteLock(main.get(), 0).Held());  // gives this process its slot
  LockPageLayout* page = main->lockPage->view;
  const LONG slot = (main->lockPage->slot + 7) & (kLockPageSlots - 1);
  const LONG64 dead = 0x3C3C3C3C3C3C3000LL | slot;
  page->slotTokens[slot] = dead;
  page->next = dead;
  EXPECT_TRUE(DataWriteLock(main.get(), 0).Held());
  EXPECT_EQ(page->next, 0);
  // A token its slot no longer names (the slot went to a later process).
  page->slotTokens[slot] = 0;
  page->next = dead;
  EXPECT_TRUE(DataWriteLock(main.get(), 0).Held());
  EXPECT_EQ(page->next, 0);
}

// A live holder that outlasts a whole wait costs this process that one wait:
// later takes give up at once while the same holder keeps the word, another
// holder is waited for as usual, and a stuck holder that dies is taken over.
TEST_F(DataLockTest, AHolderThatOutlastedAWaitIsNotWaitedForAgain) {
  MappedFilePtr main = OpenTableFile(dir_.File(L"main.dmg"));
  ASSERT_TRUE(main && main->lockPage);
  bool held = true;
  const auto waited = [&](uint32_t waitMs) {
    const ULONGLONG start = GetTickCount64();
    held = DataWriteLock(main.get(), waitMs).Held();
    return GetTickCount64() - start;
  };
  ChildProcess first(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"first.txt"));
  ASSERT_EQ(first.FirstLine(10000), "held");
  EXPECT_GE(waited(400), 350u);
  EXPECT_FALSE(held);
  EXPECT_LT(waited(2000), 300u) << "the same holder: no second wait";
  EXPECT_FALSE(held);
  first.CloseInput();
  ASSERT_TRUE(first.Finish(10000));

  ChildProcess second(kWriter, L"hold " + Quoted(dir_.path()), dir_.File(L"second.txt"));
  ASSERT_EQ(second.FirstLine(10000), "held");
  EXPECT_GE(waited(400), 350u) << "another holder is waited for";
  EXPECT_FALSE(held);
  EXPECT_LT(waited(2000), 300u);
  second.Kill();
  EXPECT_LT(waited(2000), 300u);
  EXPECT_TRUE(held) << "a stuck holder that died is taken over at once";
}

// The process remembers eight stuck holders; past that the oldest gives way.
// However many came and went, each one still remembered is not waited for.
TEST_F(DataLockTest, StuckHoldersStillRememberedAfterManyAreNotWaitedFor) {
  constexpr int kFolders = 9;
  std::vector<std::unique_ptr<TempDir>> dirs;
  std::vector<MappedFilePtr> tables;
  std::vector<std::unique_ptr<ChildProcess>> holders;
  for (int i = 0; i < kFolders; ++i) {
    dirs.push_back(std::make_unique<TempDir>());
    ASSERT_TRUE(WriteFileBytes(dirs[i]->File(L"config.dsc"), DefaultConfig()));
    ASSERT_TRUE(WriteFileBytes(dirs[i]->File(L"main.dmg"), BuildDmgBytes(RandomEntries(5, 10))));
    tables.push_back(OpenTableFile(dirs[i]->File(L"main.dmg")));
    ASSERT_TRUE(tables[i] && tables[i]->lockPage);
    holders.push_back(std::make_unique<ChildProcess>(kWriter, L"hold " + Quoted(dirs[i]->path()),
                                                     dirs[i]->File(L"holder.txt")));
    ASSERT_EQ(holders[i]->FirstLine(10000), "held");
  }
  const auto waited = [&](int i, uint32_t waitMs) {
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(DataWriteLock(tables[i].get(), waitMs).Held());
    return GetTickCount64() - start;
  };
  // Sixteen holders outlast a wait: the last eight are remembered.
  for (int n = 0; n < 16; ++n) waited(n % kFolders, 30);
  for (int n = 8; n < 16; ++n) EXPECT_LT(waited(n % kFolders, 1500), 300u) << "folder " << n % kFolders;
  for (auto& holder : holders) holder->Kill();
}