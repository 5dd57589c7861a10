// The code-table text definition: header keys ("---config@"), entry lines
// (word TAB code with "#" tags) and the word escapes, as the compiler and the
// batch import read them.
#pragma once

#include <cstdint>

// Longest code a table stores, in bytes (and in code units).
constexpr uint32_t kMaxCodeBytes = 128;
// Longest word a table stores, in UTF-16 units.
constexpr uint32_t kMaxWordUnits = 128;
// The code part of a line (code and tags) is read through a buffer this
// large: room for the longest code and every tag the export writes.
constexpr uint32_t kCodePartUnits = 256;

// One parsed entry line of the compiler; the texts point into the source
// text, which the parser edits in place.
struct DmgSourceRecord {
  wchar_t* code;
  wchar_t* word;
  uint32_t attr;     // EntryAttr
  uint8_t codeLen;   // UTF-16 units, saturating at 255
  uint8_t wordLen;   // UTF-16 units, saturating at 255
  uint8_t flags;     // kSourceDropped ...
  uint8_t reserved;
};
static_assert(sizeof(DmgSourceRecord) == 24);

// A record left out of the table (duplicate or unusable code). Kept apart
// from the attribute word, since 0 is a valid attribute.
constexpr uint8_t kSourceDropped = 0x1;

// Header state of the text being read, and the 256 order counters that run
// on across the texts of one build.
struct DefinitionState {
  int8_t category;       // default category of the entries, 1 when none given
  int32_t globalOrder;   // "全局排序数值=", 0 = none
  uint32_t startValue;   // "初始化排序数值=", 0 = keep the counters
  int32_t counters[256];  // by key byte of a code's first unit
};

constexpr int32_t kDefaultOrderCounter = 16384;
void ResetOrderCounters(DefinitionState* state, int32_t value);

// Header values the import reads.
struct ImportHeader {
  uint32_t category;     // 0 = none
  int32_t globalOrder;   // 0 = none
};

// Resets the header state, applies every "---config@" key of the text and
// defaults the category to 1; resets the counters only for a nonzero start
// value.
void ParseConfigHeader(DefinitionState* state, const wchar_t* text, uint32_t lenUnits);
// The import's reading of the same keys (category N clamped without the
// compiler's 8-bit cut; no start value).
void ParseImportHeader(ImportHeader* header, const wchar_t* text, uint32_t lenUnits);

// 1 when the terminated line is an entry (filled into out), 0 when not. The
// line is edited in place: word ended at the TAB and unescaped, code rewritten
// without its tags. Runs the order counter rule of the state.
int ParseDefinitionLine(wchar_t* line, DmgSourceRecord* out, DefinitionState* state);

// Undoes "\\\\", "\r" (CR LF), "\t" and "\s" in one left-to-right pass, in
// place; a backslash before any other unit stays. Returns the new length.
uint32_t UnescapeWord(wchar_t* word);

// True for a unit that may stand in a code: U+0020..U+007E and the full-width
// "*", "+", "-", ".", "/" and digits (U+FF0A, U+FF0B, U+FF0D..U+FF19).
bool IsCodeUnit(wchar_t unit);
// The same for a stored code byte: what the compiler accepts, so the import
// refuses what an export of it could not compile back.
bool IsCodeByte(uint8_t byte);
// Byte a code unit is stored as (0 for a non-code unit).
uint8_t CodeUnitByte(wchar_t unit);

// Compiler line splitting: a line ends at a CR (one LF after it is skipped)
// or at the end of the text. Returns false when no line is left. The CR is
// replaced by NUL so the line is terminated in place.
bool NextCompilerLine(wchar_t* text, uint32_t lenUnits, uint32_t* pos, wchar_t** line,
                      uint32_t* lineUnits);
// "//" comments (not "///") and header lines are no entries to the compiler.
enum class LineKind { kEntry, kComment, kHeader };
// For "///" the returned line skips its first slash.
LineKind ClassifyCompilerLine(wchar_t** line, uint32_t* lineUnits);

inline constexpr wchar_t kHeaderPrefix[] = L"---config@";
constexpr uint32_t kHeaderPrefixUnits = 10;
