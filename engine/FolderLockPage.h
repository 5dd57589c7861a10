// The data folder's shared lock page: a small file beside config.dsc that
// every process of the folder maps. It holds the write lock's owner word,
// a growth word that writers bump around every change of a table's length,
// and one token per process slot. Each process that writes holds a byte-range
// lock on its slot's life byte for as long as the page is open; the system
// drops it when the process dies, which is how a dead lock holder is told
// from a live one without asking the holder.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr wchar_t kLockPageName[] = L"write.lck";
inline constexpr uint32_t kLockPageSlots = 4096;
// A data folder's path with config.dsc, or a table's path, fits this.
inline constexpr uint32_t kLockPathUnits = 272;

struct LockPageLayout {
  volatile LONG64 owner;      // token of the writer holding the lock; 0 free
  volatile LONG growth;       // bumped before and after a table's length changes
  volatile LONG takeOvers;    // locks taken from a dead holder
  volatile LONG64 next;       // token of a waiting writer that goes first; 0 none
  // Bumped by every writer as it takes the lock, before its first write, and
  // as it lets go, after its last: readers that keep what they built from
  // the tables compare it to learn of any change, also one that leaves every
  // length as it was.
  volatile LONG changes;
  uint8_t reserved[36];
  volatile LONG64 slotTokens[kLockPageSlots];  // token of the live process of each slot
};

static_assert(sizeof(LockPageLayout) == 64 + 8 * kLockPageSlots);

// Names one file for as long as it exists: its volume's serial number and
// its ID in that volume. (A creation time would not do: some file systems
// report the last change in its place.)
struct FileId {
  uint64_t volume;
  uint64_t low;
  uint64_t high;  // 0 where the volume gives only a 64-bit index
  bool operator==(const FileId&) const = default;
};

struct FolderLockPage {
  FileId fileId;             // of the page file: every path that leads to it finds this record
  HANDLE file;
  HANDLE mapping;
  LockPageLayout* view;
  volatile LONG refs;
  volatile LONG contexts;    // input contexts of this process reading the folder
  volatile LONG slot;        // -1 until this process first writes
  LONG64 token;              // this process's owner word, with its slot in the low bits
};

// The page of the folder of path (a file of the folder, or the folder's
// config.dsc), opened or created on first use; null when the folder has no
// config.dsc or the page cannot be mapped. Each non-null result holds a
// reference given back by ReleaseLockPage. Not for the key path: it opens
// the page file the path leads to now.
FolderLockPage* AcquireLockPage(const wchar_t* path);
// The page of a data folder named with or without a trailing backslash.
FolderLockPage* AcquireFolderLockPage(const wchar_t* folder);
void ReleaseLockPage(FolderLockPage* page);
// Another reference to a page the caller holds one of; no system call.
inline void PinLockPage(FolderLockPage* page) { InterlockedIncrement(&page->refs); }

// The identity of the file behind h: the 128-bit file ID where the volume
// gives one (ReFS reuses 64-bit indexes; the query also costs one call where
// GetFileInformationByHandle makes two), the 64-bit index otherwise.
bool FileIdentity(HANDLE h, FileId* id);
// The choice between the system's two answers, either of which may be
// missing (null): the 128-bit ID unless it is absent or zero.
bool ChooseFileId(const FILE_ID_INFO* idInfo, const BY_HANDLE_FILE_INFORMATION* info, FileId* id);
// The same identity as one index (the two halves of the ID folded), for
// records that keep 64 bits.
inline bool FileIdentity(HANDLE h, uint64_t* index, uint64_t* volume) {
  FileId id;
  if (!FileIdentity(h, &id)) return false;
  *index = id.low ^ id.high;
  *volume = id.volume;
  return true;
}
// Paths compared as the file system does: letter case and slashes aside.
wchar_t FoldedPathUnit(wchar_t c);
bool SameLockPath(const wchar_t* a, const wchar_t* b);
// config.dsc of the folder path lies in (path itself when it names it).
bool ConfigPathBeside(const wchar_t* path, wchar_t (&out)[kLockPathUnits]);

// Gives this process a slot and its life byte; true once it has one.
bool ClaimLockSlot(FolderLockPage* page);
// True when token names no live process of the folder.
bool LockHolderDead(FolderLockPage* page, LONG64 token);

// An aligned volatile load: x86 keeps it ordered after earlier loads.
inline LONG ReadGrowth(const FolderLockPage* page) { return page->view->growth; }
inline void BumpGrowth(FolderLockPage* page) { InterlockedIncrement(&page->view->growth); }
inline LONG ReadChanges(const FolderLockPage* page) { return page->view->changes; }
inline LONG64 ReadOwner(const FolderLockPage* page) { return page->view->owner; }
