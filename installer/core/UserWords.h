// The user's own words across a repair, an uninstall or an install over an
// earlier one: a backup file in the user's Documents folder, and the
// entries and counters main.dmg keeps when a repair replaces it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"

// Category of the entries the user added.
constexpr uint32_t kUserCategory = 2;

// What a repair carries from the installed main.dmg into the packaged one:
// three header fields and every user entry.
struct KeptTableState {
  bool haveFields = false;
  uint32_t userState74 = 0;
  uint64_t userState78 = 0;
  uint64_t userState80 = 0;
  std::vector<std::vector<uint8_t>> userRecords;  // stored records, attribute word first
};
// False when the file is missing or holds no readable table header.
bool ReadKeptTableState(const std::wstring& tablePath, KeptTableState* out);
// Writes the fields back and adds each kept entry the table lacks (same code
// and word), under the data folder's write lock. The number of entries
// added, or -1 when the table could not be written.
int RestoreKeptTableState(const std::wstring& tablePath, const KeptTableState& kept);

struct UserWordBackup {
  enum class Result {
    kNoEntries,  // no table or no user entry: nothing written, nothing to lose
    kSaved,
    kFailed,  // user entries exist but no complete file could be written
  };
  Result result = Result::kNoEntries;
  uint32_t entries = 0;  // user entries found (and, when saved, written)
  std::wstring path;     // the file written
};

// A file name not taken yet in Documents\[ <display name> ]\ (the folder is
// made): "导出 - 用户词条.txt", then "导出 - 用户词条 (2).txt" and so on.
bool NewUserWordBackupPath(InstallerOs& os, const std::wstring& folderName, std::wstring* out);
// Exports the user entries of <data folder>main.dmg in the code-table text
// form (category header, one line per entry). Reads the table itself; the
// input-method module need not load. A file this run made is deleted again
// when it could not be written whole.
UserWordBackup BackupUserWords(InstallerState& state, InstallerOs& os);

// The backup before a repair or an uninstall (or an install over an earlier
// one): true when the work may go on. A saved backup is logged and offered
// for viewing; user entries that could not be saved stop the work with a
// message under caption.
bool SaveUserWordsFirst(InstallerState& state, InstallerOs& os, const wchar_t* caption);
