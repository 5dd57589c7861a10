// The tests' own soundness checks of a code table and of temp.dmg, read from
// the file's bytes apart from the engine's routines. Each returns the faults
// found (empty: sound) and the entries the table lists.
#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/TempWords.h"
#include "tests/engine/DmgTestTables.h"

namespace zn::test {

struct TableFaults {
  std::vector<std::string> faults;
  std::vector<DmgTestEntry> entries;  // in slot order
  bool Sound() const { return faults.empty(); }
  std::string Text() const {
    std::string all;
    for (const std::string& f : faults) all += f + "; ";
    return all;
  }
};

namespace table_checks {

// A code record at offset: attribute, code, word; false when it does not fit.
inline bool ParseRecord(const std::vector<uint8_t>& b, uint32_t offset, DmgTestEntry* e,
                        uint32_t* size) {
  if (offset + 6ull > b.size()) return false;
  uint32_t codeLen = b[offset + 4];
  if (offset + 6ull + codeLen > b.size()) return false;
  uint32_t wordLen = b[offset + 5 + codeLen];
  *size = 6 + codeLen + 2 * wordLen;
  if (offset + static_cast<uint64_t>(*size) > b.size()) return false;
  e->attr = GetU32(b, offset);
  e->code.assign(reinterpret_cast<const char*>(b.data() + offset + 5), codeLen);
  e->word.clear();
  for (uint32_t i = 0; i < wordLen; ++i) {
    e->word.push_back(static_cast<wchar_t>(b[offset + 6 + codeLen + 2 * i] |
                                           b[offset + 7 + codeLen + 2 * i] << 8));
  }
  return true;
}

inline void Fault(TableFaults* out, const std::string& what, uint64_t at = UINT64_MAX) {
  if (out->faults.size() < 20) {
    out->faults.push_back(at == UINT64_MAX ? what : what + " at " + std::to_string(at));
  }
}

}  // namespace table_checks

// A code table (type 1): every slot names a whole record above the offset
// table; no two records overlap or share a slot; slots in code order; no
// entry twice; edge at the lowest record; the index equal to a rebuild.
inline TableFaults CheckCodeTableFile(const std::vector<uint8_t>& b) {
  using namespace table_checks;
  TableFaults out;
  if (b.size() < kTestHeaderSize) {
    Fault(&out, "no header");
    return out;
  }
  const uint32_t edge = GetU32(b, 0), count = GetU32(b, 4);
  const uint64_t slotsEnd = kTestHeaderSize + 4ull * count;
  if (slotsEnd > b.size()) {
    Fault(&out, "offset table past the end");
    return out;
  }
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  std::set<std::pair<std::string, std::wstring>> seen;
  std::vector<std::string> codes;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t offset = GetU32(b, kTestHeaderSize + 4 * i);
    DmgTestEntry e;
    uint32_t size = 0;
    if (offset < slotsEnd || !ParseRecord(b, offset, &e, &size)) {
      Fault(&out, "slot names no record", i);
      continue;
    }
    if (!out.entries.empty() && DmgEntryLess(e, out.entries.back())) Fault(&out, "out of order", i);
    if (!seen.insert({e.code, e.word}).second) Fault(&out, "entry listed twice", i);
    out.entries.push_back(e);
    codes.push_back(e.code);
    spans.push_back({offset, offset + size});
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].first < spans[i - 1].second) Fault(&out, "records share bytes", spans[i].first);
  }
  if (!spans.empty() && edge != spans.front().first) Fault(&out, "edge not at the lowest record", edge);
  if (spans.empty() && (edge < slotsEnd || edge > b.size())) Fault(&out, "edge outside the file");
  if (GetU32(b, 8) == 1) {
    std::vector<uint32_t> index = ClosedFormIndex(codes);
    if (std::memcmp(b.data() + 0x88, index.data(), index.size() * 4) != 0) {
      Fault(&out, "index differs from a rebuild");
    }
  }
  return out;
}

// temp.dmg of the standard layout: its 512 slots exactly the slots it was
// made with; the listed records whole, in order, each entry once, with ages
// a permutation of 0..count-1.
inline TableFaults CheckTempTableFile(const std::vector<uint8_t>& b) {
  using namespace table_checks;
  TableFaults out;
  if (b.size() != kTempTableBytes) {
    Fault(&out, "size changed");
    return out;
  }
  const uint32_t count = GetU32(b, 4);
  if (count > kTempSlotCount) {
    Fault(&out, "count above 512");
    return out;
  }
  std::set<uint32_t> slots;
  for (uint32_t i = 0; i < kTempSlotCount; ++i) slots.insert(GetU32(b, kTestHeaderSize + 4 * i));
  std::set<uint32_t> grid;
  for (uint32_t i = 0; i < kTempSlotCount; ++i) grid.insert(kTempFirstSlot + i * kTempSlotBytes);
  if (slots != grid) Fault(&out, "slots are not the original set");
  std::vector<uint32_t> ages;
  std::set<std::pair<std::string, std::wstring>> seen;
  for (uint32_t i = 0; i < count; ++i) {
    DmgTestEntry e;
    uint32_t size = 0;
    if (!ParseRecord(b, GetU32(b, kTestHeaderSize + 4 * i), &e, &size) || size > kTempSlotBytes) {
      Fault(&out, "slot names no record", i);
      continue;
    }
    DmgTestEntry key = e;
    key.attr = 0;
    if (!out.entries.empty() && DmgEntryLess(key, out.entries.back())) Fault(&out, "out of order", i);
    if (!seen.insert({e.code, e.word}).second) Fault(&out, "entry listed twice", i);
    ages.push_back(e.attr);
    out.entries.push_back(key);
  }
  std::sort(ages.begin(), ages.end());
  for (uint32_t i = 0; i < ages.size(); ++i) {
    if (ages[i] != i) {
      Fault(&out, "ages are no permutation");
      break;
    }
  }
  return out;
}

}  // namespace zn::test
