// Tiny builders of .dmg and .dms table files for tests, written apart from the
// engine's routines so the routines can be checked against them.
//
//   std::vector<DmgTestEntry> entries = {{"ab", L"啊", 0x01004000}, ...};
//   auto bytes = BuildDmgBytes(entries);            // sorted, indexed, type 1
//   WriteFileBytes(dir.File(L"main.dmg"), bytes);   // then OpenMappedFile
//
// Codes are byte strings of the code alphabet (keypad forms as 0x0A..0x19).
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/DmgTable.h"
#include "engine/MappedFile.h"
#include "tests/common/TestFiles.h"

namespace zn::test {

struct DmgTestEntry {
  std::string code;   // code bytes
  std::wstring word;  // UTF-16 word (or the text of a word-list record)
  uint32_t attr = 0;  // attribute word
  bool operator==(const DmgTestEntry&) const = default;
};

struct DmgBuildOptions {
  uint32_t type = 1;       // header type word
  uint32_t gapBytes = 4;   // free bytes between offset table and edge (4 as shipped)
  bool index = true;       // fill the two-letter index (closed form)
};

constexpr uint32_t kTestHeaderSize = 0x10288;

// Texts unit by unit as unsigned values, shorter first.
inline bool WordLess(const std::wstring& a, const std::wstring& b) {
  return std::u16string(a.begin(), a.end()) < std::u16string(b.begin(), b.end());
}

// Code order: bytes unsigned (char is signed here), shorter first; then words.
inline bool DmgEntryLess(const DmgTestEntry& a, const DmgTestEntry& b) {
  int c = std::basic_string<unsigned char>(a.code.begin(), a.code.end())
              .compare(std::basic_string<unsigned char>(b.code.begin(), b.code.end()));
  return c != 0 ? c < 0 : WordLess(a.word, b.word);
}

// The 110 key bytes of the engine's key set.
inline std::vector<uint8_t> TestKeyBytes() {
  std::vector<uint8_t> keys;
  for (int c = 'a'; c <= 'z'; ++c) keys.push_back(static_cast<uint8_t>(c));
  for (const char* p = "1234567890"; *p; ++p) keys.push_back(static_cast<uint8_t>(*p));
  for (int c = 'A'; c <= 'Z'; ++c) keys.push_back(static_cast<uint8_t>(c));
  for (const char* p = "`-=[]\\;',./~!@#$%^&*()_+{}|:\"<>?"; *p; ++p)
    keys.push_back(static_cast<uint8_t>(*p));
  keys.insert(keys.end(), {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x10, 0x0A, 0x0F, 0x0B, 0x0D, 0x0E, 0x20});
  return keys;
}

// The index of sorted codes by counting: [b][0] = codes whose first byte is
// below b, [b][1] = at most b; [b][f] = codes below "b f" (a lone "b"
// included), [b][f+1] = those plus the codes starting "b f".
inline std::vector<uint32_t> ClosedFormIndex(const std::vector<std::string>& sortedCodes) {
  std::vector<uint32_t> index(128 * 128, 0);
  std::vector<uint32_t> first(256, 0), lone(256, 0), pair(256 * 256, 0);
  for (const std::string& code : sortedCodes) {
    if (code.empty()) continue;
    uint8_t b = static_cast<uint8_t>(code[0]);
    ++first[b];
    if (code.size() == 1) ++lone[b];
    else ++pair[b * 256 + static_cast<uint8_t>(code[1])];
  }
  for (uint8_t b : TestKeyBytes()) {
    uint32_t below = 0;
    for (int x = 0; x < b; ++x) below += first[x];
    index[b * 128 + 0] = below;
    index[b * 128 + 1] = below + first[b];
    for (uint8_t f : TestKeyBytes()) {
      uint32_t at = below + lone[b];
      for (int y = 0; y < f; ++y) at += pair[b * 256 + y];
      index[b * 128 + f] = at;
      if (f + 1 < 128) index[b * 128 + f + 1] = at + pair[b * 256 + f];
    }
  }
  return index;
}

// Stored record bytes: attr, code length, code, word length, word (type 1);
// attr, text length, text (type 5).
inline std::vector<uint8_t> RecordBytes(const DmgTestEntry& e, uint32_t type = 1) {
  std::vector<uint8_t> r(4);
  std::memcpy(r.data(), &e.attr, 4);
  if (type != 5) {
    r.push_back(static_cast<uint8_t>(e.code.size()));
    r.insert(r.end(), e.code.begin(), e.code.end());
  }
  r.push_back(static_cast<uint8_t>(e.word.size()));
  for (wchar_t ch : e.word) r.insert(r.end(), {static_cast<uint8_t>(ch & 0xFF), static_cast<uint8_t>(ch >> 8)});
  return r;
}

// n entries with distinct (code, word) pairs: codes of 1..4 bytes from a..y
// (and the keypad bytes), words of 1..3 CJK units.
inline std::vector<DmgTestEntry> RandomEntries(uint32_t seed, size_t n, bool keypad = false) {
  std::mt19937 rng(seed);
  std::string alphabet = "abcdefghijklmnopqrstuvwxy";
  for (char b = 0x0A; keypad && b <= 0x19; ++b) alphabet.push_back(b);
  std::set<std::pair<std::string, std::wstring>> seen;
  std::vector<DmgTestEntry> entries;
  while (entries.size() < n) {
    std::string code(1 + rng() % 4, ' ');
    for (char& c : code) c = alphabet[rng() % alphabet.size()];
    std::wstring word(1 + rng() % 3, L' ');
    for (wchar_t& w : word) w = static_cast<wchar_t>(0x4E00 + rng() % 2000);
    if (seen.insert({code, word}).second) entries.push_back({code, word, 0x01000000u | (rng() & 0xFFFF)});
  }
  return entries;
}

// The record at a position of the offset table (empty when unreadable).
inline DmgTestEntry ReadEntry(const DmgView& view, uint32_t position) {
  DmgRecord rec;
  DmgTestEntry e;
  if (!ReadDmgRecord(view, position, &rec)) return e;
  if (rec.code) e.code.assign(reinterpret_cast<const char*>(rec.code + 1), rec.codeLen);
  for (uint32_t i = 0; i < rec.wordLenUnits; ++i) e.word.push_back(RecordWordUnit(rec, i));
  e.attr = rec.attr;
  return e;
}

// Every record in offset-table order.
inline std::vector<DmgTestEntry> TableEntries(const MappedFile* table) {
  std::vector<DmgTestEntry> out;
  const DmgView view = GetDmgView(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) out.push_back(ReadEntry(view, i));
  return out;
}

// A whole table file. Records are written upward from the edge in the order
// given (as the compiler does); the offset table lists them in code order.
inline std::vector<uint8_t> BuildDmgBytes(const std::vector<DmgTestEntry>& entries,
                                          const DmgBuildOptions& options = {}) {
  uint32_t n = static_cast<uint32_t>(entries.size());
  uint32_t edge = kTestHeaderSize + 4 * n + options.gapBytes;
  std::vector<uint8_t> out(edge, 0);
  std::vector<uint32_t> offsets(n);
  for (uint32_t i = 0; i < n; ++i) {
    offsets[i] = static_cast<uint32_t>(out.size());
    std::vector<uint8_t> r = RecordBytes(entries[i], options.type);
    out.insert(out.end(), r.begin(), r.end());
  }
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return options.type == 5 ? WordLess(entries[a].word, entries[b].word) : DmgEntryLess(entries[a], entries[b]);
  });
  PutU32(out, 0x00, edge);
  PutU32(out, 0x04, n);
  PutU32(out, 0x08, options.type);
  const char16_t name[] = u"系统码表";
  std::memcpy(out.data() + 0x10, name, sizeof(name) - 2);
  std::memcpy(out.data() + 0x30, "YNSN", 4);
  PutU32(out, 0x74, 100);
  for (uint32_t i = 0; i < n; ++i) PutU32(out, kTestHeaderSize + 4 * i, offsets[order[i]]);
  if (options.index && options.type != 5) {
    std::vector<std::string> codes;
    for (uint32_t i : order) codes.push_back(entries[i].code);
    std::vector<uint32_t> index = ClosedFormIndex(codes);
    std::memcpy(out.data() + 0x88, index.data(), index.size() * 4);
  }
  return out;
}

