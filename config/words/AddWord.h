// The add-word dialog's rules without its window: the tail of the source
// text shown as the word, the code proposed for a word, the checks of the
// typed word and code, and the commit of a new or changed entry of main.dmg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"

// Units read from the word and code boxes.
inline constexpr int kAddWordUnits = 127;
// Longest word (characters) the dialog proposes a code for.
inline constexpr uint32_t kMaxProposedWordChars = 15;
// Word lengths the arrows choose among, in characters.
inline constexpr int kMaxTailChars = 16;
inline constexpr int kDefaultTailChars = 2;
// Order values of a new entry: before or after the system entries.
inline constexpr uint32_t kOrderBeforeSystem = 0xC000;
inline constexpr uint32_t kOrderAfterSystem = 1024;

// The last `chars` characters of source (a surrogate pair is one character),
// with chars cut to the number of characters there are. False, nothing
// changed, when source holds a broken surrogate pair or no character.
bool WordTail(const std::wstring& source, int* chars, std::wstring* tail);

// The code the rules build for a word of 1..15 characters from danzi.dmi;
// empty for other lengths or when nothing can be built.
std::wstring BuildCodeForWord(const MappedFile* danzi, const DmeConfigBlock* dme,
                              const std::wstring& word);

// True for a unit a typed code may hold: anything below U+0080 and the
// full-width forms U+FF0A..U+FF19 the tables store by their low byte.
bool IsKeyboardCodeUnit(wchar_t unit);

struct AddWordRequest {
  std::wstring word;
  std::wstring code;       // may carry "#" tags (#序N, #固 ...)
  uint32_t category = 2;   // bits 24-29 of the new record
  bool beforeSystem = false;
  // A change of an existing entry: found again by its code and word.
  bool change = false;
  std::wstring oldCode;
  std::wstring oldWord;
};

enum class AddWordOutcome {
  kAdded,          // a new record is in the table
  kRevived,        // a deleted record equal to it lost its mark and took the order
  kUnchanged,      // a change to the same code and word: nothing written
  kEmptyWord,
  kEmptyCode,
  kBadCode,        // a unit no key types
  kBadDefinition,  // the record could not be built
  kFailed,         // the table could not be written
  kExists,
};
// Whether the dialog closes after this outcome.
inline bool AddWordSucceeded(AddWordOutcome outcome) {
  return outcome == AddWordOutcome::kAdded || outcome == AddWordOutcome::kRevived ||
         outcome == AddWordOutcome::kUnchanged;
}
// The text of the hint line for an outcome ("" for kAdded and kUnchanged).
const wchar_t* AddWordHint(AddWordOutcome outcome);

// Checks the request, then writes it into main under the data folder's lock.
// A change writes the new record first and removes the old entry only once
// that succeeded, so a refusal keeps the old entry.
AddWordOutcome CommitUserWord(MappedFile* main, const AddWordRequest& request);

// A search key (code length byte, code bytes, word length byte, word units)
// for a code text and a word; empty when either does not fit a record.
std::vector<uint8_t> EntryKey(const std::wstring& code, const std::wstring& word);
