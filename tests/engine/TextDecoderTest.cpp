// Text decoding by byte-order mark, and the UTF-8 / ANSI guess without one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TextDecoder.h"

namespace {

struct Decoded {
  int units;
  std::wstring text;
};

Decoded Decode(const std::vector<uint8_t>& bytes) {
  wchar_t* out = nullptr;
  int n = DecodeTextBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()), &out);
  EXPECT_NE(out, nullptr);
  Decoded d{n, out ? std::wstring(out) : L""};
  if (out && n >= 0) {
    EXPECT_EQ(out[n], L'\0') << "always terminated";
  }
  FreeDecodedText(out);
  return d;
}

TEST(TextDecoder, ByteOrderMarks) {
  // "中a" as UTF-8, UTF-16LE and UTF-16BE.
  auto utf8 = Decode({0xEF, 0xBB, 0xBF, 0xE4, 0xB8, 0xAD, 'a'});
  EXPECT_EQ(utf8.units, 2);
  EXPECT_EQ(utf8.text, L"中a");
  auto le = Decode({0xFF, 0xFE, 0x2D, 0x4E, 'a', 0});
  EXPECT_EQ(le.units, 2);
  EXPECT_EQ(le.text, L"中a");
  auto be = Decode({0xFE, 0xFF, 0x4E, 0x2D, 0, 'a'});
  EXPECT_EQ(be.units, le.units);
  EXPECT_EQ(be.text, le.text);

  EXPECT_EQ(Decode({0xFF, 0xFE}).units, 0);
  EXPECT_EQ(Decode({0xFE, 0xFF}).units, 0);
  EXPECT_EQ(Decode({0xEF, 0xBB, 0xBF}).units, 0);
  // Half a unit at the end is dropped, and the text still ends in NUL.
  auto odd = Decode({0xFF, 0xFE, 'x', 0, 'y'});
  EXPECT_EQ(odd.units, 1);
  EXPECT_EQ(odd.text, L"x");
}

TEST(TextDecoder, WithoutMarkUtf8OrAnsi) {
  auto ascii = Decode({'a', 'b', 'c'});
  EXPECT_EQ(ascii.units, 3);
  EXPECT_EQ(ascii.text, L"abc");
  auto utf8 = Decode({'x', 0xE4, 0xB8, 0xAD});
  EXPECT_EQ(utf8.units, 2);
  EXPECT_EQ(utf8.text, L"x中");
  // A lone 0xB0 is no UTF-8: the whole buffer goes through the ANSI page.
  auto ansi = Decode({0xE4, 0xB8, 0xAD, 0xB0});
  EXPECT_EQ(ansi.units, 4) << "one unit per byte in a single-byte code page";
  auto cut = Decode({'a', 0xE4, 0xB8});
  EXPECT_NE(cut.text, L"a中");
  EXPECT_EQ(Decode({}).units, 0);

  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  EXPECT_EQ(DecodeTextBuffer(nullptr, 5, &out), 0);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out[0], L'\0');
  FreeDecodedText(out);
}

}  // namespace
