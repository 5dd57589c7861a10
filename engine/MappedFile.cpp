// Whole-file shared mappings with resize and remap, and the private in-memory
// copy that serves a file which cannot be mapped for writing.
#include "engine/MappedFile.h"

#include "engine/FolderLockPage.h"
#include "engine/PlainFile.h"
#include "engine/WideString.h"

namespace {

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
// The copy keeps 10 spare bytes; two of them stay zero behind the data so a
// UTF-16 text read this way is always terminated.
constexpr uint32_t kCopySpare = 10;
// Largest file served as a copy: its size plus the spare must fit the u32 size.
constexpr uint64_t kMaxCopiedFile = 0x7FFFFFFFull;

// The record of path, with the lock page of its folder and the growth word
// read before anything is sized.
MappedFile* NewRecord(const wchar_t* path) {
  auto* mf = static_cast<MappedFile*>(GlobalAlloc(GPTR, sizeof(MappedFile)));
  if (!mf) return nullptr;
  CopyStringBounded(mf->path, 260, path);
  mf->lockPage = AcquireLockPage(mf->path);
  if (mf->lockPage) mf->growthSeen = ReadGrowth(mf->lockPage);
  return mf;
}

void FreeRecord(MappedFile* mf) {
  ReleaseLockPage(mf->lockPage);
  SecureZeroMemory(mf, sizeof(*mf));
  GlobalFree(mf);
}

// Maps the first size bytes of mf->file read/write; on failure nothing stays
// open except the file.
bool MapFile(MappedFile* mf, uint32_t size) {
  if (size == 0) return false;
  HANDLE mapping = CreateFileMappingW(mf->file, nullptr, PAGE_READWRITE, 0, size, nullptr);
  if (!mapping) return false;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
  if (!view) {
    CloseHandle(mapping);
    return false;
  }
  mf->mapping = mapping;
  mf->view = static_cast<uint8_t*>(view);
  mf->size = size;
  return true;
}

void UnmapFile(MappedFile* mf, bool flush) {
  if (mf->view) {
    if (flush) FlushViewOfFile(mf->view, mf->size);
    UnmapViewOfFile(mf->view);
  }
  if (mf->mapping) CloseHandle(mf->mapping);
  mf->view = nullptr;
  mf->mapping = nullptr;
  mf->size = 0;
}

bool SetFileLength(HANDLE file, uint32_t size) {
  LARGE_INTEGER pos;
  pos.QuadPart = size;
  return SetFilePointerEx(file, pos, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool CurrentFileSize(HANDLE file, uint64_t* size) {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(file, &li)) return false;
  *size = static_cast<uint64_t>(li.QuadPart);
  return true;
}

// A record that holds nothing of its file: the copy of a file that was empty
// when it was read, or a record left without a view (the file was gone, or
// could not be mapped again). Any other copy is never read again.
bool HoldsNoData(const MappedFile* mf) {
  return !mf->file && (!mf->view || mf->size == kCopySpare);
}

// Moves fresh's file, mapping and view into mf, so every pointer to mf stays
// valid, and frees fresh's record; what mf held before is let go. A path
// that leads into another folder now (moved, or a link pointed elsewhere)
// gives nothing: the record keeps its folder's lock, which must not guard
// another folder's file.
bool TakeOver(MappedFile* mf, MappedFile* fresh) {
  if (fresh->lockPage != mf->lockPage) {
    CloseMappedFile(fresh, 0);
    return false;
  }
  if (mf->file) {
    UnmapFile(mf, true);
    CloseHandle(mf->file);
  } else if (mf->view) {
    GlobalFree(mf->view);
  }
  mf->size = fresh->size;
  mf->file = fresh->file;
  mf->mapping = fresh->mapping;
  mf->view = fresh->view;
  mf->fileIndex = fresh->fileIndex;
  if (fresh->lockPage) mf->growthSeen = fresh->growthSeen;
  FreeRecord(fresh);
  return true;
}

}  // namespace

int OpenMappedFile(MappedFile** out, const wchar_t* path) {
  if (!out) return 0;
  *out = nullptr;
  if (!path) return 0;
  MappedFile* mf = NewRecord(path);
  if (!mf) return ReadWholeFile(out, path);
  // Only the plain file of the folder is mapped writable: a link planted in
  // its place is served as a memory copy, which nothing writes back.
  mf->file = OpenPlainFile(path, GENERIC_READ | GENERIC_WRITE, kShareReadWrite, OPEN_EXISTING);
  uint64_t size = 0;
  // A file of 4 GB or more cannot be described by the 32-bit size; it is not
  // mapped partially.
  if (mf->file != INVALID_HANDLE_VALUE && CurrentFileSize(mf->file, &size) &&
      size <= 0xFFFFFFFFull && MapFile(mf, static_cast<uint32_t>(size))) {
    uint64_t volume = 0;
    FileIdentity(mf->file, &mf->fileIndex, &volume);
    *out = mf;
    return static_cast<int>(mf->size > 0x7FFFFFFFu ? 0x7FFFFFFF : mf->size);
  }
  if (mf->file != INVALID_HANDLE_VALUE) CloseHandle(mf->file);
  mf->file = nullptr;
  FreeRecord(mf);
  return ReadWholeFile(out, path);
}

int ReadWholeFile(MappedFile** out, const wchar_t* path) {
  if (!out) return 0;
  *out = nullptr;
  if (!path) return 0;
  HANDLE file = CreateFileW(path, GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  uint64_t size = 0;
  // A name planted to lead to a pipe or a device could keep the reader
  // waiting, in the host's thread: only files on disk are read.
  if (GetFileType(file) != FILE_TYPE_DISK || !CurrentFileSize(file, &size) || size > kMaxCopiedFile) {
    CloseHandle(file);
    return 0;
  }
  uint32_t total = static_cast<uint32_t>(size) + kCopySpare;
  auto* data = static_cast<uint8_t*>(GlobalAlloc(GPTR, total));
  MappedFile* mf = data ? NewRecord(path) : nullptr;
  DWORD got = 0;
  bool ok = mf && ReadFile(file, data, total - 2, &got, nullptr);
  CloseHandle(file);
  if (!ok) {
    if (data) GlobalFree(data);
    if (mf) FreeRecord(mf);
    return 0;
  }
  mf->size = total;
  mf->view = data;
  *out = mf;
  return 1;
}

int ResizeMappedFile(MappedFile* mf, uint32_t newSize) {
  // A private copy never reaches the disk, so growing it would only lose the
  // caller's data later; an empty file cannot be mapped at all.
  if (!IsWritableMapping(mf) || newSize == 0) return 0;
  uint32_t oldSize = mf->size;
  // Bumped before and after: a reader that saw the first bump before the new
  // length checks again after the second, and a writer killed in between
  // still leaves the word changed.
  if (mf->lockPage) BumpGrowth(mf->lockPage);
  struct BumpAfter {
    MappedFile* mf;
    ~BumpAfter() {
      if (mf->lockPage) {
        BumpGrowth(mf->lockPage);
        mf->growthSeen = ReadGrowth(mf->lockPage);
      }
    }
  } after{mf};
  UnmapFile(mf, true);
  if (!SetFileLength(mf->file, newSize)) {
    MapFile(mf, oldSize);
    return 0;
  }
  if (MapFile(mf, newSize)) return 1;
  // The new length could not be mapped: put the file back to the length it had
  // so the table stays usable and unchanged.
  if (newSize > oldSize) SetFileLength(mf->file, oldSize);
  if (!MapFile(mf, oldSize)) {
    CloseHandle(mf->file);
    mf->file = nullptr;
  }
  return 0;
}

void CloseMappedFile(MappedFile* mf, int flush) {
  if (!mf) return;
  if (mf->file) {
    UnmapFile(mf, flush > 0);
    CloseHandle(mf->file);
  } else if (mf->view) {
    GlobalFree(mf->view);
  }
  FreeRecord(mf);
}

int ReopenMappedFile(MappedFile* mf) {
  if (!mf) return 0;
  if (mf->file) {
    UnmapFile(mf, true);
    CloseHandle(mf->file);
  } else if (mf->view) {
    GlobalFree(mf->view);
  }
  mf->file = nullptr;
  mf->mapping = nullptr;
  mf->view = nullptr;
  mf->size = 0;
  mf->fileIndex = 0;
  if (GetFileAttributesW(mf->path) == INVALID_FILE_ATTRIBUTES) return 0;
  MappedFile* fresh = nullptr;
  if (OpenMappedFile(&fresh, mf->path) <= 0 || !fresh || !TakeOver(mf, fresh)) return 0;
  return static_cast<int>(mf->size > 0x7FFFFFFFu ? 0x7FFFFFFF : mf->size);
}

bool FileHasLength(const wchar_t* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return path && GetFileAttributesExW(path, GetFileExInfoStandard, &data) &&
         !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         (data.nFileSizeHigh != 0 || data.nFileSizeLow != 0);
}

bool ReopenIfFilled(MappedFile* mf) {
  if (!mf || !HoldsNoData(mf) || !FileHasLength(mf->path)) return false;
  // Opened as at first: only a plain file is mapped writable, and a link
  // that was put in its place is read as a copy again.
  MappedFile* fresh = nullptr;
  if (OpenMappedFile(&fresh, mf->path) <= 0 || !fresh) return false;
  if (HoldsNoData(fresh)) {
    // Emptied again meanwhile: the view stays where it is.
    CloseMappedFile(fresh, 0);
    return false;
  }
  return TakeOver(mf, fresh);
}

void RemapOrReopen(MappedFile* mf) {
  if (!mf) return;
  if (mf->file) {
    RemapIfResized(mf);
  } else {
    ReopenIfFilled(mf);
  }
}

void RemapIfResized(MappedFile* mf) {
  if (!mf) return;
  if (!mf->file) {
    // A record of an empty or vanished file looks at it again only when a
    // length in the folder changed: without the folder's word that would be
    // a question to the file system on every look.
    if (!mf->lockPage || !HoldsNoData(mf)) return;
    const LONG growth = ReadGrowth(mf->lockPage);
    if (growth == mf->growthSeen) return;
    mf->growthSeen = growth;
    ReopenIfFilled(mf);
    return;
  }
  if (mf->lockPage) {
    // Every change of a length in the folder bumps the word: while it stands
    // still no table grew, and the file system need not be asked.
    const LONG growth = ReadGrowth(mf->lockPage);
    if (growth == mf->growthSeen && mf->view) return;
    mf->growthSeen = growth;
  }
  uint64_t size = 0;
  if (!CurrentFileSize(mf->file, &size)) return;
  if (size != mf->size || !mf->view) ReopenMappedFile(mf);
}

int FlushMappedFile(MappedFile* mf) {
  if (!IsWritableMapping(mf)) return 0;
  return FlushViewOfFile(mf->view, mf->size) ? 1 : 0;
}
