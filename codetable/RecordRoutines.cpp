// Deletion, category counts, rule-based word coding and the pointer array.
#include "codetable/RecordRoutines.h"

#include <cstdlib>
#include <cstring>

#include "codetable/DefinitionText.h"
#include "codetable/TableFiles.h"
#include "engine/ConfigBlocks.h"
#include "engine/DataLock.h"
#include "engine/DmsTable.h"
#include "engine/TableJournal.h"

namespace {

bool IsHigh(wchar_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(wchar_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Character n (1-based) of the word into out (up to 2 units + NUL); false
// when the word is shorter or a broken surrogate pair comes first.
bool NthCharacter(const wchar_t* word, uint32_t n, wchar_t* out) {
  if (n == 0) return false;
  const wchar_t* p = word;
  for (uint32_t i = 1;; ++i) {
    if (!*p) return false;
    uint32_t units = 1;
    if (IsHigh(p[0])) {
      if (!IsLow(p[1])) return false;
      units = 2;
    }
    if (i == n) {
      out[0] = p[0];
      out[1] = units == 2 ? p[1] : L'\0';
      out[2] = L'\0';
      return true;
    }
    p += units;
  }
}

}  // namespace

int DeleteRecordAt(MappedFile* table, uint32_t position) {
  DataWriteLock lock(table);
  if (!lock.Held() || !PrepareTableForWrite(table)) return 0;
  DmgView view = GetDmgView(table);
  if (!view.base || position >= view.countRecords) return 0;
  uint32_t edge = 0;
  DmgLoadU32(view.base, view.sizeBytes, kDmgEdgeOffset, &edge);
  DmgRecord rec;
  // The record and everything moved must lie inside [edge, size).
  if (!ReadDmgRecord(view, position, &rec) || rec.offset < edge ||
      edge < kDmgOffsetTableOffset + 4 * view.countRecords) {
    return 0;
  }
  uint32_t count = view.countRecords;
  uint32_t size = rec.sizeBytes;
  uint32_t p = rec.offset;
  // The records below it move up: a writer cut off there would leave them
  // half moved.
  TableChange change(table, TableChangeScope::kWholeFile);
  if (!change.Ready()) return 0;
  uint8_t* base = table->view;
  DmgStoreU32(base, table->size, kDmgCountOffset, 0);
  std::memmove(base + edge + size, base + edge, p - edge);
  for (uint32_t i = 0, out = 0; i < count; ++i) {
    uint32_t off = 0;
    DmgLoadU32(base, table->size, kDmgOffsetTableOffset + 4 * i, &off);
    if (i == position) continue;
    if (off < p) off += size;
    DmgStoreU32(base, table->size, kDmgOffsetTableOffset + 4 * out++, off);
  }
  DmgStoreU32(base, table->size, kDmgEdgeOffset, edge + size);
  DmgStoreU32(base, table->size, kDmgCountOffset, count - 1);
  FlushViewOfFile(base, table->size);
  change.Done();
  return 1;
}

void CountEntriesByClass(const MappedFile* table, uint32_t counters[64]) {
  DmgView view = GetDmgView(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (ReadDmgRecord(view, i, &rec)) ++counters[EntryAttr::Category(rec.attr)];
  }
}

int DeriveCodeByRules(const MappedFile* danzi, const uint16_t* rule, const wchar_t* word,
                      wchar_t* code) {
  if (!code) return 0;
  code[0] = L'\0';
  if (!danzi || !rule || !word) return 0;
  uint32_t len = 0;
  DmsTable table = GetDmsTable(danzi);
  for (uint32_t i = 0; i < 128 && rule[i]; ++i) {
    uint32_t n = static_cast<uint32_t>(RuleCharacter(rule[i]));
    uint32_t m = static_cast<uint32_t>(RuleCodePosition(rule[i]));
    wchar_t ch[3];
    if (!NthCharacter(word, n, ch)) continue;
    DmsEntry entry;
    if (LookupEntryList(table, ch, &entry, 1) == 0 || !entry.value) continue;
    if (m == 0) {
      for (uint32_t k = 0; k < entry.valueLenUnits && len < kMaxCodeBytes; ++k) code[len++] = entry.value[k];
    } else if (m <= entry.valueLenUnits && len < kMaxCodeBytes) {
      code[len++] = entry.value[m - 1];
    }
  }
  code[len] = L'\0';
  return len > 0 ? 1 : 0;
}

int PushPointer(PointerArray* array, void* pointer, uint32_t initialCapacity) {
  if (array->count == array->capacity) {
    uint32_t capacity = array->capacity ? array->capacity * 2 : (initialCapacity ? initialCapacity : 16);
    void* grown = std::realloc(array->items, capacity * sizeof(void*));
    if (!grown) return 0;
    array->items = static_cast<void**>(grown);
    array->capacity = capacity;
  }
  array->items[array->count++] = pointer;
  return 1;
}

void FreePointerArray(PointerArray* array) {
  std::free(array->items);
  array->items = nullptr;
  array->count = 0;
  array->capacity = 0;
}
