// The data folder's write lock: an owner word in the folder's lock page.
// A named mutex would not do: an AppContainer process has a Local\ namespace
// of its own, while a file in the data folder reaches every process that can
// open it; the life bytes of the page tell when a holder died.
#include "engine/DataLock.h"

#include "engine/FolderLockPage.h"
#include "engine/ImeContext.h"
#include "engine/PlainFile.h"
#include "engine/SearchCache.h"
#include "engine/TableJournal.h"
#include "engine/WideString.h"

namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // byte 2^62: never part of any file

// The locks the calling thread holds, so a writer nested inside another one
// (a promotion appending to a table) does not wait for itself. A page lock is
// known by its page; a table's own lock by its path, else its identity.
struct HeldLock {
  FolderLockPage* page;
  wchar_t path[kLockPathUnits];
  DataWriteLock::FileKey key;
  uint32_t depth;
};
constexpr int kMaxHeldLocks = 4;
thread_local HeldLock heldLocks[kMaxHeldLocks];
thread_local int heldLockCount = 0;
thread_local uint64_t lockTakes = 0;
thread_local uint64_t lockSystemCalls = 0;

HeldLock* HeldByPage(const FolderLockPage* page) {
  for (int i = 0; i < heldLockCount; ++i) {
    if (heldLocks[i].page == page) return &heldLocks[i];
  }
  return nullptr;
}

HeldLock* HeldByPath(const wchar_t* path) {
  for (int i = 0; i < heldLockCount; ++i) {
    if (!heldLocks[i].page && SameLockPath(heldLocks[i].path, path)) return &heldLocks[i];
  }
  return nullptr;
}

HeldLock* HeldByKey(const DataWriteLock::FileKey& key) {
  for (int i = 0; i < heldLockCount; ++i) {
    if (!heldLocks[i].page && heldLocks[i].key.index == key.index &&
        heldLocks[i].key.volume == key.volume) {
      return &heldLocks[i];
    }
  }
  return nullptr;
}

// Holders a wait of this process ran out on, by lock page. A later take that
// finds the same owner token in the word gives up at once: a holder stuck for
// good (a suspended process) costs a typist one wait, not one per key. A free
// word or another owner forgets it.
struct StuckHolder {
  const FolderLockPage* page;
  LONG64 token;
};
constexpr int kMaxStuckHolders = 8;
SRWLOCK stuckLock = SRWLOCK_INIT;
StuckHolder stuckHolders[kMaxStuckHolders];
int nextStuckHolder = 0;
volatile LONG stuckHolderCount = 0;  // read without the lock: 0 on every ordinary take

LONG64 StuckHolderOf(const FolderLockPage* page) {
  if (stuckHolderCount == 0) return 0;
  LONG64 token = 0;
  AcquireSRWLockShared(&stuckLock);
  for (const StuckHolder& s : stuckHolders) {
    if (s.token != 0 && s.page == page) token = s.token;
  }
  ReleaseSRWLockShared(&stuckLock);
  return token;
}

void RememberStuckHolder(const FolderLockPage* page, LONG64 token) {
  AcquireSRWLockExclusive(&stuckLock);
  StuckHolder* entry = nullptr;
  for (StuckHolder& s : stuckHolders) {
    if (s.token != 0 && s.page == page) entry = &s;
  }
  for (int i = 0; i < kMaxStuckHolders && !entry; ++i) {
    if (stuckHolders[i].token == 0) entry = &stuckHolders[i];
  }
  if (!entry) {
    // Full: the oldest gives way (it costs one more wait at most); the entry
    // stays in use, so the count does not move.
    entry = &stuckHolders[nextStuckHolder];
    nextStuckHolder = (nextStuckHolder + 1) % kMaxStuckHolders;
  }
  if (entry->token == 0) InterlockedIncrement(&stuckHolderCount);
  entry->page = page;
  entry->token = token;
  ReleaseSRWLockExclusive(&stuckLock);
}

void ForgetStuckHolder(const FolderLockPage* page) {
  AcquireSRWLockExclusive(&stuckLock);
  for (StuckHolder& s : stuckHolders) {
    if (s.token != 0 && s.page == page) {
      s = StuckHolder{};
      InterlockedDecrement(&stuckHolderCount);
    }
  }
  ReleaseSRWLockExclusive(&stuckLock);
}

bool KeyOf(HANDLE h, DataWriteLock::FileKey* key) { return FileIdentity(h, &key->index, &key->volume); }

