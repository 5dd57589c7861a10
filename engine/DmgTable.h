// Code tables (.dmg): the file layout, bounds-checked record readers, the
// bisection searches, record building, insertion and the two-letter index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/MappedFile.h"

// ---------------------------------------------------------------------------
// Layout. Every table is one file: this header, the sorted u32 offset table at
// kDmgOffsetTableOffset, a free gap, and records from `edge` to the end of the
// file. All integers little-endian. The header is never cast onto a view;
// readers use the offsets below through the bounded loaders.

#pragma pack(push, 1)
struct DmgHeader {
  uint32_t edge;              // low edge of the record area
  uint32_t count;             // records in the offset table
  uint32_t type;              // kDmgTypeCode: the key index is valid
  uint32_t reserved0C;         // set while a whole-table change runs (TableJournal.h)
  char16_t name[16];          // NUL-padded table name
  uint8_t tag[4];             // "YNSN", written by the compiler only
  uint8_t reserved34[64];
  uint32_t userState74;       // kept across a repair
  uint64_t userState78;
  uint64_t userState80;
  uint32_t keyIndex[128][128];  // KeyIndex
  uint8_t reserved10088[512];
};
#pragma pack(pop)

static_assert(sizeof(DmgHeader) == 66184);
static_assert(offsetof(DmgHeader, edge) == 0x00);
static_assert(offsetof(DmgHeader, count) == 0x04);
static_assert(offsetof(DmgHeader, type) == 0x08);
static_assert(offsetof(DmgHeader, reserved0C) == 0x0C);
static_assert(offsetof(DmgHeader, name) == 0x10);
static_assert(offsetof(DmgHeader, tag) == 0x30);
static_assert(offsetof(DmgHeader, reserved34) == 0x34);
static_assert(offsetof(DmgHeader, userState74) == 0x74);
static_assert(offsetof(DmgHeader, userState78) == 0x78);
static_assert(offsetof(DmgHeader, userState80) == 0x80);
static_assert(offsetof(DmgHeader, keyIndex) == 0x88);
static_assert(offsetof(DmgHeader, reserved10088) == 0x10088);

constexpr uint32_t kDmgEdgeOffset = offsetof(DmgHeader, edge);
constexpr uint32_t kDmgCountOffset = offsetof(DmgHeader, count);
constexpr uint32_t kDmgTypeOffset = offsetof(DmgHeader, type);
constexpr uint32_t kDmgNameOffset = offsetof(DmgHeader, name);
constexpr uint32_t kDmgKeyIndexOffset = offsetof(DmgHeader, keyIndex);
constexpr uint32_t kDmgKeyIndexBytes = sizeof(uint32_t) * 128 * 128;
constexpr uint32_t kDmgOffsetTableOffset = sizeof(DmgHeader);  // 0x10288

// Table types (header word 0x08).
constexpr uint32_t kDmgTypeCode = 1;      // code records; two-letter index valid
constexpr uint32_t kDmgTypeWordList = 5;  // attribute + one length-prefixed text

// Record limits. A code record is attr u32, code length u8, code bytes, word
// length u8 (UTF-16 units), word units: 6 + code + 2 * word bytes, unaligned.
constexpr uint32_t kDmgMaxCodeBytes = 255;
constexpr uint32_t kDmgMaxWordUnits = 128;  // longer words are refused
constexpr uint32_t kDmgMaxRecordBytes = 6 + 255 + 2 * 255;  // largest parsable

// EntryAttr: bits of a record's attribute word.
namespace EntryAttr {
constexpr uint32_t kOrderMask = 0x0000FFFFu;     // frequency, higher first
constexpr uint32_t kCategoryMask = 0x3F000000u;  // 0 temp, 1 system, 2 user ...
constexpr int kCategoryShift = 24;
constexpr uint32_t kPinned = 0x40000000u;   // never moved by frequency
constexpr uint32_t kDeleted = 0x80000000u;  // never listed
inline uint32_t Order(uint32_t attr) { return attr & kOrderMask; }
inline uint32_t Category(uint32_t attr) {
  return (attr & kCategoryMask) >> kCategoryShift;
}
inline uint32_t WithCategory(uint32_t attr, uint32_t category) {
  return (attr & ~kCategoryMask) | ((category << kCategoryShift) & kCategoryMask);
}
}  // namespace EntryAttr

