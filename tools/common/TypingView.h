// What a console host shows after a key: the typed code, the composition,
// the numbered candidate page from the context's page slots, the text handed
// to the host, and the temporary words of temp.dmg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "tools/common/TypingHost.h"

struct TempWordView {
  std::wstring word;
  std::wstring code;
  uint32_t age = 0;  // 0 the oldest
};

struct TypingView {
  std::wstring code;
  std::wstring composition;
  std::vector<std::wstring> candidates;  // display texts of the page's slots
  int selection = 0;
  int page = 0;  // 0-based
  std::wstring commit;
  std::vector<TempWordView> temp;
};

// The records of temp.dmg in table order; empty without the table.
std::vector<TempWordView> ListTempWords(const ImeContext* context);
TypingView ViewOf(const TypingHost& host);

// The registry values an installer writes for the product key: the IME name,
// this program's folder and the data folder (ending in a backslash).
bool WriteHostRegistryValues(const std::wstring& dataFolder);
// Copies the files (not the subfolders) of a data folder into a new folder
// under the temporary folder. Returns the copy's path ending in a backslash,
// "" on failure.
std::wstring CopyDataFolder(const std::wstring& dataFolder);
// Deletes a folder made by CopyDataFolder.
void RemoveDataFolderCopy(const std::wstring& folder);