HANDLE OpenForLock(const wchar_t* path) {
  // The lock is taken on the table the writer maps, never on a link's target.
  HANDLE h = OpenPlainFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool EndsWithDmg(const wchar_t* path) {
  const uint32_t n = BoundedLength(path, kPathUnits);
  return n >= 4 && path[n - 4] == L'.' && FoldedPathUnit(path[n - 3]) == L'd' && FoldedPathUnit(path[n - 2]) == L'm' &&
         FoldedPathUnit(path[n - 1]) == L'g';
}

}  // namespace

DataWriteLock::DataWriteLock(const ImeContext* context, uint32_t waitMs) {
  MappedFile* config = context ? context->files[kFileConfig] : nullptr;
  if (!config) {
    // Settings held in memory only (tests, tools): the tables' folder decides.
    TakeFile(context ? context->files[kFileMain] : nullptr, waitMs);
  } else if (config->lockPage) {
    TakePage(config->lockPage, waitMs, false);
  } else {
    TakeFile(config, waitMs);
  }
  if (!tookOver_ || !context) return;
  // The dead writer may have been half way through a whole-table change.
  for (MappedFile* file : context->files) {
    if (file && EndsWithDmg(file->path)) RecoverIfAbandoned(file);
  }
}

DataWriteLock::DataWriteLock(const MappedFile* file, uint32_t waitMs) { TakeFile(file, waitMs); }

DataWriteLock::DataWriteLock(const wchar_t* dataFolder, uint32_t waitMs) {
  if (FolderLockPage* page = AcquireFolderLockPage(dataFolder)) TakePage(page, waitMs, true);
}

void DataWriteLock::TakeFile(const MappedFile* file, uint32_t waitMs) {
  if (!file) {
    held_ = true;
    return;
  }
  if (file->lockPage) {
    TakePage(file->lockPage, waitMs, false);
  } else if (HeldLock* held = HeldByPath(file->path)) {
    Nest(held->key);
    return;
  } else if (FolderLockPage* page = AcquireLockPage(file->path)) {
    // A record made without its folder's page (a file just created).
    TakePage(page, waitMs, true);
  } else {
    wchar_t lockPath[kLockPathUnits];
    // A data folder whose page cannot be opened has no lock to take.
    if (!ConfigPathBeside(file->path, lockPath) ||
        GetFileAttributesW(lockPath) != INVALID_FILE_ATTRIBUTES) {
      return;
    }
    // A folder without config.dsc is no data folder: its writers share the
    // lock of the file itself.
    Take(OpenForLock(file->path), file->path, waitMs);
  }
  if (tookOver_ && EndsWithDmg(file->path)) RecoverIfAbandoned(const_cast<MappedFile*>(file));
}

void DataWriteLock::TakePage(FolderLockPage* page, uint32_t waitMs, bool owned) {
  if (!owned) PinLockPage(page);
  page_ = page;
  if (HeldLock* held = HeldByPage(page)) {
    ++held->depth;
    nested_ = held_ = true;
    return;
  }
  if (heldLockCount == kMaxHeldLocks || !TakeWord(waitMs)) return;
  ++lockTakes;
  HeldLock& held = heldLocks[heldLockCount++];
  held.page = page;
  held.path[0] = 0;
  held.key = FileKey{};
  held.depth = 1;
  locked_ = held_ = true;
  // Bumped before the first write as well as after the last: whatever a
  // reader kept from the tables is stale from this holder's first byte on.
  const LONG changes = InterlockedIncrement(&page->view->changes);
  NoteWriteLockTaken(page, changes, tookOver_);
}

