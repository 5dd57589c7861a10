// Rules of the key-function editor without its window: which table slot a
// key button edits, how a menu command changes a key's flags, which menu
// items show checked, and the commands on all keys at once.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/ConfigBlocks.h"
#include "engine/KeyTables.h"

// The three modifier boxes of the editor.
struct KeyModifiers {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
};

// The code a key button edits: its key name parsed, plus Ctrl 0x400, Alt
// 0x200 and Shift 0x100 for the boxes checked. kKeyCodeNone for no name.
KeyCode KeyButtonCode(const wchar_t* keyName, KeyModifiers modifiers);

// Where a key's flags live: a slot of the direct tables, or an entry of the
// combination list. flags is null when the key has neither.
struct KeyBinding {
  uint64_t* flags = nullptr;
  int combination = -1;  // list index; -1 for a direct-table key
};
// A code without modifiers other than Shift whose row names the key lives
// in the direct tables; any other in the combination list (its last entry
// with that code).
KeyBinding LookupKeyBinding(DmeConfigBlock* dme, KeyCode code);

// Appends code to the combination list with no flags; -1 when the list holds
// 32 keys already, else the new entry's index.
int AddCombinationKey(DmeConfigBlock* dme, KeyCode code);
// Looks code up again and removes its combination entry when it still holds
// no flags; later entries move down so the list stays in its first count
// places. True when an entry was removed.
bool DropEmptyCombinationKey(DmeConfigBlock* dme, KeyCode code);

// Command ids of the key menu's own entries.
enum KeyMenuCommand : int {
  kKeyMenuLoadDefaults = 32922,
  kKeyMenuClearAll = 32924,
  kKeyMenuClearCombinations = 32923,
  kKeyMenuClearKey = 32816,
  kKeyMenuCancel = 32817,
};

enum class KeyMenuAction {
  kNone,               // cancel, no choice or an unknown id
  kFlags,              // changes the key's flags (ApplyKeyMenuCommand)
  kLoadDefaults,       // asks, then ResetKeyTables
  kClearAll,           // asks, then ClearAllKeyFunctions
  kClearCombinations,  // asks, then ClearCombinationKeys
};
KeyMenuAction ClassifyKeyMenuCommand(int command);
// The flags after a flag command; other commands leave them unchanged.
uint64_t ApplyKeyMenuCommand(uint64_t flags, int command);
// The menu items shown checked for a key's flags.
std::vector<int> CheckedKeyMenuItems(uint64_t flags);

// The shipped key functions, as a fresh install has them.
void ResetKeyTables(DmeConfigBlock* dme);
// Both direct rows, the combination list and its count zeroed.
void ClearAllKeyFunctions(DmeConfigBlock* dme);
// The combination list and its count zeroed.
void ClearCombinationKeys(DmeConfigBlock* dme);
