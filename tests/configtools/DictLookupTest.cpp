// The mini dictionary's text from a small dict.dms, its web addresses and
// the bounds of a received WM_COPYDATA word.
#include <gtest/gtest.h>

#include "config/words/DictLookup.h"
#include "tests/configtools/ToolsTestContext.h"

using namespace zn::test;

namespace {

TEST(DictLookup, EveryEntryOfTheWordInFileOrder) {
  ToolsContext ctx;
  ctx.SetDms(kFileDictionary,
             {{L"天", L"sky"}, {L"天气", L"weather"}, {L"天", L"day"}, {L"天", L"heaven"},
              {L"天下", L"world"}},
             L"dict.dms");
  EXPECT_EQ(DictLookupText(ctx.file(kFileDictionary), L"天"), L"sky\r\nday\r\nheaven\r\n");
  EXPECT_EQ(DictLookupText(ctx.file(kFileDictionary), L"天气"), L"weather\r\n");
  EXPECT_EQ(DictLookupText(ctx.file(kFileDictionary), L"天空"), L"");
  EXPECT_EQ(DictLookupText(ctx.file(kFileDictionary), L""), L"");
  EXPECT_EQ(DictLookupText(nullptr, L"天"), L"");
}

TEST(DictLookup, WebAddressesCarryTheWordAsOneQueryValue) {
  EXPECT_EQ(WebLookupUrl(kWebLookupChineseSearch, L"a&b"), L"https://www.baidu.com/s?wd=a%26b");
  EXPECT_EQ(WebLookupUrl(kWebLookupCharacters, L"天"), L"https://www.zdic.net/search/?q=%E5%A4%A9");
  EXPECT_EQ(WebLookupUrl(kWebLookupEnglish, L"x/../y#z"), L"https://www.iciba.com/x%2F..%2Fy%23z");
  EXPECT_EQ(WebLookupUrl(kWebLookupSearch, L"a b"),
            L"https://www.google.com/search?newwindow=1&source=hp&q=a%20b");
  EXPECT_EQ(WebLookupUrl(12345, L"a"), L"");
  // A long word is cut at a character, never inside an escape.
  const std::wstring url = WebLookupUrl(kWebLookupChineseSearch, std::wstring(300, L'天'));
  EXPECT_LE(url.size(), 511u);
  EXPECT_EQ((url.size() - std::wstring(L"https://www.baidu.com/s?wd=").size()) % 9, 0u);
}

TEST(DictLookup, CopyDataWordStaysInsideItsBytes) {
  wchar_t word[200];
  for (int i = 0; i < 200; ++i) word[i] = L'字';
  COPYDATASTRUCT data{0, 256, word};
  EXPECT_EQ(ReceivedDictWord(&data), std::wstring(127, L'字'));  // no terminator needed
  data.cbData = 7;  // three whole units
  EXPECT_EQ(ReceivedDictWord(&data), std::wstring(3, L'字'));
  word[1] = 0;
  data.cbData = 256;
  EXPECT_EQ(ReceivedDictWord(&data), L"字");
  data.lpData = nullptr;
  EXPECT_EQ(ReceivedDictWord(&data), L"");
  EXPECT_EQ(ReceivedDictWord(nullptr), L"");
  data.lpData = word;
  data.cbData = 0;
  EXPECT_EQ(ReceivedDictWord(&data), L"");
}

}  // namespace
