// Code tables: bisection search, the code range lookups of every key stroke
// and the two-letter index.
#include "engine/DmgTable.h"

#include <optional>

#include "engine/DataLock.h"
#include "engine/DmgTableInternal.h"

using dmg_internal::CompareByteRuns;
using dmg_internal::CompareRecordWithKey;
using dmg_internal::PartitionPoint;

namespace {

// Largest key FindRecord copies before a remap can move the caller's memory.
constexpr uint32_t kMaxKeyBytes = 2 + 255 + 2 * 255;

bool CodeBelow(const DmgRecord& rec, const uint8_t* code, uint32_t len) {
  return CompareByteRuns(rec.code + 1, rec.codeLen, code, len) < 0;
}

bool StartsWith(const DmgRecord& rec, const uint8_t* code, uint32_t len) {
  return rec.codeLen >= len && std::memcmp(rec.code + 1, code, len) == 0;
}

uint32_t IndexEntry(const DmgView& view, uint32_t c, uint32_t d) {
  uint32_t value = 0;
  DmgLoadU32(view.base, view.sizeBytes, kDmgKeyIndexOffset + 4 * (c * 128 + d), &value);
  return value;
}

// The index block [first][second]..[first][second + 1] when the index is
// valid, covers both bytes and is consistent with the count; a stale or
// damaged index falls back to the whole table.
DmgRange IndexBlock(const DmgView& view, const uint8_t* code, uint32_t len, bool* fromIndex) {
  DmgRange whole{0, view.countRecords};
  *fromIndex = false;
  if (!IsKeyIndexValid(view) || !IsDefaultKeyByte(code[0])) return whole;
  uint32_t second = 0;
  if (len >= 2) {
    if (!IsDefaultKeyByte(code[1])) return whole;
    second = code[1];
  }
  DmgRange block{IndexEntry(view, code[0], second), IndexEntry(view, code[0], second + 1)};
  if (block.start > block.end || block.end > view.countRecords) return whole;
  *fromIndex = true;
  return block;
}

bool Searchable(const DmgView& view, const uint8_t* code, uint32_t len) {
  return view.base && code && len > 0 && view.type != kDmgTypeWordList;
}

}  // namespace

int FindRecordInRange(const DmgView& view, const uint8_t* key, const RecordCompareOps* ops,
                      uint32_t lo, uint32_t hi) {
  if (!view.base) return -1;
  if (!key) return 0;
  if (hi > view.countRecords) hi = view.countRecords;
  if (lo > hi) lo = hi;
  int64_t low = lo;
  int64_t high = static_cast<int64_t>(hi) - 1;
  int64_t insertAt = lo;
  while (low <= high) {
    int64_t mid = low + (high - low) / 2;
    DmgRecord rec;
    // A record with a bad offset counts as smaller than every key.
    int c = ReadDmgRecord(view, static_cast<uint32_t>(mid), &rec)
                ? CompareRecordWithKey(view.type, rec, key, ops)
                : -1;
    if (c == 0) return static_cast<int>(mid + 1);
    if (c > 0) {
      high = mid - 1;
      insertAt = mid;
    } else {
      low = mid + 1;
      insertAt = mid + 1;
    }
  }
  return -static_cast<int>(insertAt);
}

int FindRecordInRange(MappedFile* table, const uint8_t* key, const RecordCompareOps* ops,
                      uint32_t lo, uint32_t hi) {
  if (!table || !table->view) return -1;
  // The key may lie in this table's view, which a remap would move.
  uint8_t copy[kMaxKeyBytes];
  if (key) {
    uint32_t type = GetDmgView(table).type;
    std::memcpy(copy, key, dmg_internal::KeySizeBytes(key, type));
  }
  RemapIfResized(table);
  return FindRecordInRange(GetDmgView(table), key ? copy : nullptr, ops, lo, hi);
}

int FindRecord(MappedFile* table, const uint8_t* key, const RecordCompareOps* ops) {
  return FindRecordInRange(table, key, ops, 0, 0xFFFFFFFFu);
}

bool FindListedRecord(const DmgView& view, uint32_t offset, DmgRecord* out) {
  DmgRecord record;
  if (offset < kDmgOffsetTableOffset || !ReadDmgRecordAt(view, offset, &record)) return false;
  // The key is copied: the table may be written while it is searched.
  uint8_t key[kMaxKeyBytes];
  std::memcpy(key, dmg_internal::RecordKey(record), record.sizeBytes - 4);
  const int found = FindRecordInRange(view, key, &kDefaultRecordCompareOps, 0, view.countRecords);
  if (found <= 0) return false;
  // Equal records form one run around the hit; look for this offset in it.
  auto listedAt = [&](uint32_t p, bool* equal) {
    DmgRecord other;
    *equal = ReadDmgRecord(view, p, &other) &&
             CompareRecordWithKey(view.type, other, key, &kDefaultRecordCompareOps) == 0;
    return *equal && other.offset == offset;
  };
  bool equal = true;
  for (int p = found - 1; p >= 0 && equal; --p) {
    if (listedAt(static_cast<uint32_t>(p), &equal)) {
      *out = record;
      return true;
    }
  }
  equal = true;
  for (uint32_t p = static_cast<uint32_t>(found); p < view.countRecords && equal; ++p) {
    if (listedAt(p, &equal)) {
      *out = record;
      return true;
    }
  }
  return false;
}

