// Creating and destroying an ImeContext: product key, registry locations, the
// nine data files, the settings blocks, the temporary-word reset after a
// restart and the remap of grown tables.
#include "engine/ImeContext.h"

#include <cstring>

#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/Registry.h"
#include "engine/SearchCache.h"
#include "engine/Search.h"
#include "engine/TableJournal.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

constexpr const wchar_t* kDataFileNames[kDataFileCount] = {
    L"config.dsc", L"main.dmg", L"engl.dmg", L"temp.dmg", L"danzi.dmi",
    L"sysl.dmg", L"traditional.dms", L"simplified.dms", L"dict.dms",
};

// Stamps closer than this are the same start of the computer: the clock and
// the tick count drift apart by a few seconds, and clearing the low 8 bits
// alone still splits a boot whenever the drift crosses a 256-second boundary.
constexpr uint64_t kSameBootWindow = 512;

uint32_t pendingCommandState = 0;

bool IsCodeTableFile(DataFile file) {
  return file == kFileMain || file == kFileEnglish || file == kFileTemp || file == kFileAssociation;
}

// Empties a temp.dmg in place; false when it is no live, complete table.
bool EmptyTempTable(MappedFile* temp) {
  if (!IsWritableMapping(temp) || temp->size < kDmgKeyIndexOffset + kDmgKeyIndexBytes) return false;
  uint32_t edge = temp->size;
  uint32_t count = 0;
  NoteTableWritten(temp);
  std::memcpy(temp->view + kDmgEdgeOffset, &edge, sizeof(edge));
  std::memcpy(temp->view + kDmgCountOffset, &count, sizeof(count));
  // The index-valid flag and the offset table stay as they are.
  std::memset(temp->view + kDmgKeyIndexOffset, 0, kDmgKeyIndexBytes);
  FlushMappedFile(temp);
  return true;
}

// The path of data file i; false when it does not fit (a path cut to fit
// would name some other file: the file counts as absent).
bool DataFilePath(const ImeContext* context, DataFile i, wchar_t (&path)[kPathUnits]) {
  return FormatString(path, kPathUnits, L"%s%s", context->dataFolder, kDataFileNames[i]) == S_OK;
}

// Opens data file i of the context's folder; null when it is absent or
// cannot be read. A whole-table change a dead writer left in a code table is
// undone before it is read.
MappedFile* OpenDataFile(ImeContext* context, DataFile i) {
  wchar_t path[kPathUnits];
  if (!DataFilePath(context, i, path) || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
    return nullptr;
  MappedFile* file = nullptr;
  if (OpenMappedFile(&file, path) <= 0) return nullptr;
  if (i == kFileMain) RetainFolderLists(file);
  if (IsCodeTableFile(i)) RecoverIfAbandoned(file);
  return file;
}

}  // namespace

uint32_t PendingCommandState() {
  return pendingCommandState;
}

void SetPendingCommandState(uint32_t state) {
  pendingCommandState = state;
}

int OpenDataFiles(ImeContext* context) {
  if (!context) return 0;
  const OsServices& os = ContextOs(context);
  if (!ReadImeName(context->productKey, context->imeName, os)) return 0;
  if (!ReadInstallLocation(context->productKey, context->installFolder, kPathUnits, os)) return 0;
  // An empty DataLocation would make every file name relative to whatever the
  // host's current folder is.
  if (!ReadImeRegistryValue(context->productKey, L"DataLocation", context->dataFolder, kPathUnits,
                            os) ||
      context->dataFolder[0] == L'\0')
    return 0;
  for (uint32_t i = 0; i < kDataFileCount; ++i) {
    context->files[i] = OpenDataFile(context, static_cast<DataFile>(i));
  }
  if (context->files[kFileConfig] && context->files[kFileMain]) return 1;
  CloseDataFiles(context);
  return 0;
}

void CloseDataFiles(ImeContext* context) {
  if (!context) return;
  // The block pointers point into config.dsc's view; they die with it.
  context->softBlock = nullptr;
  context->imeBlock = nullptr;
  context->dmeBlock = nullptr;
  context->skinBlock = nullptr;
  ReleaseFolderLists(context->files[kFileMain]);
  for (uint32_t i = 0; i < kDataFileCount; ++i) {
    CloseMappedFile(context->files[i], 1);
    context->files[i] = nullptr;
  }
}

