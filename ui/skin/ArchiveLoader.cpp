// Zip reading loop around minizip: whole entries into malloc'ed buffers.
#include "ui/skin/ArchiveLoader.h"

#include <cstdlib>
#include <cstring>

#include <windows.h>

// unzip.h brings the zlib declarations iowin32.h relies on.
#include <unzip.h>
#include <iowin32.h>

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

HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForReading(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file functions take the path in the ANSI code page or in UTF-16.
void FillFileFunctions(const char*, zlib_filefunc64_def* files) { fill_win32_filefunc64A(files); }
void FillFileFunctions(const wchar_t*, zlib_filefunc64_def* files) { fill_win32_filefunc64W(files); }

template <typename Char>
ArchiveEntryList* LoadFrom(const Char* path, const ArchiveLimits& limits) {
  if (!path) return nullptr;
  zlib_filefunc64_def files;
  FillFileFunctions(path, &files);
  unzFile zip = unzOpen2_64(path, &files);
  if (!zip) return IsEmptyArchive(OpenForReading(path)) ? EmptyList() : nullptr;
  return ReadOpenArchive(zip, limits);
}

}  // namespace

int64_t ReadArchiveEntry(void* archive, ArchiveEntry* entry, uint32_t maxEntryBytes) {
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
      int64_t got = ReadArchiveEntry(zip, &entries[i], cap);
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
