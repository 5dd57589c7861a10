// Temporary words: coded from the last commits, kept in the 512 fixed slots
// of temp.dmg (oldest replaced first), and promoted into main.dmg when a
// temporary word is committed and the option asks for it.
#include <cstring>

#include "engine/DmsTable.h"
#include "engine/CommandLanguage.h"
#include "engine/Search.h"
#include "engine/TempWords.h"
#include "engine/WideString.h"

namespace {

// Lowest offset a slot may have: just past the offset table.
constexpr uint32_t kSlotAreaStart = kDmgOffsetTableOffset + 4 * kTempSlotCount;

uint32_t LoadOffset(const MappedFile* temp, uint32_t slot) {
  uint32_t offset = 0;
  DmgLoadU32(temp->view, temp->size, kDmgOffsetTableOffset + 4 * slot, &offset);
  return offset;
}

void StoreOffset(MappedFile* temp, uint32_t slot, uint32_t offset) {
  DmgStoreU32(temp->view, temp->size, kDmgOffsetTableOffset + 4 * slot, offset);
}

// Age of the record at offset; false when the offset lies outside the slots.
bool LoadAge(const MappedFile* temp, uint32_t offset, uint32_t* age) {
  return offset >= kSlotAreaStart && DmgLoadU32(temp->view, temp->size, offset, age);
}

void StoreAge(MappedFile* temp, uint32_t offset, uint32_t age) {
  if (offset >= kSlotAreaStart) DmgStoreU32(temp->view, temp->size, offset, age);
}

// The writable temp table's record count; false when it is no temp table.
bool TempCount(const MappedFile* temp, uint32_t* count) {
  if (!IsWritableMapping(temp) || temp->size < kSlotAreaStart) return false;
  return DmgLoadU32(temp->view, temp->size, kDmgCountOffset, count) && *count <= kTempSlotCount;
}

// Bytes a slot may hold: up to the next slot or the end of the file. 0 for a
// slot outside the slot area or shared with another slot, so that a record
// written there can never reach into another one.
uint32_t SlotRoom(const MappedFile* temp, uint32_t slot) {
  const uint32_t offset = LoadOffset(temp, slot);
  if (offset < kSlotAreaStart || offset >= temp->size) return 0;
  uint32_t room = temp->size - offset;
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    if (i == slot) continue;
    const uint32_t other = LoadOffset(temp, i);
    if (other == offset) return 0;
    if (other > offset && other - offset < room) room = other - offset;
  }
  return room;
}

// Size of a stored code record whose code and word are 1..128 long, else 0.
uint32_t TempRecordSize(const uint8_t* record) {
  const uint32_t codeLen = record[4];
  if (codeLen == 0 || codeLen > static_cast<uint32_t>(kTempMaxUnits)) return 0;
  const uint32_t wordLen = record[5 + codeLen];
  if (wordLen == 0 || wordLen > static_cast<uint32_t>(kTempMaxUnits)) return 0;
  return 6 + codeLen + 2 * wordLen;
}

// A stored record (attribute 0) for a code text and a word; 0 when either is
// empty or longer than 128 units.
uint32_t BuildTempRecordBytes(const wchar_t* code, const wchar_t* word, uint8_t* out) {
  const uint32_t wordLen = BoundedLength(word, kTempMaxUnits + 1);
  if (BoundedLength(code, kTempMaxUnits + 1) > static_cast<uint32_t>(kTempMaxUnits) ||
      wordLen == 0 || wordLen > static_cast<uint32_t>(kTempMaxUnits)) {
    return 0;
  }
  uint8_t bytes[kDmgMaxCodeBytes + 2];
  const int codeLen = CodeTextToBytes(code, bytes);
  if (codeLen <= 0) return 0;
  std::memset(out, 0, 4);
  std::memcpy(out + 4, bytes, 1 + static_cast<size_t>(codeLen));
  out[5 + codeLen] = static_cast<uint8_t>(wordLen);
  std::memcpy(out + 6 + codeLen, word, 2 * wordLen);
  return 6 + static_cast<uint32_t>(codeLen) + 2 * wordLen;
}

// Character number k (1-based) of text as its own terminated text.
bool NthCharacter(const wchar_t* text, int k, wchar_t out[3]) {
  int i = 0;
  for (int c = 1; text[i]; ++c) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (c == k) {
      out[0] = text[i];
      out[1] = pair ? text[i + 1] : 0;
      out[2] = 0;
      return true;
    }
    i += pair ? 2 : 1;
  }
  return false;
}

