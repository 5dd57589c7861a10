// The taken-decision: lone modifiers on a scripted clock, the rows chosen by
// Shift and Caps Lock, the taken-rules by input state, and the Caps Lock
// events the module injects itself.
#include <gtest/gtest.h>

#include "engine/ImeOptionBits.h"
#include "tests/frontend/RunnerTestSupport.h"

using namespace zn::test;

namespace {

class KeyDecisionTest : public ::testing::Test, protected RunnerRoad {
 protected:
  void SetUp() override { SetWords({{"a", L"工"}, {"a", L"戈"}, {"b", L"子"}}); }
  bool English() const { return (ctx()->stateFlags & kStateEnglish) != 0; }
  // Press at one time, release at another (milliseconds).
  void TapShiftAt(uint64_t down, uint64_t up, uint32_t upData = 0) {
    clock.tickMs = down;
    Event(VK_SHIFT, false);
    clock.tickMs = up;
    Event(VK_SHIFT, true, upData);
  }
};

TEST_F(KeyDecisionTest, LoneShiftRunsItsFunctionOnlyWithinTheWindow) {
  // The shipped left Shift switches English on and off.
  TapShiftAt(1000, 1499);
  EXPECT_TRUE(English());
  TapShiftAt(2000, 2100);
  EXPECT_FALSE(English());
  TapShiftAt(3000, 3500);
  EXPECT_FALSE(English()) << "held 500 ms: no function";
  // Auto-repeat keeps the time of the first press.
  clock.tickMs = 4000;
  Event(VK_SHIFT, false);
  clock.tickMs = 4300;
  Event(VK_SHIFT, false);
  clock.tickMs = 4600;
  Event(VK_SHIFT, true);
  EXPECT_FALSE(English());
}

// TSF tests a key and then runs it: the second look decides as the first.
TEST_F(KeyDecisionTest, ASecondLookAtTheSameEventDecidesTheSame) {
  const KeyEvent a{'A', MakeKeyData(0x1E, false)};
  EXPECT_EQ(runner.TestKey(ctx(), a, KeyState(keys)), KeyDecision::kTake);
  EXPECT_EQ(runner.TestKey(ctx(), a, KeyState(keys)), KeyDecision::kTake);
  EXPECT_EQ(ctx()->pendingKeyText, std::wstring(L"a"));
  clock.tickMs = 100;
  Event(VK_SHIFT, false);
  keys[VK_SHIFT] = 0;
  const KeyEvent up{VK_SHIFT, MakeKeyData(0x2A, true)};
  EXPECT_EQ(runner.TestKey(ctx(), up, KeyState(keys)), KeyDecision::kTake);
  EXPECT_EQ(runner.TestKey(ctx(), up, KeyState(keys)), KeyDecision::kTake);
  runner.RunPendingKey(ctx(), out);
  EXPECT_TRUE(English());
  // A hot key in between forgets the press.
  Event(VK_SHIFT, false);
  runner.RunCombinationKey(ctx(), 0, out);
  EXPECT_EQ(Event(VK_SHIFT, true), KeyDecision::kPass);
}

TEST_F(KeyDecisionTest, AnotherKeyOrModifierBetweenRunsNothing) {
  clock.tickMs = 1000;
  Event(VK_SHIFT, false);
  Tap('A');  // a capital A goes to the host
  Event(VK_SHIFT, true);
  EXPECT_FALSE(English());
  Event(VK_CONTROL, false);
  Event(VK_SHIFT, false);
  Event(VK_SHIFT, true);
  Event(VK_CONTROL, true);
  EXPECT_FALSE(English()) << "Ctrl was down";
}

TEST_F(KeyDecisionTest, SidedAndGenericModifierRows) {
  // Right Shift released with the extended bit still matches its press.
  SetKeyFunctionFlags(dme(), 160, 0);
  SetKeyFunctionFlags(dme(), 161, KeyFunction::kEnglishToggle);
  clock.tickMs = 100;
  Event(VK_SHIFT, false, MakeKeyData(0x36, false));
  Event(VK_SHIFT, true, 0xC1360001);
  EXPECT_TRUE(English());
  // Without a function on the left key, the generic Shift row serves it.
  SetKeyFunctionFlags(dme(), 16, KeyFunction::kEnglishToggle);
  TapShiftAt(200, 250);
  EXPECT_FALSE(English());
  SetKeyFunctionFlags(dme(), 16, 0);
  TapShiftAt(300, 350);
  EXPECT_FALSE(English()) << "no row has a function";
  // Ctrl alone by its own row.
  SetKeyFunctionFlags(dme(), 162, KeyFunction::kEnglishToggle);
  Event(VK_CONTROL, false);
  Event(VK_CONTROL, true);
  EXPECT_TRUE(English());
}

TEST_F(KeyDecisionTest, ShiftAndCapsLockChooseTheRow) {
  ime()->optionFlags &= ~kImeOptUppercaseEnglish;
  auto textOf = [&](uint8_t vk) {
    runner.TestKey(ctx(), KeyEvent{vk, MakeKeyData(ScanOf(vk), false)}, KeyState(keys));
    return std::wstring(ctx()->pendingKeyText ? ctx()->pendingKeyText : L"");
  };
  EXPECT_EQ(textOf('A'), L"a");
  keys[VK_SHIFT] = 0x80;
  EXPECT_EQ(textOf('1'), L"!");
  keys[VK_CAPITAL] = 1;  // Caps Lock on
  EXPECT_EQ(textOf('A'), L"a") << "Shift with Caps Lock types lower case";
  EXPECT_EQ(textOf('1'), L"!");
  keys[VK_SHIFT] = 0;
  EXPECT_EQ(textOf('A'), L"A");
  EXPECT_EQ(textOf('1'), L"1");
}

TEST_F(KeyDecisionTest, ModifiersAndCombinationsAreNotTakenOnKeyDown) {
  EXPECT_EQ(Event(VK_SHIFT, false), KeyDecision::kPass);
  Event(VK_SHIFT, true);
  Event(VK_CONTROL, false);
  EXPECT_EQ(Tap('B'), KeyDecision::kPass);
  Event(VK_CONTROL, true);
  Event(VK_MENU, false);
  EXPECT_EQ(Tap('A'), KeyDecision::kPass);
  Event(VK_MENU, true);
  EXPECT_EQ(ctx()->codeLength, 0);
}

TEST_F(KeyDecisionTest, TakenRulesFollowTheInputState) {
  EXPECT_EQ(Tap('A'), KeyDecision::kTake);
  EXPECT_EQ(Tap(VK_F5), KeyDecision::kPass) << "a key with no text or function";
  EXPECT_EQ(Tap(VK_ESCAPE), KeyDecision::kTake);
  // A digit outside a code goes to the host and is what undo removes.
  EXPECT_EQ(Tap('7'), KeyDecision::kPass);
  EXPECT_EQ(std::wstring(ctx()->lastOutput), L"7");
  ctx()->stateFlags |= kStateFullWidth;
  EXPECT_EQ(Tap('8'), KeyDecision::kTake) << "full width types it as ８";
  EXPECT_EQ(out.TakeCommitted(), L"８");
  ctx()->stateFlags = kStateInputClosed;
  EXPECT_EQ(Tap('A'), KeyDecision::kPass);
  ctx()->stateFlags = kStateEnglish;
  EXPECT_EQ(Tap('A'), KeyDecision::kPass) << "English without engl.dmg";
  ctx()->stateFlags = 0;
  // A capital letter starts temporary English only with Caps Lock off.
  ime()->optionFlags |= kImeOptUppercaseEnglish;
  keys[VK_CAPITAL] = 1;
  EXPECT_EQ(Tap('Q'), KeyDecision::kPass);
  EXPECT_EQ(ctx()->stateFlags & kStateTempEnglish, 0u);
}

TEST_F(KeyDecisionTest, AnAssociationListEndsForAKeyItDoesNotUse) {
  auto showAssociations = [&] {
    Type(L"a");
    ctx()->codeLength = ctx()->cursor = 0;
    ctx()->stateFlags |= kStateAssociations;
  };
  showAssociations();
  EXPECT_EQ(Tap(VK_F5), KeyDecision::kPassAfterCancel);
  EXPECT_EQ(ctx()->stateFlags & kStateAssociations, 0u);
  EXPECT_EQ(out.depth, 0);
  showAssociations();
  EXPECT_EQ(Tap(VK_NEXT), KeyDecision::kTake) << "paging uses the list";
  EXPECT_EQ(Tap(VK_ESCAPE), KeyDecision::kTake);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyDecisionTest, CapsLockSwitchTogglesOnceAndLetsItsOwnKeysPass) {
  SetKeyFunctionFlags(dme(), VK_CAPITAL, KeyFunction::kEnglishToggle);
  clock.tickMs = 1000;
  EXPECT_EQ(Tap(VK_CAPITAL), KeyDecision::kTake);
  EXPECT_TRUE(English());
  // The light is put back by a release and a press of Caps Lock's own key.
  ASSERT_EQ(effects.keys.size(), 2u);
  EXPECT_EQ(effects.keys[0], VK_CAPITAL | (KEYEVENTF_KEYUP << 8));
  EXPECT_EQ(effects.keys[1], static_cast<uint32_t>(VK_CAPITAL));
  ReplayInjectedKeys();
  EXPECT_TRUE(English()) << "the injected press ran the switch again";
  EXPECT_EQ(keys[VK_CAPITAL] & 1, 0) << "the toggle was undone";
  EXPECT_TRUE(effects.keys.empty());
  // The next real press switches back.
  clock.tickMs = 2000;
  EXPECT_EQ(Tap(VK_CAPITAL), KeyDecision::kTake);
  EXPECT_FALSE(English());
  // Injected keys that never come back are not waited for.
  effects.keys.clear();
  clock.tickMs = 5000;
  EXPECT_EQ(Tap(VK_CAPITAL), KeyDecision::kTake);
  EXPECT_TRUE(English());
}

TEST_F(KeyDecisionTest, SoftKeyboardTypesItsLayout) {
  static SoftKeyboardRow rows[kSoftKeyboardLayouts] = {};
  rows[1].units[2 * 15] = L'α';  // Q of layout 2
  rows[1].units[2 * 15 + 1] = L'Α';
  runner.SetSoftKeyboardRows(rows);
  runner.SetSoftKeyboard(ctx(), 1, 2, out);
  EXPECT_EQ(ctx()->softKeyboardLayout, 2u);
  EXPECT_EQ(Tap('Q'), KeyDecision::kTake);
  EXPECT_EQ(out.TakeCommitted(), L"α");
  EXPECT_EQ(Type(L"Q"), L"Α");
  EXPECT_EQ(Tap('W'), KeyDecision::kPass) << "no character there";
  EXPECT_EQ(Tap(VK_ESCAPE), KeyDecision::kTake) << "clear input closes it";
  EXPECT_EQ(ctx()->stateFlags & kStateSoftKeyboard, 0u);
  EXPECT_EQ(out.depth, 0);
}

TEST_F(KeyDecisionTest, SoftKeyboardTypesTheModulesOwnLayouts) {
  runner.SetSoftKeyboard(ctx(), 1, 12, out);  // no rows set: the module's table
  out.TakeCommitted();
  EXPECT_EQ(Tap('1'), KeyDecision::kTake);
  EXPECT_EQ(out.TakeCommitted(), L"一");
  EXPECT_EQ(Type(L"!"), L"壹");
  // Keys with nothing in the layout, and the arrows, reach the host.
  EXPECT_EQ(Tap(VK_DOWN), KeyDecision::kPass);
  EXPECT_EQ(Tap(VK_LEFT), KeyDecision::kPass);
  EXPECT_EQ(Tap(VK_OEM_PERIOD), KeyDecision::kPass) << "nothing on \".\" in layout 12";
}

}  // namespace

