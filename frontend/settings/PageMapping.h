// How the controls of the two settings pages read and write the settings
// blocks: plain functions over the block fields, tested without a window.
#pragma once

#include <cstdint>

#include "engine/ConfigBlocks.h"
#include "ui/skin/SkinTypes.h"

// Input options.

// "一次到顶", "逐渐到顶", "累加上屏数", "禁止调整".
inline constexpr int kFrequencyItems = 4;
int FrequencyItem(uint32_t sortWord);
uint32_t WithFrequencyItem(uint32_t sortWord, int item);

// The character a code byte stands for in a single-character edit: the
// keypad codes 0x0A..0x19 as U+FF0A..U+FF19, others as themselves, 0 none.
wchar_t CodeByteChar(uint8_t code);
// The code byte of the first character of text (0 for an empty text).
uint8_t LeadCodeFromText(const wchar_t* text);

// The characters whose code bytes carry the "half-width punctuation after a
// digit" flag, in byte order; out holds at least 257 units.
void PunctuationAfterDigitsText(const uint8_t (&flags)[256], wchar_t* out);
// The flag cleared in every entry of flags (a local copy), then set for each
// code character of text (at most 255 units read).
void ApplyPunctuationAfterDigits(uint8_t (&flags)[256], const wchar_t* text);

// Appearance.

// "横排样式", "竖排样式", "左起纵向".
int ArrangementItem(uint32_t appearanceFlags);
uint32_t WithArrangementItem(uint32_t appearanceFlags, int item);
// "跟随光标", "跟随状态栏", "固定位置".
int PositionItem(uint32_t imeOptions);
uint32_t WithPositionItem(uint32_t imeOptions, int item);
// "1".."10": the page size.
int CandidateCountItem(uint32_t sortWord);
uint32_t WithCandidateCountItem(uint32_t sortWord, int item);

// "12 px" .. "40 px".
inline constexpr int kFontSizeItems = 10;
inline constexpr int32_t kFontSizes[kFontSizeItems] = {12, 14, 16, 18, 20, 24, 28, 32, 36, 40};
// The smallest listed size not below the size's magnitude; above 40 the first.
int FontSizeItem(int32_t size);

// The file name of a path (the text after its last backslash).
const wchar_t* PathFileName(const wchar_t* path);
// The list entry whose file name is the configured skin (ASCII case
// ignored), -1 when none is.
int SkinListItem(const SkinList& list, const wchar_t* configured);