// The code of an m-character word by its rule, from the history's character
// codes (smart) or from danzi.dmi. -1 when a code character the rule needs is
// missing from the history; the code is cut at 128 units.
int BuildTempCode(const WordFormationRule& rule, const wchar_t* word, const HistoryCodes& codes,
                  bool smart, const MappedFile* danzi, wchar_t* code) {
  int n = 0;
  code[0] = 0;
  auto append = [&](const wchar_t* units, int count) {
    for (int i = 0; i < count && n < kTempMaxUnits; ++i) code[n++] = units[i];
    code[n] = 0;
  };
  for (int e = 0; e < 128 && rule.elements[e]; ++e) {
    const int k = (rule.elements[e] >> 8) & 0x7F;
    const int g = rule.elements[e] & 0x7F;
    if (k < 1 || k > kHistoryChars || g > kHistoryCodeUnits) continue;
    if (smart) {
      const wchar_t* field = codes[k - 1];
      const int len = static_cast<int>(BoundedLength(field, kHistoryCodeUnits));
      if (g == 0) append(field, len);
      else if (g <= len) append(field + g - 1, 1);
      else return -1;
      continue;
    }
    wchar_t key[3];
    DmsEntry entry;
    if (!NthCharacter(word, k, key) || LookupEntryList(danzi, key, &entry, 1) == 0) continue;
    const int len = static_cast<int>(entry.valueLenUnits);
    if (g == 0) append(entry.value, len);
    else if (g <= len) append(entry.value + g - 1, 1);
  }
  return n;
}

bool TableHolds(MappedFile* table, const uint8_t* record) {
  return table && FindRecord(table, record + 4, &kDefaultRecordCompareOps) > 0;
}

void RemoveTempRecordAt(MappedFile* temp, uint32_t offset) {
  uint32_t count = 0;
  if (!TempCount(temp, &count)) return;
  for (uint32_t p = 0; p < count; ++p) {
    if (LoadOffset(temp, p) == offset) {
      RemoveTempRecord(temp, static_cast<int>(p));
      return;
    }
  }
}

// Copies a committed temporary word into main.dmg as a user word. The copy is
// built apart from the shared temp.dmg view, and the temporary record goes
// only once the main table holds the word.
void PromoteTempWord(ImeContext* context, const DmgRecord& tempRecord) {
  MappedFile* main = context->files[kFileMain];
  MappedFile* temp = context->files[kFileTemp];
  if (!main || !temp || !GetDmgView(main).base || tempRecord.sizeBytes > kTempSlotBytes) return;
  uint8_t record[kTempSlotBytes];
  std::memcpy(record, temp->view + tempRecord.offset, tempRecord.sizeBytes);
  const uint32_t attr = kPromotedAttribute;
  std::memcpy(record, &attr, 4);
  if (TableHolds(main, record)) return;
  const uint8_t* viewBefore = main->view;
  if (!AppendRecord(main, record)) return;
  RemapTables(context);
  PlaceNewRecord(main, &kDefaultRecordCompareOps, -1);
  RebuildKeyIndex(main, &kDefaultRecordCompareOps);
  const int found = FindRecord(main, record + 4, &kDefaultRecordCompareOps);
  if (found > 0) {
    context->lastCommittedKind = kKindMain;
    context->lastCommitted = EntryRef{kFileMain + 1, DmgRecordOffset(GetDmgView(main), found - 1)};
  }
  RemoveTempRecordAt(temp, tempRecord.offset);
  if (main->view != viewBefore) {
    // The list points into the old view: nothing may read it any more.
    context->candidateCount = 0;
    context->slotsFilled = 0;
  }
}

}  // namespace

int CommitSelection(ImeContext* context, int listIndex) {
  if (!context) return 0;
  context->lastCommittedKind = 0;
  context->lastCommitted = EntryRef{0, 0};
  if (context->commitKind == kCommitActionTypedCode) return 0;
  if (listIndex < 0 || listIndex >= context->candidateCount) return 0;
  const CandidateItem item = context->candidates[listIndex];
  context->lastCommittedKind = item.kind;
  DmgRecord record;
  const bool isRecord = ReadCandidateRecord(context, item, &record);
  if (isRecord) context->lastCommitted = EntryRef{EntryTableOfKind(item.kind), record.offset};
  // Recorded before a promotion frees the temporary record's slot.
  const int recorded = RecordCommit(context, listIndex);
  const ImeConfigBlock* ime = context->imeBlock;
  if (isRecord && item.kind == kKindTemp && ime && (ime->optionFlags & kImeOptTempWordSaves)) {
    PromoteTempWord(context, record);
  }
  if (!recorded) return 0;
  AddTempWordsFromHistory(context);
  return 1;
}

