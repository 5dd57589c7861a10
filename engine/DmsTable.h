// Lookup tables (.dms files and danzi.dmi): a key text to one or more value
// texts, searched by bisection in place.
#pragma once

#include <cstdint>

#include "engine/MappedFile.h"

// Layout, little-endian: u32 count n, u32 offsets[n] from the file start
// sorted by key, then entries. An entry is the key as UTF-16 with a NUL and
// the value right behind it with a NUL. Keys order unit by unit as unsigned
// numbers up to and including the NUL; equal keys are alternatives in file
// order.
//
// A validated view: countEntries is 0 when the offset table does not fit the
// file. Entries with an odd offset, or a key or value not terminated inside
// the view, are treated as absent.
struct DmsTable {
  const uint8_t* base = nullptr;
  uint32_t sizeBytes = 0;
  uint32_t countEntries = 0;
};
constexpr uint32_t kDmsOffsetTableOffset = 4;

DmsTable GetDmsTable(const MappedFile* table);

// Position + 1 of an entry with that key, 0 when there is none.
int SearchDmsTable(const DmsTable& table, const wchar_t* key);
int SearchDmsTable(const MappedFile* table, const wchar_t* key);

// One found entry; pointers into the view, both texts NUL-terminated there.
struct DmsEntry {
  uint32_t offset = 0;
  const wchar_t* key = nullptr;
  const wchar_t* value = nullptr;
  uint32_t valueLenUnits = 0;
};

// Every entry whose key equals the key, in file order: returns how many there
// are and fills out with the first min(count, capacity) of them. Nothing is
// allocated, so it serves candidate display on every key stroke.
uint32_t LookupEntryList(const DmsTable& table, const wchar_t* key, DmsEntry* out,
                         uint32_t capacity);
uint32_t LookupEntryList(const MappedFile* table, const wchar_t* key, DmsEntry* out,
                         uint32_t capacity);

// qsort-style order of two u32 values (entry offsets: file order).
int CompareUInt32(const void* a, const void* b);
