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
  // The shared lock page of the data folder (FolderLockPage.h), null for a
  // file outside one. Its growth word tells a grown table without asking the
  // file system; growthSeen is the value this record last checked against.
  struct FolderLockPage* lockPage;
  long growthSeen;
  // The mapped file's index in its volume (FileIdentity); 0 for a memory copy.
  uint64_t fileIndex;
};

// Returns the size (> 0) or the fallback's result; *out is a GlobalAlloc'ed record.
int OpenMappedFile(MappedFile** out, const wchar_t* path);
int ReadWholeFile(MappedFile** out, const wchar_t* path);
int ResizeMappedFile(MappedFile* mf, uint32_t newSize);
// Flushes a shared mapping when flush > 0 (the engine always passes 1), then
// unmaps, closes and frees the record; null is ignored.
void CloseMappedFile(MappedFile* mf, int flush);
int ReopenMappedFile(MappedFile* mf);
// Maps a table another process grew. A record of a file that was empty or gone
// when it was read (a copy of 0 bytes, or no view) opens the file anew once it
// has a length, but only when the folder's growth word moved: one load while
// nothing changed, as on the key path.
void RemapIfResized(MappedFile* mf);
// A record of a file that was empty or gone opens it anew, into the same
// record, once it has a length: mapped writable when it is a plain file, else
// read as a copy, as a first open would. True when the view changed. Asks the
// file system each time: for looks after a change, not for the key path.
bool ReopenIfFilled(MappedFile* mf);
// RemapIfResized for a mapped record, ReopenIfFilled for any other.
void RemapOrReopen(MappedFile* mf);
// True when path names a file (no folder) of at least one byte.
bool FileHasLength(const wchar_t* path);

// A memory copy (the file could not be mapped for writing) never reaches the
// disk: writers check this and report failure instead of losing the change.
inline bool IsWritableMapping(const MappedFile* mf) {
  return mf && mf->file && mf->view;
}

// Writes the dirty pages of a shared mapping to disk; 1 done, 0 for a record
// without a live mapping.
int FlushMappedFile(MappedFile* mf);