TEST(CombinationKeys, SlotsAndModifiersAsHotKeysTakeThem) {
  RoadContext road;
  const KeyCode ctrl3 = '3' | kKeyCtrl;
  const int slot = FindCombinationSlot(road.dme(), ctrl3);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(road.dme()->combinations[slot].flags, 0x100300u);
  EXPECT_EQ(FindCombinationSlot(road.dme(), 'Q' | kKeyCtrl | kKeyAlt), -1);
  EXPECT_EQ(CombinationModifiers(ctrl3), 0x2u);
  EXPECT_EQ(CombinationModifiers('1' | kKeyCtrl | kKeyAlt), 0x3u);
  EXPECT_EQ(CombinationModifiers(VK_ESCAPE | kKeyShift), 0x4u);
  EXPECT_EQ(CombinationModifiers('A' | kKeyLeftCtrl | kKeyRightShift | kKeyLeftAlt), 0xE0u);
  EXPECT_EQ(CombinationModifiers('A' | kKeyRightCtrl | kKeyLeftShift | kKeyRightAlt), 0x118u);
  // Closed or disabled input keeps only keys that open it again; the option
  // without hot keys keeps none; slots past the count are never served.
  EXPECT_TRUE(CombinationKeyActive(road.get(), slot));
  EXPECT_FALSE(CombinationKeyActive(road.get(), -1));
  EXPECT_FALSE(CombinationKeyActive(road.get(), GetCombinationKeyCount(road.dme())));
  CombinationKey& key = road.dme()->combinations[slot];
  const uint64_t flags = key.flags;
  for (uint32_t state : {kStateInputClosed, kStateInputDisabled}) {
    road.get()->stateFlags = state;
    key.flags = flags;
    EXPECT_FALSE(CombinationKeyActive(road.get(), slot));
    key.flags = KeyFunction::kOpenClose;
    EXPECT_TRUE(CombinationKeyActive(road.get(), slot));
    key.flags = KeyFunction::kEnglishToggle;
    EXPECT_TRUE(CombinationKeyActive(road.get(), slot));
  }
  road.get()->stateFlags = 0;
  road.ime()->optionFlags |= ImeBits::kNoHotKeys;
  EXPECT_FALSE(CombinationKeyActive(road.get(), slot));
  key.flags = flags;
}
