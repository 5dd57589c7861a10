// Lock pages are opened once per folder and process and shared by every
// record and lock of that folder; the last reference closes the page and so
// frees the process's slot.
#include "engine/FolderLockPage.h"

#include <cstring>

#include "engine/PlainFile.h"
#include "engine/SearchCache.h"
#include "engine/WideString.h"

namespace {

constexpr uint32_t kPageBytes = sizeof(LockPageLayout);
// Life bytes lie far past the end of the page file, one per slot.
constexpr DWORD kLifeOffsetHigh = 0x100;
constexpr LONG64 kSlotMask = 0xFFF;
static_assert(kLockPageSlots == kSlotMask + 1);

constexpr int kMaxPages = 64;
SRWLOCK pagesLock = SRWLOCK_INIT;
FolderLockPage* pages[kMaxPages];
int pageCount = 0;

// Tokens differ between processes and between lives of one slot.
LONG64 NewToken(LONG slot) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
               reinterpret_cast<uintptr_t>(&now);
  for (int i = 0; i < 2; ++i) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
  }
  x &= ~static_cast<uint64_t>(kSlotMask) & 0x7FFFFFFFFFFFFFFFull;
  if (x == 0) x = uint64_t{1} << 20;
  return static_cast<LONG64>(x) | slot;
}

bool LockLifeByte(HANDLE file, LONG slot) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(slot);
  at.OffsetHigh = kLifeOffsetHigh;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
}

void UnlockLifeByte(HANDLE file, LONG slot) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(slot);
  at.OffsetHigh = kLifeOffsetHigh;
  UnlockFileEx(file, 0, 1, 0, &at);
}

void ClosePage(FolderLockPage* page) {
  // The last context of the folder is gone: so are its kept lists.
  ForgetFolderLists(page);
  if (page->slot >= 0) {
    // The slot may go to another process now: this token stops naming it.
    InterlockedCompareExchange64(&page->view->slotTokens[page->slot], 0, page->token);
    UnlockLifeByte(page->file, page->slot);
  }
  UnmapViewOfFile(page->view);
  CloseHandle(page->mapping);
  CloseHandle(page->file);
  HeapFree(GetProcessHeap(), 0, page);
}

// Opens (or creates) the page file of the folder of configPath; null when
// the folder has no config.dsc or the page is not the folder's plain file.
HANDLE OpenPageFile(const wchar_t* configPath, FileId* id) {
  if (GetFileAttributesW(configPath) == INVALID_FILE_ATTRIBUTES) return nullptr;
  wchar_t pagePath[kLockPathUnits];
  CopyStringBounded(pagePath, kLockPathUnits, configPath);
  const uint32_t n = BoundedLength(pagePath, kLockPathUnits);
  if (n < 10) return nullptr;
  pagePath[n - 10] = 0;  // drops config.dsc
  if (AppendStringBounded(pagePath, kLockPathUnits, kLockPageName) != S_OK) return nullptr;
  // Not shared for deleting: while any process has the page open nobody can
  // delete, rename or replace it, so every process of the folder meets in
  // one page. A page that exists but is not the folder's plain file, or
  // cannot be opened, gives no page at all: writers then find no lock and
  // refuse rather than make a second one.
  HANDLE file = OpenPlainFile(pagePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  if (!FileIdentity(file, id)) {
    CloseHandle(file);
    return nullptr;
  }
  return file;
}

// The record of the page file behind file (whose identity is id), which it
// takes over; called with pagesLock held.
FolderLockPage* MapPage(HANDLE file, const FileId& id) {
  // A zero page is a free lock; creating it and extending it race harmlessly.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) ||
      (size.QuadPart < kPageBytes &&
       (!SetFilePointerEx(file, LARGE_INTEGER{.QuadPart = kPageBytes}, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file)))) {
    CloseHandle(file);
    return nullptr;
  }
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, kPageBytes, nullptr);
  void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kPageBytes)
                       : nullptr;
  auto* page = view ? static_cast<FolderLockPage*>(
                          HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FolderLockPage)))
                    : nullptr;
  if (!page || pageCount == kMaxPages) {
    if (page) HeapFree(GetProcessHeap(), 0, page);
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
    CloseHandle(file);
    return nullptr;
  }
  page->fileId = id;
  page->file = file;
  page->mapping = mapping;
  page->view = static_cast<LockPageLayout*>(view);
  page->slot = -1;
  pages[pageCount++] = page;
  return page;
}

}  // namespace

bool ChooseFileId(const FILE_ID_INFO* idInfo, const BY_HANDLE_FILE_INFORMATION* info, FileId* id) {
  if (idInfo) {
    uint64_t low = 0, high = 0;
    std::memcpy(&low, idInfo->FileId.Identifier, 8);
    std::memcpy(&high, idInfo->FileId.Identifier + 8, 8);
    if (low != 0 || high != 0) {
      *id = FileId{idInfo->VolumeSerialNumber, low, high};
      return true;
    }
  }
  if (!info) return false;
  *id = FileId{info->dwVolumeSerialNumber, (uint64_t{info->nFileIndexHigh} << 32) | info->nFileIndexLow, 0};
  return true;
}

