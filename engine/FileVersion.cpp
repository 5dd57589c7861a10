// Version strings through the version API, and the dotted-version parser.
#include "engine/FileVersion.h"

#include <windows.h>

#include <cstdlib>

#include "engine/WideString.h"

bool ParseDottedVersion(const wchar_t* text, DottedVersion* out) {
  *out = DottedVersion{};
  if (!text) return false;
  const wchar_t* p = text;
  const bool startsWithDigit = *p >= L'0' && *p <= L'9';
  for (int part = 0; part < 4; ++part) {
    uint32_t value = 0;
    while (*p >= L'0' && *p <= L'9') {
      value = value * 10 + static_cast<uint32_t>(*p - L'0');
      if (value > 0xFFFF) value = 0xFFFF;  // cannot spill into the next part
      ++p;
    }
    out->parts[part] = static_cast<uint16_t>(value);
    // A part may carry trailing words ("2 beta"): skip to the next dot.
    while (*p && *p != L'.') ++p;
    if (*p == L'.') ++p;
  }
  out->packed = static_cast<uint64_t>(out->parts[0]) << 48 |
                static_cast<uint64_t>(out->parts[1]) << 32 |
                static_cast<uint64_t>(out->parts[2]) << 16 | out->parts[3];
  return startsWithDigit;
}

int QueryVersionString(const wchar_t* file, const wchar_t* name, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return 1;
  out[0] = L'\0';
  if (!file || !name) return 1;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file, &ignored);
  if (size == 0) return 1;
  void* block = std::malloc(size);
  if (!block) return 1;
  int result = 1;
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* table = nullptr;
  UINT tableBytes = 0;
  if (GetFileVersionInfoW(file, 0, size, block) &&
      VerQueryValueW(block, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                     &tableBytes) &&
      table) {
    for (UINT i = 0; i < tableBytes / sizeof(Translation); ++i) {
      wchar_t query[128];
      if (FormatString(query, 128, L"\\StringFileInfo\\%04x%04x\\%s", table[i].language,
                       table[i].codePage, name) != S_OK) {
        break;
      }
      wchar_t* value = nullptr;
      UINT units = 0;
      if (VerQueryValueW(block, query, reinterpret_cast<void**>(&value), &units) && value) {
        // The file's own length bounds the read: a string stored without
        // its terminator must not run past the version block.
        AppendStringBoundedN(out, static_cast<uint32_t>(capacity), value, units);
        result = capacity;
        break;
      }
    }
  }
  std::free(block);
  return result;
}

uint64_t GetFileVersion(const wchar_t* file) {
  wchar_t text[64];
  if (QueryVersionString(file, L"FileVersion", text, 64) == 1) return 0;
  DottedVersion version;
  return ParseDottedVersion(text, &version) ? version.packed : 0;
}

std::wstring DottedVersionText(uint64_t packed) {
  wchar_t text[32];
  FormatString(text, 32, L"%u.%u.%u.%u", static_cast<unsigned>((packed >> 48) & 0xFFFF),
               static_cast<unsigned>((packed >> 32) & 0xFFFF),
               static_cast<unsigned>((packed >> 16) & 0xFFFF), static_cast<unsigned>(packed & 0xFFFF));
  return text;
}