// The attribute word at the start of a stored record (records are unaligned).
inline uint32_t StoredRecordAttr(const uint8_t* record) {
  uint32_t attr;
  std::memcpy(&attr, record, 4);
  return attr;
}
inline void SetStoredRecordAttr(uint8_t* record, uint32_t attr) {
  std::memcpy(record, &attr, 4);
}

// KeyIndex: u32[128][128] of offset-table positions. [c][0]..[c][1] is the
// block of codes starting with byte c; [c][d]..[c][d+1] (d >= 2) the block of
// codes starting with c d. Only bytes of the key set are indexed.
using KeyIndex = uint32_t[128][128];

// The 110 characters the engine indexes, in build order (ends with a blank).
extern const wchar_t kDefaultKeySet[];
// True when byte b is a code byte of kDefaultKeySet.
bool IsDefaultKeyByte(uint32_t b);

// ---------------------------------------------------------------------------
// Bounded loaders: offset <= size && n <= size - offset, which cannot wrap.

inline bool DmgInBounds(uint32_t size, uint32_t offset, uint32_t n) {
  return offset <= size && n <= size - offset;
}
inline bool DmgLoadU32(const uint8_t* base, uint32_t size, uint32_t offset,
                       uint32_t* out) {
  if (!base || !DmgInBounds(size, offset, 4)) return false;
  std::memcpy(out, base + offset, 4);
  return true;
}
inline bool DmgStoreU32(uint8_t* base, uint32_t size, uint32_t offset,
                        uint32_t value) {
  if (!base || !DmgInBounds(size, offset, 4)) return false;
  std::memcpy(base + offset, &value, 4);
  return true;
}
// One UTF-16 unit at an unaligned address.
inline uint16_t DmgUnitAt(const uint8_t* p) {
  uint16_t u;
  std::memcpy(&u, p, 2);
  return u;
}

// A snapshot of one mapped table taken at the start of an operation. count is
// 0 when the header or the offset table does not fit the view (a bad header
// makes an empty table). Pointers are valid until the table is resized or
// remapped.
struct DmgView {
  const uint8_t* base = nullptr;
  uint32_t sizeBytes = 0;
  uint32_t countRecords = 0;
  uint32_t type = 0;
};
DmgView GetDmgView(const MappedFile* table);
inline bool IsKeyIndexValid(const DmgView& view) {
  return view.type == kDmgTypeCode;
}

