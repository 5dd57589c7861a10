#include <gtest/gtest.h>

#include <windows.h>

#include "engine/EntryCommands.h"
#include "engine/KeyTables.h"
#include "tools/zntype/KeyScript.h"

namespace {

std::vector<KeyStroke> Parse(const std::wstring& text) {
  std::vector<KeyStroke> keys;
  std::wstring error;
  EXPECT_TRUE(ParseKeyScript(text, &keys, &error)) << error;
  return keys;
}

std::wstring Error(const std::wstring& text) {
  std::vector<KeyStroke> keys;
  std::wstring error;
  EXPECT_FALSE(ParseKeyScript(text, &keys, &error)) << text;
  return error;
}

}  // namespace

TEST(KeyScriptTest, CharactersNamesAndModifiers) {
  auto keys = Parse(L"aZ1!{Space}{ctrl+shift+a}{F12}{{;\r\n");
  ASSERT_EQ(keys.size(), 9u);
  EXPECT_EQ(keys[0].virtualKey, static_cast<uint32_t>('A'));
  EXPECT_FALSE(keys[0].shift);
  EXPECT_TRUE(keys[1].shift);
  EXPECT_EQ(keys[2].ch, L'1');
  EXPECT_EQ(keys[3].virtualKey, static_cast<uint32_t>('1'));
  EXPECT_TRUE(keys[3].shift);
  EXPECT_EQ(keys[4].virtualKey, static_cast<uint32_t>(VK_SPACE));
  EXPECT_EQ(keys[4].ch, L' ');
  EXPECT_TRUE(keys[5].ctrl && keys[5].shift);
  EXPECT_EQ(keys[5].virtualKey, static_cast<uint32_t>('A'));
  EXPECT_EQ(keys[5].ch, 0);
  EXPECT_EQ(keys[6].virtualKey, static_cast<uint32_t>(VK_F12));
  EXPECT_EQ(keys[7].ch, L'{');
  EXPECT_EQ(keys[8].virtualKey, 0xBAu);
  // A modified space types nothing.
  EXPECT_EQ(Parse(L"{Ctrl+Space}")[0].ch, 0);
  // Characters outside the US layout still type themselves.
  auto wide = Parse(L"中");
  ASSERT_EQ(wide.size(), 1u);
  EXPECT_EQ(wide[0].ch, L'中');
  EXPECT_EQ(wide[0].virtualKey, 0u);
}

TEST(KeyScriptTest, BadNamesAreReported) {
  EXPECT_NE(Error(L"ab{Space").find(L"position 2"), std::wstring::npos);
  EXPECT_NE(Error(L"{}").find(L"position 0"), std::wstring::npos);
  EXPECT_NE(Error(L"{Spacebar}").find(L"{Spacebar}"), std::wstring::npos);
  Error(L"{Meta+a}");
  Error(L"{F0}");
  Error(L"{F25}");
  Error(L"{F1x}");
  Error(L"{Ctrl+中}");
}

TEST(KeyScriptTest, MenuCommands) {
  auto keys = Parse(L"{Entry:up:1}{entry:LOOKUP:10}{DeleteLast}");
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].keyFunction, KeyFunction::kEntryOperation | kEntryMoveUp);
  EXPECT_EQ(keys[1].keyFunction,
            KeyFunction::kEntryOperation | (9ull << 16) | static_cast<uint64_t>(kEntryLookUp));
  EXPECT_EQ(keys[2].keyFunction, KeyFunction::kDeleteWord);
  EXPECT_EQ(keys[0].name, L"{Entry:up:1}");
  for (const wchar_t* bad : {L"{Entry:up:0}", L"{Entry:up:11}", L"{Entry:up:}", L"{Entry:up}",
                             L"{Entry:jump:1}", L"{Entry:up:1x}", L"{Entry::1}"}) {
    Error(bad);
  }
}