DmgRange FindExactCodeRange(const DmgView& view, const uint8_t* code, uint32_t len) {
  if (!Searchable(view, code, len)) return {};
  bool fromIndex = false;
  DmgRange bounds = IndexBlock(view, code, len, &fromIndex);
  DmgRange range;
  range.start = PartitionPoint(view, bounds.start, bounds.end, [&](const DmgRecord& rec) {
    return CodeBelow(rec, code, len);
  });
  range.end = PartitionPoint(view, range.start, bounds.end, [&](const DmgRecord& rec) {
    return CompareByteRuns(rec.code + 1, rec.codeLen, code, len) <= 0;
  });
  return range;
}

DmgRange FindPrefixRange(const DmgView& view, const uint8_t* code, uint32_t len) {
  if (!Searchable(view, code, len)) return {};
  bool fromIndex = false;
  DmgRange bounds = IndexBlock(view, code, len, &fromIndex);
  if (fromIndex && len <= 2) return bounds;
  DmgRange range;
  range.start = PartitionPoint(view, bounds.start, bounds.end, [&](const DmgRecord& rec) {
    return CodeBelow(rec, code, len);
  });
  range.end = PartitionPoint(view, range.start, bounds.end, [&](const DmgRecord& rec) {
    return StartsWith(rec, code, len) || CodeBelow(rec, code, len);
  });
  return range;
}

namespace {

// Copies the code to the stack (it may lie in the table's own view, which a
// remap moves), remaps a grown table, then searches the fresh view.
template <class Search>
DmgRange RemapAndSearch(MappedFile* table, const uint8_t* code, uint32_t len, Search search) {
  if (!code || len == 0 || len > kDmgMaxCodeBytes) return {};
  uint8_t copy[kDmgMaxCodeBytes];
  std::memcpy(copy, code, len);
  RemapIfResized(table);
  return search(GetDmgView(table), copy, len);
}

}  // namespace

DmgRange FindExactCodeRange(MappedFile* table, const uint8_t* code, uint32_t len) {
  return RemapAndSearch(table, code, len, [](const DmgView& v, const uint8_t* c, uint32_t n) {
    return FindExactCodeRange(v, c, n);
  });
}

DmgRange FindPrefixRange(MappedFile* table, const uint8_t* code, uint32_t len) {
  return RemapAndSearch(table, code, len, [](const DmgView& v, const uint8_t* c, uint32_t n) {
    return FindPrefixRange(v, c, n);
  });
}

namespace {

// Insertion point of a probe code (code bytes, then the sentinel 200, and an
// empty word) within [lo, hi): real code bytes are below 200.
uint32_t ProbeInsertion(const DmgView& view, const RecordCompareOps* ops, uint32_t lo,
                        uint32_t hi, uint8_t first, int second, int third) {
  uint8_t probe[6];
  uint8_t n = 0;
  probe[1 + n++] = first;
  if (second >= 0) probe[1 + n++] = static_cast<uint8_t>(second);
  if (third >= 0) probe[1 + n++] = static_cast<uint8_t>(third);
  probe[0] = n;
  probe[1 + n] = 0;  // empty word
  return PartitionPoint(view, lo, hi, [&](const DmgRecord& rec) {
    return CompareRecordWithKey(view.type, rec, probe, ops) < 0;
  });
}

}  // namespace

int RebuildKeyIndex(MappedFile* table, const RecordCompareOps* ops, const wchar_t* keySet) {
  DataWriteLock lock(table);
  DmgView view;
  if (!lock.Held() || !dmg_internal::PrepareForWrite(table, &view)) return 0;

  bool member[128] = {};
  const wchar_t* keys = keySet && keySet[0] ? keySet : kDefaultKeySet;
  for (const wchar_t* p = keys; *p; ++p) {
    wchar_t ch = *p;
    if (ch >= 32 && ch < 128) member[ch] = true;
    if (ch >= 0xFF0A && ch <= 0xFF19) member[ch & 0xFF] = true;
  }
  // Word lists have no codes to index; their index stays empty.
  bool indexed = view.type != kDmgTypeWordList;

  uint8_t* indexBase = dmg_internal::MutableBase(view) + kDmgKeyIndexOffset;
  uint32_t n = view.countRecords;
  // Each row is computed apart and written whole, and only when it changed,
  // so a reader in another process never meets a half-cleared index. A
  // writer cut off between rows leaves rows of two tables: the key set is
  // journaled before the first row is written, to rebuild it from.
  std::optional<TableChange> change;
  for (uint32_t b = 0; b < 128; ++b) {
    uint32_t row[128] = {};
    if (indexed && member[b]) {
      row[0] = ProbeInsertion(view, ops, 0, n, static_cast<uint8_t>(b - 1), 200, -1);
      row[1] = ProbeInsertion(view, ops, row[0], n, static_cast<uint8_t>(b), 200, -1);
      for (uint32_t f = 0; f < 128; ++f) {
        if (!member[f]) continue;
        row[f] = ProbeInsertion(view, ops, row[0], row[1], static_cast<uint8_t>(b),
                                static_cast<int>(f - 1), 200);
        // The end of the block of byte 127 would fall outside the row.
        if (f + 1 < 128) {
          row[f + 1] = ProbeInsertion(view, ops, row[f], row[1], static_cast<uint8_t>(b),
                                      static_cast<int>(f), 200);
        }
      }
    }
    if (std::memcmp(indexBase + b * sizeof(row), row, sizeof(row)) != 0) {
      if (!change) {
        change.emplace(table, keySet && keySet[0] ? keySet : nullptr);
        if (!change->Ready()) return 0;
      }
      std::memcpy(indexBase + b * sizeof(row), row, sizeof(row));
    }
  }
  if (change) change->Done();
  return 1;
}
