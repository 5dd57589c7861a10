// Chinese punctuation, full width and clipboard text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/Effects.h"
#include "engine/OutputConversion.h"
#include "tests/engine/FakeEffects.h"

namespace {

void SetEntry(SymbolEscapeEntry* table, char key, uint16_t kind, const wchar_t* first,
              const wchar_t* second = L"") {
  SymbolEscapeEntry& e = table[static_cast<int>(key)];
  std::memset(&e, 0, sizeof e);
  e.kind = kind;
  for (int i = 0; i < 5 && first[i]; ++i) e.first[i] = first[i];
  if (kind == 1 && std::wcslen(first) > 5) {
    for (int i = 5; i < 10 && first[i]; ++i) e.second[i - 5] = first[i];
  }
  for (int i = 0; i < 5 && second[i]; ++i) e.second[i] = second[i];
}

class OutputConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(table_, 0, sizeof table_);
    ResetPairedPunctuation(pairs_);
  }
  std::wstring Map(const wchar_t* text) {
    wchar_t out[kConvertedTextUnits + 1];
    const int n = MapChinesePunctuation(table_, pairs_, text, out);
    EXPECT_EQ(n, static_cast<int>(std::wstring(out).size()));
    return out;
  }
  SymbolEscapeEntry table_[128];
  PairStates pairs_;
};

TEST_F(OutputConversion, PairedQuotesAlternateAndReset) {
  SetEntry(table_, '"', 2, L"“", L"”");
  SetEntry(table_, ',', 1, L"，");
  EXPECT_EQ(Map(L"\"\"\""), L"“”“");
  EXPECT_EQ(Map(L"\"a,"), L"”a，");
  ResetPairedPunctuation(pairs_);
  EXPECT_EQ(Map(L"\""), L"“");
  // Each context alternates on its own; the settings table is not written.
  PairStates other = {};
  wchar_t out[kConvertedTextUnits + 1];
  MapChinesePunctuation(table_, other, L"\"", out);
  EXPECT_EQ(Map(L"\""), L"”");
  EXPECT_EQ(table_['"'].pairState, 0);
}

TEST_F(OutputConversion, BookTitleMarksNest) {
  SetEntry(table_, '<', 1, L"《〈");
  SetEntry(table_, '>', 1, L"〉》");
  EXPECT_EQ(Map(L"<<>>"), L"《〈〉》");
  EXPECT_EQ(QuoteNestingLevel(), 0);
  EXPECT_EQ(Map(L">"), L"》");
  EXPECT_EQ(QuoteNestingLevel(), 0);
}

TEST_F(OutputConversion, ControlAndLongReplacements) {
  SetEntry(table_, '^', 1, L"……");
  SetEntry(table_, '_', 1, L"ABCDEFGHIJ");  // runs into the second field
  EXPECT_EQ(Map(L"\x15\x0E^_"), L"5.……ABCDEFGHIJ");
  EXPECT_EQ(Map(L"中"), L"中");
}

TEST_F(OutputConversion, OutputIsBoundedWhenEveryCharacterExpands) {
  SetEntry(table_, '_', 1, L"ABCDEFGHIJ");
  SetEntry(table_, '"', 2, L"“", L"”");
  std::wstring text(128, L'_');
  wchar_t out[kConvertedTextUnits + 1 + 8];
  for (wchar_t& c : out) c = 0xAAAA;
  EXPECT_EQ(MapChinesePunctuation(table_, pairs_, text.c_str(), out), 120);
  EXPECT_EQ(out[120], 0);
  EXPECT_EQ(out[kConvertedTextUnits + 1], 0xAAAA);
  // A pair not written keeps its state.
  text = std::wstring(128, L'a') + L"\"";
  EXPECT_EQ(MapChinesePunctuation(table_, pairs_, text.c_str(), out), 128);
  EXPECT_EQ(pairs_[1], 0u);
}

TEST(FullWidth, AsciiBecomesFullWidth) {
  wchar_t text[] = L"a b!~\x7F《\r\n";
  ToFullWidth(text);
  EXPECT_EQ(std::wstring(text), L"ａ　ｂ！～\xFF5F《\r\n");
}

TEST(Clipboard, ReadsThroughTheSeam) {
  zn::test::FakeEffects effects;
  wchar_t out[128];
  effects.clipboardOpens = true;
  effects.clipboard = L"";
  EXPECT_EQ(GetClipboardText(effects, out), 1);
  EXPECT_EQ(out[0], 0);
  effects.clipboard = std::wstring(300, L'x');
  EXPECT_EQ(GetClipboardText(effects, out), 1);
  EXPECT_EQ(std::wstring(out).size(), 127u);
  effects.clipboardOpens = false;
  EXPECT_EQ(GetClipboardText(effects, out), 0);
  EXPECT_EQ(out[0], 0);
}

}  // namespace
