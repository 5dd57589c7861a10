// Editing the typed code with the cursor keys, the commands of the
// candidate-word menu on the entry behind a page slot, and deleting or
// restoring the word committed last. Entry changes are written in place into
// the shared main.dmg records.
#pragma once

#include <cstdint>

#include "engine/Effects.h"

struct ImeContext;

// Code editing: each edit (even one that changes nothing) is followed by a
// new search, whose result (SearchResult) is returned.
int EditCodeByKey(ImeContext* context, uint32_t virtualKey);  // 0 for other keys
int DeleteCharBeforeCursor(ImeContext* context);
int DeleteCharAtCursor(ImeContext* context);
int MoveCursorLeft(ImeContext* context);
int MoveCursorRight(ImeContext* context);

// Commands of the candidate-word menu.
enum EntryCommand : int {
  kEntryMoveUp = 1,
  kEntryMoveDown = 2,
  kEntryMoveFirst = 3,
  kEntryMoveLast = 4,
  kEntryTogglePinned = 5,
  kEntryToggleSecondary = 6,
  kEntryDelete = 7,
  kEntryInformation = 8,
  kEntryLookUp = 9,
};

// Runs command on the candidate in page slot (0-based). Commands 1-7 change
// only main.dmg entries; moves stay within the entry's run (neighbours with
// the same pinned bit and match value, also from main.dmg). Returns 1.
int ShowEntryInfo(ImeContext* context, void* owner, int slot, int command,
                  Effects& effects = DefaultEffects());

// Offers to delete the last committed main.dmg entry, or to restore it when
// it is deleted already. Returns 1.
int ConfirmDeleteEntry(ImeContext* context, void* owner, Effects& effects = DefaultEffects());

// The dictionary page a word is looked up on; the word is the query value.
inline constexpr wchar_t kDictionaryLookupUrl[] = L"https://cn.bing.com/dict/search?q=";
