// The three blocks the input context keeps for this IME (composition string,
// candidate information, private block): their fixed layouts, the sizers run
// at selection, and the writers of composition, result and candidate texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/imm/ImeDeclarations.h"

struct ImeContext;

// Composition block: a header and fixed areas of 129 UTF-16 units (or 129
// attribute bytes / clause words), then an unused private area.
inline constexpr DWORD kCompositionBytes = 1050998;
inline constexpr DWORD kCompReadAttrOffset = 100;
inline constexpr DWORD kCompReadClauseOffset = 229;
inline constexpr DWORD kCompReadStrOffset = 487;
inline constexpr DWORD kCompAttrOffset = 745;
inline constexpr DWORD kCompClauseOffset = 874;
inline constexpr DWORD kCompStrOffset = 1132;
inline constexpr DWORD kResultReadClauseOffset = 1390;
inline constexpr DWORD kResultReadStrOffset = 1648;
inline constexpr DWORD kResultClauseOffset = 1906;
inline constexpr DWORD kResultStrOffset = 2164;
inline constexpr DWORD kCompPrivateOffset = 2422;
// Units a string area holds before its terminator.
inline constexpr int kCompAreaUnits = 128;

// Candidate block: CANDIDATEINFO, one CANDIDATELIST of ten 256-byte strings,
// then an unused private area.
inline constexpr DWORD kCandidateInfoBytes = 74784;
inline constexpr DWORD kCandidateListOffset = 144;
inline constexpr DWORD kCandidateListBytes = 2632;
inline constexpr DWORD kCandidatePrivateOffset = 2776;
inline constexpr DWORD kCandidateStringsOffset = 72;  // from the list
inline constexpr DWORD kCandidateStringBytes = 256;
inline constexpr int kCandidateStrings = 10;
inline constexpr DWORD kCandidatePageSize = 9;
// A candidate string keeps room for its terminator in its slot.
inline constexpr int kCandidateStringUnits = 127;

// Private block: the ImeContext that serves the input context, the open
// status and conversion mode the host last set (to notice changes the module
// was not told of), whether the current composition's candidate list was
// announced, and whether a UI window serves the context.
struct ImePrivateBlock {
  union {
    ImeContext* context;
    uint64_t contextSlot;
  };
  int32_t hostOpenSeen;   // fOpen as last seen, -1 before the first look
  int32_t listAnnounced;  // IMN_CHANGECANDIDATE sent since the composition started
  uint32_t hostConversionSeen;  // fdwConversion as last seen
  int32_t uiWindow;             // an ImmUiWindow value
  int32_t statusShown;          // the module showed the status bar (no UI window)
  uint32_t statusDrawn;         // what that status bar shows (WindowlessUi.cpp)
  uint32_t capsLock;            // from the last key's keyboard state: 0 not known, 1 off, 2 on
  uint8_t unused[4];
};
// Who does the UI window's work for the context: not known yet, the system's
// UI window of the module's class, or the module itself (Wine makes no UI
// window in many programs).
enum ImmUiWindow : int32_t { kUiWindowUnknown = 0, kUiWindowServes = 1, kUiWindowMissing = 2 };
inline constexpr DWORD kPrivateBlockBytes = 40;
static_assert(sizeof(ImePrivateBlock) == kPrivateBlockBytes);
static_assert(offsetof(ImePrivateBlock, hostOpenSeen) == 8);
static_assert(offsetof(ImePrivateBlock, listAnnounced) == 12);
static_assert(offsetof(ImePrivateBlock, hostConversionSeen) == 16);

// Give the input context blocks of the sizes above, replacing a block that
// cannot be resized or locked. 1 on success, 0 when the selection must fail.
int SizeCompositionString(INPUTCONTEXT* imc);
int SizeCandidateInfo(INPUTCONTEXT* imc);
int SizePrivateData(INPUTCONTEXT* imc);

// GCS_* bits of a composition update and of a result.
inline constexpr LPARAM kCompositionUpdateFlags = 0x1BF;
inline constexpr LPARAM kCompositionResultFlags = 0x19BF;

// Writes the reading (typed code) and the composition text with its cursor.
// Returns the GCS_* flags that describe what was written: the clause bits
// only when a clause array was written.
LPARAM WriteCompositionString(COMPOSITIONSTRING* cs, const wchar_t* reading, int readingUnits,
                              const wchar_t* text, int textUnits, int cursor);
// Empties every area and length: the composition, and the result unless
// keepResult asks to keep it.
void ClearCompositionString(COMPOSITIONSTRING* cs, bool keepResult = false);
// Replaces (append false) or extends the result string, cut to the area at a
// code-point boundary. Returns the result's length in units.
int WriteResultString(COMPOSITIONSTRING* cs, const wchar_t* text, int units, bool append);
// GCS_* bits of a result message for the block as it stands.
LPARAM ResultFlags(const COMPOSITIONSTRING* cs);
// The result string as written (not terminated beyond dwResultStrLen).
const wchar_t* ResultString(const COMPOSITIONSTRING* cs);
const wchar_t* ReadingString(const COMPOSITIONSTRING* cs);

// Candidate list: count strings from texts (each cut to 127 units), the
// selection; 0 strings empties the list.
void WriteCandidateList(CANDIDATELIST* list, const wchar_t* const* texts, const int* units,
                        int count, int selection);
const wchar_t* CandidateString(const CANDIDATELIST* list, int index);

// Units of text that fit in capacity units without splitting a surrogate pair.
int FitUnits(const wchar_t* text, int units, int capacity);
