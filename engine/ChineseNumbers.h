// Chinese readings of numbers and dates, used for the number and date
// candidates typed after the temporary-English lead.
#pragma once

#include <cstdint>

// Every routine writes a terminated text into out (capacity in units, the
// terminator included) and returns its length; 0 means no text (out is ""),
// which is also the result when the text would not fit.

// Each digit of digits as 〇 一 … 九; other characters are skipped.
int DigitCharsToChinese(const wchar_t* digits, wchar_t* out, int capacity);
// 0..31 as a month or day reads: 六, 十二, 二十六; nothing from 32 on.
int SmallNumberToChinese(int n, wchar_t* out, int capacity);
// 0..9999 with units: 1005 一千零五, 15 一十五; 0 gives nothing.
int FourDigitsToChinese(int n, wchar_t* out, int capacity);
// Digits with at most one full stop; integer part up to 999,999,999,999.
int NumberToChineseReading(const wchar_t* number, wchar_t* out, int capacity);
// The amount in financial characters: 壹佰元整, 叁元伍角陆分; at most two decimals.
int NumberToMoneyText(const wchar_t* number, wchar_t* out, int capacity);
// Full stops as 点 and digits as 〇 … 九, other characters skipped; at most 120 units.
int DigitsToChinese(const wchar_t* text, wchar_t* out, int capacity);

enum class DateForm {
  kMonthDay = 1,   // 六月二十六日
  kFullDate = 2,   // 二〇一三年六月二十六日
  kYearMonth = 3,  // 二〇一三年六月
};
// yearDigits is the year as typed (its digits are read one by one).
int FormatDateCandidate(DateForm form, const wchar_t* yearDigits, int month, int day,
                        wchar_t* out, int capacity);

// Units a generated candidate text may hold: its record is 264 bytes
// (attribute, length byte, text).
inline constexpr int kGeneratedTextUnits = 129;

struct NumberCandidateText {
  int32_t value;  // sort value: higher first
  int units;
  wchar_t text[kGeneratedTextUnits + 1];
};

// The number and date candidates of a key typed after the temporary-English
// lead (digits and full stops, full-width forms accepted). Texts that do not
// fit a generated record are left out. Returns how many were written to out.
int MakeNumberCandidateTexts(const wchar_t* key, NumberCandidateText* out, int maxCount);
