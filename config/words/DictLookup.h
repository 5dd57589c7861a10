// The mini dictionary without its window: the text shown for a word, the
// web look-up addresses and the word carried by WM_COPYDATA.
#pragma once

#include <windows.h>

#include <string>

#include "engine/MappedFile.h"

// Every value dict.dms holds for the word, in file order, each followed by
// CR LF; "" without a table or an entry.
std::wstring DictLookupText(const MappedFile* dict, const std::wstring& word);

// Commands of the web look-up menu.
enum WebLookupCommand : int {
  kWebLookupCharacters = 33045,  // 汉典
  kWebLookupEnglish = 33047,     // 词霸
  kWebLookupSearch = 33051,      // 谷歌
  kWebLookupChineseSearch = 33050,  // 百度
};

// The address a command opens for the word, the word encoded as a query
// value so "&", "#" and the like cannot change the address; empty for other
// commands. At most 511 units.
std::wstring WebLookupUrl(int command, const std::wstring& word);

// Units a WM_COPYDATA word may have.
inline constexpr size_t kCopiedWordUnits = 127;
// The word of a WM_COPYDATA message: at most min(cbData / 2, 127) units,
// ended early by a NUL, never read past cbData; "" for a missing pointer.
std::wstring ReceivedDictWord(const COPYDATASTRUCT* data);
