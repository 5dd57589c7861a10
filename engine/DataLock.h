// The data folder's write lock: every process that changes a mapped table or
// config.dsc holds it for the change; readers never take it.
//
//   DataWriteLock lock(context);          // or (mappedFile) or (L"C:\\data\\")
//   if (!lock.Held()) return 0;           // nothing written: report a failure
//   RemapIfResized(table);                // another writer may have grown it
//   ... re-read what is changed, check it, then write ...
//
// The lock is an owner word in the folder's shared lock page (write.lck,
// FolderLockPage.h), taken with one compare-exchange: an uncontended take and
// release make no system call. A writer that finds it taken waits; when the
// holder's process is dead it takes the word over and puts right what a
// dead writer may have left. A live holder that outlasts a whole wait is
// remembered by the process: later takes that find the same holder in the
// word give up at once (a dead one is still taken over), until the word is
// seen free or with another owner. A thread that already holds the lock of a
// folder takes it again at no cost (nested writers). A folder without
// config.dsc has no page: its tables lock themselves with a byte-range lock.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/MappedFile.h"

struct FolderLockPage;

struct ImeContext;

// How long a writer waits for another one before giving up.
inline constexpr uint32_t kDataLockWaitMs = 2000;
// Told to the user when a change they asked for found the lock held past
// the wait.
inline constexpr wchar_t kDataBusyMessageText[] = L"数据文件正被其他程序修改，请稍后再试。";

// True when the folder's lock word is held by anyone but the calling thread:
// a writer may be half way through a change. One load when it is free.
bool WriteLockHeldElsewhere(const FolderLockPage* page);

class DataWriteLock {
 public:
  // The lock of the context's data folder. A context whose settings and
  // tables live in no file shares nothing: the lock is held at once.
  explicit DataWriteLock(const ImeContext* context, uint32_t waitMs = kDataLockWaitMs);
  // The lock of the folder a mapped file (config.dsc or a table) lies in.
  // A null file shares nothing: the lock is held at once.
  explicit DataWriteLock(const MappedFile* file, uint32_t waitMs = kDataLockWaitMs);
  // The lock of a data folder (with or without a trailing backslash); not
  // held when the folder has no config.dsc.
  explicit DataWriteLock(const wchar_t* dataFolder, uint32_t waitMs = kDataLockWaitMs);
  ~DataWriteLock();
  DataWriteLock(const DataWriteLock&) = delete;
  DataWriteLock& operator=(const DataWriteLock&) = delete;

  // True when the caller may write.
  bool Held() const { return held_; }

  // How many times the calling thread took a lock (nested takes not
  // counted), and how many system calls its takes and releases made: lets
  // tests and benchmarks see which paths lock and what that cost.
  static uint64_t TakesOnThisThread();
  static uint64_t SystemCallsOnThisThread();

  // True when this holder took the lock from a dead writer.
  bool TookOver() const { return tookOver_; }

  // Names one file: its index and volume.
  struct FileKey {
    uint64_t index;
    uint64_t volume;
  };

 private:
  void TakeFile(const MappedFile* file, uint32_t waitMs);
  // Takes the lock of a page; owned says whether this holder's page reference
  // is its own to give back (else it pins the page while held).
  void TakePage(FolderLockPage* page, uint32_t waitMs, bool owned);
  bool TakeWord(uint32_t waitMs);
  // Locks the file behind handle (a table outside a data folder), which this
  // holder owns from here on.
  void Take(HANDLE handle, const wchar_t* lockPath, uint32_t waitMs);
  // Takes again a lock this thread holds.
  void Nest(FileKey key);

  FolderLockPage* page_ = nullptr;
  HANDLE handle_ = nullptr;
  FileKey key_{};
  bool held_ = false;
  bool locked_ = false;    // this holder took the lock word or byte
  bool nested_ = false;    // this holder took a lock of its thread again
  bool tookOver_ = false;
};
