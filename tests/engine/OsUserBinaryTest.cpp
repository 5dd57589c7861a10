// The per-user binary values of the OS seam (display-attribute overrides are
// kept this way): exact sizes, refusal of values that do not fit or are not
// binary, and the key created on first write.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/Os.h"

namespace {

class UserBinary : public ::testing::Test {
 protected:
  void SetUp() override { key_ = L"Software\\zinIME tests\\binary-" + std::to_wstring(GetCurrentProcessId()); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  std::wstring key_;
  Win32OsServices os_;
};

TEST_F(UserBinary, RoundTripsExactBytesAndRefusesWhatDoesNotFit) {
  uint8_t value[36];
  for (int i = 0; i < 36; ++i) value[i] = static_cast<uint8_t>(i * 7);
  uint8_t out[64] = {};
  uint32_t size = 99;
  EXPECT_FALSE(os_.ReadUserBinary(key_.c_str(), L"DisplayAttributeInput", out, 64, &size)) << "no key yet";
  EXPECT_EQ(size, 0u);
  ASSERT_TRUE(os_.WriteUserBinary(key_.c_str(), L"DisplayAttributeInput", value, 36));
  ASSERT_TRUE(os_.ReadUserBinary(key_.c_str(), L"DisplayAttributeInput", out, 64, &size));
  EXPECT_EQ(size, 36u);
  EXPECT_EQ(memcmp(out, value, 36), 0);
  uint8_t small[35] = {};
  EXPECT_FALSE(os_.ReadUserBinary(key_.c_str(), L"DisplayAttributeInput", small, 35, &size))
      << "a value larger than the buffer is refused, not cut";
  EXPECT_FALSE(os_.ReadUserBinary(key_.c_str(), L"Missing", out, 64, &size));

  const wchar_t text[] = L"not binary";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExW(key, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
  RegCloseKey(key);
  EXPECT_FALSE(os_.ReadUserBinary(key_.c_str(), L"Text", out, 64, &size));
}

}  // namespace
