// The key editor's rules: which slot a button edits, how menu commands
// change flags, the combination list staying compact and never wrapping,
// the checked items, and the keyboard picture naming real keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "config/keys/KeyEditorRules.h"
#include "config/keys/KeyboardLayout.h"
#include "tests/engine/CoreTestData.h"

namespace {

using namespace KeyFunction;

class KeyEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = zn::test::DefaultConfig();
    ConfigBlockSet set{};
    ASSERT_TRUE(LocateConfigBlocks(config_.data(), static_cast<uint32_t>(config_.size()), &set));
    dme_ = set.dme;
  }
  std::vector<uint8_t> config_;
  DmeConfigBlock* dme_ = nullptr;
};

bool Checked(uint64_t flags, int command) {
  std::vector<int> items = CheckedKeyMenuItems(flags);
  return std::find(items.begin(), items.end(), command) != items.end();
}

TEST_F(KeyEditor, ButtonCodesAndBindingsFollowTheModifierBoxes) {
  EXPECT_EQ(KeyButtonCode(L"a", {}), 0x41u);
  EXPECT_EQ(KeyButtonCode(L"a", {true, false, false}), 0x441u);
  EXPECT_EQ(KeyButtonCode(L"a", {true, true, true}), 0x741u);
  EXPECT_EQ(KeyButtonCode(L"５", {}), 0x65u);  // keypad
  EXPECT_EQ(KeyButtonCode(nullptr, {}), kKeyCodeNone);

  // Plain and shifted keys edit the direct rows; Shift+Tab has no row name
  // and Ctrl+a is a combination.
  KeyBinding a = LookupKeyBinding(dme_, 0x41);
  EXPECT_EQ(a.flags, &dme_->keyFunctions[0x41]);
  EXPECT_EQ(a.combination, -1);
  EXPECT_EQ(LookupKeyBinding(dme_, 0x141).flags, &dme_->keyFunctions[256 + 0x41]);
  EXPECT_EQ(LookupKeyBinding(dme_, 0x109).flags, nullptr);
  EXPECT_EQ(LookupKeyBinding(dme_, 0x441).flags, nullptr);
  ASSERT_EQ(AddCombinationKey(dme_, 0x441), 0);
  KeyBinding ctrlA = LookupKeyBinding(dme_, 0x441);
  EXPECT_EQ(ctrlA.combination, 0);
  EXPECT_EQ(ctrlA.flags, &dme_->combinations[0].flags);
  // A damaged count above 32 is read as 32, never past the list.
  dme_->combinationCount = 200;
  EXPECT_EQ(AddCombinationKey(dme_, 0x442), -1);
}

TEST_F(KeyEditor, MenuCommandsToggleReplaceAndShareTheSelector) {
  // Plain toggles keep the other flags; twice is nothing.
  uint64_t f = ApplyKeyMenuCommand(0x4, 32803);
  EXPECT_EQ(f, 0x24u);
  EXPECT_EQ(ApplyKeyMenuCommand(f, 32803), 0x4u);
  // An exclusive item replaces a paging key's flags; chosen again it clears.
  f = ApplyKeyMenuCommand(0x20, 32807);
  EXPECT_EQ(f, kOpenClose);
  EXPECT_EQ(ApplyKeyMenuCommand(kOpenClose | 0x20, 32807), 0x20u);
  EXPECT_EQ(ApplyKeyMenuCommand(0x20, 32891), kConfigKeys);
  // Any commit item removes an existing commit; then sets its own.
  f = ApplyKeyMenuCommand(0x180, 32787);  // 第3候选 on a key committing the first
  EXPECT_EQ(f, 0u);
  EXPECT_EQ(ApplyKeyMenuCommand(f, 32787), 0x380u);
  EXPECT_EQ(ApplyKeyMenuCommand(0, 32795), 0xC80u);
  EXPECT_EQ(ApplyKeyMenuCommand(0, 32796), 0xB80u);
  // Frequency and delete groups use their own flag with the selector field.
  EXPECT_EQ(ApplyKeyMenuCommand(0, 32904), 0x100800u);
  EXPECT_EQ(ApplyKeyMenuCommand(0x100800, 32904), 0u);
  EXPECT_EQ(ApplyKeyMenuCommand(0, 32909), 0x200200u);
  EXPECT_EQ(ApplyKeyMenuCommand(0x12345, kKeyMenuClearKey), 0u);
  EXPECT_EQ(ApplyKeyMenuCommand(0x20, kKeyMenuCancel), 0x20u);
  EXPECT_EQ(ClassifyKeyMenuCommand(kKeyMenuCancel), KeyMenuAction::kNone);
  EXPECT_EQ(ClassifyKeyMenuCommand(32903), KeyMenuAction::kNone);  // a gap in the ids
  EXPECT_EQ(ClassifyKeyMenuCommand(32787), KeyMenuAction::kFlags);
  EXPECT_EQ(ClassifyKeyMenuCommand(kKeyMenuLoadDefaults), KeyMenuAction::kLoadDefaults);
  EXPECT_EQ(ClassifyKeyMenuCommand(kKeyMenuClearAll), KeyMenuAction::kClearAll);
  EXPECT_EQ(ClassifyKeyMenuCommand(kKeyMenuClearCombinations), KeyMenuAction::kClearCombinations);
}

