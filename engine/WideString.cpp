// Bounded UTF-16 string routines; no C-library string calls except the one
// formatter FormatString needs.
#include "engine/WideString.h"

#include <cstdarg>
#include <cstdio>

namespace {

bool IsHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

bool ValidCapacity(const wchar_t* dst, uint32_t capacity) {
  return dst && capacity != 0 && capacity <= kMaxStringCapacity;
}

// Copies at most n units of src behind dst[start]; the caller checked the
// arguments and that start < capacity.
HRESULT CopyAt(wchar_t* dst, uint32_t capacity, uint32_t start, const wchar_t* src, uint32_t n) {
  uint32_t pos = start;
  uint32_t taken = 0;
  if (src) {
    while (taken < n && src[taken] != L'\0') {
      if (pos + 1 >= capacity) {
        dst[pos] = L'\0';
        return kInsufficientBuffer;
      }
      dst[pos++] = src[taken++];
    }
  }
  dst[pos] = L'\0';
  return S_OK;
}

}  // namespace

int CompareWideChars(const wchar_t* a, const wchar_t* b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    uint16_t x = static_cast<uint16_t>(a[i]);
    uint16_t y = static_cast<uint16_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

uint32_t CountCodePoints(const wchar_t* text) {
  if (!text) return 0;
  uint32_t count = 0;
  for (uint32_t i = 0; text[i] != L'\0'; ++i) {
    if (IsHighSurrogate(text[i])) {
      if (!IsLowSurrogate(text[i + 1])) return count | kBrokenPairBit;
      ++i;
    }
    ++count;
  }
  return count;
}

uint32_t CountUnitsForCodePoints(const wchar_t* text, uint32_t n) {
  if (!text) return 0;
  uint32_t units = 0;
  for (uint32_t chars = 0; chars < n && text[units] != L'\0'; ++chars) {
    if (IsHighSurrogate(text[units])) {
      if (!IsLowSurrogate(text[units + 1])) return units | kBrokenPairBit;
      units += 2;
    } else {
      units += 1;
    }
  }
  return units;
}

uint32_t BoundedLength(const wchar_t* text, uint32_t maxUnits) {
  if (!text) return 0;
  uint32_t n = 0;
  while (n < maxUnits && text[n] != L'\0') ++n;
  return n;
}

HRESULT CopyStringBounded(wchar_t* dst, uint32_t capacity, const wchar_t* src) {
  if (!ValidCapacity(dst, capacity)) return E_INVALIDARG;
  return CopyAt(dst, capacity, 0, src, kMaxStringCapacity);
}

HRESULT AppendStringBounded(wchar_t* dst, uint32_t capacity, const wchar_t* src) {
  return AppendStringBoundedN(dst, capacity, src, kMaxStringCapacity);
}

HRESULT AppendStringBoundedN(wchar_t* dst, uint32_t capacity, const wchar_t* src, uint32_t n) {
  if (!ValidCapacity(dst, capacity)) return E_INVALIDARG;
  uint32_t start = BoundedLength(dst, capacity);
  if (start == capacity) return E_INVALIDARG;  // no terminator inside the buffer
  return CopyAt(dst, capacity, start, src, n);
}

HRESULT FormatString(wchar_t* dst, uint32_t capacity, const wchar_t* format, ...) {
  if (!ValidCapacity(dst, capacity)) return E_INVALIDARG;
  if (!format) {
    dst[0] = L'\0';
    return E_INVALIDARG;
  }
  va_list args;
  va_start(args, format);
  // _vsnwprintf writes no terminator when the output fills the count and
  // returns a negative value when it was cut.
  int n = _vsnwprintf(dst, capacity - 1, format, args);
  va_end(args);
  dst[capacity - 1] = L'\0';
  if (n < 0) return kInsufficientBuffer;
  dst[n] = L'\0';
  return S_OK;
}
