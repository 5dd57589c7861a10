// Reads a whole zip archive into memory: every entry's name and uncompressed
// data. Window-free; the module (skins) and the installer (package) share it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/PointerLayout.h"

// One zip entry read whole. Layout kept as the loader has always returned it:
// the 4 bytes between length and data carry the read status.
struct ArchiveEntry {
  char name[64];    // as stored in the archive, NUL-terminated (cut to 63)
  uint32_t length;  // uncompressed bytes in data; 0 when not read
  uint32_t flags;   // kArchiveEntry* bits
  uint8_t* data;    // malloc'ed, exactly length bytes, no terminator; or null
};
static_assert(sizeof(ArchiveEntry) == ByPointerSize(80, 76));
static_assert(offsetof(ArchiveEntry, length) == 64);
static_assert(offsetof(ArchiveEntry, data) == 72);

// The entry was read and its CRC matched (also set for a valid empty entry,
// which has length 0 and no data).
constexpr uint32_t kArchiveEntryRead = 0x1;
// The stored name did not fit name[] and was cut: never match it as a file.
constexpr uint32_t kArchiveEntryNameCut = 0x2;

// The zip marks the name as UTF-8 (general-purpose bit 11); otherwise its
// code page is unknown.
constexpr uint32_t kArchiveEntryUtf8Name = 0x4;

// A malloc'ed block: the count, then count entries in central-directory order.
// Entries that could not be read keep length 0, no data and no kArchiveEntryRead.
struct ArchiveEntryList {
  uint32_t count;
  uint32_t reserved;
  ArchiveEntry* Entries() { return reinterpret_cast<ArchiveEntry*>(this + 1); }
  const ArchiveEntry* Entries() const { return reinterpret_cast<const ArchiveEntry*>(this + 1); }
};
static_assert(sizeof(ArchiveEntryList) == 8);

// Which entries a caller reads: the others keep their name but no data.
using ArchiveEntryFilter = bool (*)(const char* name);

// What a caller is prepared to hold. The zip directory is never trusted: an
// entry that declares more than maxEntryBytes is skipped unread, and reading
// stops adding data once maxTotalBytes would be passed.
struct ArchiveLimits {
  uint32_t maxEntries;
  uint32_t maxEntryBytes;
  uint64_t maxTotalBytes;
  ArchiveEntryFilter wanted = nullptr;  // null: every entry
};

// Opens the archive (path in the ANSI code page) with the Win32 file functions
// and reads every entry. Null when it cannot be opened, its directory claims
// more than maxEntries entries, or the list cannot be allocated.
ArchiveEntryList* LoadArchiveEntries(const char* ansiPath, const ArchiveLimits& limits);
// The same for a UTF-16 path, which any folder name can be expressed in.
ArchiveEntryList* LoadArchiveEntriesW(const wchar_t* path, const ArchiveLimits& limits);

// Reads the archive's current entry (an unzFile) into entry. Returns the bytes
// read (0 for a valid empty entry), or -1 when the entry is unreadable:
// too large, encrypted, of an unknown method, short, or failing its CRC, or
// refused by wanted (its name is still filled in).
int64_t ReadArchiveEntry(void* archive, ArchiveEntry* entry, uint32_t maxEntryBytes,
                         ArchiveEntryFilter wanted = nullptr);

// Frees every entry's data and the list; null is ignored.
void FreeArchiveEntries(ArchiveEntryList* list);