TEST_F(KeyEditor, CheckedItemsShowTheSelectorAndTheFirstOfEachGroup) {
  EXPECT_TRUE(Checked(0x380, 32787));
  EXPECT_FALSE(Checked(0x380, 32785));
  EXPECT_TRUE(Checked(0xB80, 32796));
  EXPECT_TRUE(Checked(0x300300 | 0x80, 32898));  // one selector, three groups
  EXPECT_TRUE(Checked(0x300300 | 0x80, 32910));
  EXPECT_TRUE(Checked(kOpenClose | kEnglishToggle, 32807));
  EXPECT_FALSE(Checked(kOpenClose | kEnglishToggle, 33040));
  EXPECT_TRUE(Checked(kCursorRight | kCursorEnd, 32800));
  EXPECT_FALSE(Checked(kCursorRight | kCursorEnd, 32802));
  EXPECT_TRUE(Checked(kClearInput | kPreviousPage, 32808));
  EXPECT_TRUE(Checked(kClearInput | kPreviousPage, 32803));
  EXPECT_TRUE(CheckedKeyMenuItems(0).empty());
  EXPECT_TRUE(CheckedKeyMenuItems(0xD80).empty());  // selector 13: no item
}

TEST_F(KeyEditor, CombinationListStaysCompactAndTheCountNeverWraps) {
  ClearCombinationKeys(dme_);
  for (KeyCode k = 0x441; k < 0x441 + 32; ++k) ASSERT_GE(AddCombinationKey(dme_, k), 0);
  EXPECT_EQ(AddCombinationKey(dme_, 0x541), -1);  // the 33rd: full
  EXPECT_EQ(dme_->combinationCount, 32);
  // A key still without flags is removed; the rest moves down.
  EXPECT_TRUE(DropEmptyCombinationKey(dme_, 0x445));
  EXPECT_EQ(dme_->combinationCount, 31);
  EXPECT_EQ(dme_->combinations[4].keyCode, 0x446u);
  EXPECT_EQ(dme_->combinations[31].keyCode, 0u);
  ASSERT_EQ(AddCombinationKey(dme_, 0x541), 31);  // room again, appended at the count

  // A key that was given flags stays.
  *LookupKeyBinding(dme_, 0x441).flags = 0x20;
  EXPECT_FALSE(DropEmptyCombinationKey(dme_, 0x441));
  // After "clear combinations" the new key is gone: nothing to remove, and
  // the count stays 0 instead of wrapping to 255.
  ClearCombinationKeys(dme_);
  EXPECT_FALSE(DropEmptyCombinationKey(dme_, 0x541));
  EXPECT_EQ(dme_->combinationCount, 0);
  // After "load defaults" a shipped combination key keeps its entry.
  ResetKeyTables(dme_);
  const int shipped = dme_->combinationCount;
  const KeyCode ctrlEquals = ParseKeySpec(L"=+键Ctrl");
  EXPECT_FALSE(DropEmptyCombinationKey(dme_, ctrlEquals));
  EXPECT_EQ(dme_->combinationCount, shipped);
  EXPECT_EQ(*LookupKeyBinding(dme_, ctrlEquals).flags, kAddWord);
}

TEST_F(KeyEditor, WholeTableCommandsResetOrClearEverything) {
  ResetKeyTables(dme_);
  EXPECT_EQ(*LookupKeyBinding(dme_, 0x20).flags, kCommit);
  EXPECT_EQ(*LookupKeyBinding(dme_, ParseKeySpec(L"键左Shift")).flags, kEnglishToggle);
  EXPECT_EQ(dme_->combinationCount, 24);
  ClearAllKeyFunctions(dme_);
  EXPECT_EQ(dme_->combinationCount, 0);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(dme_->keyFunctions[i], 0u) << i;
  EXPECT_EQ(dme_->combinations[0].keyCode, 0u);
}

TEST(KeyboardPicture, EveryButtonNamesADistinctKeyWithoutOverlap) {
  const std::vector<KeyButton>& keys = KeyboardLayout();
  ASSERT_GT(keys.size(), 90u);
  std::set<KeyCode> codes;
  int sided = 0;
  for (size_t i = 0; i < keys.size(); ++i) {
    const KeyButton& key = keys[i];
    EXPECT_EQ(FindKeyButton(key.id), &key);
    const KeyCode code = ParseKeySpec(key.keyName);
    EXPECT_NE(code, kKeyCodeNone) << i;
    EXPECT_NE(code & 0xFF, 0u) << i;  // a key the parser knows, not bare modifiers
    EXPECT_TRUE(codes.insert(code).second) << i;
    sided += key.sidedModifier;
    for (size_t j = i + 1; j < keys.size(); ++j) {
      const KeyButton& o = keys[j];
      const bool apart = key.x + key.width <= o.x || o.x + o.width <= key.x ||
                         key.y + key.height <= o.y || o.y + o.height <= key.y;
      EXPECT_TRUE(apart) << i << " " << j;
    }
  }
  EXPECT_EQ(sided, 6);
  EXPECT_EQ(FindKeyButton(kFirstKeyButtonId - 1), nullptr);
  EXPECT_EQ(FindKeyButton(kFirstKeyButtonId + static_cast<int>(keys.size())), nullptr);
}

}  // namespace
