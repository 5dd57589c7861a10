// Key names, key-function flags and the per-key tables kept in the dme block
// of config.dsc: what a key types, what it does, and how both read as text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/ConfigBlocks.h"

// Virtual-key code in bits 0-7, modifiers above (sided modifiers carry the
// generic bit too).
using KeyCode = uint32_t;

inline constexpr KeyCode kKeyShift = 0x100;
inline constexpr KeyCode kKeyAlt = 0x200;
inline constexpr KeyCode kKeyCtrl = 0x400;
inline constexpr KeyCode kKeyLeftShift = 0x1100;
inline constexpr KeyCode kKeyLeftAlt = 0x2200;
inline constexpr KeyCode kKeyLeftCtrl = 0x4400;
inline constexpr KeyCode kKeyRightShift = 0x10100;
inline constexpr KeyCode kKeyRightAlt = 0x20200;
inline constexpr KeyCode kKeyRightCtrl = 0x40400;
// The text names no key.
inline constexpr KeyCode kKeyCodeNone = 0xFFFFFFFFu;

// Key-function flags (one u64 per key).
namespace KeyFunction {
inline constexpr uint64_t kOpenClose = 0x1;
inline constexpr uint64_t kEnglishToggle = 0x2;
inline constexpr uint64_t kClearInput = 0x4;
inline constexpr uint64_t kRepeatInput = 0x8;
inline constexpr uint64_t kUndoInput = 0x10;
inline constexpr uint64_t kPreviousPage = 0x20;
inline constexpr uint64_t kNextPage = 0x40;
inline constexpr uint64_t kCommit = 0x80;
inline constexpr uint64_t kSelectorMask = 0xF00;
inline constexpr int kSelectorShift = 8;
inline constexpr uint64_t kCursorLeft = 0x1000;
inline constexpr uint64_t kCursorRight = 0x2000;
inline constexpr uint64_t kCursorHome = 0x4000;
inline constexpr uint64_t kCursorEnd = 0x8000;
inline constexpr uint64_t kDeleteBefore = 0x10000;
inline constexpr uint64_t kDeleteAfter = 0x20000;
inline constexpr uint64_t kHighlightPrevious = 0x40000;
inline constexpr uint64_t kHighlightNext = 0x80000;
inline constexpr uint64_t kAdjustFrequency = 0x100000;
inline constexpr uint64_t kDeleteEntry = 0x200000;
inline constexpr uint64_t kSchemeMainMixed = 0x400000;
inline constexpr uint64_t kSchemeMainAuxiliary = 0x800000;
inline constexpr uint64_t kRangeMainMixed = 0x1000000;
inline constexpr uint64_t kRangeMainSecondary = 0x2000000;
inline constexpr uint64_t kConfigMain = 1ull << 32;
inline constexpr uint64_t kConfigHelp = 1ull << 33;
inline constexpr uint64_t kConfigAbout = 1ull << 34;
inline constexpr uint64_t kConfigKeys = 1ull << 35;
inline constexpr uint64_t kConfigOutputLookup = 1ull << 36;
inline constexpr uint64_t kAddWord = 1ull << 37;
inline constexpr uint64_t kConfigClipboardLookup = 1ull << 39;
inline constexpr uint64_t kToggleStatusBar = 1ull << 40;
inline constexpr uint64_t kToggleCandidateWindow = 1ull << 41;
inline constexpr uint64_t kToggleSimplified = 1ull << 42;
inline constexpr uint64_t kToggleTraditional = 1ull << 43;
inline constexpr uint64_t kEntryOperation = 1ull << 44;
inline constexpr uint64_t kDeleteWord = 1ull << 45;
inline constexpr uint64_t kSoftKeyboard = 1ull << 46;
// Keys that act on a typed code (clear, pages, commit, cursor, highlight).
inline constexpr uint64_t kCodeEditing = 0xFF0E4;
}  // namespace KeyFunction

// CandidateSelector values (bits 8-11 of the flags).
inline constexpr int kSelectorCurrent = 0;
inline constexpr int kSelectorTypedCode = 11;
inline constexpr int kSelectorLast = 12;

inline int SelectorOf(uint64_t flags) {
  return static_cast<int>((flags & KeyFunction::kSelectorMask) >> KeyFunction::kSelectorShift);
}

// First character of the name of a key that types no character.
inline constexpr wchar_t kNonCharacterKeyMark = 0x952E;  // 键

// The KeyNameTable entry of a key index (0..511, +256 for the shifted row);
// "" for indexes that name no key, including any outside 0..511.
const wchar_t* GetKeyNameByIndex(int index);

// Code byte of a typed character: ASCII as itself, U+FF0A..U+FF19 as their
// low byte, anything else 0.
uint8_t CharToKeyCode(wchar_t c);

KeyCode ParseKeySpec(const wchar_t* text);
uint64_t ParseKeyFunctionSpec(const wchar_t* text);

inline constexpr int kCombinationCapacity = 32;

// Reads and writes of the key tables of a bound dme block. Indexes outside
// 0..511 read 0 and are not written.
uint64_t GetKeyFunctionFlags(const DmeConfigBlock* dme, int keyIndex);
void SetKeyFunctionFlags(DmeConfigBlock* dme, int keyIndex, uint64_t flags);
// The stored count, never more than the 32 slots.
int GetCombinationKeyCount(const DmeConfigBlock* dme);

// Stores flags for a parsed key: direct tables when the key has a row name
// and no modifier but Shift, else the combination list (replace or append;
// a full list drops the key). Returns false when it was dropped.
bool StoreKeyFunction(DmeConfigBlock* dme, KeyCode code, uint64_t flags);
void ApplyKeyFunctionLine(DmeConfigBlock* dme, const wchar_t* keyText, const wchar_t* functionText);

// Sets `bit` in the entries of set (256 bytes) for the code characters of text,
// after clearing it everywhere.
void MarkKeyCharacterSet(uint8_t* set, const wchar_t* text, uint8_t bit);

// The key functions a new config.dsc ships with.
struct KeyFunctionDefault {
  const wchar_t* keyText;
  uint64_t flags;
};
extern const KeyFunctionDefault kShippedKeyFunctions[];
extern const size_t kShippedKeyFunctionCount;
// Clears both direct tables and the combination list, then stores the
// shipped defaults.
void WriteShippedKeyFunctions(DmeConfigBlock* dme);
