// The data folder's write lock: LockFileEx on one byte at 2^62 of config.dsc.
// A named mutex would not do: an AppContainer process has a Local\ namespace
// of its own, while a lock on the shared file reaches every process that can
// open it, and dies with its holder.
#include "engine/DataLock.h"

#include <winternl.h>

#include "engine/ImeContext.h"
#include "engine/WideString.h"

namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // byte 2^62: never part of any file
constexpr wchar_t kLockFileName[] = L"config.dsc";
constexpr uint32_t kLockFileNameUnits = 10;
constexpr uint32_t kLockPathUnits = kPathUnits + kLockFileNameUnits + 2;

// The locks the calling thread holds, so a writer nested inside another one
// (a promotion appending to a table) does not wait for itself: byte-range
// locks are not recursive, not even on one handle. A nested writer is known
// by the lock file's path without a system call, else by the file's identity.
struct HeldLock {
  wchar_t path[kLockPathUnits];
  DataWriteLock::FileKey key;
  uint32_t depth;
};
constexpr int kMaxHeldLocks = 4;
thread_local HeldLock heldLocks[kMaxHeldLocks];
thread_local int heldLockCount = 0;
thread_local uint64_t lockTakes = 0;

wchar_t Folded(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  return c == L'/' ? L'\\' : c;
}

bool SamePath(const wchar_t* a, const wchar_t* b) {
  for (uint32_t i = 0; i < kLockPathUnits; ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
    if (!a[i]) return true;
  }
  return false;
}

HeldLock* HeldByPath(const wchar_t* path) {
  for (int i = 0; i < heldLockCount; ++i) {
    if (SamePath(heldLocks[i].path, path)) return &heldLocks[i];
  }
  return nullptr;
}

HeldLock* HeldByKey(const DataWriteLock::FileKey& key) {
  for (int i = 0; i < heldLockCount; ++i) {
    if (heldLocks[i].key.index == key.index && heldLocks[i].key.created == key.created) {
      return &heldLocks[i];
    }
  }
  return nullptr;
}

// The file's index and creation time: together they name one file. (The
// volume serial number would cost a slow query on some systems.)
bool KeyOf(HANDLE h, DataWriteLock::FileKey* key) {
  IO_STATUS_BLOCK status;
  LARGE_INTEGER index;
  FILE_BASIC_INFO basic;
  if (NtQueryInformationFile(h, &status, &index, sizeof(index), FileInternalInformation) < 0 ||
      !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof(basic))) {
    return false;
  }
  key->index = static_cast<uint64_t>(index.QuadPart);
  key->created = static_cast<uint64_t>(basic.CreationTime.QuadPart);
  return true;
}

