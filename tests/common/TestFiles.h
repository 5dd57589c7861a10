// Whole-file reads and writes, and little-endian words in byte buffers,
// shared by the test folders.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zn::test {

inline bool WriteFileBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = size == 0 || WriteFile(h, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(h);
  return ok && written == size;
}

inline bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  return WriteFileBytes(path, bytes.data(), bytes.size());
}

// Empty when the file cannot be opened.
inline std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  std::memcpy(out.data() + at, &v, 4);
}

inline uint32_t GetU32(const std::vector<uint8_t>& in, size_t at) {
  uint32_t v;
  std::memcpy(&v, in.data() + at, 4);
  return v;
}

}  // namespace zn::test
