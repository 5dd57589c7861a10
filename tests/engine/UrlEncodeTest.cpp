// Percent-encoding of dictionary look-ups and of URLs run by macros.
#include <gtest/gtest.h>

#include <string>

#include "engine/UrlEncode.h"

namespace {

std::wstring Encode(const std::wstring& text, UrlEncodeForm form, int capacity = 512) {
  wchar_t out[600];
  const int n = UrlPercentEncode(text.c_str(), out, capacity, form);
  EXPECT_EQ(static_cast<size_t>(n), std::wstring(out).size());
  return out;
}

TEST(UrlEncode, QueryValueEncodesEverythingButUnreservedAscii) {
  EXPECT_EQ(Encode(L"a&b#c%d e", UrlEncodeForm::kQueryValue), L"a%26b%23c%25d%20e");
  EXPECT_EQ(Encode(L"Az09-_.~", UrlEncodeForm::kQueryValue), L"Az09-_.~");
  EXPECT_EQ(Encode(L"?=+/", UrlEncodeForm::kQueryValue), L"%3F%3D%2B%2F");
  // Bytes below 0x10 keep both hex digits.
  EXPECT_EQ(Encode(L"\n", UrlEncodeForm::kQueryValue), L"%0A");
  EXPECT_EQ(Encode(L"中", UrlEncodeForm::kQueryValue), L"%E4%B8%AD");
  EXPECT_EQ(Encode(L"\u00E9", UrlEncodeForm::kQueryValue), L"%C3%A9");
}

TEST(UrlEncode, SurrogatePairIsOneFourByteSequence) {
  EXPECT_EQ(Encode(L"\xD842\xDFB7", UrlEncodeForm::kQueryValue), L"%F0%A0%AE%B7");
  // A lone half becomes U+FFFD instead of an invalid byte sequence.
  EXPECT_EQ(Encode(L"\xD842x", UrlEncodeForm::kQueryValue), L"%EF%BF%BDx");
  EXPECT_EQ(Encode(L"\xDFB7", UrlEncodeForm::kWholeUrl), L"%EF%BF%BD");
}

TEST(UrlEncode, WholeUrlKeepsAsciiStructure) {
  EXPECT_EQ(Encode(L"http://x.cn/a b?q=中&r=%41#top", UrlEncodeForm::kWholeUrl),
            L"http://x.cn/a%20b?q=%E4%B8%AD&r=%41#top");
  // Latin-1 letters are not ASCII: UTF-8 bytes, not raw units.
  EXPECT_EQ(Encode(L"http://x.cn/\u00E9", UrlEncodeForm::kWholeUrl), L"http://x.cn/%C3%A9");
}

TEST(UrlEncode, NeverCutsInsideAnEscape) {
  EXPECT_EQ(Encode(L"a中", UrlEncodeForm::kQueryValue, 10), L"a");
  EXPECT_EQ(Encode(L"a中", UrlEncodeForm::kQueryValue, 11), L"a%E4%B8%AD");
  EXPECT_EQ(Encode(L"\xD842\xDFB7", UrlEncodeForm::kQueryValue, 12), L"");
  std::wstring longWord(300, L'中');
  const std::wstring encoded = Encode(longWord, UrlEncodeForm::kQueryValue, kEncodedUrlUnits + 1);
  EXPECT_EQ(encoded.size(), 504u);  // 56 whole characters of 9 units
  wchar_t tiny[1];
  EXPECT_EQ(UrlPercentEncode(L"abc", tiny, 1, UrlEncodeForm::kQueryValue), 0);
  EXPECT_EQ(tiny[0], 0);
}

}  // namespace