bool DataWriteLock::TakeWord(uint32_t waitMs) {
  if (page_->slot < 0) {
    ++lockSystemCalls;  // once per folder and process
    if (!ClaimLockSlot(page_)) return false;
  }
  LockPageLayout* shared = page_->view;
  const LONG64 token = page_->token;
  const LONG64 stuck = StuckHolderOf(page_);
  // A writer that has waited goes first: a process that commits in a loop
  // would otherwise take the word back before a sleeping one wakes.
  LONG64 queued = shared->next;
  if ((queued == 0 || queued == token) && InterlockedCompareExchange64(&shared->owner, token, 0) == 0) {
    if (queued == token) InterlockedCompareExchange64(&shared->next, 0, token);
    if (stuck != 0) ForgetStuckHolder(page_);
    return true;
  }
  // Still the holder an earlier wait ran out on: one look, no second wait.
  // A dead one is still taken over below.
  const uint32_t fullWaitMs = waitMs;
  if (stuck != 0 && shared->owner == stuck) waitMs = 0;
  // Polled: the holder may be in any process and wakes nobody.
  const uint64_t start = DefaultOs().TickCount64();
  DWORD pause = 1;
  for (;;) {
    queued = shared->next;
    if (queued == 0) {
      queued = InterlockedCompareExchange64(&shared->next, token, 0);
      if (queued == 0) queued = token;
    } else if (queued != token) {
      // A waiter that died, or that is stuck past half the wait, loses its turn.
      ++lockSystemCalls;
      if (LockHolderDead(page_, queued) || DefaultOs().TickCount64() - start > waitMs / 2) {
        InterlockedCompareExchange64(&shared->next, 0, queued);
        queued = 0;
      }
    }
    LONG64 seen = shared->owner;
    if (seen == 0 && (queued == token || queued == 0)) {
      seen = InterlockedCompareExchange64(&shared->owner, token, 0);
      if (seen == 0) break;
    }
    // Another thread of this process holds it when the token is ours.
    if (seen != 0 && seen != token) {
      ++lockSystemCalls;
      if (LockHolderDead(page_, seen) && InterlockedCompareExchange64(&shared->owner, token, seen) == seen) {
        tookOver_ = true;
        InterlockedIncrement(&shared->takeOvers);
        // Every reader checks its lengths again: the dead writer may have
        // grown a table without saying so.
        BumpGrowth(page_);
        break;
      }
    }
    if (DefaultOs().TickCount64() - start >= waitMs) {
      InterlockedCompareExchange64(&shared->next, 0, token);
      // A live holder of another process kept it for the whole of a real wait.
      if (fullWaitMs > 0 && seen != 0 && seen != token) {
        if (seen != stuck) RememberStuckHolder(page_, seen);
      } else if (stuck != 0 && seen != stuck) {
        ForgetStuckHolder(page_);
      }
      return false;
    }
    ++lockSystemCalls;  // the pause
    Sleep(pause);
    if (pause < 4) pause *= 2;
  }
  InterlockedCompareExchange64(&shared->next, 0, token);
  if (stuck != 0) ForgetStuckHolder(page_);
  return true;
}

void DataWriteLock::Take(HANDLE handle, const wchar_t* lockPath, uint32_t waitMs) {
  handle_ = handle;
  if (!handle_ || !KeyOf(handle_, &key_)) return;
  if (HeldByKey(key_)) {
    Nest(key_);
    return;
  }
  if (heldLockCount == kMaxHeldLocks) return;
  // The wait is polled: an overlapped lock wait would need a handle of its
  // own and is not carried out by every system this runs on.
  const uint64_t start = DefaultOs().TickCount64();
  DWORD pause = 1;
  for (;;) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    ++lockSystemCalls;
    if (LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return;
    if (DefaultOs().TickCount64() - start >= waitMs) return;
    Sleep(pause);
    if (pause < 4) pause *= 2;
  }
  ++lockTakes;
  HeldLock& held = heldLocks[heldLockCount++];
  held.page = nullptr;
  CopyStringBounded(held.path, kLockPathUnits, lockPath);
  held.key = key_;
  held.depth = 1;
  locked_ = true;
  held_ = true;
}

bool WriteLockHeldElsewhere(const FolderLockPage* page) {
  const LONG64 owner = ReadOwner(page);
  // Our token with this thread's hold: the writes are the thread's own.
  return owner != 0 && (owner != page->token || !HeldByPage(page));
}

uint64_t DataWriteLock::TakesOnThisThread() { return lockTakes; }
uint64_t DataWriteLock::SystemCallsOnThisThread() { return lockSystemCalls; }

void DataWriteLock::Nest(FileKey key) {
  HeldLock* held = HeldByKey(key);
  if (!held) return;
  ++held->depth;
  key_ = key;
  nested_ = held_ = true;
}

DataWriteLock::~DataWriteLock() {
  if (page_) {
    if (locked_ || nested_) {
      HeldLock* held = HeldByPage(page_);
      if (held && --held->depth == 0) *held = heldLocks[--heldLockCount];
    }
    // Let go only of the word this holder set: a holder wrongly thought dead
    // must not free a lock taken over since.
    if (locked_) {
      // Still held: no other writer can come between these writes and the bump.
      const LONG changes = InterlockedIncrement(&page_->view->changes);
      NoteWriteLockReleased(page_, changes, tookOver_);
      InterlockedCompareExchange64(&page_->view->owner, 0, page_->token);
    }
    ReleaseLockPage(page_);
    return;
  }
  if (locked_) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    ++lockSystemCalls;
    UnlockFileEx(handle_, 0, 1, 0, &at);
  }
  if (handle_) CloseHandle(handle_);
  if (!locked_ && !nested_) return;
  if (HeldLock* held = HeldByKey(key_)) {
    if (--held->depth == 0) *held = heldLocks[--heldLockCount];
  }
}
