// Percent-encoding: UTF-16 to UTF-8 bytes, then %XX for every byte that may
// not stand in the chosen form.
#include "engine/UrlEncode.h"

#include <cstdint>

namespace {

bool IsUnreserved(uint32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_' || c == '.' || c == '~';
}

bool KeptAsIs(uint32_t c, UrlEncodeForm form) {
  if (form == UrlEncodeForm::kQueryValue) return IsUnreserved(c);
  return c > 0x20 && c < 0x7F;
}

// UTF-8 bytes of one code point; returns the byte count.
int ToUtf8(uint32_t cp, uint8_t out[4]) {
  if (cp < 0x80) {
    out[0] = static_cast<uint8_t>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (cp >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | (cp >> 12));
    out[1] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | (cp >> 18));
  out[1] = static_cast<uint8_t>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
  return 4;
}

}  // namespace

int UrlPercentEncode(const wchar_t* text, wchar_t* out, int capacity, UrlEncodeForm form) {
  if (!out || capacity <= 0) return 0;
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  int n = 0;
  for (int i = 0; text && text[i];) {
    uint32_t cp = static_cast<uint16_t>(text[i]);
    int used = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        used = 2;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (KeptAsIs(cp, form)) {
      if (n + 1 > capacity - 1) break;
      out[n++] = static_cast<wchar_t>(cp);
    } else {
      uint8_t bytes[4];
      const int count = ToUtf8(cp, bytes);
      if (n + 3 * count > capacity - 1) break;
      for (int b = 0; b < count; ++b) {
        out[n++] = L'%';
        out[n++] = kHex[bytes[b] >> 4];
        out[n++] = kHex[bytes[b] & 0xF];
      }
    }
    i += used;
  }
  out[n] = 0;
  return n;
}
