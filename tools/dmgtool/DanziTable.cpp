// A character may have several codes (short codes and its full code); the
// word-formation rules need the full one, so the longest code wins and, among
// codes of one length, the one the table orders first.
#include "tools/dmgtool/DanziTable.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

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

void PutUnits(std::vector<uint8_t>* out, const std::wstring& text) {
  for (wchar_t u : text) {
    out->push_back(static_cast<uint8_t>(u & 0xFF));
    out->push_back(static_cast<uint8_t>(u >> 8));
  }
  out->push_back(0);
  out->push_back(0);
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

  uint32_t n = static_cast<uint32_t>(chars.size());
  std::vector<uint8_t> entries;
  std::vector<uint32_t> offsets;
  uint32_t base = 4 + 4 * n;
  for (const auto& [key, choice] : chars) {
    offsets.push_back(base + static_cast<uint32_t>(entries.size()));
    PutUnits(&entries, key);
    PutUnits(&entries, choice.code);
  }
  std::vector<uint8_t> file(4);
  std::memcpy(file.data(), &n, 4);
  for (uint32_t off : offsets) file.insert(file.end(), reinterpret_cast<uint8_t*>(&off),
                                          reinterpret_cast<uint8_t*>(&off) + 4);
  file.insert(file.end(), entries.begin(), entries.end());

  HANDLE out = CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  bool ok = WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr) &&
            written == file.size();
  CloseHandle(out);
  return ok ? static_cast<int>(n) : 0;
}
