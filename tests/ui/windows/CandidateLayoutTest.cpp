// Layout numbers of the candidate window for each arrangement, with a
// fixed-width measurer: 10 x 16 per unit of candidate text, 8 x 14 of code.
#include <gtest/gtest.h>

#include <string>

#include "engine/Search.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/CandidateLayout.h"

using namespace zn::test;

namespace {

const SkinItem& Label(TestContext& c, int k) { return c.candidate().items[kItemFirstLabel + k]; }
const SkinItem& Word(TestContext& c, int k) { return c.candidate().items[kItemFirstWord + k]; }
const SkinItem& Hint(TestContext& c, int k) { return c.candidate().items[kItemFirstHint + k]; }
std::wstring Text(const SkinItem& item) { return std::wstring(item.text, item.textLength); }

SIZE Layout(TestContext& c) {
  FixedMeasurer measurer;
  return LayoutCandidateWindow(c.get(), measurer);
}

}  // namespace

TEST(CandidateLayout, RowWithMergedCode) {
  TestContext c;
  c.SetComposition(L"abc");
  c.SetPage({L"工", L"式", L"戈"});
  const SIZE size = Layout(c);
  EXPECT_EQ(size.cx, 107);
  EXPECT_EQ(size.cy, 41);
  EXPECT_EQ(c->candidateWindow.size.cx, 107);
  const SkinItem& code = c.candidate().items[kItemCode];
  EXPECT_EQ(Text(code), L"abc");
  EXPECT_EQ(code.x, 5);
  EXPECT_EQ(code.y, 3);
  EXPECT_EQ(Label(c, 0).x, 5);
  EXPECT_EQ(Label(c, 0).y, 20);
  EXPECT_EQ(Word(c, 0).x, 17);
  EXPECT_EQ(Word(c, 1).x, 49);
  EXPECT_EQ(Word(c, 2).x, 81);
  EXPECT_EQ(Hint(c, 0).state, kItemHidden);
  EXPECT_EQ(Word(c, 3).state, kItemHidden);
  // The stretched background has the window's size.
  ASSERT_NE(c.candidate().background, nullptr);
  EXPECT_EQ(c.candidate().background->width, 107);
  EXPECT_EQ(c.candidate().background->height, 41);

  c.skinBlock().appearanceFlags |= 0x4000;  // right to left
  Layout(c);
  EXPECT_EQ(Label(c, 0).x, 91);
  EXPECT_EQ(Word(c, 0).x, 79);
  EXPECT_EQ(Word(c, 2).x, 15);
}

TEST(CandidateLayout, LinesAndColumns) {
  TestContext c;
  c.SetPage({L"ab", L"c"});
  c->candidates[1].hint[0] = L'x';
  c->candidates[1].hint[1] = L'y';
  c.skinBlock().appearanceFlags = 0x1 | 0x2;  // 竖排
  SIZE size = Layout(c);
  EXPECT_EQ(c.candidate().layoutIndex, kLayoutEmbeddedVertical);
  EXPECT_EQ(c.candidate().items[kItemCode].state, kItemHidden);
  EXPECT_EQ(size.cx, 60);  // widest line 45 + 5 + 6 = 56, raised to the picture
  EXPECT_EQ(size.cy, 65);
  EXPECT_EQ(Word(c, 0).x, 17);
  EXPECT_EQ(Word(c, 0).y, 20);
  EXPECT_EQ(Word(c, 1).y, 40);
  EXPECT_EQ(Text(Hint(c, 1)), L"xy");
  EXPECT_EQ(Hint(c, 1).x, 30);

  c.skinBlock().appearanceFlags = 0x1 | 0x2 | 0x10;  // 左起纵向
  size = Layout(c);
  EXPECT_EQ(size.cx, 60);
  EXPECT_EQ(size.cy, 81);
  EXPECT_EQ(Word(c, 0).width, 16);  // turned: width and height swapped
  EXPECT_EQ(Word(c, 0).height, 20);
  EXPECT_EQ(Word(c, 0).textOffsetX, 16);
  EXPECT_EQ(Word(c, 0).x, 5);
  EXPECT_EQ(Word(c, 0).y, 32);
  EXPECT_EQ(Label(c, 1).x, 25);
  EXPECT_EQ(Hint(c, 1).y, 20 + 10 + 2 + 10 + 3);
}

TEST(CandidateLayout, LabelsCutsAndColours) {
  TestContext c;
  c.SetPage({L"一", L"二", L"三", L"四", L"五", L"六", L"七", L"八", L"九", L"十"});
  Layout(c);
  std::wstring labels;
  for (int k = 0; k < 10; ++k) labels += Text(Label(c, k));
  EXPECT_EQ(labels, L"1234567890");
  c.values().layouts[kLayoutMerged].indexSuffix = L'.';
  Layout(c);
  EXPECT_EQ(Text(Label(c, 0)), L"1.");
  EXPECT_EQ(Text(Label(c, 9)), L"0.");

  // A 40-unit word with 8 units shown; a pair at the cut is kept whole.
  c.values().text.maxCandidateShown = 8;
  std::wstring forty(40, L'字');
  std::wstring pair = L"一二三四五六七" + std::wstring(L"\xD840\xDC00") + L"八";
  c.SetPage({forty, pair});
  Layout(c);
  EXPECT_EQ(Text(Word(c, 0)), std::wstring(8, L'字') + L"\x2026");
  EXPECT_EQ(Text(Word(c, 1)), L"一二三四五六七\x2026");

  // Colours: current candidate, temporary word, label and hover.
  c->selection = 0;
  c->candidates[1].kind = kKindTemp;
  c.values().text.tempWordColour = 0x00AA00;
  Layout(c);
  EXPECT_EQ(Word(c, 0).textColour[kItemNormal], 0x0000FF);
  EXPECT_EQ(Word(c, 0).backColour[kItemNormal], 0xFFEEDD);
  EXPECT_EQ(Word(c, 1).textColour[kItemNormal], 0x00AA00);
  EXPECT_EQ(Word(c, 1).backColour[kItemNormal], kNoColour);
  EXPECT_EQ(Label(c, 1).textColour[kItemNormal], 0x777777);
  EXPECT_EQ(Word(c, 1).textColour[kItemHover], 0x00AA00);  // no hover colour set
  EXPECT_EQ(Word(c, 1).backColour[kItemHover], 0xABCDEF);

  // A long composition shows its last units, never half a pair.
  c.values().text.maxCodeShown = 3;
  c.SetComposition(L"ab\xD840\xDC00" L"cd");
  Layout(c);
  EXPECT_EQ(Text(c.candidate().items[kItemCode]), L"cd");
}

