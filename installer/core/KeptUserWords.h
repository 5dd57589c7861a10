// The user's words a repair carries from the old main.dmg into the new one,
// kept on disk in the data folder until they are back in the table: a repair
// that cannot put them back, or that is ended half way, leaves them for the
// next repair and for config's import. The file is the user-word backup text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/core/InstallerOs.h"
#include "installer/core/UserWords.h"

// "修复 - 用户词条.txt", or with " (2)" and so on before ".txt".
inline constexpr wchar_t kKeptWordsName[] = L"修复 - 用户词条";

// The backup text of stored user records: byte-order mark, the user
// category's header line, one entry line per record in the export's order.
std::vector<uint8_t> UserWordText(const std::vector<std::vector<uint8_t>>& records);
// The stored records of the entry lines of such a text, each one a user
// entry whatever the text says; lines that make no entry are passed over.
std::vector<std::vector<uint8_t>> UserWordRecords(const std::vector<uint8_t>& text);

// True for the names the kept words are written under.
bool IsKeptWordsName(const std::wstring& name);

struct KeptWordsFile {
  std::wstring path;   // empty: no word to keep
  uint32_t words = 0;  // entries in the file
};

// Adds to kept the words an earlier repair left in the data folder (only
// files this program made: one name, no link, an administrator's), then
// writes every kept user word to a new file there, beside its name first and
// renamed into place once flushed, and removes the earlier files. False when
// there are words but no file could be written (nothing is removed then).
// The words of the files an earlier repair left in the data folder (only
// those this program made), not yet back in the table.
std::vector<std::vector<uint8_t>> ReadKeptUserWords(InstallerOs& os, const std::wstring& dataFolder);
// Adds to records each word of earlier that records lack (same code and word).
void AddWordsTheTableLacks(std::vector<std::vector<uint8_t>>* records,
                           std::vector<std::vector<uint8_t>> earlier);

bool KeepUserWordsOnDisk(InstallerOs& os, const std::wstring& dataFolder, KeptTableState* kept,
                         KeptWordsFile* out);
// Once the words are back in the table, the file goes.
void ForgetKeptUserWords(InstallerOs& os, const KeptWordsFile& file);
