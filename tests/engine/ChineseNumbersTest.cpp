// Chinese readings of numbers, money and dates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ChineseNumbers.h"

namespace {

// Runs a writer into a roomy buffer; the count returned must be the length.
template <typename F>
std::wstring Text(F f) {
  wchar_t out[200];
  const int n = f(out, 200);
  EXPECT_EQ(n, static_cast<int>(std::wstring(out).size()));
  return out;
}

TEST(ChineseNumbers, FourDigitsAndSmallNumbers) {
  const std::pair<int, const wchar_t*> four[] = {
      {1005, L"一千零五"}, {1050, L"一千零五十"}, {101, L"一百零一"}, {15, L"一十五"},
      {2000, L"二千"},     {1100, L"一千一百"},   {9999, L"九千九百九十九"}};
  for (auto [n, text] : four) EXPECT_EQ(Text([n](wchar_t* o, int c) { return FourDigitsToChinese(n, o, c); }), text);
  const std::pair<int, const wchar_t*> small[] = {
      {6, L"六"}, {10, L"十"}, {16, L"十六"}, {20, L"二十"}, {31, L"三十一"}, {32, L""}};
  for (auto [n, text] : small) EXPECT_EQ(Text([n](wchar_t* o, int c) { return SmallNumberToChinese(n, o, c); }), text);
}

TEST(ChineseNumbers, ReadingsAndMoney) {
  const std::pair<const wchar_t*, const wchar_t*> readings[] = {
      {L"100000001", L"一亿零一"}, {L"10001", L"一万零一"}, {L"10100", L"一万零一百"},
      {L"100010000", L"一亿零一万"}, {L"10000000", L"一千万"},
      {L"999999999999", L"九千九百九十九亿九千九百九十九万九千九百九十九"}, {L"1000000000000", L""},
      {L"3.05", L"三点零五"}, {L"0", L"〇"}, {L"00.5", L"〇〇点五"}, {L"012", L"零一十二"},
      {L"1.2.3", L""}, {L"12a", L""}};
  for (auto [n, text] : readings) {
    EXPECT_EQ(Text([n](wchar_t* o, int c) { return NumberToChineseReading(n, o, c); }), text) << n;
  }
  const std::pair<const wchar_t*, const wchar_t*> money[] = {
      {L"100", L"壹佰元整"}, {L"3.5", L"叁元伍角整"}, {L"3.50", L"叁元伍角整"}, {L"3.56", L"叁元伍角陆分"},
      {L"3.06", L"叁元零陆分"}, {L"120000.5", L"壹拾贰万元伍角整"}, {L"3.567", L""}};
  for (auto [n, text] : money) EXPECT_EQ(Text([n](wchar_t* o, int c) { return NumberToMoneyText(n, o, c); }), text) << n;
}

TEST(ChineseNumbers, DigitsAndDates) {
  EXPECT_EQ(Text([](wchar_t* o, int c) { return DigitsToChinese(L"2013.6", o, c); }), L"二〇一三点六");
  EXPECT_EQ(Text([](wchar_t* o, int c) { return DigitCharsToChinese(L"2013", o, c); }), L"二〇一三");
  EXPECT_EQ(Text([](wchar_t* o, int c) { return FormatDateCandidate(DateForm::kFullDate, L"2013", 6, 26, o, c); }),
            L"二〇一三年六月二十六日");
  std::wstring longDigits(200, L'1');
  EXPECT_EQ(Text([&](wchar_t* o, int c) { return DigitsToChinese(longDigits.c_str(), o, c); }).size(), 120u);
  // A text that does not fit its buffer is dropped, not cut.
  wchar_t small[4];
  EXPECT_EQ(NumberToChineseReading(L"1005", small, 4), 0);
  EXPECT_EQ(small[0], 0);
}

std::vector<std::pair<std::wstring, int32_t>> Candidates(const wchar_t* key) {
  NumberCandidateText texts[10];
  const int n = MakeNumberCandidateTexts(key, texts, 10);
  std::vector<std::pair<std::wstring, int32_t>> result;
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(texts[i].units, static_cast<int>(std::wstring(texts[i].text).size()));
    result.emplace_back(texts[i].text, texts[i].value);
  }
  return result;
}

TEST(ChineseNumbers, NumberCandidateSets) {
  using V = std::vector<std::pair<std::wstring, int32_t>>;
  EXPECT_EQ(Candidates(L"2013.6.26"), (V{{L"2013年6月26日", 0xEEEEEE}, {L"二〇一三年六月二十六日", 0xEEEEED}}));
  // An implausible date keeps the typed form only.
  EXPECT_EQ(Candidates(L"2013.13.26"), (V{{L"2013年13月26日", 0xEEEEEE}}));
  EXPECT_EQ(Candidates(L"6.26."), (V{{L"6月26日", 0xEEEEEE}, {L"六月二十六日", 0xEEEEED}}));
  EXPECT_EQ(Candidates(L"2013.6."), (V{{L"2013年6月", 0xEEEEEE}, {L"二〇一三年六月", 0xEEEEED}}));
  EXPECT_EQ(Candidates(L"5.6."), (V{{L"5月6日", 0xEEEEEE}, {L"五月六日", 0xEEEEED}, {L"5年6月", 0xEEEEEC},
                                    {L"五年六月", 0xEEEEEB}}));
  EXPECT_EQ(Candidates(L"12.5"),
            (V{{L"一十二点五", 0xEEEEEE}, {L"壹拾贰元伍角整", 0xEEEEF7}, {L"一二点五", 0xEEEEED}}));
  // Full-width digits and full stop, and the keypad code bytes, read as ASCII.
  EXPECT_EQ(Candidates(L"\xFF11\xFF0E\x15"),
            (V{{L"一点五", 0xEEEEEE}, {L"壹元伍角整", 0xEEEEF7}, {L"一点五", 0xEEEEED}}));
  EXPECT_TRUE(Candidates(L"12a").empty());
  EXPECT_TRUE(Candidates(L"1.2.3.4").empty());
  // Too long for a reading: only the digit-by-digit form remains.
  EXPECT_EQ(Candidates(L"12345678901234").size(), 1u);
}

}  // namespace
