// Record routines that only config has: deleting one record, counting the
// categories, coding a word by the word-formation rules, and a growable
// pointer array. Searching and index rebuilding use the engine's routines.
#pragma once

#include <cstdint>

#include "engine/DmgTable.h"
#include "engine/MappedFile.h"

// Removes the record at a position of the offset table and closes its gap;
// the file keeps its size and the key index is left to the caller. 1 done,
// 0 when there is no writable table, the position is outside the count or
// the record does not lie inside the record area.
int DeleteRecordAt(MappedFile* table, uint32_t position);

// Adds 1 to counters[category] (bits 24-29) for every record of the table.
void CountEntriesByClass(const MappedFile* table, uint32_t counters[64]);

// Builds a word's code from danzi.dmi: each rule unit takes character n (high
// byte, 1-based, a surrogate pair counting one) and position m (low 7 bits;
// 0 = the whole code) of its first code. code holds kMaxCodeBytes + 1 units.
// 1 when the code is not empty.
int DeriveCodeByRules(const MappedFile* danzi, const uint16_t* rule, const wchar_t* word,
                      wchar_t* code);

struct PointerArray {
  uint32_t count;
  uint32_t capacity;
  void** items;
};
// Appends, doubling the capacity (from initialCapacity) when full; 0 when out
// of memory.
int PushPointer(PointerArray* array, void* pointer, uint32_t initialCapacity = 16);
void FreePointerArray(PointerArray* array);
