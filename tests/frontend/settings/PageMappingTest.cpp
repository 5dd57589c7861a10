// Control values of the settings pages from and to the settings words.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frontend/settings/PageMapping.h"

TEST(PageMapping, InputOptionWords) {
  EXPECT_EQ(FrequencyItem(0x1 | 0x4), 0);
  EXPECT_EQ(FrequencyItem(0x2), 1);
  EXPECT_EQ(FrequencyItem(0x4 | 0x8), 2);
  EXPECT_EQ(FrequencyItem(0x8), 3);
  EXPECT_EQ(WithFrequencyItem(0x50000007u | 0x18, 1), 0x50000002u | 0x18);
  EXPECT_EQ(WithFrequencyItem(0x7, 3), 0u);

  EXPECT_EQ(CodeByteChar(0x0C), L'\xFF0C');
  EXPECT_EQ(CodeByteChar(0x19), L'\xFF19');
  EXPECT_EQ(CodeByteChar('z'), L'z');
  EXPECT_EQ(CodeByteChar(0), L'\0');
  EXPECT_EQ(LeadCodeFromText(L"\xFF0E" L"abc"), 0x0E);
  EXPECT_EQ(LeadCodeFromText(L""), 0);
  EXPECT_EQ(LeadCodeFromText(nullptr), 0);

  uint8_t flags[256] = {};
  flags['.'] = 0x04 | 0x10;
  flags[0x0A] = 0x04;
  wchar_t text[257];
  PunctuationAfterDigitsText(flags, text);
  EXPECT_EQ(std::wstring(text), L"\xFF0A.");
  // The full-width comma and full stop mark the keypad codes 0x0C, 0x0E;
  // other flag bits stay.
  ApplyPunctuationAfterDigits(flags, L"\xFF0C\xFF0E");
  EXPECT_EQ(flags['.'], 0x10);
  EXPECT_EQ(flags[0x0A], 0);
  EXPECT_EQ(flags[0x0C], 0x04);
  EXPECT_EQ(flags[0x0E], 0x04);
  // At most 255 characters are read.
  std::wstring longText(255, L'a');
  longText += L"b";
  ApplyPunctuationAfterDigits(flags, longText.c_str());
  EXPECT_EQ(flags['a'], 0x04);
  EXPECT_EQ(flags['b'], 0);
}

TEST(PageMapping, AppearanceWords) {
  EXPECT_EQ(ArrangementItem(0x8 | 0x10), 0);
  EXPECT_EQ(ArrangementItem(0x10), 2);
  EXPECT_EQ(ArrangementItem(0), 1);
  EXPECT_EQ(WithArrangementItem(0x8 | 0x1, 2), 0x10u | 0x1);
  EXPECT_EQ(WithArrangementItem(0x10, 1), 0u);
  EXPECT_EQ(PositionItem(0x80 | 0x40), 1);
  EXPECT_EQ(PositionItem(0x40), 2);
  EXPECT_EQ(WithPositionItem(0x40 | 0x400, 0), 0x400u);
  EXPECT_EQ(WithPositionItem(0, 2), 0x40u);
  EXPECT_EQ(CandidateCountItem(0x50000000u), 4);
  EXPECT_EQ(CandidateCountItem(0), 0);
  EXPECT_EQ(CandidateCountItem(0xF0000000u), 9);
  EXPECT_EQ(WithCandidateCountItem(0x30000012u, 9), 0xA0000012u);

  EXPECT_EQ(FontSizeItem(48), 0);
  EXPECT_EQ(FontSizeItem(-16), 2);
  EXPECT_EQ(FontSizeItem(12), 0);
  EXPECT_EQ(FontSizeItem(0), 0);
  EXPECT_EQ(FontSizeItem(13), 1);
  EXPECT_EQ(FontSizeItem(-37), 9);
  EXPECT_EQ(FontSizeItem(40), 9);
  EXPECT_EQ(FontSizeItem(INT32_MIN), 0);
}

TEST(PageMapping, SkinListEntries) {
  auto* list = new SkinList{};
  list->count = 2;
  wcscpy(list->values[0].loadedPath, L"C:\\ime\\tessel\\skin.col");
  wcscpy(list->values[1].loadedPath, L"C:\\ime\\tessel\\Night.col");
  EXPECT_STREQ(PathFileName(list->values[1].loadedPath), L"Night.col");
  EXPECT_STREQ(PathFileName(L"plain.col"), L"plain.col");
  EXPECT_EQ(SkinListItem(*list, L"NIGHT.COL"), 1);
  EXPECT_EQ(SkinListItem(*list, L"skin.col"), 0);
  EXPECT_EQ(SkinListItem(*list, L"tessel\\skin.col"), -1);
  EXPECT_EQ(SkinListItem(*list, L""), -1);
  delete list;
}
