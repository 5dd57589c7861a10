// A character may have several codes (short codes and its full code); the
// word-formation rules need the full one, so the longest code wins and, among
// codes of one length, the one the table orders first.
#include "tools/dmgtool/DanziTable.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "codetable/DmsText.h"
#include "engine/DmgTable.h"
#include "engine/MappedFile.h"

namespace {

struct Choice {
  std::wstring code;
  uint32_t order = 0;
};

bool Better(const std::wstring& code, uint32_t order, const Choice& old) {
  if (code.size() != old.code.size()) return code.size() > old.code.size();
  if (order != old.order) return order > old.order;
  return code < old.code;
}

}  // namespace

int WriteDanziTable(const wchar_t* mainTablePath, const wchar_t* outputPath) {
  MappedFile* table = nullptr;
  if (OpenMappedFile(&table, mainTablePath) <= 0 || !table) return 0;
  // std::map over wstring orders keys unit by unit as unsigned numbers, which
  // is the lookup order of the table (a shorter key first).
  std::map<std::wstring, Choice> chars;
  DmgView view = GetDmgView(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, i, &rec) || !rec.code) continue;
    if (rec.attr & EntryAttr::kDeleted) continue;
    wchar_t word[4];
    if (rec.wordLenUnits == 0 || rec.wordLenUnits > 2) continue;
    CopyRecordWord(rec, word, 4);
    bool single = rec.wordLenUnits == 1 ? !(word[0] >= 0xD800 && word[0] <= 0xDFFF)
                                        : (word[0] >= 0xD800 && word[0] <= 0xDBFF &&
                                           word[1] >= 0xDC00 && word[1] <= 0xDFFF);
    if (!single) continue;
    wchar_t code[260];
    CodeBytesToText(rec.code, code, 260);
    std::wstring key(word, rec.wordLenUnits);
    std::wstring codeText(code);
    auto it = chars.find(key);
    if (it == chars.end()) {
      chars[key] = Choice{codeText, EntryAttr::Order(rec.attr)};
    } else if (Better(codeText, EntryAttr::Order(rec.attr), it->second)) {
      it->second = Choice{codeText, EntryAttr::Order(rec.attr)};
    }
  }
  CloseMappedFile(table, 0);

  std::vector<DmsTextEntry> entries;
  entries.reserve(chars.size());
  for (const auto& [key, choice] : chars) entries.push_back(DmsTextEntry{key, choice.code});
  if (WriteDmsTable(outputPath, entries) != DmsBuildResult::kDone) return 0;
  return static_cast<int>(entries.size());
}
