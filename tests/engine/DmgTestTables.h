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
#include <string>
#include <utility>
#include <vector>

#include "engine/MappedFile.h"

namespace zn::test {

struct DmgTestEntry {
  std::string code;   // code bytes
  std::wstring word;  // UTF-16 word (or the text of a word-list record)
  uint32_t attr = 0;  // attribute word
};

struct DmgBuildOptions {
  uint32_t type = 1;       // header type word
  uint32_t gapBytes = 4;   // free bytes between offset table and edge (4 as shipped)
  bool index = true;       // fill the two-letter index (closed form)
};

constexpr uint32_t kTestHeaderSize = 0x10288;

// Code order: bytes unsigned, shorter first; then words unit by unit, shorter first.
inline bool DmgEntryLess(const DmgTestEntry& a, const DmgTestEntry& b) {
  // Compared as unsigned bytes: char is signed here.
  std::basic_string<unsigned char> ua(a.code.begin(), a.code.end());
  std::basic_string<unsigned char> ub(b.code.begin(), b.code.end());
  int c = ua.compare(ub);
  if (c != 0) return c < 0;
  std::u16string wa(a.word.begin(), a.word.end()), wb(b.word.begin(), b.word.end());
  return wa < wb;
}

// The 110 key bytes of the engine's key set.
inline std::vector<uint8_t> TestKeyBytes() {
  std::vector<uint8_t> keys;
  for (int c = 'a'; c <= 'z'; ++c) keys.push_back(static_cast<uint8_t>(c));
  for (const char* p = "1234567890"; *p; ++p) keys.push_back(static_cast<uint8_t>(*p));
  for (int c = 'A'; c <= 'Z'; ++c) keys.push_back(static_cast<uint8_t>(c));
  for (const char* p = "`-=[]\\;',./~!@#$%^&*()_+{}|:\"<>?"; *p; ++p)
    keys.push_back(static_cast<uint8_t>(*p));
  for (uint8_t b : {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x10, 0x0A, 0x0F,
                    0x0B, 0x0D, 0x0E, 0x20})
    keys.push_back(b);
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

inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  std::memcpy(out.data() + at, &v, 4);
}
inline uint32_t GetU32(const std::vector<uint8_t>& in, size_t at) {
  uint32_t v;
  std::memcpy(&v, in.data() + at, 4);
  return v;
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
  for (wchar_t ch : e.word) {
    r.push_back(static_cast<uint8_t>(ch & 0xFF));
    r.push_back(static_cast<uint8_t>(ch >> 8));
  }
  return r;
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
  auto less = [&](uint32_t a, uint32_t b) {
    if (options.type == 5) {
      std::u16string wa(entries[a].word.begin(), entries[a].word.end());
      std::u16string wb(entries[b].word.begin(), entries[b].word.end());
      return wa < wb;
    }
    return DmgEntryLess(entries[a], entries[b]);
  };
  std::stable_sort(order.begin(), order.end(), less);
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
    for (wchar_t ch : s) {
      out.push_back(static_cast<uint8_t>(ch & 0xFF));
      out.push_back(static_cast<uint8_t>(ch >> 8));
    }
    out.push_back(0);
    out.push_back(0);
  };
  for (uint32_t i = 0; i < n; ++i) {
    offsets[i] = static_cast<uint32_t>(out.size());
    putText(entries[i].first);
    putText(entries[i].second);
  }
  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    std::u16string ka(entries[a].first.begin(), entries[a].first.end());
    std::u16string kb(entries[b].first.begin(), entries[b].first.end());
    return ka < kb;
  });
  PutU32(out, 0, n);
  for (uint32_t i = 0; i < n; ++i) PutU32(out, 4 + 4 * i, offsets[order[i]]);
  return out;
}

inline bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

inline std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  if (GetFileSizeEx(h, &size)) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        !ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
      bytes.clear();
    }
  }
  CloseHandle(h);
  return bytes;
}

// An open table closed (and flushed) at the end of the scope.
struct MappedFileCloser {
  void operator()(MappedFile* mf) const { CloseMappedFile(mf, 1); }
};
using MappedFilePtr = std::unique_ptr<MappedFile, MappedFileCloser>;

// Writes the bytes to path and maps the file; null on failure.
inline MappedFilePtr OpenTableFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  if (!WriteFileBytes(path, bytes)) return nullptr;
  MappedFile* mf = nullptr;
  OpenMappedFile(&mf, path.c_str());
  return MappedFilePtr(mf);
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