TEST(CandidateLayout, ButtonsAgainstTheStretchRanges) {
  TestContext c;
  c.SetComposition(L"abc");
  c.SetPage({L"工", L"式", L"戈"});
  c.SetImage(ButtonPicture(kButtonUp, 0), NewSolidImage(8, 8, 1, 1, 1, 255));
  c.SetImage(ButtonPicture(kButtonDown, 0), NewSolidImage(8, 8, 1, 1, 1, 255));
  c.SetImage(ButtonPicture(kButtonHalf, 0), NewSolidImage(8, 8, 1, 1, 1, 255));
  CandidateLayout& l = c.values().layouts[kLayoutMerged];
  l.previousPage = {2, 5};
  l.nextPage = {50, 22};  // past both stretch ranges
  l.width = {-1, 5};      // never shown
  const SIZE size = Layout(c);
  const SkinItem& up = c.candidate().items[kItemPreviousPage];
  const SkinItem& down = c.candidate().items[kItemNextPage];
  EXPECT_EQ(up.x, 2);
  EXPECT_EQ(up.y, 5);
  EXPECT_EQ(down.x, size.cx + 50 - 6 - 60);
  EXPECT_EQ(down.y, size.cy + 22 - 5 - 30);
  EXPECT_EQ(down.width, 8);
  EXPECT_EQ(c.candidate().items[kItemWidthButton].state, kItemHidden);
  // First and only page: both page buttons disabled.
  EXPECT_EQ(up.state, kItemDisabled);
  EXPECT_EQ(down.state, kItemDisabled);
  c->candidateCount = 10;
  Layout(c);
  EXPECT_EQ(down.state, kItemNormal);
  c->pageFirst = 3;
  Layout(c);
  EXPECT_EQ(up.state, kItemNormal);
  // Buttons switched off in the appearance settings.
  c.skinBlock().appearanceFlags &= ~0x4u;
  Layout(c);
  EXPECT_EQ(down.state, kItemHidden);
}

TEST(CandidateLayout, WhenTheWindowShowsAtAll) {
  TestContext c;
  // Nothing typed and nothing listed: no window.
  EXPECT_EQ(Layout(c).cx, 0);
  EXPECT_EQ(c.candidate().background, nullptr);
  // A code without candidates still shows (merged, IMM32).
  c.SetComposition(L"zz");
  EXPECT_GT(Layout(c).cx, 0);
  // Hidden by the settings.
  c.ime().optionFlags |= 0x400;
  EXPECT_EQ(Layout(c).cx, 0);
  c.ime().optionFlags &= ~0x400u;

  // TSF: the code stays in the document unless the classic style is on.
  c->inputContext = nullptr;
  c->textService = reinterpret_cast<void*>(0x99);
  EXPECT_EQ(Layout(c).cx, 0);
  c.SetPage({L"工", L"式"});
  Layout(c);
  EXPECT_EQ(c.candidate().items[kItemCode].state, kItemHidden);
  EXPECT_EQ(c.candidate().layoutIndex, kLayoutEmbedded);
  c.ime().optionFlags |= 0x4000;
  Layout(c);
  EXPECT_EQ(Text(c.candidate().items[kItemCode]), L"zz");
  c.ime().optionFlags &= ~0x4000u;
  // Only one candidate and candidates only when ambiguous: no window.
  c.SetPage({L"工"});
  c.ime().spaceWord |= 0x40;
  EXPECT_EQ(Layout(c).cx, 0);

  // The first candidate embedded in the document and hidden from the list.
  c.ime().spaceWord = 0x80;
  c.ime().optionFlags = 0x2000;
  c.SetPage({L"工", L"式", L"戈"});
  c->selection = 0;
  Layout(c);
  EXPECT_EQ(Word(c, 0).state, kItemHidden);
  EXPECT_EQ(Text(Label(c, 1)), L"1");
  EXPECT_EQ(Word(c, 1).x, 17);
}

TEST(CandidateLayout, ContextWithoutASkinStillShowsPlainWindow) {
  TestContext c;
  FreeSkin(&c.images());
  c.SetComposition(L"gg");
  c.SetPage({L"王"});
  const SIZE size = Layout(c);
  EXPECT_GT(size.cx, 0);
  EXPECT_GT(size.cy, 0);
  ASSERT_NE(c.candidate().background, nullptr);
  // The built-in panel: a grey frame around white.
  const uint8_t* px = c.candidate().background->pixels;
  EXPECT_EQ(px[0], 0xA0);
  const size_t middle = (static_cast<size_t>(size.cy / 2) * size.cx + size.cx / 2) * 4;
  EXPECT_EQ(px[middle], 0xFF);
  EXPECT_EQ(px[middle + 3], 0xFF);
}
