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

struct LockPageLayout {
  volatile LONG64 owner;      // token of the writer holding the lock; 0 free
  volatile LONG growth;       // bumped before and after a table's length changes
  volatile LONG takeOvers;    // locks taken from a dead holder
  uint8_t reserved[48];
  volatile LONG64 slotTokens[kLockPageSlots];  // token of the live process of each slot
};

struct FolderLockPage {
  wchar_t configPath[272];   // <folder>\config.dsc, as first named
  uint64_t fileIndex;        // identity of the page file: other spellings of the
  uint64_t fileCreated;      // folder find this record
  HANDLE file;
  HANDLE mapping;
  LockPageLayout* view;
  volatile LONG refs;
  volatile LONG slot;        // -1 until this process first writes
  LONG64 token;              // this process's owner word, with its slot in the low bits
};

// The page of the folder of path (a file of the folder, or the folder's
// config.dsc), opened or created on first use; null when the folder has no
// config.dsc or the page cannot be mapped. Each non-null result holds a
// reference given back by ReleaseLockPage. Not for the key path: a search.
FolderLockPage* AcquireLockPage(const wchar_t* path);
// The page of a data folder named with or without a trailing backslash.
FolderLockPage* AcquireFolderLockPage(const wchar_t* folder);
void ReleaseLockPage(FolderLockPage* page);
// Another reference to a page the caller holds one of; no system call.
inline void PinLockPage(FolderLockPage* page) { InterlockedIncrement(&page->refs); }

// Gives this process a slot and its life byte; true once it has one.
bool ClaimLockSlot(FolderLockPage* page);
// True when token names no live process of the folder.
bool LockHolderDead(FolderLockPage* page, LONG64 token);

// An aligned volatile load: x86 keeps it ordered after earlier loads.
inline LONG ReadGrowth(const FolderLockPage* page) { return page->view->growth; }
inline void BumpGrowth(FolderLockPage* page) { InterlockedIncrement(&page->view->growth); }
