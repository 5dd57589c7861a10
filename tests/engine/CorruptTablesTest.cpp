// Truncated and bit-flipped code and lookup tables: every read path stays
// inside the view (a no-access page follows it) and every loop ends; write
// paths on damaged mapped files neither crash nor hang.
#include <gtest/gtest.h>

#include <random>

#include "engine/DmgTable.h"
#include "engine/DmsTable.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"

using namespace zn::test;

namespace {

// One deterministic damage: a cut, or a few flipped bits in a chosen region.
std::vector<uint8_t> Mutate(const std::vector<uint8_t>& valid, uint32_t i, uint32_t recordStart) {
  std::mt19937 rng(i);
  std::vector<uint8_t> bytes = valid;
  uint32_t size = static_cast<uint32_t>(bytes.size());
  auto flipIn = [&](uint32_t lo, uint32_t hi) {
    if (hi <= lo) return;
    for (uint32_t k = 0, n = 1 + rng() % 8; k < n; ++k) {
      bytes[lo + rng() % (hi - lo)] ^= static_cast<uint8_t>(1u << (rng() % 8));
    }
  };
  switch (i % 6) {
    case 0:
      bytes.resize(rng() % 3 ? size - rng() % (size - recordStart + 1) : rng() % (recordStart + 1));
      break;
    case 1: flipIn(0, 16); break;                           // edge, count, type
    case 2: flipIn(0x88, 0x10088); break;                   // key index
    case 3: flipIn(0x10288, recordStart); break;            // offsets
    case 4: flipIn(recordStart, size); break;               // records
    default: {
      // Extreme values in the header or one offset.
      uint32_t v = rng() % 2 ? 0xFFFFFFFFu - rng() % 16 : size - rng() % 8;
      PutU32(bytes, (rng() % 2) ? 4 * (rng() % 3) : 0x10288 + 4 * (rng() % 8), v);
    }
  }
  return bytes;
}

void ExerciseReads(MappedFile* table, const std::vector<std::string>& queries) {
  DmgView view = GetDmgView(table);
  for (uint32_t p = 0; p < view.countRecords; ++p) {
    DmgRecord rec;
    wchar_t word[300];
    if (!ReadDmgRecord(view, p, &rec)) continue;
    ASSERT_LE(uint64_t{rec.offset} + rec.sizeBytes, view.sizeBytes);
    CopyRecordWord(rec, word, 300);
  }
  for (const std::string& q : queries) {
    auto* code = reinterpret_cast<const uint8_t*>(q.data());
    uint32_t len = static_cast<uint32_t>(q.size());
    for (DmgRange r : {FindExactCodeRange(table, code, len), FindPrefixRange(table, code, len)}) {
      ASSERT_LE(r.start, r.end);
      ASSERT_LE(r.end, view.countRecords);
      for (uint32_t p = r.start; p < r.end; ++p) ReadEntry(view, p);
    }
    std::vector<uint8_t> key = RecordBytes({q, L"词", 0});
    int found = FindRecord(table, key.data() + 4, nullptr);
    ASSERT_LE(found, static_cast<int>(view.countRecords));
    FindRecord(table, key.data() + 4, &kDefaultRecordCompareOps);
  }
}

}  // namespace

TEST(CorruptTables, DamagedCodeTablesAreReadSafely) {
  std::vector<DmgTestEntry> entries = RandomEntries(99, 300, true);
  std::vector<uint8_t> valid = BuildDmgBytes(entries);
  uint32_t recordStart = GetU32(valid, 0);
  std::vector<std::string> queries;
  for (size_t i = 0; i < entries.size(); i += 15) queries.push_back(entries[i].code);
  queries.insert(queries.end(), {"a", "zz", "\x0a", "ab", "abc"});
  GuardedTable guarded(valid.size());
  for (uint32_t i = 0; i < 3000; ++i) {
    SCOPED_TRACE(i);
    std::vector<uint8_t> bytes = Mutate(valid, i, recordStart);
    guarded.Load(bytes);
    ExerciseReads(guarded.table(), queries);
    // The same bytes read as a word list and as an unindexed table.
    if (bytes.size() >= 12) {
      PutU32(bytes, 8, i % 2 ? kDmgTypeWordList : 0);
      guarded.Load(bytes);
      ExerciseReads(guarded.table(), queries);
    }
    if (HasFatalFailure()) return;
  }
}

TEST(CorruptTables, DamagedCodeTablesSurviveWrites) {
  TempDir dir;
  std::vector<DmgTestEntry> entries = RandomEntries(98, 120, true);
  std::vector<uint8_t> valid = BuildDmgBytes(entries);
  uint32_t recordStart = GetU32(valid, 0);
  std::vector<uint8_t> rec = RecordBytes({"new", L"新", 0x02000400});
  for (uint32_t i = 0; i < 240; ++i) {
    SCOPED_TRACE(i);
    std::vector<uint8_t> bytes = Mutate(valid, 7000 + i, recordStart);
    MappedFilePtr table = OpenTableFile(dir.File(L"w" + std::to_wstring(i)), bytes);
    if (!table) continue;
    AppendRecord(table.get(), rec.data());
    PlaceNewRecord(table.get(), nullptr, -1);
    PlaceNewRecord(table.get(), nullptr, 0x7FFFFFFF);
    SortTable(table.get(), nullptr);
    RebuildKeyIndex(table.get());
    ExerciseReads(table.get(), {"a", "new", "b"});
    if (HasFatalFailure()) return;
  }
}

TEST(CorruptTables, DamagedLookupTablesAreReadSafely) {
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
  for (int i = 0; i < 200; ++i) {
    std::wstring key(1 + i % 3, static_cast<wchar_t>(0x4E00 + i / 2));
    pairs.push_back({key, L"v" + std::to_wstring(i)});
  }
  std::vector<uint8_t> valid = BuildDmsBytes(pairs);
  uint32_t entriesStart = 4 + 4 * 200;
  uint32_t size = static_cast<uint32_t>(valid.size());
  GuardedTable guarded(valid.size());
  for (uint32_t i = 0; i < 3000; ++i) {
    SCOPED_TRACE(i);
    std::mt19937 rng(i);
    std::vector<uint8_t> bytes = valid;
    switch (i % 4) {
      case 0: bytes.resize(rng() % (size + 1)); break;
      case 1: bytes[rng() % 4] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
      case 2:  // offsets
        for (int k = 0; k < 4; ++k) bytes[4 + rng() % (entriesStart - 4)] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      default:
        // Overwrite the terminators near the end so texts run into the guard.
        for (uint32_t k = size - 1 - rng() % 64; k < size; ++k) bytes[k] |= 0x41;
    }
    guarded.Load(bytes);
    DmsTable view = GetDmsTable(guarded.table());
    for (int k = 0; k < 200; k += 7) {
      DmsEntry found[4];
      int hit = SearchDmsTable(guarded.table(), pairs[k].first.c_str());
      ASSERT_LE(hit, static_cast<int>(view.countEntries));
      uint32_t n = LookupEntryList(guarded.table(), pairs[k].first.c_str(), found, 4);
      for (uint32_t j = 0; j < n && j < 4; ++j) {
        auto* end = reinterpret_cast<const uint8_t*>(found[j].value + found[j].valueLenUnits);
        ASSERT_LT(end + 1, view.base + view.sizeBytes);
        ASSERT_EQ(found[j].value[found[j].valueLenUnits], 0);
      }
    }
  }
}