// A lookup table (.dms / danzi.dmi) from {key, value} pairs: entries are
// written in the order given, offsets sorted by key (stable, so equal keys
// keep the given order).
inline std::vector<uint8_t> BuildDmsBytes(
    const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
  uint32_t n = static_cast<uint32_t>(entries.size());
  std::vector<uint8_t> out(4 + 4 * n, 0);
  std::vector<uint32_t> offsets(n);
  auto putText = [&](const std::wstring& s) {
    for (wchar_t ch : s) out.insert(out.end(), {static_cast<uint8_t>(ch & 0xFF), static_cast<uint8_t>(ch >> 8)});
    out.insert(out.end(), {0, 0});
  };
  for (uint32_t i = 0; i < n; ++i) {
    offsets[i] = static_cast<uint32_t>(out.size());
    putText(entries[i].first);
    putText(entries[i].second);
  }
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return WordLess(entries[a].first, entries[b].first); });
  PutU32(out, 0, n);
  for (uint32_t i = 0; i < n; ++i) PutU32(out, 4 + 4 * i, offsets[order[i]]);
  return out;
}

// An open table closed (and flushed) at the end of the scope.
struct MappedFileCloser {
  void operator()(MappedFile* mf) const { CloseMappedFile(mf, 1); }
};
using MappedFilePtr = std::unique_ptr<MappedFile, MappedFileCloser>;