// One record read out of a view; pointers into the view. For a word-list
// table (type 5) `code` is null and the text is in `word`.
struct DmgRecord {
  uint32_t offset = 0;       // from the start of the file
  uint32_t sizeBytes = 0;
  uint32_t attr = 0;         // EntryAttr
  const uint8_t* code = nullptr;  // length byte, then codeLen bytes
  uint32_t codeLen = 0;
  const uint8_t* word = nullptr;  // length byte, then wordLenUnits unaligned units
  uint32_t wordLenUnits = 0;
};
// The three readers below are inline: every key stroke runs them for each
// record of the searched ranges.
// False when the record does not lie wholly inside the view.
inline bool ReadDmgRecordAt(const DmgView& view, uint32_t offset, DmgRecord* out) {
  const uint8_t* base = view.base;
  uint32_t size = view.sizeBytes;
  if (!base || !DmgInBounds(size, offset, 5)) return false;
  DmgRecord rec;
  rec.offset = offset;
  std::memcpy(&rec.attr, base + offset, 4);
  if (view.type == kDmgTypeWordList) {
    uint32_t units = base[offset + 4];
    rec.sizeBytes = 5 + 2 * units;
    if (!DmgInBounds(size, offset, rec.sizeBytes)) return false;
    rec.word = base + offset + 4;
    rec.wordLenUnits = units;
  } else {
    uint32_t codeLen = base[offset + 4];
    if (!DmgInBounds(size, offset, 6 + codeLen)) return false;
    uint32_t units = base[offset + 5 + codeLen];
    rec.sizeBytes = 6 + codeLen + 2 * units;
    if (!DmgInBounds(size, offset, rec.sizeBytes)) return false;
    rec.code = base + offset + 4;
    rec.codeLen = codeLen;
    rec.word = base + offset + 5 + codeLen;
    rec.wordLenUnits = units;
  }
  *out = rec;
  return true;
}
// Offset stored at a position, or 0 when the position is outside the table.
inline uint32_t DmgRecordOffset(const DmgView& view, uint32_t position) {
  if (position >= view.countRecords) return 0;
  uint32_t offset = 0;
  DmgLoadU32(view.base, view.sizeBytes, kDmgOffsetTableOffset + 4 * position, &offset);
  return offset;
}
// The record at a position of the offset table; false when the position is
// outside the count or its offset is bad (callers skip it).
inline bool ReadDmgRecord(const DmgView& view, uint32_t position, DmgRecord* out) {
  if (position >= view.countRecords) return false;
  uint32_t offset = DmgRecordOffset(view, position);
  // A record can never overlap the offset table it is listed in.
  if (offset < kDmgOffsetTableOffset) return false;
  return ReadDmgRecordAt(view, offset, out);
}
// Copies the word as NUL-terminated text; capacity counts the NUL.
uint32_t CopyRecordWord(const DmgRecord& record, wchar_t* out, uint32_t capacity);
inline uint16_t RecordWordUnit(const DmgRecord& record, uint32_t i) {
  return DmgUnitAt(record.word + 1 + 2 * i);
}

// ---------------------------------------------------------------------------
// Code alphabet and comparison. Stored records start at the attribute word;
// keys and compared records start at the code length byte.

// Text to code bytes: out gets the length byte, up to 255 bytes and a NUL
// (so it must hold 257 bytes); null out only measures. Returns the length.
int CodeTextToBytes(const wchar_t* text, uint8_t* out);
// Length-prefixed code bytes to text; capacity counts the NUL, so at most
// capacity - 1 units are written. Returns the units written.
int CodeBytesToText(const uint8_t* code, wchar_t* out, int capacity);

using CodeToBytesFn = int (*)(const wchar_t* text, uint8_t* out);
using BytesToCodeFn = int (*)(const uint8_t* code, wchar_t* out, int capacity);
using CompareCodesFn = int (*)(const uint8_t* a, const uint8_t* b);

// Optional code conversion and comparison a caller hands to the search, sort
// and insert routines; null means the built-in byte order.
struct RecordCompareOps {
  CodeToBytesFn codeToBytes;
  BytesToCodeFn bytesToCode;
  CompareCodesFn compareCodes;
};
int CodeToBytesCallback(const wchar_t* text, uint8_t* out);
int BytesToCodeCallback(const uint8_t* code, wchar_t* out, int capacity);
int CompareCodeCallback(const uint8_t* a, const uint8_t* b);
// The set the engine's temporary- and user-word paths pass.
extern const RecordCompareOps kDefaultRecordCompareOps;

// Codes byte by byte (the shorter first on a common prefix), then words unit
// by unit (the shorter first). Both start at the code length byte.
int CompareDmgRecords(const uint8_t* a, const uint8_t* b);
// Two length-prefixed words: -1, 0 or 1.
int CompareWords(const uint8_t* a, const uint8_t* b);

// ---------------------------------------------------------------------------
// Searches. The MappedFile overloads first remap a table another process has
// grown (RemapIfResized), then search; the DmgView overloads search a snapshot
// and suit loops. Keys may point anywhere, even into the table itself: the
// remapping entry points copy them to the stack first.

