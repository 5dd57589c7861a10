// Text decoder by byte-order mark: UTF-8, UTF-16LE, UTF-16BE, else UTF-8 when
// the bytes scan cleanly as UTF-8 and are not plain ASCII, else the ANSI code page.
#include "engine/TextDecoder.h"

#include <windows.h>
#include <climits>
#include <cstring>

namespace {

wchar_t* AllocUnits(uint64_t units) {
  if (units > INT_MAX / 2) return nullptr;
  return static_cast<wchar_t*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(units) * sizeof(wchar_t)));
}

int Convert(UINT codePage, const uint8_t* bytes, uint32_t count, wchar_t** out) {
  int srcLen = count > INT_MAX ? INT_MAX : static_cast<int>(count);
  const char* src = reinterpret_cast<const char*>(bytes);
  int needed = srcLen > 0 ? MultiByteToWideChar(codePage, 0, src, srcLen, nullptr, 0) : 0;
  if (needed < 0) needed = 0;
  wchar_t* text = AllocUnits(static_cast<uint64_t>(needed) + 1);
  if (!text) return -1;
  int n = needed > 0 ? MultiByteToWideChar(codePage, 0, src, srcLen, text, needed) : 0;
  if (n < 0) n = 0;
  text[n] = L'\0';
  *out = text;
  return n;
}

// UTF-16 after a two-byte mark. An odd trailing byte is dropped: half a unit
// is no text, and keeping it would leave the copy unterminated.
int CopyUtf16(const uint8_t* bytes, uint32_t count, bool bigEndian, wchar_t** out) {
  uint32_t units = (count - 2) / 2;
  wchar_t* text = AllocUnits(static_cast<uint64_t>(units) + 1);
  if (!text) return -1;
  std::memcpy(text, bytes + 2, static_cast<size_t>(units) * 2);
  if (bigEndian) {
    for (uint32_t i = 0; i < units && text[i] != 0; ++i) {
      uint16_t u = static_cast<uint16_t>(text[i]);
      text[i] = static_cast<wchar_t>((u >> 8) | (u << 8));
    }
  }
  *out = text;
  return static_cast<int>(units);
}

// True when every sequence is a lead byte followed by the continuation bytes
// it announces and at least one byte is 0x80 or above.
bool LooksLikeUtf8(const uint8_t* bytes, uint32_t count) {
  bool high = false;
  uint32_t i = 0;
  while (i < count) {
    uint8_t b = bytes[i++];
    if (b < 0x80) continue;
    high = true;
    if ((b & 0xC0) != 0xC0) return false;  // continuation byte without a lead
    int follow = 0;
    for (uint8_t mask = 0x20; mask != 0 && (b & mask); mask >>= 1) ++follow;
    ++follow;
    if (b == 0xFF) follow = 7;
    for (int k = 0; k < follow; ++k) {
      if (i >= count || (bytes[i] & 0xC0) != 0x80) return false;
      ++i;
    }
  }
  return high;
}

}  // namespace

int DecodeTextBuffer(const uint8_t* bytes, uint32_t count, wchar_t** out) {
  if (!out) return -1;
  *out = nullptr;
  if (!bytes) count = 0;
  if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
    return Convert(CP_UTF8, bytes + 3, count - 3, out);
  if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return CopyUtf16(bytes, count, false, out);
  if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return CopyUtf16(bytes, count, true, out);
  UINT codePage = LooksLikeUtf8(bytes, count) ? CP_UTF8 : CP_ACP;
  return Convert(codePage, bytes, count, out);
}

void FreeDecodedText(wchar_t* text) {
  if (text) HeapFree(GetProcessHeap(), 0, text);
}