// Maps an existing file; null on failure.
inline MappedFilePtr OpenTableFile(const std::wstring& path) {
  MappedFile* mf = nullptr;
  OpenMappedFile(&mf, path.c_str());
  return MappedFilePtr(mf);
}

// Writes the bytes to path and maps the file; null on failure.
inline MappedFilePtr OpenTableFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  return WriteFileBytes(path, bytes) ? OpenTableFile(path) : nullptr;
}

// Table bytes placed so that they end exactly where a no-access page begins:
// any read past the end faults at once. table() is a memory copy (no file),
// so the read paths can be run on it; write paths refuse it.
class GuardedTable {
 public:
  explicit GuardedTable(const std::vector<uint8_t>& bytes) : GuardedTable(bytes.size()) {
    Load(bytes);
  }
  // Room for tables up to capacity bytes, loaded one after another.
  explicit GuardedTable(size_t capacity) {
    pages_ = (capacity + 4095) / 4096 + 1;
    block_ = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, pages_ * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(Guard(), 4096, PAGE_NOACCESS, &old);
  }
  ~GuardedTable() { VirtualFree(block_, 0, MEM_RELEASE); }
  GuardedTable(const GuardedTable&) = delete;
  GuardedTable& operator=(const GuardedTable&) = delete;

  // bytes.size() must not exceed the capacity.
  void Load(const std::vector<uint8_t>& bytes) {
    uint8_t* data = Guard() - bytes.size();
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    file_ = MappedFile{};
    file_.size = static_cast<uint32_t>(bytes.size());
    file_.view = data;
  }
  MappedFile* table() { return &file_; }

 private:
  uint8_t* Guard() { return block_ + (pages_ - 1) * 4096; }
  uint8_t* block_ = nullptr;
  size_t pages_ = 0;
  MappedFile file_{};
};

}  // namespace zn::test
