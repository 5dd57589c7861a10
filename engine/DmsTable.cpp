// Lookup tables: validated view, bisection by key and the list of the
// alternatives of one key.
#include "engine/DmsTable.h"

#include <cstring>

namespace {

uint32_t EntryOffset(const DmsTable& table, uint32_t position) {
  uint32_t offset = 0;
  std::memcpy(&offset, table.base + kDmsOffsetTableOffset + 4 * position, 4);
  return offset;
}

// Units of the NUL-terminated text at offset, or -1 when no NUL lies inside
// the view (or the offset is odd or outside it).
int64_t TextUnits(const DmsTable& table, uint32_t offset) {
  if ((offset & 1) || offset >= table.sizeBytes) return -1;
  const wchar_t* text = reinterpret_cast<const wchar_t*>(table.base + offset);
  uint32_t maxUnits = (table.sizeBytes - offset) / 2;
  for (uint32_t i = 0; i < maxUnits; ++i) {
    if (text[i] == 0) return i;
  }
  return -1;
}

// Order of the entry at position against the key; a damaged entry compares
// as smaller than every key. *valid tells whether the key was terminated.
int CompareEntry(const DmsTable& table, uint32_t position, const wchar_t* key, bool* valid) {
  uint32_t offset = EntryOffset(table, position);
  *valid = false;
  if ((offset & 1) || offset >= table.sizeBytes) return -1;
  const wchar_t* text = reinterpret_cast<const wchar_t*>(table.base + offset);
  uint32_t maxUnits = (table.sizeBytes - offset) / 2;
  for (uint32_t i = 0; i < maxUnits; ++i) {
    uint16_t a = static_cast<uint16_t>(text[i]);
    uint16_t b = static_cast<uint16_t>(key[i]);
    if (a != b) {
      // Still a valid entry when its NUL comes later; only the order matters
      // for the search.
      *valid = true;
      return a < b ? -1 : 1;
    }
    if (a == 0) {
      *valid = true;
      return 0;
    }
  }
  return -1;
}

// First position in [lo, hi) whose entry is not below the key (upper: not at
// or below it).
uint32_t Bound(const DmsTable& table, const wchar_t* key, bool upper) {
  uint32_t lo = 0, hi = table.countEntries;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    bool valid;
    int c = CompareEntry(table, mid, key, &valid);
    if (c < 0 || (upper && c == 0)) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace

int CompareUInt32(const void* a, const void* b) {
  uint32_t x, y;
  std::memcpy(&x, a, 4);
  std::memcpy(&y, b, 4);
  return x < y ? -1 : x > y ? 1 : 0;
}

DmsTable GetDmsTable(const MappedFile* table) {
  DmsTable view;
  if (!table || !table->view || table->size < kDmsOffsetTableOffset) return view;
  view.base = table->view;
  view.sizeBytes = table->size;
  uint32_t count = 0;
  std::memcpy(&count, view.base, 4);
  if (kDmsOffsetTableOffset + 4ull * count <= view.sizeBytes) view.countEntries = count;
  return view;
}

int SearchDmsTable(const DmsTable& table, const wchar_t* key) {
  if (!table.base || !key || table.countEntries == 0) return 0;
  int64_t lo = 0, hi = static_cast<int64_t>(table.countEntries) - 1;
  while (lo <= hi) {
    int64_t mid = lo + (hi - lo) / 2;
    bool valid;
    int c = CompareEntry(table, static_cast<uint32_t>(mid), key, &valid);
    if (c == 0) return static_cast<int>(mid + 1);
    if (c > 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return 0;
}

int SearchDmsTable(const MappedFile* table, const wchar_t* key) {
  return SearchDmsTable(GetDmsTable(table), key);
}

uint32_t LookupEntryList(const DmsTable& table, const wchar_t* key, DmsEntry* out,
                         uint32_t capacity) {
  if (!table.base || !key || table.countEntries == 0) return 0;
  if (!out) capacity = 0;
  uint32_t first = Bound(table, key, false);
  uint32_t last = Bound(table, key, true);
  uint32_t found = 0;
  for (uint32_t p = first; p < last; ++p) {
    bool valid;
    if (CompareEntry(table, p, key, &valid) != 0) continue;
    uint32_t offset = EntryOffset(table, p);
    int64_t keyUnits = TextUnits(table, offset);
    if (keyUnits < 0) continue;
    uint32_t valueOffset = offset + 2 * static_cast<uint32_t>(keyUnits + 1);
    int64_t valueUnits = TextUnits(table, valueOffset);
    // A value running past the end of the file is no entry.
    if (valueUnits < 0) continue;
    DmsEntry entry;
    entry.offset = offset;
    entry.key = reinterpret_cast<const wchar_t*>(table.base + offset);
    entry.value = reinterpret_cast<const wchar_t*>(table.base + valueOffset);
    entry.valueLenUnits = static_cast<uint32_t>(valueUnits);
    ++found;
    // Keep the earliest entries in file order: insertion by offset into the
    // caller's array, dropping the latest when it is full.
    uint32_t kept = found - 1 < capacity ? found - 1 : capacity;
    uint32_t at = kept;
    while (at > 0 && CompareUInt32(&out[at - 1].offset, &entry.offset) > 0) --at;
    if (at >= capacity) continue;
    uint32_t moveEnd = kept < capacity ? kept : capacity - 1;
    for (uint32_t i = moveEnd; i > at; --i) out[i] = out[i - 1];
    out[at] = entry;
  }
  return found;
}

uint32_t LookupEntryList(const MappedFile* table, const wchar_t* key, DmsEntry* out,
                         uint32_t capacity) {
  return LookupEntryList(GetDmsTable(table), key, out, capacity);
}
