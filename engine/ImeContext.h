// ImeContext: the whole state of one input context (typed code, candidates and
// pages, pending key, open data files, settings blocks, installation folders,
// window state), one zero-filled GlobalAlloc'ed record of fixed layout shared
// by the module and config.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "engine/ConfigBlocks.h"
#include "engine/Effects.h"
#include "engine/MappedFile.h"
#include "engine/Os.h"
#include "engine/PointerLayout.h"

struct SkinData;

constexpr uint32_t kImeContextSize = ByPointerSize(85560, 73448);
constexpr int kMaxCandidates = 3000;
constexpr int kPageSlots = 11;
constexpr int kMaxCodeUnits = 128;
constexpr uint32_t kPathUnits = 260;
constexpr uint32_t kProductKeyUnits = 40;

// State flags (ImeContext::stateFlags).
enum ImeState : uint32_t {
  kStateFullWidth = 0x1,
  kStateEnglishPunct = 0x2,
  kStateInputClosed = 0x4,
  kStateInputDisabled = 0x8,
  kStateEnglish = 0x10,
  kStateSoftKeyboard = 0x20,
  kStateSecondaryOnly = 0x40,
  kStateTempEnglish = 0x10000000,
  kStateAssociations = 0x20000000,
  kStateCommandRunning = 0x40000000,
  kStateKeyPending = 0x80000000,
};

// The nine data files, in the order of ImeContext::files.
enum DataFile : uint32_t {
  kFileConfig,
  kFileMain,
  kFileEnglish,
  kFileTemp,
  kFileDanzi,
  kFileAssociation,
  kFileTraditional,
  kFileSimplified,
  kFileDictionary,
  kDataFileCount,
};

struct CandidateItem {
  const uint8_t* entry;  // record in a mapped table, or a generated candidate
  uint8_t kind;
  int32_t value;
  wchar_t hint[3];
};
static_assert(sizeof(CandidateItem) == ByPointerSize(24, 20));
static_assert(offsetof(CandidateItem, kind) == ByPointerSize(8, 4));
static_assert(offsetof(CandidateItem, value) == ByPointerSize(12, 8));
static_assert(offsetof(CandidateItem, hint) == ByPointerSize(16, 12));

struct PageSlot {
  int32_t length;
  wchar_t text[130];
};
static_assert(sizeof(PageSlot) == 264);

// Per-window state the skinned windows keep in the context.
struct ImeWindowState {
  HWND window;
  SIZE size;
  POINT position;
  int32_t pressedItem;
  int32_t hoveredItem;
  POINT dragOrigin;
  int32_t layoutState[2];  // window-specific; reset before a relayout
};
static_assert(sizeof(ImeWindowState) == ByPointerSize(48, 44));

// Number, date and repeated-text pseudo-records: u32 attribute 0, 8-bit
// length, UTF-16 text where a record keeps its code.
struct GeneratedCandidate {
  uint8_t bytes[264];
};

// Which table a remembered entry lives in: its DataFile index + 1, 0 = none.
// Kept as table + position rather than a pointer, because a remap replaces the
// view the pointer would point into.
struct EntryRef {
  uint32_t table;
  uint32_t position;
};

// The single candidate of the previous search, offered again by the dynamic
// auto-commit. Kept as table, record offset and the view size it was read
// from, so a remapped, emptied or replaced table never yields a stale pointer.
struct PreviousUnique {
  uint32_t table;  // DataFile index + 1, 0 = none
  uint32_t offset;
  uint32_t viewSize;
  int32_t value;
  uint8_t kind;
  uint8_t reserved;
  wchar_t hint[3];
};
static_assert(sizeof(PreviousUnique) == 24);

struct ImeContext {
  uint32_t stateFlags;  // ImeState
  int32_t candidateCount;
  CandidateItem candidates[kMaxCandidates];
  int32_t pageFirst;       // list index of the page's first candidate
  int32_t pageFirstCarry;  // alternatives of the first candidate left from the previous page
  int32_t pageLast;        // list index of the page's last candidate, -1 before the first page
  int32_t pageLastCarry;   // alternatives of the last candidate still to show
  int32_t selection;       // highlighted slot, 0-based
  int32_t pageSize;        // 1..10
  int32_t slotsFilled;
  PageSlot pageSlots[kPageSlots];
  PageSlot slotCommitTexts[kPageSlots];  // length 0: commit the display text; also macro commands
  int32_t slotListIndex[kPageSlots];

