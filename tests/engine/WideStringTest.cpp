// Bounded UTF-16 routines: truncation, invalid arguments and surrogate pairs.
#include <gtest/gtest.h>

#include "engine/WideString.h"

namespace {

TEST(WideString, CopyCutsAndAlwaysTerminates) {
  wchar_t buf[6];
  wmemset(buf, L'#', 6);
  EXPECT_EQ(CopyStringBounded(buf, 6, L"abc"), S_OK);
  EXPECT_STREQ(buf, L"abc");
  EXPECT_EQ(CopyStringBounded(buf, 6, L"abcdef"), kInsufficientBuffer);
  EXPECT_STREQ(buf, L"abcde");
  EXPECT_EQ(CopyStringBounded(buf, 1, L"x"), kInsufficientBuffer);
  EXPECT_EQ(buf[0], L'\0');
  EXPECT_EQ(CopyStringBounded(buf, 1, L""), S_OK);

  wmemset(buf, L'#', 6);
  EXPECT_EQ(CopyStringBounded(buf, 0, L"x"), E_INVALIDARG);
  EXPECT_EQ(CopyStringBounded(buf, 0x80000000u, L"x"), E_INVALIDARG);
  EXPECT_EQ(buf[0], L'#') << "an invalid call writes nothing";
}

TEST(WideString, AppendNeedsATerminatedDestination) {
  wchar_t buf[8] = L"ab";
  EXPECT_EQ(AppendStringBounded(buf, 8, L"cd"), S_OK);
  EXPECT_STREQ(buf, L"abcd");
  EXPECT_EQ(AppendStringBoundedN(buf, 8, L"efgh", 2), S_OK);
  EXPECT_STREQ(buf, L"abcdef");
  EXPECT_EQ(AppendStringBounded(buf, 8, L"xyz"), kInsufficientBuffer);
  EXPECT_STREQ(buf, L"abcdefx");

  wchar_t full[4] = {L'a', L'b', L'c', L'd'};
  EXPECT_EQ(AppendStringBounded(full, 4, L"x"), E_INVALIDARG);
  EXPECT_EQ(full[3], L'd');
  EXPECT_EQ(AppendStringBoundedN(full, 0, L"x", 1), E_INVALIDARG);
}

TEST(WideString, FormatFollowsPlatformRulesAndCuts) {
  wchar_t buf[16];
  EXPECT_EQ(FormatString(buf, 16, L"%sconfig.dsc", L"C:\\"), S_OK);
  EXPECT_STREQ(buf, L"C:\\config.dsc");
  EXPECT_EQ(FormatString(buf, 16, L"%d-%04X", -5, 0xBEEFu), S_OK);
  EXPECT_STREQ(buf, L"-5-BEEF");
  EXPECT_EQ(FormatString(buf, 6, L"%s", L"abcde"), S_OK) << "exactly fills";
  EXPECT_STREQ(buf, L"abcde");
  EXPECT_EQ(FormatString(buf, 6, L"%s", L"abcdefgh"), kInsufficientBuffer);
  EXPECT_STREQ(buf, L"abcde");
  EXPECT_EQ(FormatString(buf, 1, L"%s", L"a"), kInsufficientBuffer);
  EXPECT_STREQ(buf, L"");
  EXPECT_EQ(FormatString(buf, 0, L"x"), E_INVALIDARG);
}

TEST(WideString, CodePointCountsAndBrokenPairs) {
  const wchar_t text[] = {L'a', 0xD840, 0xDC00, L'b', 0};
  EXPECT_EQ(CountCodePoints(text), 3u);
  const wchar_t broken[] = {L'a', L'b', 0xD840, L'c', 0};
  EXPECT_EQ(CountCodePoints(broken), 2u | kBrokenPairBit);
  const wchar_t trailingHigh[] = {L'a', 0xD840, 0};
  EXPECT_EQ(CountCodePoints(trailingHigh), 1u | kBrokenPairBit);

  // The pair is one character; counting stops at the end of the text.
  for (auto [points, units] : {std::pair{0u, 0u}, {1u, 1u}, {2u, 3u}, {3u, 4u}, {99u, 4u}}) {
    EXPECT_EQ(CountUnitsForCodePoints(text, points), units) << points;
  }
  EXPECT_EQ(CountUnitsForCodePoints(broken, 3), 2u | kBrokenPairBit);
}

TEST(WideString, CompareIsUnsigned) {
  const wchar_t high[] = {0xFF01, 0};
  EXPECT_EQ(CompareWideChars(L"abc", L"abd", 3), -1);
  EXPECT_EQ(CompareWideChars(L"abc", L"abd", 2), 0);
  EXPECT_EQ(CompareWideChars(high, L"a", 1), 1);
  EXPECT_EQ(CompareWideChars(L"a", high, 1), -1);
}

}  // namespace