bool FileIdentity(HANDLE h, FileId* id) {
  // Systems before Windows 8, and some file systems, refuse the query.
  FILE_ID_INFO idInfo;
  if (GetFileInformationByHandleEx(h, FileIdInfo, &idInfo, sizeof idInfo) && ChooseFileId(&idInfo, nullptr, id)) {
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(h, &info) && ChooseFileId(nullptr, &info, id);
}

wchar_t FoldedPathUnit(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  return c == L'/' ? L'\\' : c;
}

bool SameLockPath(const wchar_t* a, const wchar_t* b) {
  for (uint32_t i = 0; i < kLockPathUnits; ++i) {
    if (FoldedPathUnit(a[i]) != FoldedPathUnit(b[i])) return false;
    if (!a[i]) return true;
  }
  return false;
}

bool ConfigPathBeside(const wchar_t* path, wchar_t (&out)[kLockPathUnits]) {
  uint32_t folder = 0;
  for (uint32_t i = 0; i < kLockPathUnits - 12 && path[i]; ++i) {
    if (path[i] == L'\\' || path[i] == L'/') folder = i + 1;
  }
  for (uint32_t i = 0; i < folder; ++i) out[i] = path[i];
  out[folder] = 0;
  return AppendStringBounded(out, kLockPathUnits, L"config.dsc") == S_OK;
}

FolderLockPage* AcquireLockPage(const wchar_t* path) {
  wchar_t configPath[kLockPathUnits];
  if (!path || !ConfigPathBeside(path, configPath)) return nullptr;
  // The page file the path leads to now decides, never the path: a folder
  // moved away and another put in its place, a link in the path pointed
  // elsewhere, or a folder whose name differs only in letter case is
  // another folder with a lock of its own, and every spelling of one folder
  // meets in one record. Opened before the list is locked: a slow volume
  // holds up no other folder's opener.
  FileId id{};
  HANDLE file = OpenPageFile(configPath, &id);
  if (!file) return nullptr;
  AcquireSRWLockExclusive(&pagesLock);
  FolderLockPage* page = nullptr;
  for (int i = 0; i < pageCount && !page; ++i) {
    if (pages[i]->fileId == id) page = pages[i];
  }
  if (page) {
    CloseHandle(file);
  } else {
    page = MapPage(file, id);
  }
  if (page) InterlockedIncrement(&page->refs);
  ReleaseSRWLockExclusive(&pagesLock);
  return page;
}

FolderLockPage* AcquireFolderLockPage(const wchar_t* folder) {
  if (!folder || !folder[0]) return nullptr;
  wchar_t path[kLockPathUnits];
  if (CopyStringBounded(path, kLockPathUnits - 12, folder) != S_OK) return nullptr;
  const uint32_t n = BoundedLength(path, kLockPathUnits);
  if (path[n - 1] != L'\\' && path[n - 1] != L'/') AppendStringBounded(path, kLockPathUnits, L"\\");
  AppendStringBounded(path, kLockPathUnits, L"config.dsc");
  return AcquireLockPage(path);
}

void ReleaseLockPage(FolderLockPage* page) {
  if (!page || InterlockedDecrement(&page->refs) > 0) return;
  AcquireSRWLockExclusive(&pagesLock);
  // Someone may have found it again meanwhile.
  if (page->refs == 0) {
    for (int i = 0; i < pageCount; ++i) {
      if (pages[i] == page) {
        pages[i] = pages[--pageCount];
        ClosePage(page);
        break;
      }
    }
  }
  ReleaseSRWLockExclusive(&pagesLock);
}

bool ClaimLockSlot(FolderLockPage* page) {
  if (page->slot >= 0) return true;
  AcquireSRWLockExclusive(&pagesLock);
  if (page->slot < 0) {
    // Start anywhere so processes starting together do not race for slot 0.
    const LONG start = static_cast<LONG>(NewToken(0) >> 20) & kSlotMask;
    for (LONG i = 0; i < static_cast<LONG>(kLockPageSlots); ++i) {
      const LONG slot = (start + i) & kSlotMask;
      if (!LockLifeByte(page->file, slot)) continue;
      page->token = NewToken(slot);
      InterlockedExchange64(&page->view->slotTokens[slot], page->token);
      page->slot = slot;
      break;
    }
  }
  ReleaseSRWLockExclusive(&pagesLock);
  return page->slot >= 0;
}

bool LockHolderDead(FolderLockPage* page, LONG64 token) {
  const LONG slot = static_cast<LONG>(token & kSlotMask);
  // A slot taken over by a later process names another token.
  if (page->view->slotTokens[slot] != token) return true;
  if (slot == page->slot) return false;
  if (!LockLifeByte(page->file, slot)) return false;
  UnlockLifeByte(page->file, slot);
  return true;
}
