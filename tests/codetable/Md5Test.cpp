#include <gtest/gtest.h>

#include <string>

#include "codetable/Md5.h"

TEST(Md5Test, Rfc1321Suite) {
  const struct {
    const char* text;
    const char* digest;
  } kSuite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& t : kSuite) {
    char out[33];
    Md5HexDigest(t.text, out);
    EXPECT_STREQ(t.digest, out) << t.text;
  }
}

TEST(Md5Test, PiecewiseUpdatesMatchOneUpdate) {
  std::string text(1000, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
  char whole[33];
  Md5HexDigestBytes(text.data(), text.size(), whole);
  // Pieces that straddle the 64-byte blocks and the padding boundary (55/56).
  for (size_t step : {1u, 55u, 56u, 63u, 64u, 65u, 127u}) {
    Md5Context ctx;
    Md5Init(&ctx);
    for (size_t at = 0; at < text.size(); at += step) {
      Md5Update(&ctx, text.data() + at, std::min(step, text.size() - at));
    }
    uint8_t digest[16];
    Md5Final(&ctx, digest);
    char hex[33];
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
      hex[2 * i] = kDigits[digest[i] >> 4];
      hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    hex[32] = '\0';
    EXPECT_STREQ(whole, hex) << step;
  }
}