// Binary search: position + 1 on a hit, minus the insertion point on a miss,
// -1 without a view. Type-5 tables compare by CompareWords on the text; the
// key then is a length-prefixed text.
int FindRecord(MappedFile* table, const uint8_t* key, const RecordCompareOps* ops);
int FindRecordInRange(MappedFile* table, const uint8_t* key,
                      const RecordCompareOps* ops, uint32_t lo, uint32_t hi);
int FindRecordInRange(const DmgView& view, const uint8_t* key,
                      const RecordCompareOps* ops, uint32_t lo, uint32_t hi);

// Positions [start, end) of the offset table. An empty code gives an empty
// range, and so does a word-list table (it has no codes). Allocation-free:
// the key-stroke path.
struct DmgRange {
  uint32_t start = 0;
  uint32_t end = 0;
};
DmgRange FindExactCodeRange(MappedFile* table, const uint8_t* code, uint32_t len);
DmgRange FindPrefixRange(MappedFile* table, const uint8_t* code, uint32_t len);
DmgRange FindExactCodeRange(const DmgView& view, const uint8_t* code, uint32_t len);
DmgRange FindPrefixRange(const DmgView& view, const uint8_t* code, uint32_t len);

// The record at a byte offset, when a slot of the table names it: its content
// is searched and the offset looked for among the equal records. False for
// bytes no slot names, such as a record another process moved or removed
// since the offset was taken; a writer checks this before changing a record.
bool FindListedRecord(const DmgView& view, uint32_t offset, DmgRecord* out);

// ---------------------------------------------------------------------------
// Building and changing tables. Write paths return 1 done, 0 refused; a table
// held as a memory copy (IsWritableMapping false) is refused, since nothing
// written to it would reach the file.

struct DmgRecordFree {
  void operator()(uint8_t* p) const { std::free(p); }
};
using DmgRecordBuffer = std::unique_ptr<uint8_t[], DmgRecordFree>;
// Size of a stored record (from its attribute word) in a table of that type.
uint32_t StoredRecordSize(const uint8_t* record, uint32_t tableType);

// Cuts the tags #序N, #类N, #用, #次, #辅, #固 off codeText (changed in place),
// converts the code (ops or CodeTextToBytes) and builds a stored record. Null
// for an empty code or word, or a word longer than kDmgMaxWordUnits.
DmgRecordBuffer BuildRecordFromText(wchar_t* codeText, const wchar_t* word,
                                    const RecordCompareOps* ops);

// Shell sort of the offset table, then flush.
int SortTable(MappedFile* table, const RecordCompareOps* ops);
// Adds a stored record's bytes and its offset in slot count (unsorted); may
// grow the file. The record may point anywhere, even into this table.
int AppendRecord(MappedFile* table, const uint8_t* record);
// Moves the last slot's offset to position p (p < 0: where FindRecord puts it
// among the others), then flush.
int PlaceNewRecord(MappedFile* table, const RecordCompareOps* ops, int p);
// Rebuilds the two-letter index for a key set (null or empty: kDefaultKeySet).
int RebuildKeyIndex(MappedFile* table, const RecordCompareOps* ops = nullptr,
                    const wchar_t* keySet = nullptr);

// ---------------------------------------------------------------------------
// Checking and repairing what a writer cut off in the middle of a change can
// leave. Writers call these holding the data folder's write lock.

struct DmgTableCheck {
  bool headerOk = false;   // count and offset table fit the file
  bool edgeOk = false;     // edge at the lowest record (inside the file when empty)
  bool offsetsOk = false;  // every slot names a whole record above the offset table
  bool sorted = false;     // slots in record order
  bool unique = false;     // no record named by two slots (checked when sorted)
  bool Sound() const { return headerOk && edgeOk && offsetsOk && sorted && unique; }
};
DmgTableCheck CheckDmgTable(const MappedFile* table, const RecordCompareOps* ops);

// Re-sorts the slots, drops slots that name no record or a record another
// slot names, moves the edge to the lowest record and rebuilds the index of
// a code table; no record is dropped. 1 when the table is sound afterwards,
// 0 when its header cannot be trusted or it cannot be written (unchanged).
int RepairDmgTable(MappedFile* table, const RecordCompareOps* ops);
