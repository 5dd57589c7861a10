// Zip reading loop around minizip: whole entries into malloc'ed buffers, the
// file read through a window of its own.
#include "ui/skin/ArchiveLoader.h"

#include <cstdlib>
#include <cstring>

#include <windows.h>

#include <unzip.h>

namespace {

// unzReadCurrentFile takes an unsigned and returns an int: read in slices.
constexpr uint32_t kReadSlice = 1u << 24;
// Bit 0 of the general-purpose flags: the entry is encrypted; bit 11: its
// name is UTF-8.
constexpr unsigned long kZipFlagEncrypted = 0x1;
constexpr unsigned long kZipFlagUtf8 = 0x800;

bool ReadExactly(unzFile zip, uint8_t* buffer, uint32_t length) {
  uint32_t done = 0;
  while (done < length) {
    uint32_t want = length - done < kReadSlice ? length - done : kReadSlice;
    int got = unzReadCurrentFile(zip, buffer + done, want);
    if (got <= 0) return false;
    done += static_cast<uint32_t>(got);
  }
  return true;
}

// minizip reads an archive's headers a few bytes at a time and seeks between
// them, tens of calls per entry; where each system call is costly that
// dominates loading a small skin. The file is read through a window of 64 KB
// instead, with positioned reads and no seeks of the system's own.
constexpr uint32_t kWindowBytes = 64 * 1024;

struct WindowedFile {
  HANDLE file;
  uint64_t size;
  uint64_t position;
  uint64_t windowStart;
  uint32_t windowBytes;
  bool failed;
  uint8_t window[kWindowBytes];
};

uint32_t ReadAt(WindowedFile* f, uint64_t at, uint8_t* out, uint32_t n) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(at);
  where.OffsetHigh = static_cast<DWORD>(at >> 32);
  DWORD got = 0;
  if (!ReadFile(f->file, out, n, &got, &where)) f->failed = true;
  return got;
}

HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForReading(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The path comes as minizip was given it: ANSI code page or UTF-16.
template <typename Char>
voidpf ZCALLBACK OpenWindowed(voidpf, const void* name, int) {
  HANDLE file = OpenForReading(static_cast<const Char*>(name));
  LARGE_INTEGER size;
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  auto* f = static_cast<WindowedFile*>(std::calloc(1, sizeof(WindowedFile)));
  if (!f || !GetFileSizeEx(file, &size)) {
    std::free(f);
    CloseHandle(file);
    return nullptr;
  }
  f->file = file;
  f->size = static_cast<uint64_t>(size.QuadPart);
  return f;
}

uLong ZCALLBACK ReadWindowed(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* f = static_cast<WindowedFile*>(stream);
  auto* out = static_cast<uint8_t*>(buffer);
  uLong done = 0;
  while (done < size && f->position < f->size && !f->failed) {
    const uint64_t offset = f->position - f->windowStart;
    if (f->position >= f->windowStart && offset < f->windowBytes) {
      uLong n = static_cast<uLong>(f->windowBytes - offset);
      if (n > size - done) n = size - done;
      std::memcpy(out + done, f->window + offset, n);
      done += n;
      f->position += n;
      continue;
    }
    const uLong want = size - done;
    if (want >= kWindowBytes) {
      // Entry data in large reads goes straight to the caller.
      const uint32_t got = ReadAt(f, f->position, out + done, want < kReadSlice ? want : kReadSlice);
      if (got == 0) break;
      done += got;
      f->position += got;
      continue;
    }
    f->windowStart = f->position;
    f->windowBytes = ReadAt(f, f->position, f->window, kWindowBytes);
    if (f->windowBytes == 0) break;
  }
  return done;
}

uLong ZCALLBACK WriteWindowed(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellWindowed(voidpf, voidpf stream) {
  return static_cast<WindowedFile*>(stream)->position;
}

long ZCALLBACK SeekWindowed(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<WindowedFile*>(stream);
  if (origin == ZLIB_FILEFUNC_SEEK_SET) f->position = offset;
  else if (origin == ZLIB_FILEFUNC_SEEK_CUR) f->position += offset;
  else if (origin == ZLIB_FILEFUNC_SEEK_END) f->position = f->size + offset;
  else return -1;
  return 0;
}

int ZCALLBACK CloseWindowed(voidpf, voidpf stream) {
  auto* f = static_cast<WindowedFile*>(stream);
  CloseHandle(f->file);
  std::free(f);
  return 0;
}

int ZCALLBACK ErrorWindowed(voidpf, voidpf stream) {
  return static_cast<WindowedFile*>(stream)->failed ? 1 : 0;
}

// minizip finds no end-of-directory record at offset 0, so it cannot open an
// archive with no entries at all: recognise that one file form here.
bool IsEmptyArchive(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE) return false;
  uint8_t record[22];
  DWORD got = 0;
  LARGE_INTEGER size;
  bool empty = GetFileSizeEx(file, &size) &&
               ReadFile(file, record, sizeof(record), &got, nullptr) && got == sizeof(record);
  CloseHandle(file);
  if (!empty) return false;
  uint32_t signature =
      record[0] | record[1] << 8 | record[2] << 16 | static_cast<uint32_t>(record[3]) << 24;
  uint32_t entries = record[10] | record[11] << 8;
  uint32_t commentBytes = record[20] | record[21] << 8;
  return signature == 0x06054b50 && entries == 0 &&
         size.QuadPart == static_cast<LONGLONG>(sizeof(record) + commentBytes);
}

ArchiveEntryList* ReadOpenArchive(unzFile zip, const ArchiveLimits& limits);

ArchiveEntryList* EmptyList() {
  return static_cast<ArchiveEntryList*>(std::calloc(1, sizeof(ArchiveEntryList)));
}

template <typename Char>
ArchiveEntryList* LoadFrom(const Char* path, const ArchiveLimits& limits) {
  if (!path) return nullptr;
  zlib_filefunc64_def files = {OpenWindowed<Char>, ReadWindowed,  WriteWindowed, TellWindowed,
                               SeekWindowed,       CloseWindowed, ErrorWindowed, nullptr};
  unzFile zip = unzOpen2_64(path, &files);
  if (!zip) return IsEmptyArchive(OpenForReading(path)) ? EmptyList() : nullptr;
  return ReadOpenArchive(zip, limits);
}

}  // namespace

