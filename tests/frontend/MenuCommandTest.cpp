// Menu commands of the key runner that the front ends hand over: the table
// of known commands agrees with what the runner does, the candidate-word
// command acts on the slot it names, and values too wide for their bits are
// refused rather than spilling into other functions.
#include <gtest/gtest.h>

#include "engine/EntryCommands.h"
#include "engine/Launchers.h"
#include "tests/frontend/RunnerTestSupport.h"

using namespace zn::test;

namespace {

class MenuCommandTest : public ::testing::Test, protected RunnerRoad {
 protected:
  void SetUp() override { SetWords({{"a", L"工"}, {"a", L"戈"}, {"a", L"式"}, {"a", L"节"}}); }
  std::wstring Slot(int i) const { return ctx()->pageSlots[i].text; }
};

TEST_F(MenuCommandTest, TheKnownCommandsAreExactlyThoseTheRunnerRuns) {
  for (int command = 0; command < 0x2100; ++command) {
    // Commands that start programs are counted, not run, on this road.
    SetLaunchesRefused(ctx(), true);
    const int handled = runner.RunMenuCommand(ctx(), command, 0, 0, out);
    EXPECT_EQ(handled != 0, IsMenuCommand(command)) << command;
    runner.Cancel(ctx(), out);
  }
  EXPECT_FALSE(IsMenuCommand(8201)) << "the language bar belongs to the text service";
  EXPECT_FALSE(IsMenuCommand(-1));
}

TEST_F(MenuCommandTest, TheCandidateWordCommandActsOnTheSlotItNames) {
  Type(L"a");
  ASSERT_GE(ctx()->slotsFilled, 3);
  const std::wstring second = Slot(1);
  const std::wstring third = Slot(2);
  // Slot 1 (the second word), one place down.
  EXPECT_EQ(runner.RunMenuCommand(ctx(), MenuCommand::kEntryCommand, 1, kEntryMoveDown, out), 1);
  EXPECT_EQ(Slot(1), third);
  EXPECT_EQ(Slot(2), second);
  // Slot 2 to the top.
  const std::wstring moved = Slot(2);
  runner.RunMenuCommand(ctx(), MenuCommand::kEntryCommand, 2, kEntryMoveFirst, out);
  EXPECT_EQ(Slot(0), moved);
  Tap(VK_ESCAPE);
}

TEST_F(MenuCommandTest, ValuesTooWideForTheirBitsAreNoCommand) {
  Type(L"a");
  const std::wstring first = Slot(0);
  const std::wstring second = Slot(1);
  out.TakeCommitted();
  // A selector past 12 would set the bits of other key functions.
  for (int selector : {13, 15, 16, -1, 0x100}) {
    EXPECT_EQ(runner.RunMenuCommand(ctx(), MenuCommand::kCommitSlot, selector, 0, out), 1) << selector;
    EXPECT_EQ(out.TakeCommitted(), L"") << selector;
    EXPECT_EQ(ctx()->codeLength, 1) << "the code stays";
  }
  const std::pair<int, int> tooWide[] = {{0x10000, kEntryMoveDown}, {0, 0x10001}, {-1, kEntryMoveUp}};
  for (auto [slot, command] : tooWide) {
    runner.RunMenuCommand(ctx(), MenuCommand::kEntryCommand, slot, command, out);
    EXPECT_EQ(Slot(0), first);
    EXPECT_EQ(Slot(1), second);
  }
  EXPECT_TRUE(effects.messages.empty());
  EXPECT_EQ(runner.RunMenuCommand(ctx(), MenuCommand::kCommitSlot, 2, 0, out), 1);
  EXPECT_EQ(out.TakeCommitted(), second) << "a selector in range commits its slot";
}

TEST_F(MenuCommandTest, AHelpLinkWithoutTerminatorOpensNothing) {
  wchar_t* link = ctx()->softBlock->helpLink;
  const size_t units = sizeof(ctx()->softBlock->helpLink) / sizeof(wchar_t);
  effects.programs.clear();
  wcscpy(link, L"https://example.org/help");
  runner.RunMenuCommand(ctx(), MenuCommand::kHelpLink, 0, 0, out);
  ASSERT_EQ(effects.programs.size(), 1u);
  EXPECT_EQ(effects.programs[0].rfind(L"https://example.org/help", 0), 0u);
  // config.dsc is written by other processes: a field filled to its end
  // would carry the link into the fields behind it.
  for (size_t i = 0; i < units; ++i) link[i] = i < 8 ? L"https://"[i] : L'a';
  EXPECT_EQ(runner.RunMenuCommand(ctx(), MenuCommand::kHelpLink, 0, 0, out), 1);
  EXPECT_EQ(effects.programs.size(), 1u);
}

}  // namespace
