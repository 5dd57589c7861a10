// Add-word rules: the word tail, the proposed code, the input checks and the
// commit into main.dmg.
#include "config/words/AddWord.h"

#include <cstring>

#include "codetable/DefinitionText.h"
#include "codetable/RecordRoutines.h"
#include "engine/DataLock.h"
#include "engine/TableJournal.h"
#include "engine/WideString.h"

namespace {

// Bytes of a search key starting at its code length byte.
size_t KeyBytes(const uint8_t* key) {
  const size_t code = key[0];
  return 1 + code + 1 + 2u * key[1 + code];
}

}  // namespace

bool WordTail(const std::wstring& source, int* chars, std::wstring* tail) {
  const uint32_t count = CountCodePoints(source.c_str());
  if ((count & kBrokenPairBit) || count == 0) return false;
  if (*chars > static_cast<int>(count)) *chars = static_cast<int>(count);
  if (*chars < 0) *chars = 0;
  // The tail starts after the first count - chars characters.
  const uint32_t kept = count - static_cast<uint32_t>(*chars);
  *tail = source.substr(CountUnitsForCodePoints(source.c_str(), kept));
  return true;
}

std::wstring BuildCodeForWord(const MappedFile* danzi, const DmeConfigBlock* dme,
                              const std::wstring& word) {
  if (!danzi || !dme) return {};
  const uint32_t chars = CountCodePoints(word.c_str());
  if ((chars & kBrokenPairBit) || chars == 0 || chars > kMaxProposedWordChars) return {};
  wchar_t code[kMaxCodeBytes + 1];
  if (!DeriveCodeByRules(danzi, dme->wordRules[chars].elements, word.c_str(), code)) return {};
  return code;
}

bool IsKeyboardCodeUnit(wchar_t unit) {
  return unit < 0x80 || (unit >= 0xFF0A && unit <= 0xFF19);
}

const wchar_t* AddWordHint(AddWordOutcome outcome) {
  switch (outcome) {
    case AddWordOutcome::kEmptyWord: return L"词条不能为空";
    case AddWordOutcome::kEmptyCode: return L"编码不能为空";
    case AddWordOutcome::kBadCode: return L"编码不能非键盘字符";
    case AddWordOutcome::kBadDefinition: return L"非法的定义";
    case AddWordOutcome::kFailed: return L"加词失败";
    case AddWordOutcome::kExists: return L"词条已存在";
    case AddWordOutcome::kRevived: return L"取消删除，并已更改排序";
    case AddWordOutcome::kAdded:
    case AddWordOutcome::kUnchanged: return L"";
  }
  return L"";
}

std::vector<uint8_t> EntryKey(const std::wstring& code, const std::wstring& word) {
  uint8_t bytes[kDmgMaxCodeBytes + 2] = {};
  if (code.empty() || code.size() > kDmgMaxCodeBytes || word.empty() ||
      word.size() > kDmgMaxWordUnits) {
    return {};
  }
  const int n = CodeTextToBytes(code.c_str(), bytes);
  if (n <= 0) return {};
  std::vector<uint8_t> key(bytes, bytes + 1 + n);
  key.push_back(static_cast<uint8_t>(word.size()));
  for (wchar_t u : word) {
    key.push_back(static_cast<uint8_t>(u & 0xFF));
    key.push_back(static_cast<uint8_t>(u >> 8));
  }
  return key;
}

AddWordOutcome CommitUserWord(MappedFile* main, const AddWordRequest& request) {
  const std::wstring word = request.word.substr(0, kAddWordUnits);
  const std::wstring code = request.code.substr(0, kAddWordUnits);
  if (word.empty()) return AddWordOutcome::kEmptyWord;
  if (code.empty()) return AddWordOutcome::kEmptyCode;
  // The builder cuts the "#" tags off the code text; what is left must be
  // keys only (the tags themselves are Chinese).
  wchar_t codeText[kCodePartUnits];
  CopyStringBounded(codeText, kCodePartUnits, code.c_str());
  DmgRecordBuffer record = BuildRecordFromText(codeText, word.c_str(), nullptr);
  for (const wchar_t* unit = codeText; *unit; ++unit) {
    if (!IsKeyboardCodeUnit(*unit)) return AddWordOutcome::kBadCode;
  }
  if (!record) return AddWordOutcome::kBadDefinition;
  uint8_t* raw = record.get();
  uint32_t attr = EntryAttr::WithCategory(StoredRecordAttr(raw), request.category);
  if (EntryAttr::Order(attr) == 0) {
    attr |= request.beforeSystem ? kOrderBeforeSystem : kOrderAfterSystem;
  }
  SetStoredRecordAttr(raw, attr);
  const uint8_t* key = raw + 4;

  std::vector<uint8_t> oldKey;
  if (request.change) {
    oldKey = EntryKey(request.oldCode, request.oldWord);
    if (oldKey.size() == KeyBytes(key) && std::memcmp(oldKey.data(), key, oldKey.size()) == 0)
      return AddWordOutcome::kUnchanged;
  }

  // A table that was empty when it was opened may have been built since.
  ReopenIfFilled(main);
  if (!IsWritableMapping(main)) return AddWordOutcome::kFailed;
  // One hold of the folder's lock for the search, the writes and the index,
  // so no other writer comes between the check and the change.
  DataWriteLock lock(main);
  if (!lock.Held() || !TableReadyForWrite(main)) return AddWordOutcome::kFailed;
  RemapIfResized(main);
  AddWordOutcome outcome = AddWordOutcome::kAdded;
  const int hit = FindRecord(main, key, nullptr);
  if (hit > 0) {
    DmgRecord found;
    if (!ReadDmgRecord(GetDmgView(main), static_cast<uint32_t>(hit - 1), &found))
      return AddWordOutcome::kFailed;
    if (!(found.attr & EntryAttr::kDeleted)) return AddWordOutcome::kExists;
    const uint32_t revived = (found.attr & ~(EntryAttr::kDeleted | EntryAttr::kOrderMask)) |
                             EntryAttr::Order(attr);
    DmgStoreU32(main->view, main->size, found.offset, revived);
    outcome = AddWordOutcome::kRevived;
  } else if (!AppendRecord(main, raw) || !PlaceNewRecord(main, nullptr, -1)) {
    return AddWordOutcome::kFailed;
  }
  bool moved = outcome == AddWordOutcome::kAdded;
  // The old entry goes only now that the new one is in: found again by its
  // code and word, since other processes may have moved it.
  if (!oldKey.empty()) {
    const int old = FindRecord(main, oldKey.data(), nullptr);
    if (old > 0 && DeleteRecordAt(main, static_cast<uint32_t>(old - 1))) moved = true;
  }
  if (moved && IsKeyIndexValid(GetDmgView(main))) RebuildKeyIndex(main, nullptr, nullptr);
  FlushMappedFile(main);
  return outcome;
}
