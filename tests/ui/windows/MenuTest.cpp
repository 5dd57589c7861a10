// The popup menus as the user sees them (texts, checks, greyed items) and
// the commands their choices send, through a scripted tracker and recording
// front-end targets.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/Search.h"
#include "tests/ui/windows/WindowTestSupport.h"
#include "ui/windows/MenuIds.h"
#include "ui/windows/Menus.h"

using namespace zn::test;

namespace {

using Commands = std::vector<RecordedCommand>;

// A code-table record: attribute word, code "ab", word "工".
struct Record {
  uint8_t bytes[16];
};
Record MakeRecord(uint32_t attribute) {
  Record r{};
  std::memcpy(r.bytes, &attribute, 4);
  r.bytes[4] = 2;
  r.bytes[5] = 'a';
  r.bytes[6] = 'b';
  r.bytes[7] = 1;
  r.bytes[8] = 0xE5;
  r.bytes[9] = 0x5D;
  return r;
}

}  // namespace

TEST(Menus, CommandsGoToTheFrontEndOfTheContext) {
  TestContext c;
  ScopedTargets targets;
  ExecuteMenuCommand(c.get(), kCommandNextPage, 0, 0);
  EXPECT_EQ(targets.imm.commands, (Commands{{kCommandNextPage, 0, 0}}));
  c->inputContext = nullptr;
  c->textService = reinterpret_cast<void*>(0x55);
  ExecuteMenuCommand(c.get(), kCommandScheme, 0, 2);
  EXPECT_EQ(targets.tsf.commands, (Commands{{kCommandScheme, 0, 2}}));
  c->textService = nullptr;
  ExecuteMenuCommand(c.get(), kCommandScheme, 0, 1);
  EXPECT_EQ(targets.imm.commands.size() + targets.tsf.commands.size(), 2u);
}

TEST(Menus, CandidateEntryMenu) {
  TestContext c;
  ScopedTargets targets;
  c.SetCategoryName(3, L"次表");
  c.SetPage({L"工", L"式"});
  Record pinned = MakeRecord(0x40000000u | (3u << 24));
  c->candidates[1].kind = kKindMain;
  c->candidates[1].entry = pinned.bytes;
  {
    ScriptedTracker tracker(ZN_ID_ENTRY_SECONDARY);
    ShowCandidateWordMenu(c.get(), 1, nullptr);
    const MenuEntry* secondary = tracker.FindId(ZN_ID_ENTRY_SECONDARY);
    ASSERT_NE(secondary, nullptr);
    EXPECT_EQ(secondary->path, L"归入次表(&S)");
    EXPECT_TRUE(secondary->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_ENTRY_PIN)->checked);
    EXPECT_FALSE(tracker.FindId(ZN_ID_ENTRY_UP)->grayed);
    EXPECT_EQ(targets.imm.commands, (Commands{{kCommandCandidateEntry, 1, 6}}));
  }
  {
    // A plain-text candidate (not from a code table): every item grey.
    ScriptedTracker tracker(ZN_ID_ENTRY_DELETE);
    ShowCandidateWordMenu(c.get(), 0, nullptr);
    for (UINT id : {ZN_ID_ENTRY_UP, ZN_ID_ENTRY_DOWN, ZN_ID_ENTRY_FIRST, ZN_ID_ENTRY_LAST,
                    ZN_ID_ENTRY_PIN, ZN_ID_ENTRY_SECONDARY, ZN_ID_ENTRY_DELETE}) {
      EXPECT_TRUE(tracker.FindId(id)->grayed) << id;
    }
  }
}