  // Front-end state (owned by the front ends and windows).
  HWND hostWindow;
  void* inputContext;  // IMM32: the HIMC being served
  void* textService;   // TSF: the text service that owns this context
  HWND focusWindow;
  int32_t compositionOpen;  // the key runner reported a composition that has not ended
  uint32_t uiFlags;
  POINT caretPosition;
  SIZE charCell;
  const OsServices* os;  // the OS services this context was created with
  ImeWindowState statusWindow;
  ImeWindowState candidateWindow;
  ImeWindowState tipsWindow;
  ImeWindowState softKeyboardWindow;
  ImeWindowState dictionaryWindow;
  PreviousUnique previousUnique;  // search state of this context
  Effects* effects;  // outside effects of this context; null: the real ones
  // Non-zero on the logon desktop or in a secure TSF mode: nothing may be
  // started from here (SetLaunchesRefused).
  uint32_t launchesRefused;
  // Per page slot, a fingerprint of the code record it was filled from: a
  // commit tells by it that another process reused the record's place since.
  uint32_t slotRecordChecks[kPageSlots];
  // Paired punctuation of this context, one bit per ASCII character: set, the
  // next key gives the closing mark. Typing state, not a setting.
  uint32_t quotePairStates[4];
  // Keys and commands running on this context, and whether its front end
  // let it go meanwhile (a modal box lets the host deselect or deactivate):
  // the last run to unwind frees it.
  uint32_t runDepth;
  uint32_t retired;
  uint8_t frontEndReserved[128];

  MappedFile* files[kDataFileCount];  // DataFile order; null when absent
  SoftConfigBlock* softBlock;  // into the shared view of config.dsc
  ImeConfigBlock* imeBlock;
  DmeConfigBlock* dmeBlock;
  SkinConfigBlock* skinBlock;
  GeneratedCandidate generatedCandidates[10];
  wchar_t productKey[kProductKeyUnits];  // braced GUID text, 38 characters
  wchar_t imeName[kProductKeyUnits];
  wchar_t installFolder[kPathUnits];  // always ends in a backslash
  wchar_t dataFolder[kPathUnits];     // file names are appended directly

  uint32_t pendingKeyIndex;  // 0..255, +256 for the shifted row
  uint64_t pendingKeyFlags;  // key-function flags; the engine also posts commit requests here
  const wchar_t* pendingKeyText;
  uint32_t pendingKeyScanBits;  // key data bits 16-27 of the last key-down, or -1
  uint32_t capsLockResult;      // result of the key function run for the last key
  uint32_t pendingKeyExtra;  // bit 0: Shift was down when the key was tested

  int32_t codeLength;  // 0..128
  int32_t cursor;      // 0..codeLength
  wchar_t code[kMaxCodeUnits + 1];
  int32_t compositionLength;
  int32_t compositionCursor;
  wchar_t composition[kMaxCodeUnits + 1];

  uint32_t commitKind;  // the CommitAction of the last commit or command
  int32_t commitLength;
  wchar_t commitText[130];
  wchar_t commandArgument[512];
  int32_t lastOutputLength;
  wchar_t lastOutput[130];
  wchar_t lastReading[128];  // IMM32: the host's reading string of the last composition
  uint8_t probeLength;
  wchar_t probe[129];  // text whose associations are searched after a commit
  uint8_t hintPrefix;
  int32_t lastCommittedKind;
  EntryRef lastCommitted;
  uint32_t softKeyboardLayout;  // 1..13, 0 none
  uint8_t softKeyboardMap[232];
  HMODULE moduleHandle;  // config only: the loaded module
  SkinData* skin;  // owned by the layer that loaded it
  OSVERSIONINFOW osVersion;
};

