// The text service's own GUIDs in one place: preserved keys, display
// attributes and language-bar items. They are never registered elsewhere and
// must stay the same across releases (hosts and user settings refer to them).
#pragma once

#include "frontend/tsf/TsfDeclarations.h"

namespace ProductGuids {

// One family per kind; the last byte numbers the members.
constexpr GUID Member(GUID base, int index) {
  base.Data4[7] = static_cast<uint8_t>(index);
  return base;
}

inline constexpr GUID kPreservedKeyBase = zn::GuidFromText("5228c846-2fd8-4a80-8587-d7084c34ec00");
inline constexpr int kCombinationKeySlots = 32;

// Combination-key slot 0..31 of the settings.
constexpr GUID CombinationKey(int slot) {
  return Member(kPreservedKeyBase, slot);
}
// Shift+Space: full/half width.
inline constexpr GUID kWidthToggleKey = Member(kPreservedKeyBase, 0x40);
// Ctrl+.: Chinese/English punctuation.
inline constexpr GUID kPunctuationToggleKey = Member(kPreservedKeyBase, 0x41);

inline constexpr GUID kDisplayAttributeBase = zn::GuidFromText("336aa46f-4943-4c22-824b-9771eee10a00");
inline constexpr GUID kDisplayAttributeInput = Member(kDisplayAttributeBase, 1);
inline constexpr GUID kDisplayAttributeConverted = Member(kDisplayAttributeBase, 2);
inline constexpr GUID kDisplayAttributeNone = Member(kDisplayAttributeBase, 3);

inline constexpr GUID kLangBarItemBase = zn::GuidFromText("d504ba9c-0fbd-48a7-a24c-0e91ec5c4700");
inline constexpr GUID kLangBarOpenClose = Member(kLangBarItemBase, 1);
inline constexpr GUID kLangBarWidth = Member(kLangBarItemBase, 2);
inline constexpr GUID kLangBarChineseEnglish = Member(kLangBarItemBase, 3);
inline constexpr GUID kLangBarSoftKeyboard = Member(kLangBarItemBase, 4);
inline constexpr GUID kLangBarOptions = Member(kLangBarItemBase, 5);

}  // namespace ProductGuids