TEST(Menus, FunctionMenuFollowsSettingsAndNames) {
  TestContext c;
  ScopedTargets targets;
  {
    // No secondary or auxiliary names: no scheme or search submenus, no
    // add-word item; no conversion tables: no output conversions.
    ScriptedTracker tracker;
    ShowFunctionMenu(c.get(), nullptr);
    EXPECT_EQ(tracker.Find(L"输入方案(&P)"), nullptr);
    EXPECT_EQ(tracker.Find(L"码表检索(&R)"), nullptr);
    EXPECT_EQ(tracker.FindId(ZN_ID_ADD_WORD), nullptr);
    EXPECT_EQ(tracker.FindId(ZN_ID_TRADITIONAL), nullptr);
    EXPECT_NE(tracker.Find(L"上屏选项(&O)/中文标点(&Z)"), nullptr);
    EXPECT_TRUE(tracker.FindId(ZN_ID_HALF)->checked);
    EXPECT_NE(tracker.FindId(ZN_ID_CANCEL), nullptr);
    EXPECT_EQ(tracker.FindId(ZN_ID_LANGUAGE_BAR), nullptr);  // IMM32 context
    // The separator before the removed conversions went with them.
    const MenuEntry& last = tracker.shown[tracker.shown.size() - 1];
    EXPECT_FALSE(last.separator);
    int outputItems = 0;
    for (const MenuEntry& e : tracker.shown) {
      if (e.path.rfind(L"上屏选项(&O)/", 0) == 0) ++outputItems;
    }
    EXPECT_EQ(outputItems, 5);  // 全角, 半角, separator, 中文标点, 英文标点
  }
  c.SetCategoryName(0, L"五笔");
  c.SetCategoryName(2, L"用户");
  c.SetCategoryName(3, L"拼音");
  c.SetCategoryName(4, L"笔画");
  c.ime().optionFlags = kImeOptMainCode | kImeOptSecondaryWhenEmpty;
  c->stateFlags = kStateFullWidth | kStateEnglishPunct;
  c->softKeyboardLayout = 3;
  {
    ScriptedTracker tracker(ZN_ID_SCHEME_AUX);
    ShowFunctionMenu(c.get(), nullptr);
    EXPECT_TRUE(tracker.Find(L"输入方案(&P)/五笔+笔画") != nullptr);
    EXPECT_TRUE(tracker.Find(L"输入方案(&P)/五笔")->checked);
    EXPECT_TRUE(tracker.Find(L"码表检索(&R)/候选为空时检索 拼音")->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_FULL)->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_EN_PUNCT)->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_LAYOUT_BASE + 3)->checked);
    EXPECT_NE(tracker.FindId(ZN_ID_ADD_WORD), nullptr);
  }
  {
    ScriptedTracker close(ZN_ID_LAYOUT_CLOSE);
    ShowFunctionMenu(c.get(), nullptr);
    ScriptedTracker layout(ZN_ID_LAYOUT_BASE + 5);
    ShowFunctionMenu(c.get(), nullptr);
    ScriptedTracker about(ZN_ID_ABOUT);
    ShowFunctionMenu(c.get(), nullptr);
  }
  // Closing the soft keyboard sends the close value, never "toggle".
  EXPECT_EQ(targets.imm.commands,
            (Commands{{kCommandScheme, 0, 2},
                      {kCommandSoftKeyboard, kSoftKeyboardFromMenu, 0},
                      {kCommandSoftKeyboard, 0, 5},
                      {kCommandAbout, 0, 0}}));

  // A TSF context gets the language-bar item.
  c->inputContext = nullptr;
  c->textService = reinterpret_cast<void*>(0x55);
  c.ime().optionFlags |= 0x200;
  ScriptedTracker tracker(ZN_ID_LANGUAGE_BAR);
  ShowFunctionMenu(c.get(), nullptr);
  EXPECT_EQ(tracker.FindId(ZN_ID_LANGUAGE_BAR)->path, L"还原状态栏(&R)");
  EXPECT_EQ(targets.tsf.commands, (Commands{{kCommandLanguageBarStatus, 0, 0}}));
}

TEST(Menus, SoftKeyboardAndInputStateMenus) {
  TestContext c;
  ScopedTargets targets;
  c->softKeyboardLayout = 13;
  {
    ScriptedTracker tracker(ZN_ID_LAYOUT_BASE + 2);
    ShowSoftKeyboardMenu(c.get(), nullptr);
    EXPECT_TRUE(tracker.FindId(ZN_ID_LAYOUT_BASE + 13)->checked);
  }
  {
    ScriptedTracker close(ZN_ID_LAYOUT_CLOSE);
    ShowSoftKeyboardMenu(c.get(), nullptr);
    ScriptedTracker cancel(ZN_ID_LAYOUT_CANCEL);
    ShowSoftKeyboardMenu(c.get(), nullptr);
  }
  EXPECT_EQ(targets.imm.commands, (Commands{{kCommandSoftKeyboard, kSoftKeyboardFromMenu, 2},
                                            {kCommandSoftKeyboard, kSoftKeyboardFromMenu, 0}}));
  targets.imm.commands.clear();

  c->stateFlags = kStateInputClosed | kStateEnglish;
  c.ime().optionFlags = kImeOptTraditional;
  {
    ScriptedTracker tracker(ZN_ID_STATE_FULL);
    ShowInputStateMenu(c.get(), nullptr);
    EXPECT_EQ(tracker.FindId(ZN_ID_STATE_KEYBOARD)->path, L"键盘输入关闭");
    EXPECT_TRUE(tracker.FindId(ZN_ID_STATE_ENGLISH)->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_STATE_HALF)->checked);
    EXPECT_TRUE(tracker.FindId(ZN_ID_STATE_CN_PUNCT)->checked);
  }
  // Full-width symbols switch traditional output off.
  EXPECT_EQ(c.ime().optionFlags & kImeOptTraditional, 0u);
  for (UINT id : {ZN_ID_STATE_CHINESE, ZN_ID_STATE_ENGLISH, ZN_ID_STATE_EN_PUNCT,
                  ZN_ID_STATE_KEYBOARD}) {
    ScriptedTracker tracker(id);
    ShowInputStateMenu(c.get(), nullptr);
  }
  EXPECT_EQ(targets.imm.commands, (Commands{{kCommandFullWidth, 0, 0},
                                            {kCommandChineseInput, 0, 0},
                                            {kCommandEnglishInput, 0, 0},
                                            {kCommandEnglishPunctuation, 0, 0}}));
}
