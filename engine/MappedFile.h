// One data file mapped whole, read/write and shared with every other process.
#pragma once

#include <windows.h>
#include <cstdint>

struct MappedFile {
  uint32_t size;       // bytes covered by the view; a memory copy: file size + 10
  wchar_t path[260];   // the path it was opened by, cut to 259 units
  HANDLE file;         // null for a memory copy
  HANDLE mapping;      // null for a memory copy
  uint8_t* view;       // base of the mapped view or of the memory copy
  // The data folder's write lock is taken on a handle of its own, kept here
  // between writes (DataLock.cpp): each new handle and identity query is a
  // slow system call on some systems. A reopen starts a new generation and
  // drops both.
  HANDLE lockHandle;   // null while a writer holds it, or before the first write
  uint64_t lockIndex;  // file index and creation time of the locked file;
  uint64_t lockCreated;  // both 0 until read
  uint32_t generation;
};

// Returns the size (> 0) or the fallback's result; *out is a GlobalAlloc'ed record.
int OpenMappedFile(MappedFile** out, const wchar_t* path);
int ReadWholeFile(MappedFile** out, const wchar_t* path);
int ResizeMappedFile(MappedFile* mf, uint32_t newSize);
// Flushes a shared mapping when flush > 0 (the engine always passes 1), then
// unmaps, closes and frees the record; null is ignored.
void CloseMappedFile(MappedFile* mf, int flush);
int ReopenMappedFile(MappedFile* mf);
void RemapIfResized(MappedFile* mf);

// A memory copy (the file could not be mapped for writing) never reaches the
// disk: writers check this and report failure instead of losing the change.
inline bool IsWritableMapping(const MappedFile* mf) {
  return mf && mf->file && mf->view;
}

// Writes the dirty pages of a shared mapping to disk; 1 done, 0 for a record
// without a live mapping.
int FlushMappedFile(MappedFile* mf);
