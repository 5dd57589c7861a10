// Percent-encoding of dictionary look-ups and of URLs run by macros.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/UrlEncode.h"

namespace {

std::wstring Encode(const std::wstring& text, UrlEncodeForm form, int capacity = 512) {
  wchar_t out[600];
  const int n = UrlPercentEncode(text.c_str(), out, capacity, form);
  EXPECT_EQ(static_cast<size_t>(n), std::wstring(out).size());
  return out;
}

TEST(UrlEncode, AwkwardWordsAndUrls) {
  const UrlEncodeForm q = UrlEncodeForm::kQueryValue, u = UrlEncodeForm::kWholeUrl;
  const std::tuple<std::wstring, UrlEncodeForm, std::wstring> cases[] = {
      // A query value keeps unreserved ASCII only; bytes below 0x10 keep both digits.
      {L"a&b#c%d e", q, L"a%26b%23c%25d%20e"}, {L"Az09-_.~", q, L"Az09-_.~"}, {L"?=+/", q, L"%3F%3D%2B%2F"},
      {L"\n", q, L"%0A"}, {L"中", q, L"%E4%B8%AD"}, {L"\u00E9", q, L"%C3%A9"},
      // A surrogate pair is one 4-byte sequence; a lone half becomes U+FFFD.
      {L"\xD842\xDFB7", q, L"%F0%A0%AE%B7"}, {L"\xD842x", q, L"%EF%BF%BDx"}, {L"\xDFB7", u, L"%EF%BF%BD"},
      // A whole URL keeps its ASCII structure; Latin-1 letters are UTF-8 bytes.
      {L"http://x.cn/a b?q=中&r=%41#top", u, L"http://x.cn/a%20b?q=%E4%B8%AD&r=%41#top"},
      {L"http://x.cn/\u00E9", u, L"http://x.cn/%C3%A9"}};
  for (const auto& [text, form, want] : cases) EXPECT_EQ(Encode(text, form), want);
}

TEST(UrlEncode, NeverCutsInsideAnEscape) {
  EXPECT_EQ(Encode(L"a中", UrlEncodeForm::kQueryValue, 10), L"a");
  EXPECT_EQ(Encode(L"a中", UrlEncodeForm::kQueryValue, 11), L"a%E4%B8%AD");
  EXPECT_EQ(Encode(L"\xD842\xDFB7", UrlEncodeForm::kQueryValue, 12), L"");
  std::wstring longWord(300, L'中');
  EXPECT_EQ(Encode(longWord, UrlEncodeForm::kQueryValue, kEncodedUrlUnits + 1).size(), 504u);  // 56 of 9 units
  wchar_t tiny[1];
  EXPECT_EQ(UrlPercentEncode(L"abc", tiny, 1, UrlEncodeForm::kQueryValue), 0);
  EXPECT_EQ(tiny[0], 0);
}

}  // namespace