int64_t ReadArchiveEntry(void* archive, ArchiveEntry* entry, uint32_t maxEntryBytes,
                         ArchiveEntryFilter wanted) {
  unzFile zip = archive;
  std::memset(entry, 0, sizeof(*entry));

  unz_file_info64 info;
  char name[sizeof(entry->name)];
  if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) {
    return -1;
  }
  // minizip leaves a name of 64 bytes or more unterminated.
  if (info.size_filename >= sizeof(name)) {
    std::memcpy(entry->name, name, sizeof(name) - 1);
    entry->flags |= kArchiveEntryNameCut;
  } else {
    std::memcpy(entry->name, name, info.size_filename);
  }

  if ((info.flag & kZipFlagUtf8) != 0) entry->flags |= kArchiveEntryUtf8Name;
  if (wanted && ((entry->flags & kArchiveEntryNameCut) != 0 || !wanted(entry->name))) return -1;
  if ((info.flag & kZipFlagEncrypted) != 0) return -1;
  // Any other method would be handed back raw, without a CRC check.
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return -1;
  if (info.uncompressed_size > maxEntryBytes) return -1;
  uint32_t length = static_cast<uint32_t>(info.uncompressed_size);

  uint8_t* buffer = nullptr;
  if (length > 0) {
    buffer = static_cast<uint8_t*>(std::malloc(length));
    if (!buffer) return -1;
  }
  if (unzOpenCurrentFile(zip) != UNZ_OK) {
    std::free(buffer);
    return -1;
  }
  bool ok = ReadExactly(zip, buffer, length);
  // A damaged deflated entry, or one whose data does not match its CRC,
  // shows only here.
  if (unzCloseCurrentFile(zip) != UNZ_OK) ok = false;
  if (!ok) {
    std::free(buffer);
    return -1;
  }
  entry->data = buffer;
  entry->length = length;
  entry->flags |= kArchiveEntryRead;
  return length;
}

ArchiveEntryList* LoadArchiveEntries(const char* ansiPath, const ArchiveLimits& limits) {
  return LoadFrom(ansiPath, limits);
}

ArchiveEntryList* LoadArchiveEntriesW(const wchar_t* path, const ArchiveLimits& limits) {
  return LoadFrom(path, limits);
}

namespace {

ArchiveEntryList* ReadOpenArchive(unzFile zip, const ArchiveLimits& limits) {
  unz_global_info64 global;
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK || global.number_entry > limits.maxEntries) {
    unzClose(zip);
    return nullptr;
  }
  uint32_t count = static_cast<uint32_t>(global.number_entry);
  size_t bytes = sizeof(ArchiveEntryList) + sizeof(ArchiveEntry) * static_cast<size_t>(count);
  auto* list = static_cast<ArchiveEntryList*>(std::calloc(1, bytes));
  if (!list) {
    unzClose(zip);
    return nullptr;
  }
  list->count = count;

  // The loop is bounded by the count allocated for, whatever the directory
  // does when walked.
  uint64_t total = 0;
  ArchiveEntry* entries = list->Entries();
  if (count > 0 && unzGoToFirstFile(zip) == UNZ_OK) {
    for (uint32_t i = 0; i < count; ++i) {
      uint64_t room = total < limits.maxTotalBytes ? limits.maxTotalBytes - total : 0;
      uint32_t cap =
          room < limits.maxEntryBytes ? static_cast<uint32_t>(room) : limits.maxEntryBytes;
      int64_t got = ReadArchiveEntry(zip, &entries[i], cap, limits.wanted);
      if (got > 0) total += static_cast<uint64_t>(got);
      if (i + 1 < count && unzGoToNextFile(zip) != UNZ_OK) break;
    }
  }
  unzClose(zip);  // also closes an entry left open
  return list;
}

}  // namespace

void FreeArchiveEntries(ArchiveEntryList* list) {
  if (!list) return;
  ArchiveEntry* entries = list->Entries();
  for (uint32_t i = 0; i < list->count; ++i) std::free(entries[i].data);
  std::free(list);
}