HANDLE OpenForLock(const wchar_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

HANDLE Duplicate(HANDLE h) {
  HANDLE copy = nullptr;
  if (!h || !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

// config.dsc beside path (path itself when it names config.dsc) into out.
bool FolderLockPath(const wchar_t* path, wchar_t (&out)[kLockPathUnits]) {
  uint32_t folder = 0;
  for (uint32_t i = 0; i < kPathUnits && path[i]; ++i) {
    if (path[i] == L'\\' || path[i] == L'/') folder = i + 1;
  }
  for (uint32_t i = 0; i < folder; ++i) out[i] = path[i];
  out[folder] = 0;
  return AppendStringBounded(out, kLockPathUnits, kLockFileName) == S_OK;
}

}  // namespace

DataWriteLock::DataWriteLock(const ImeContext* context, uint32_t waitMs) {
  MappedFile* config = context ? context->files[kFileConfig] : nullptr;
  if (!config) {
    // Settings held in memory only (tests, tools): the tables' folder decides.
    TakeFile(context ? context->files[kFileMain] : nullptr, waitMs);
    return;
  }
  if (HeldLock* held = HeldByPath(config->path)) {
    Nest(held->key);
    return;
  }
  TakeKept(config, waitMs);
}

// Every commit writes under this lock; a handle and identity kept with the
// context make the take one system call (LockFileEx) and the release one.
void DataWriteLock::TakeKept(MappedFile* config, uint32_t waitMs) {
  keeper_ = config;
  keeperGeneration_ = config->generation;
  // Borrowed while held: another thread of the process using the context
  // makes its own handle meanwhile.
  HANDLE kept = InterlockedExchangePointer(&config->lockHandle, nullptr);
  if (kept && (config->lockIndex || config->lockCreated)) {
    key_ = FileKey{config->lockIndex, config->lockCreated};
    Take(kept, config->path, waitMs, true);
    return;
  }
  if (kept) CloseHandle(kept);
  // The context's own config.dsc handle is never reopened while it lives.
  Take(config->file ? Duplicate(config->file) : OpenForLock(config->path), config->path, waitMs);
}

DataWriteLock::DataWriteLock(const MappedFile* file, uint32_t waitMs) { TakeFile(file, waitMs); }

DataWriteLock::DataWriteLock(const wchar_t* dataFolder, uint32_t waitMs) {
  if (!dataFolder || !dataFolder[0]) return;
  wchar_t path[kLockPathUnits];
  if (CopyStringBounded(path, kPathUnits, dataFolder) != S_OK) return;
  const uint32_t n = BoundedLength(path, kPathUnits);
  if (path[n - 1] != L'\\' && path[n - 1] != L'/') AppendStringBounded(path, kLockPathUnits, L"\\");
  if (AppendStringBounded(path, kLockPathUnits, kLockFileName) != S_OK) return;
  if (HeldLock* held = HeldByPath(path)) {
    Nest(held->key);
    return;
  }
  Take(OpenForLock(path), path, waitMs);
}

void DataWriteLock::TakeFile(const MappedFile* file, uint32_t waitMs) {
  if (!file) {
    held_ = true;
    return;
  }
  wchar_t lockPath[kLockPathUnits];
  if (!FolderLockPath(file->path, lockPath)) return;
  HeldLock* held = HeldByPath(lockPath);
  if (!held) held = HeldByPath(file->path);
  if (held) {
    Nest(held->key);
    return;
  }
  if (HANDLE h = OpenForLock(lockPath)) {
    Take(h, lockPath, waitMs);
    return;
  }
  // A folder without config.dsc is no data folder: its writers share the
  // lock of the file itself.
  Take(file->file ? Duplicate(file->file) : OpenForLock(file->path), file->path, waitMs);
}

void DataWriteLock::Take(HANDLE handle, const wchar_t* lockPath, uint32_t waitMs, bool keyKnown) {
  handle_ = handle;
  if (!handle_ || (!keyKnown && !KeyOf(handle_, &key_))) return;
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
    if (LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return;
    if (DefaultOs().TickCount64() - start >= waitMs) return;
    Sleep(pause);
    if (pause < 4) pause *= 2;
  }
  ++lockTakes;
  HeldLock& held = heldLocks[heldLockCount++];
  CopyStringBounded(held.path, kLockPathUnits, lockPath);
  held.key = key_;
  held.depth = 1;
  locked_ = true;
  held_ = true;
}

bool DataWriteLock::Keep() {
  // A reopened file may be another one: its handle is not kept.
  if (keeper_->generation != keeperGeneration_ || (!key_.index && !key_.created)) return false;
  keeper_->lockIndex = key_.index;
  keeper_->lockCreated = key_.created;
  return InterlockedCompareExchangePointer(&keeper_->lockHandle, handle_, nullptr) == nullptr;
}

uint64_t DataWriteLock::TakesOnThisThread() { return lockTakes; }

void DataWriteLock::Nest(FileKey key) {
  HeldLock* held = HeldByKey(key);
  if (!held) return;
  ++held->depth;
  key_ = key;
  nested_ = held_ = true;
}

DataWriteLock::~DataWriteLock() {
  if (locked_) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(handle_, 0, 1, 0, &at);
  }
  if (handle_ && !(keeper_ && Keep())) CloseHandle(handle_);
  if (!locked_ && !nested_) return;
  if (HeldLock* held = HeldByKey(key_)) {
    if (--held->depth == 0) *held = heldLocks[--heldLockCount];
  }
}
