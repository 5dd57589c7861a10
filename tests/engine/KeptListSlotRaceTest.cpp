// A folder's kept lists go with its last context while another thread
// commits with frequency writes on tables of the folder: the order note of
// the commit must never use a slot given back meanwhile. The committing
// thread is stopped at random points of its loop while the other thread
// closes the folder's last context, so that the gap between finding the
// slot and taking it is hit within seconds.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <random>

#include "engine/DataLock.h"
#include "engine/SearchCache.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/RoadTestContext.h"

namespace zn::test {
namespace {

std::vector<DmgTestEntry> Words() {
  std::mt19937 rng(11);
  std::vector<DmgTestEntry> entries;
  for (int i = 0; i < 60; ++i) {
    std::string code = "a";
    if (i % 3) code.push_back(static_cast<char>('a' + rng() % 4));
    entries.push_back({code, std::wstring(1, static_cast<wchar_t>(0x4E00 + i)), Attr(1, rng() % 12)});
  }
  return entries;
}

// Runs fn on a thread of its own until stop is set.
class Looper {
 public:
  template <typename Fn>
  explicit Looper(Fn fn) : fn_(fn) {
    thread_ = CreateThread(nullptr, 0, &Looper::Run, this, 0, nullptr);
  }
  ~Looper() {
    stop_.store(true);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  HANDLE thread() const { return thread_; }
  uint64_t rounds() const { return rounds_.load(); }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* me = static_cast<Looper*>(self);
    while (!me->stop_.load()) {
      me->fn_();
      me->rounds_.fetch_add(1);
    }
    return 0;
  }
  std::function<void()> fn_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> rounds_{0};
  HANDLE thread_;
};

TEST(KeptListSlots, AnOrderNoteNeverUsesASlotGivenBackMeanwhile) {
  // The committer's tables: mapped by the test itself, outside any context,
  // so the folder's last context is whichever the other thread opens.
  RoadContext road;
  ASSERT_TRUE(WriteFileBytes(road.dir().File(L"config.dsc"), road.configBytes()));
  road.SetMain(Words());
  road.SetTemp({{"ab", L"临时", 7}});
  ImeContext* c = road.get();
  ASSERT_NE(c->files[kFileMain]->lockPage, nullptr);
  c->imeBlock->sortWord = (c->imeBlock->sortWord & ~0x1Fu) | 2;  // step by step: every commit writes
  c->dmeBlock->codeOptions = kDmeOptPrefixHints;

  std::atomic<uint64_t> writes{0};
  Looper committer([&] {
    for (const wchar_t* code : {L"a", L"ab", L"ac"}) {
      road.Search(code);
      for (int s = c->slotsFilled; s >= 2; --s) {
        if (!FrequencyWouldChange(c, s)) continue;
        DataWriteLock lock(c->files[kFileMain]);
        if (!lock.Held()) break;
        AdjustFrequency(c, s);
        writes.fetch_add(1);
        break;
      }
    }
  });

  // The folder's last context is closed by a thread of its own, while the
  // committer is stopped; the close may wait for the committer (its flag,
  // its lock, the heap), so the committer goes on after a while regardless.
  // Most rounds count the folder's contexts as opening and closing one does
  // (a context's open costs milliseconds); every 16th opens a real one.
  FakeOs os;
  PointAtDataFolder(os, road.dir().path());
  const MappedFile* main = c->files[kFileMain];
  HANDLE closeNow = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE closed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::atomic<ImeContext*> open{nullptr};
  Looper closer([&] {
    if (WaitForSingleObject(closeNow, 50) != WAIT_OBJECT_0) return;
    if (ImeContext* context = open.exchange(nullptr)) {
      DestroyImeContext(context);
    } else {
      ReleaseFolderLists(main);
    }
    SetEvent(closed);
  });

  std::mt19937 rng(5);
  const uint64_t start = GetTickCount64();
  int cycles = 0, freedWhileStopped = 0;
  for (; cycles < 200000 && GetTickCount64() - start < 6000; ++cycles) {
    if (cycles % 16 == 0) {
      ImeContext* context = CreateImeContext(&os);
      ASSERT_NE(context, nullptr);
      open.store(context);
    } else {
      RetainFolderLists(main);
    }
    // Anywhere in the committer's loop.
    for (uint32_t spin = rng() % 4000; spin > 0; --spin) YieldProcessor();
    ASSERT_NE(SuspendThread(committer.thread()), static_cast<DWORD>(-1));
    SetEvent(closeNow);
    const bool freed = WaitForSingleObject(closed, 5) == WAIT_OBJECT_0;
    ResumeThread(committer.thread());
    if (freed) {
      ++freedWhileStopped;
    } else {
      ASSERT_EQ(WaitForSingleObject(closed, 20000), WAIT_OBJECT_0);
    }
  }
  CloseHandle(closeNow);
  CloseHandle(closed);
  std::printf("%d contexts closed, %d while the committer was stopped; %llu frequency writes\n", cycles,
              freedWhileStopped, static_cast<unsigned long long>(writes.load()));
  EXPECT_GT(freedWhileStopped, 100) << "the close ran while the committer was stopped";
  EXPECT_GT(writes.load(), static_cast<uint64_t>(cycles));
}

}  // namespace
}  // namespace zn::test