namespace {

constexpr DataFile kRemappedTables[] = {kFileMain, kFileTemp, kFileEnglish, kFileAssociation};

template <size_t N>
bool RemapEach(ImeContext* context, const DataFile (&tables)[N]) {
  if (!context) return false;
  bool moved = false;
  for (DataFile table : tables) {
    MappedFile* file = context->files[table];
    if (!file) continue;
    const uint8_t* before = file->view;
    uint32_t sizeBefore = file->size;
    // A table still marked as changing by a writer that died is put right
    // here, so this process does not go on reading it half rewritten.
    RecoverIfAbandoned(file);
    RemapIfResized(file);
    if (file->view != before || file->size != sizeBefore) moved = true;
  }
  return moved;
}

// A table that was missing, empty or gone when the context last read it and
// now has a length (config or another process built it meanwhile) is opened
// anew. Each table asks the file system: off the key path only. True when a
// view changed.
bool OpenFilledTables(ImeContext* context) {
  bool opened = false;
  for (DataFile table : kRemappedTables) {
    MappedFile*& file = context->files[table];
    if (file) {
      if (!ReopenIfFilled(file)) continue;
      RecoverIfAbandoned(file);
    } else {
      wchar_t path[kPathUnits];
      if (!DataFilePath(context, table, path) || !FileHasLength(path)) continue;
      file = OpenDataFile(context, table);
      if (!file) continue;
    }
    opened = true;
  }
  return opened;
}

}  // namespace

bool RemapTables(ImeContext* context) {
  return RemapEach(context, kRemappedTables);
}

bool RemapCommitTables(ImeContext* context) {
  static constexpr DataFile kTables[] = {kFileMain, kFileTemp};
  return RemapEach(context, kTables);
}

bool ReopenTables(ImeContext* context) {
  if (!context) return false;
  const bool opened = OpenFilledTables(context);
  if (!RemapTables(context) && !opened) return false;
  ResetInput(context);
  ClearPreviousUnique(context);
  return true;
}

void ClearTempWordsAfterRestart(ImeContext* context) {
  if (!context) return;
  MappedFile* temp = context->files[kFileTemp];
  ImeConfigBlock* ime = context->imeBlock;
  if (!temp || !ime || !(ime->optionFlags & kImeOptClearTempOnRestart)) return;
  const OsServices& os = ContextOs(context);
  uint64_t now = os.CurrentTimeSeconds();
  uint64_t upSeconds = os.TickCount64() / 1000;
  uint64_t stamp = (now > upSeconds ? now - upSeconds : 0) & ~0xFFull;
  uint64_t stored = ImeBootStamp(ime);
  uint64_t distance = stamp > stored ? stamp - stored : stored - stamp;
  if (distance < kSameBootWindow) return;
  // Another process starting at the same time may have emptied it already:
  // the stamp is read again under the lock. It is stored only once the table
  // really was emptied, so a copy that could not be written is tried again.
  DataWriteLock lock(context);
  if (!lock.Held() || ImeBootStamp(ime) != stored) return;
  if (EmptyTempTable(temp)) SetImeBootStamp(ime, stamp);
}

namespace {
long g_liveContexts = 0;
}  // namespace

long LiveImeContexts() { return InterlockedCompareExchange(&g_liveContexts, 0, 0); }

ImeContext* CreateImeContext(const OsServices* os) {
  auto* context = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
  if (!context) return nullptr;
  InterlockedIncrement(&g_liveContexts);
  context->os = os ? os : &DefaultOs();
  context->osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  context->os->GetOsVersion(&context->osVersion);
  context->os->LoadModuleString(1, context->productKey, kProductKeyUnits);
  if (!OpenDataFiles(context) || !BindConfigBlocks(context)) {
    DestroyImeContext(context);
    return nullptr;
  }
  ClearTempWordsAfterRestart(context);
  // Paired punctuation starts open in the context's own zeroed bits; the
  // shared settings are left alone, so other contexts keep theirs.
  SetPendingCommandState(0);
  return context;
}

void DestroyImeContext(ImeContext* context) {
  if (!context) return;
  // A last try for commits kept while another writer had the lock: gives up
  // at once while the holder whose wait ran out still has it, else at most
  // one wait. What is left waits for another context of the folder in this
  // process; with none it is lost when the process ends.
  if (HasKeptCommits()) StoreKeptCommits(context);
  CloseDataFiles(context);
  InterlockedDecrement(&g_liveContexts);
  GlobalFree(context);
}
