// Text decoding by byte-order mark, and the UTF-8 / ANSI guess without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TextDecoder.h"

namespace {

// Units returned and text; the result is always terminated.
std::pair<int, std::wstring> Decode(const std::vector<uint8_t>& bytes) {
  wchar_t* out = nullptr;
  int n = DecodeTextBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()), &out);
  EXPECT_NE(out, nullptr);
  if (!out) return {n, L""};
  if (n >= 0) EXPECT_EQ(out[n], L'\0');
  std::wstring text = out;
  FreeDecodedText(out);
  return {n, text};
}

TEST(TextDecoder, ByteOrderMarksAndTheGuessWithoutOne) {
  using D = std::pair<int, std::wstring>;
  const std::pair<std::vector<uint8_t>, D> cases[] = {
      // "中a" as UTF-8, UTF-16LE and UTF-16BE.
      {{0xEF, 0xBB, 0xBF, 0xE4, 0xB8, 0xAD, 'a'}, {2, L"中a"}},
      {{0xFF, 0xFE, 0x2D, 0x4E, 'a', 0}, {2, L"中a"}},
      {{0xFE, 0xFF, 0x4E, 0x2D, 0, 'a'}, {2, L"中a"}},
      {{0xFF, 0xFE}, {0, L""}}, {{0xFE, 0xFF}, {0, L""}}, {{0xEF, 0xBB, 0xBF}, {0, L""}}, {{}, {0, L""}},
      // Half a unit at the end is dropped.
      {{0xFF, 0xFE, 'x', 0, 'y'}, {1, L"x"}},
      {{'a', 'b', 'c'}, {3, L"abc"}},
      {{'x', 0xE4, 0xB8, 0xAD}, {2, L"x中"}}};
  for (const auto& [bytes, want] : cases) EXPECT_EQ(Decode(bytes), want) << bytes.size();
  // A lone 0xB0 is no UTF-8: the whole buffer goes through the single-byte ANSI page.
  EXPECT_EQ(Decode({0xE4, 0xB8, 0xAD, 0xB0}).first, 4);
  EXPECT_NE(Decode({'a', 0xE4, 0xB8}).second, L"a中");

  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  EXPECT_EQ(DecodeTextBuffer(nullptr, 5, &out), 0);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out[0], L'\0');
  FreeDecodedText(out);
}

}  // namespace