int AddTempWordsFromHistory(ImeContext* context) {
  if (!context || !context->imeBlock || !context->dmeBlock) return 0;
  const ImeConfigBlock* ime = context->imeBlock;
  MappedFile* temp = context->files[kFileTemp];
  const MappedFile* danzi = context->files[kFileDanzi];
  const bool smart = (ime->optionFlags & kImeOptSmartTempWords) != 0;
  const int count = ime->recentCommitCount;
  if (count < 3 || count > kHistoryRecords || !temp || !(ime->optionFlags & kImeOptTempWords) ||
      (!smart && !danzi)) {
    return 0;
  }
  int added = 0;
  const int last = count - 1 < 15 ? count - 1 : 15;
  for (int j = 2; j <= last; ++j) {
    wchar_t word[kJoinedTextUnits];
    HistoryCodes codes;
    const int m = JoinRecentCommits(context, j, word, &codes);
    if (m < 2 || m > kHistoryChars) break;
    // Codes of only some of the joined commits would code a shorter word.
    if (CountCodePoints(word) != static_cast<uint32_t>(m)) break;
    wchar_t code[kTempMaxUnits + 1];
    if (BuildTempCode(context->dmeBlock->wordRules[m], word, codes, smart, danzi, code) <= 0) {
      continue;
    }
    uint8_t record[kTempSlotBytes];
    if (!BuildTempRecordBytes(code, word, record)) continue;
    if (TableHolds(context->files[kFileMain], record) || TableHolds(temp, record)) continue;
    added += AddTempRecord(temp, record, &kDefaultRecordCompareOps);
  }
  return added;
}

int AddTempRecord(MappedFile* temp, const uint8_t* record, const RecordCompareOps* ops) {
  uint32_t count = 0;
  if (!record || !TempCount(temp, &count)) return 0;
  const uint32_t size = TempRecordSize(record);
  if (size == 0) return 0;
  // Copied first: the record may lie in the slot it is about to replace.
  uint8_t copy[kTempSlotBytes];
  std::memcpy(copy, record, size);
  uint32_t slot = count;
  uint32_t age = count;
  if (count == kTempSlotCount) {
    // Full: the oldest (lowest age) gives way; the others grow one step older.
    uint32_t oldestAge = UINT32_MAX;
    for (uint32_t p = 0; p < kTempSlotCount; ++p) {
      uint32_t a = 0;
      if (LoadAge(temp, LoadOffset(temp, p), &a) && a < oldestAge) {
        oldestAge = a;
        slot = p;
      }
    }
    if (slot == kTempSlotCount || SlotRoom(temp, slot) < size) return 0;
    for (uint32_t p = 0; p < kTempSlotCount; ++p) {
      uint32_t a = 0;
      const uint32_t offset = LoadOffset(temp, p);
      if (p != slot && LoadAge(temp, offset, &a) && a > 0) StoreAge(temp, offset, a - 1);
    }
    age = kTempSlotCount - 1;
  } else if (SlotRoom(temp, slot) < size) {
    return 0;
  }
  const uint32_t offset = LoadOffset(temp, slot);
  std::memcpy(temp->view + offset, copy, size);
  StoreAge(temp, offset, age);
  if (count < kTempSlotCount) DmgStoreU32(temp->view, temp->size, kDmgCountOffset, count + 1);
  SortTable(temp, ops);
  return 1;
}

void RemoveTempRecord(MappedFile* temp, int position) {
  uint32_t count = 0;
  if (!TempCount(temp, &count) || position < 0 || static_cast<uint32_t>(position) >= count) return;
  const auto p = static_cast<uint32_t>(position);
  const uint32_t freed = LoadOffset(temp, p);
  uint32_t removedAge = 0;
  const bool hasAge = LoadAge(temp, freed, &removedAge);
  for (uint32_t i = p; i + 1 < count; ++i) StoreOffset(temp, i, LoadOffset(temp, i + 1));
  StoreOffset(temp, count - 1, freed);
  DmgStoreU32(temp->view, temp->size, kDmgCountOffset, count - 1);
  for (uint32_t i = 0; hasAge && i + 1 < count; ++i) {
    const uint32_t offset = LoadOffset(temp, i);
    uint32_t a = 0;
    if (LoadAge(temp, offset, &a) && a > removedAge) StoreAge(temp, offset, a - 1);
  }
  FlushMappedFile(temp);
}

uint32_t WriteEmptyTempTable(uint8_t* out, uint32_t capacity) {
  if (!out || capacity < kTempTableBytes) return 0;
  std::memset(out, 0, kTempTableBytes);
  const uint32_t header[3] = {kTempTableBytes, 0, kTempTableType};  // edge, count, type
  std::memcpy(out, header, sizeof(header));
  static constexpr wchar_t kName[] = L"临时词";
  std::memcpy(out + kDmgNameOffset, kName, sizeof(kName));
  const uint32_t userState = 100;  // as the compiler writes it
  std::memcpy(out + offsetof(DmgHeader, userState74), &userState, 4);
  for (uint32_t i = 0; i < kTempSlotCount; ++i) {
    const uint32_t offset = kTempFirstSlot + i * kTempSlotBytes;
    std::memcpy(out + kDmgOffsetTableOffset + 4 * i, &offset, 4);
  }
  return kTempTableBytes;
}
