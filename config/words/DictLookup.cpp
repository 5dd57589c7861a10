// Look-up text, web addresses and the received word of the mini dictionary.
#include "config/words/DictLookup.h"

#include <vector>

#include "engine/DmsTable.h"
#include "engine/UrlEncode.h"

namespace {

struct WebLookup {
  int command;
  const wchar_t* prefix;  // the word follows
};

constexpr WebLookup kWebLookups[] = {
    {kWebLookupCharacters, L"https://www.zdic.net/search/?q="},
    {kWebLookupEnglish, L"https://www.iciba.com/"},
    {kWebLookupSearch, L"https://www.google.com/search?newwindow=1&source=hp&q="},
    {kWebLookupChineseSearch, L"https://www.baidu.com/s?wd="},
};

}  // namespace

std::wstring DictLookupText(const MappedFile* dict, const std::wstring& word) {
  if (!dict || word.empty()) return {};
  const DmsTable table = GetDmsTable(dict);
  const uint32_t count = LookupEntryList(table, word.c_str(), nullptr, 0);
  if (count == 0) return {};
  std::vector<DmsEntry> entries(count);
  // Another process may change the table between the two calls.
  const uint32_t filled = LookupEntryList(table, word.c_str(), entries.data(), count);
  if (filled < count) entries.resize(filled);
  std::wstring text;
  for (const DmsEntry& entry : entries) {
    if (entry.value) text.append(entry.value, entry.valueLenUnits);
    text += L"\r\n";
  }
  return text;
}

std::wstring WebLookupUrl(int command, const std::wstring& word) {
  for (const WebLookup& lookup : kWebLookups) {
    if (lookup.command != command) continue;
    std::wstring url = lookup.prefix;
    const int room = kEncodedUrlUnits + 1 - static_cast<int>(url.size());
    std::wstring encoded(static_cast<size_t>(room), L'\0');
    const int n = UrlPercentEncode(word.c_str(), encoded.data(), room, UrlEncodeForm::kQueryValue);
    encoded.resize(static_cast<size_t>(n));
    return url + encoded;
  }
  return {};
}

std::wstring ReceivedDictWord(const COPYDATASTRUCT* data) {
  if (!data || !data->lpData) return {};
  size_t units = data->cbData / sizeof(wchar_t);
  if (units > kCopiedWordUnits) units = kCopiedWordUnits;
  const auto* text = static_cast<const wchar_t*>(data->lpData);
  size_t n = 0;
  while (n < units && text[n]) ++n;
  return std::wstring(text, n);
}
