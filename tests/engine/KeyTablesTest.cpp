// Key names, key and key-function parsers, and the tables they fill.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/KeyTables.h"

namespace {

std::unique_ptr<DmeConfigBlock> NewDmeBlock() {
  auto block = std::make_unique<DmeConfigBlock>();
  std::memset(block.get(), 0, sizeof(DmeConfigBlock));
  return block;
}

TEST(KeyTables, KeyTextNamesKeypadAndShiftedCharacters) {
  const std::pair<const wchar_t*, KeyCode> cases[] = {
      {L"键F1", 0x70}, {L"键F10", 0x79}, {L"键F13", 0}, {L"键F13+键Ctrl", 0x400}, {L"键F1+键Alt", 0x270},
      {L"键Esc+键左Ctrl+键Shift", 0x451B}, {L"键左Shift", 0xA0}, {L"键Shift", 0x10}, {L"a", 0x41},
      {L"A", 0x141}, {L"!", 0x131}, {L"\"", 0x1DE}, {L"`", 0xC0}, {L"小5", 0x65}, {L"小.", 0x6E},
      {L"\xFF15", 0x65}, {L"小x", kKeyCodeNone}, {L"\xFF38", kKeyCodeNone}, {L"小x+键Ctrl", kKeyCodeNone},
      {L"", kKeyCodeNone}, {L"键右Alt+键右Ctrl", 0x404A5}};
  for (auto [text, code] : cases) EXPECT_EQ(ParseKeySpec(text), code) << std::hex << code;
}

TEST(KeyTables, KeyFunctionTextGroups) {
  const std::pair<const wchar_t*, uint64_t> cases[] = {
      {L"首选上屏,", 0x80}, {L"英文上屏,", 0xB80}, {L"第10候选上屏,", 0xA80}, {L"倒数第1候选上屏,", 0xC80},
      {L"第2候选调频,", 0x100200}, {L"第1候选上屏,第3候选删除,", 0x80u | 0x200000u | 0x300u},
      // Only the first name of a first-match group counts.
      {L"光标右移,光标左移,", 0x1000}, {L"配置 - 剪贴板反查,配置 - 主页,", 1ull << 32},
      {L"清除输入,前翻页,软键盘切换,在线删词,", 0x4u | 0x20u | (1ull << 46) | (1ull << 45)},
      {L"显示|关闭候选窗口,上屏转换 - 繁体,", (1ull << 41) | (1ull << 43)}, {L"没有这个功能", 0}};
  for (auto [text, flags] : cases) EXPECT_EQ(ParseKeyFunctionSpec(text), flags) << std::hex << flags;
}

TEST(KeyTables, KeyNamesAndCodeBytes) {
  const std::pair<int, std::wstring> names[] = {
      {0x141, L"A"}, {0x41, L"a"}, {0x1B, L"键Esc"}, {0x131, L"!"}, {0x65, std::wstring(1, L'\x15')},
      {0x1DE, L"\""}, {0x87, L"键F24"}, {255, L""}, {0x1FF, L""}, {-1, L""}, {512, L""}, {100000, L""}};
  for (const auto& [index, name] : names) EXPECT_EQ(std::wstring(GetKeyNameByIndex(index)), name) << index;
  const std::pair<wchar_t, int> bytes[] = {{0xFF38, 0}, {0xFF0B, 0x0B}, {L'z', 'z'}, {0x4E00, 0}};
  for (auto [c, b] : bytes) EXPECT_EQ(CharToKeyCode(c), b) << static_cast<int>(c);
}

TEST(KeyTables, LinesGoToDirectTablesOrCombinationList) {
  auto dme = NewDmeBlock();
  ApplyKeyFunctionLine(dme.get(), L"A", L"首选上屏,");
  EXPECT_EQ(GetKeyFunctionFlags(dme.get(), 0x141), 0x80u);
  EXPECT_EQ(GetKeyFunctionFlags(dme.get(), 0x41), 0u);
  // Tab has no shifted name: Shift+Tab is a combination key.
  ApplyKeyFunctionLine(dme.get(), L"键Tab+键Shift", L"前翻页,");
  ASSERT_EQ(GetCombinationKeyCount(dme.get()), 1);
  EXPECT_EQ(dme->combinations[0].keyCode, 0x109u);
  EXPECT_EQ(dme->combinations[0].flags, 0x20u);
  ApplyKeyFunctionLine(dme.get(), L"键Tab+键Shift", L"后翻页,");
  EXPECT_EQ(GetCombinationKeyCount(dme.get()), 1);
  EXPECT_EQ(dme->combinations[0].flags, 0x40u);
  // Fill the list; the 33rd distinct key is dropped.
  for (int i = 1; i < 32; ++i) {
    EXPECT_TRUE(StoreKeyFunction(dme.get(), 0x400 | (0x41 + i % 26) | (i >= 26 ? 0x200 : 0), 1));
  }
  EXPECT_EQ(GetCombinationKeyCount(dme.get()), 32);
  ApplyKeyFunctionLine(dme.get(), L"键F5+键Ctrl", L"清除输入,");
  EXPECT_EQ(GetCombinationKeyCount(dme.get()), 32);
  for (int i = 0; i < 32; ++i) EXPECT_NE(dme->combinations[i].keyCode, 0x474u);
  // A damaged count never reads past the slots.
  dme->combinationCount = 200;
  EXPECT_EQ(GetCombinationKeyCount(dme.get()), 32);
  EXPECT_FALSE(StoreKeyFunction(dme.get(), 0x475, 1));
}

TEST(KeyTables, ShippedDefaultsFillTheTables) {
  auto dme = NewDmeBlock();
  WriteShippedKeyFunctions(dme.get());
  const std::pair<int, uint64_t> keys[] = {{0x20, 0x80},   {0x0D, 0xB80}, {0x30, 0xA80}, {0x35, 0x580},
                                           {0xBA, 0x280},  {0xA1, 0x2},   {0x08, 0x10000}};
  for (auto [key, flags] : keys) EXPECT_EQ(GetKeyFunctionFlags(dme.get(), key), flags) << key;
  ASSERT_EQ(GetCombinationKeyCount(dme.get()), 24);
  EXPECT_EQ(dme->combinations[0].keyCode, 0x109u);
  EXPECT_EQ(dme->combinations[0].flags, 0x20u);
  bool sawSoftKeyboard = false;
  for (int i = 0; i < 24; ++i) {
    if (dme->combinations[i].keyCode == 0x11B) sawSoftKeyboard = dme->combinations[i].flags == (1ull << 46);
  }
  EXPECT_TRUE(sawSoftKeyboard);
}

TEST(KeyTables, MarkKeyCharacterSetReplacesOneClass) {
  uint8_t set[256] = {};
  set['x'] = 0x11;
  MarkKeyCharacterSet(set, L";'\xFF0B\x4E00", 0x01);
  for (auto [c, v] : {std::pair{'x', 0x10}, {';', 1}, {'\'', 1}, {'\x0B', 1}, {'\0', 0}}) EXPECT_EQ(set[int(c)], v) << c;
}

}  // namespace
