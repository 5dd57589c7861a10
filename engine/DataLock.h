// The data folder's write lock: every process that changes a mapped table or
// config.dsc holds it for the change; readers never take it.
//
//   DataWriteLock lock(context);          // or (mappedFile) or (L"C:\\data\\")
//   if (!lock.Held()) return 0;           // nothing written: report a failure
//   RemapIfResized(table);                // another writer may have grown it
//   ... re-read what is changed, check it, then write ...
//
// The lock is an exclusive byte-range lock on one byte far past the end of
// the folder's config.dsc (a folder without one: the table file itself).
// Every process that can open the file can take it, sandboxed ones included,
// and the system drops it when its holder dies. A thread that already holds
// the lock of a folder takes it again at no cost (nested writers).
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/MappedFile.h"

struct ImeContext;

// How long a writer waits for another one before giving up.
inline constexpr uint32_t kDataLockWaitMs = 2000;

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

  // How many times the calling thread placed the byte-range lock (nested
  // takes not counted): lets tests and benchmarks see which paths lock.
  static uint64_t TakesOnThisThread();

  // Names one file: its index and creation time.
  struct FileKey {
    uint64_t index;
    uint64_t created;
  };

 private:
  void TakeFile(const MappedFile* file, uint32_t waitMs);
  // Locks the file behind handle (lockPath names it), which this holder owns
  // from here on.
  void Take(HANDLE handle, const wchar_t* lockPath, uint32_t waitMs, bool keyKnown = false);
  // Takes the lock of the folder of config, on the handle config keeps.
  void TakeKept(MappedFile* config, uint32_t waitMs);
  // Hands handle_ back to keeper_; false when it must be closed instead.
  bool Keep();
  // Takes again a lock this thread holds.
  void Nest(FileKey key);

  HANDLE handle_ = nullptr;
  FileKey key_{};
  MappedFile* keeper_ = nullptr;  // gets handle_ back on release
  uint32_t keeperGeneration_ = 0;
  bool held_ = false;
  bool locked_ = false;  // this holder placed the byte-range lock
  bool nested_ = false;  // this holder took a lock of its thread again
};
