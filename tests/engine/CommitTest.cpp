// Commit selectors and the three frequency modes.
#include <gtest/gtest.h>

#include "tests/engine/RoadTestContext.h"

namespace zn::test {
namespace {

class Commit : public ::testing::Test {
 protected:
  void SetUp() override {
    road.SetMain({{"ab", L"一", Attr(1, 0x3FFE)}, {"ab", L"二", Attr(1, 0x200)},
                  {"ab", L"三", Attr(1, 0x100)}, {"ab", L"四", Attr(1, 0x50)},
                  {"ab", L"五", Attr(1, 0x10)}});
  }
  void Mode(uint32_t mode) { road.ime()->sortWord = (road.ime()->sortWord & ~7u) | mode; }
  RoadContext road;
};

TEST_F(Commit, Selectors) {
  ImeContext* c = road.get();
  road.Search(L"ab");
  c->selection = 1;
  EXPECT_EQ(CommitCandidate(c, 0), 1);
  EXPECT_EQ(road.Commit(), L"二");
  EXPECT_EQ(CommitCandidate(c, 3), 2);
  EXPECT_EQ(road.Commit(), L"三");
  EXPECT_EQ(CommitCandidate(c, 12), 4);
  EXPECT_EQ(road.Commit(), L"五");
  EXPECT_EQ(CommitCandidate(c, 6), kCommitEmptySlot);
  EXPECT_EQ(CommitCandidate(c, 13), kCommitEmptySlot);
  EXPECT_EQ(CommitCandidate(c, 11), 0);
  EXPECT_EQ(road.Commit(), L"ab");
  EXPECT_EQ(c->commitKind, 0x1002u);
  // The temporary-English lead is left out; keypad characters go out as ASCII.
  road.dme()->tempEnglishLead = ';';
  road.Search(L";abc");
  EXPECT_EQ(CommitCandidate(c, 11), 0);
  EXPECT_EQ(road.Commit(), L"abc");
  road.Search(L";");
  CommitCandidate(c, 11);
  EXPECT_EQ(road.Commit(), L"");
  road.Search(L"x\x15\x0E");
  c->stateFlags |= kStateFullWidth;
  CommitCandidate(c, 0);
  EXPECT_EQ(road.Commit(), L"ｘ５．");
  c->commitKind = 16;
  c->commitLength = 0;
  EXPECT_EQ(CommitCandidate(c, 11), 0);
  EXPECT_EQ(c->commitLength, 0);
}

TEST_F(Commit, EnglishKeepsTheTypedCase) {
  road.SetWordList(kFileEnglish, {L"hello"}, L"engl.dmg");
  ImeContext* c = road.get();
  c->stateFlags |= kStateEnglish;
  road.Search(L"HeL");
  ASSERT_EQ(CommitCandidate(c, 1), 0);
  EXPECT_EQ(road.Commit(), L"HeLlo");
}

TEST_F(Commit, ToTopBeatsTheFirstCandidate) {
  Mode(1);
  road.Search(L"ab");
  AdjustFrequency(road.get(), 3);
  EXPECT_EQ(road.MainAttr(L"三") & 0xFFFF, 0x3FFFu);
  EXPECT_EQ(road.MainAttr(L"三") >> 24, 1u);  // category kept
  road.Search(L"ab");
  EXPECT_EQ(road.Page()[0], L"三");
  // At the ceiling the two swap.
  road.SetMain({{"ab", L"一", Attr(1, 0xFFFF)}, {"ab", L"二", Attr(1, 5)}});
  road.Search(L"ab");
  AdjustFrequency(road.get(), 2);
  EXPECT_EQ(road.MainAttr(L"一") & 0xFFFF, 0xFFFEu);
  EXPECT_EQ(road.MainAttr(L"二") & 0xFFFF, 0xFFFFu);
}

TEST_F(Commit, PinnedEntriesNeverMoveAndAreSkippedAsRivals) {
  road.SetMain({{"ab", L"固", Attr(1, 0x100, true)}, {"ab", L"一", Attr(1, 0x80)},
                {"ab", L"二", Attr(1, 0x40)}, {"ab", L"钉", Attr(1, 0x10, true)}});
  // Pinned entries sort first: 固, 钉, 一, 二.
  for (uint32_t mode : {1u, 2u, 4u}) {
    Mode(mode);
    road.Search(L"ab");
    AdjustFrequency(road.get(), 2);
    EXPECT_EQ(road.MainAttr(L"钉") & 0xFFFF, 0x10u);
  }
  Mode(1);
  road.Search(L"ab");
  AdjustFrequency(road.get(), 4);
  EXPECT_EQ(road.MainAttr(L"固") & 0xFFFF, 0x100u);
  EXPECT_EQ(road.MainAttr(L"二") & 0xFFFF, 0x81u);
}

TEST_F(Commit, HalfwayAndCountModes) {
  Mode(2);
  road.Search(L"ab");
  AdjustFrequency(road.get(), 5);  // halfway between 0 and 4: index 2 (0x100)
  EXPECT_EQ(road.MainAttr(L"五") & 0xFFFF, 0x101u);
  Mode(4);
  road.Search(L"ab");
  AdjustFrequency(road.get(), 1);
  EXPECT_EQ(road.MainAttr(L"一") & 0xFFFF, 0x3FFFu);
  // At the ceiling the entry stays and the rivals at the ceiling drop by one.
  road.SetMain({{"ab", L"一", Attr(1, 0xFFFF)}, {"ab", L"二", Attr(1, 0xFFFF)},
                {"ab", L"三", Attr(1, 0xFFFF)}});
  road.Search(L"ab");
  AdjustFrequency(road.get(), 3);
  EXPECT_EQ(road.MainAttr(L"三") & 0xFFFF, 0xFFFFu);
  EXPECT_EQ(road.MainAttr(L"一") & 0xFFFF, 0xFFFEu);
  EXPECT_EQ(road.MainAttr(L"二") & 0xFFFF, 0xFFFEu);
}

TEST_F(Commit, OnlyMainTableEntriesAreAdjusted) {
  road.SetTemp({{"ab", L"临", 0x7000}});
  ImeContext* c = road.get();
  Mode(1);
  road.Search(L"ab");
  // The temporary word sorts behind the main words by value; commit it.
  int tempSlot = 0;
  for (int i = 0; i < c->slotsFilled; ++i) {
    if (c->candidates[c->slotListIndex[i]].kind == kKindTemp) tempSlot = i + 1;
  }
  ASSERT_GT(tempSlot, 0);
  const std::vector<uint8_t> before = ReadFileBytes(c->files[kFileTemp]->path);
  AdjustFrequency(c, tempSlot);
  FlushViewOfFile(c->files[kFileTemp]->view, 0);
  EXPECT_EQ(before, ReadFileBytes(c->files[kFileTemp]->path));
  // A main entry ranked right behind a temporary word takes a main rival.
  road.SetMain({{"ab", L"甲", Attr(1, 0x10)}, {"ab", L"乙", Attr(1, 0x05)}});
  road.SetTemp({{"ab", L"临", 0x7000}});
  road.Search(L"ab");
  ASSERT_EQ(c->candidates[0].kind, kKindTemp);
  AdjustFrequency(c, 3);
  EXPECT_EQ(road.MainAttr(L"乙") & 0xFFFF, 0x11u);
  // Generated candidates have no entry to adjust.
  road.dme()->tempEnglishLead = ';';
  road.Search(L";12");
  AdjustFrequency(c, 2);
  EXPECT_EQ(EntryAttribute(c->candidates[1].entry), 0u);
}

}  // namespace
// The commit path takes the data folder's lock only when FrequencyWouldChange
// says so: whenever it says no, AdjustFrequency must leave the table as it is.
TEST_F(Commit, FrequencyWouldChangeExactlyWhenAnOrderIsWritten) {
  road.SetMain({{"ab", L"一", Attr(1, 0x3FFE)}, {"ab", L"二", Attr(1, 0x200)},
                {"ab", L"定", Attr(1, 0x150, true)}, {"ab", L"三", Attr(1, 0x100)},
                {"ab", L"四", Attr(1, 0x50)}});
  const MappedFile* main = road.get()->files[kFileMain];
  int writing = 0;
  for (uint32_t mode : {0u, 1u, 2u, 4u}) {
    for (int selector : {0, 1, 2, 3, 4, 5, 11, 12}) {
      Mode(mode);
      road.Search(L"ab");
      const bool predicted = FrequencyWouldChange(road.get(), selector);
      const std::vector<uint8_t> before(main->view, main->view + main->size);
      AdjustFrequency(road.get(), selector);
      const bool changed = std::vector<uint8_t>(main->view, main->view + main->size) != before;
      if (!predicted) EXPECT_FALSE(changed) << "mode " << mode << " selector " << selector;
      writing += predicted;
    }
  }
  // Not a no-op either: raising a later slot and counting any slot do write.
  EXPECT_GT(writing, 6);
  Mode(1);
  road.Search(L"ab");
  ASSERT_EQ(road.Page()[0], L"定");
  EXPECT_FALSE(FrequencyWouldChange(road.get(), 1));  // pinned
  EXPECT_FALSE(FrequencyWouldChange(road.get(), 2));  // no unpinned rival above it
  EXPECT_TRUE(FrequencyWouldChange(road.get(), 3));
  Mode(4);
  road.Search(L"ab");
  EXPECT_FALSE(FrequencyWouldChange(road.get(), 1));
  EXPECT_TRUE(FrequencyWouldChange(road.get(), 2));
}

}  // namespace zn::test
