// Control values of the settings pages from and to the settings words.
#include "frontend/settings/PageMapping.h"

#include <windows.h>

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"

namespace {

constexpr uint32_t kFrequencyBits[kFrequencyItems] = {ImeBits::kFrequencyToTop,
                                                      ImeBits::kFrequencyStep,
                                                      ImeBits::kFrequencyCount, 0};
constexpr int kMaxPunctuationUnits = 255;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

int FrequencyItem(uint32_t sortWord) {
  if (sortWord & ImeBits::kFrequencyToTop) return 0;
  if (sortWord & ImeBits::kFrequencyStep) return 1;
  if (sortWord & ImeBits::kFrequencyCount) return 2;
  return 3;
}

uint32_t WithFrequencyItem(uint32_t sortWord, int item) {
  return (sortWord & ~ImeBits::kFrequencyModes) | kFrequencyBits[Clamp(item, 0, 3)];
}

wchar_t CodeByteChar(uint8_t code) {
  if (code >= 0x0A && code <= 0x19) return static_cast<wchar_t>(0xFF00 + code);
  return static_cast<wchar_t>(code);
}

uint8_t LeadCodeFromText(const wchar_t* text) {
  return text && text[0] ? CharToKeyCode(text[0]) : 0;
}

void PunctuationAfterDigitsText(const uint8_t (&flags)[256], wchar_t* out) {
  int n = 0;
  for (int code = 1; code < 256; ++code) {
    if (flags[code] & kKeyCharEnglishPunctAfterDigit) out[n++] = CodeByteChar(static_cast<uint8_t>(code));
  }
  out[n] = 0;
}

void ApplyPunctuationAfterDigits(uint8_t (&flags)[256], const wchar_t* text) {
  for (uint8_t& f : flags) f &= static_cast<uint8_t>(~kKeyCharEnglishPunctAfterDigit);
  for (int i = 0; text && text[i] && i < kMaxPunctuationUnits; ++i) {
    const uint8_t code = CharToKeyCode(text[i]);
    if (code) flags[code] |= kKeyCharEnglishPunctAfterDigit;
  }
}

int ArrangementItem(uint32_t flags) {
  if (flags & kSkinRowArrangement) return 0;
  if (flags & kSkinColumnsFromLeft) return 2;
  return 1;
}

uint32_t WithArrangementItem(uint32_t flags, int item) {
  flags &= ~(kSkinRowArrangement | kSkinColumnsFromLeft);
  if (item == 0) flags |= kSkinRowArrangement;
  if (item == 2) flags |= kSkinColumnsFromLeft;
  return flags;
}

int PositionItem(uint32_t options) {
  if (options & ImeBits::kCandidateFollowsStatus) return 1;
  if (options & ImeBits::kCandidateFixed) return 2;
  return 0;
}

uint32_t WithPositionItem(uint32_t options, int item) {
  options &= ~(ImeBits::kCandidateFollowsStatus | ImeBits::kCandidateFixed);
  if (item == 1) options |= ImeBits::kCandidateFollowsStatus;
  if (item == 2) options |= ImeBits::kCandidateFixed;
  return options;
}

int CandidateCountItem(uint32_t sortWord) {
  return Clamp(static_cast<int>(sortWord >> 28) - 1, 0, 9);
}

uint32_t WithCandidateCountItem(uint32_t sortWord, int item) {
  const uint32_t size = static_cast<uint32_t>(Clamp(item, 0, 9) + 1);
  return (sortWord & 0x0FFFFFFFu) | (size << 28);
}

int FontSizeItem(int32_t size) {
  const int64_t magnitude = size < 0 ? -static_cast<int64_t>(size) : size;
  for (int i = 0; i < kFontSizeItems; ++i) {
    if (magnitude <= kFontSizes[i]) return i;
  }
  return 0;
}

const wchar_t* PathFileName(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'\\') name = p + 1;
  }
  return name;
}

int SkinListItem(const SkinList& list, const wchar_t* configured) {
  for (int i = 0; i < list.count && i < kMaxListedSkins; ++i) {
    if (CompareStringOrdinal(PathFileName(list.values[i].loadedPath), -1, configured, -1, TRUE) ==
        CSTR_EQUAL) {
      return i;
    }
  }
  return -1;
}