static_assert(sizeof(ImeContext) == kImeContextSize);
static_assert(offsetof(ImeContext, candidates) == 8);
static_assert(offsetof(ImeContext, pageFirst) == ByPointerSize(72008, 60008));
static_assert(offsetof(ImeContext, pageSlots) == ByPointerSize(72036, 60036));
static_assert(offsetof(ImeContext, slotCommitTexts) == ByPointerSize(74940, 62940));
static_assert(offsetof(ImeContext, slotListIndex) == ByPointerSize(77844, 65844));
static_assert(offsetof(ImeContext, hostWindow) == ByPointerSize(77888, 65888));
static_assert(offsetof(ImeContext, effects) == ByPointerSize(78216, 66176));
static_assert(offsetof(ImeContext, launchesRefused) == ByPointerSize(78224, 66180));
static_assert(offsetof(ImeContext, files) == ByPointerSize(78424, 66380));
static_assert(offsetof(ImeContext, softBlock) == ByPointerSize(78496, 66416));
static_assert(offsetof(ImeContext, generatedCandidates) == ByPointerSize(78528, 66432));
static_assert(offsetof(ImeContext, productKey) == ByPointerSize(81168, 69072));
static_assert(offsetof(ImeContext, dataFolder) == ByPointerSize(81848, 69752));
static_assert(offsetof(ImeContext, pendingKeyIndex) == ByPointerSize(82368, 70272));
static_assert(offsetof(ImeContext, pendingKeyFlags) == ByPointerSize(82376, 70280));
static_assert(offsetof(ImeContext, code) == ByPointerSize(82412, 70312));
static_assert(offsetof(ImeContext, composition) == ByPointerSize(82680, 70580));
static_assert(offsetof(ImeContext, commitKind) == ByPointerSize(82940, 70840));
static_assert(offsetof(ImeContext, commitText) == ByPointerSize(82948, 70848));
static_assert(offsetof(ImeContext, lastOutput) == ByPointerSize(84236, 72136));
static_assert(offsetof(ImeContext, probe) == ByPointerSize(84754, 72654));
static_assert(offsetof(ImeContext, lastCommitted) == ByPointerSize(85020, 72920));
static_assert(offsetof(ImeContext, softKeyboardMap) == ByPointerSize(85032, 72932));
static_assert(offsetof(ImeContext, skin) == ByPointerSize(85272, 73168));
static_assert(offsetof(ImeContext, osVersion) == ByPointerSize(85280, 73172));
static_assert(sizeof(OSVERSIONINFOW) == 276);

// Creates a context: product key, registry values, data files, settings
// blocks and the temporary-word reset. os null means the real services.
// Returns null with nothing left open when a required part is missing. The
// skin is the business of the layer above (frontend/common's context
// assembly): the engine leaves the skin pointer alone and never frees it.
ImeContext* CreateImeContext(const OsServices* os = nullptr);
void DestroyImeContext(ImeContext* context);
int OpenDataFiles(ImeContext* context);
void CloseDataFiles(ImeContext* context);
// Remaps the code tables whose file size changed since they were mapped, and
// opens those that were missing, empty or gone when last read and now have a
// length (a look at the file system for each of those: activation and the
// end of a change, never a key stroke). Returns true when a view moved or
// changed size; the candidate list, the pages and the previous unique
// candidate are then cleared, so nothing points into an old view.
bool ReopenTables(ImeContext* context);
// The remap alone, for a caller in the middle of a commit that drops its own
// stale entries. Returns true when a view moved or changed size.
bool RemapTables(ImeContext* context);
// The same for the tables a commit writes (main.dmg, temp.dmg): each size
// check is a system call, and a commit leaves the other views in place.
bool RemapCommitTables(ImeContext* context);
// Empties temp.dmg once per start of the computer when the option asks for it.
void ClearTempWordsAfterRestart(ImeContext* context);

// Module-wide state of the command language: a command waiting for its
// argument. Reset whenever a context is created.
uint32_t PendingCommandState();
void SetPendingCommandState(uint32_t state);

inline const OsServices& ContextOs(const ImeContext* context) {
  return context && context->os ? *context->os : DefaultOs();
}
// The front end let the context go while a key or command ran on it: the
// running work stops and changes nothing more.
inline bool ContextRetired(const ImeContext* context) { return context && context->retired != 0; }
// Contexts made by CreateImeContext and not yet destroyed, in this process.
long LiveImeContexts();
inline Effects& ContextEffects(const ImeContext* context) {
  return context && context->effects ? *context->effects : DefaultEffects();
}
