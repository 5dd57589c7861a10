// Key-editor rules: bindings, the command table of the key menu and the
// commands on every key.
#include "config/keys/KeyEditorRules.h"

#include <cstring>

namespace {

using namespace KeyFunction;

enum class ItemKind {
  kToggle,     // the bit flips, other flags stay
  kExclusive,  // a set bit is cleared; otherwise the bit alone remains
  kCommit,     // group flag 0x80 with a selector
  kFrequency,  // group flag 0x100000 with a selector
  kDelete,     // group flag 0x200000 with a selector
  kClearKey,
};

struct MenuItem {
  int command;
  ItemKind kind;
  uint64_t value;  // the flag, or the selector of a group item
};

constexpr uint64_t Bit(int n) { return 1ull << n; }

constexpr MenuItem kItems[] = {
    // 基本功能
    {32807, ItemKind::kExclusive, kOpenClose},
    {33040, ItemKind::kExclusive, kEnglishToggle},
    {32803, ItemKind::kToggle, kPreviousPage},
    {32804, ItemKind::kToggle, kNextPage},
    {32813, ItemKind::kToggle, kHighlightNext},
    {32812, ItemKind::kToggle, kHighlightPrevious},
    {32808, ItemKind::kToggle, kClearInput},
    {32809, ItemKind::kToggle, kRepeatInput},
    {32810, ItemKind::kToggle, kUndoInput},
    // 扩展功能
    {32815, ItemKind::kExclusive, Bit(40)},
    {32885, ItemKind::kExclusive, Bit(41)},
    {32945, ItemKind::kExclusive, Bit(45)},
    {32886, ItemKind::kExclusive, Bit(37)},
    {32888, ItemKind::kExclusive, Bit(42)},
    {32889, ItemKind::kExclusive, Bit(43)},
    {32948, ItemKind::kExclusive, Bit(46)},
    {33030, ItemKind::kExclusive, kSchemeMainMixed},
    {33031, ItemKind::kExclusive, kSchemeMainAuxiliary},
    {33028, ItemKind::kExclusive, kRangeMainSecondary},
    {33029, ItemKind::kExclusive, kRangeMainMixed},
    // 编码编辑
    {32797, ItemKind::kToggle, kDeleteBefore},
    {32798, ItemKind::kToggle, kDeleteAfter},
    {32799, ItemKind::kToggle, kCursorLeft},
    {32800, ItemKind::kToggle, kCursorRight},
    {32801, ItemKind::kToggle, kCursorHome},
    {32802, ItemKind::kToggle, kCursorEnd},
    // 运行配置
    {32892, ItemKind::kExclusive, Bit(36)},
    {33039, ItemKind::kExclusive, Bit(39)},
    {32890, ItemKind::kExclusive, Bit(32)},
    {32891, ItemKind::kExclusive, Bit(35)},
    {32894, ItemKind::kExclusive, Bit(33)},
    {32921, ItemKind::kExclusive, Bit(34)},
    // 候选上屏
    {32814, ItemKind::kCommit, 0},
    {32796, ItemKind::kCommit, 11},
    {32785, ItemKind::kCommit, 1},
    {32786, ItemKind::kCommit, 2},
    {32787, ItemKind::kCommit, 3},
    {32788, ItemKind::kCommit, 4},
    {32789, ItemKind::kCommit, 5},
    {32790, ItemKind::kCommit, 6},
    {32791, ItemKind::kCommit, 7},
    {32792, ItemKind::kCommit, 8},
    {32793, ItemKind::kCommit, 9},
    {32794, ItemKind::kCommit, 10},
    {32795, ItemKind::kCommit, 12},
    // 候选调频
    {32896, ItemKind::kFrequency, 1},
    {32897, ItemKind::kFrequency, 2},
    {32898, ItemKind::kFrequency, 3},
    {32899, ItemKind::kFrequency, 4},
    {32900, ItemKind::kFrequency, 5},
    {32901, ItemKind::kFrequency, 6},
    {32902, ItemKind::kFrequency, 7},
    {32904, ItemKind::kFrequency, 8},
    {32905, ItemKind::kFrequency, 9},
    {32906, ItemKind::kFrequency, 10},
    // 候选删除
    {32907, ItemKind::kDelete, 1},
    {32909, ItemKind::kDelete, 2},
    {32910, ItemKind::kDelete, 3},
    {32911, ItemKind::kDelete, 4},
    {32912, ItemKind::kDelete, 5},
    {32913, ItemKind::kDelete, 6},
    {32914, ItemKind::kDelete, 7},
    {32915, ItemKind::kDelete, 8},
    {32916, ItemKind::kDelete, 9},
    {32917, ItemKind::kDelete, 10},
    {kKeyMenuClearKey, ItemKind::kClearKey, 0},
};

const MenuItem* FindItem(int command) {
  for (const MenuItem& item : kItems) {
    if (item.command == command) return &item;
  }
  return nullptr;
}

// The group flag of a selector item.
uint64_t GroupFlag(ItemKind kind) {
  switch (kind) {
    case ItemKind::kCommit: return kCommit;
    case ItemKind::kFrequency: return kAdjustFrequency;
    case ItemKind::kDelete: return kDeleteEntry;
    default: return 0;
  }
}

// Groups of which only the first set flag shows checked, in menu order.
constexpr uint64_t kFirstOfGroups[][11] = {
    {kOpenClose, kEnglishToggle},
    {kPreviousPage, kNextPage},
    {kRepeatInput, kUndoInput},
    {kHighlightPrevious, kHighlightNext},
    {kDeleteBefore, kDeleteAfter, kCursorLeft, kCursorRight, kCursorHome, kCursorEnd},
    {Bit(36), Bit(39), Bit(32), Bit(35), Bit(33), Bit(34)},
    {Bit(40), Bit(41), Bit(45), Bit(37), Bit(42), Bit(43), Bit(46), kSchemeMainMixed,
     kSchemeMainAuxiliary, kRangeMainSecondary, kRangeMainMixed},
};

int CommandOfFlag(uint64_t flag) {
  for (const MenuItem& item : kItems) {
    if ((item.kind == ItemKind::kToggle || item.kind == ItemKind::kExclusive) && item.value == flag)
      return item.command;
  }
  return 0;
}

int CommandOfSelector(ItemKind kind, uint64_t selector) {
  for (const MenuItem& item : kItems) {
    if (item.kind == kind && item.value == selector) return item.command;
  }
  return 0;
}

}  // namespace

KeyCode KeyButtonCode(const wchar_t* keyName, KeyModifiers modifiers) {
  if (!keyName || !keyName[0]) return kKeyCodeNone;
  KeyCode code = ParseKeySpec(keyName);
  if (code == kKeyCodeNone) return code;
  if (modifiers.ctrl) code |= kKeyCtrl;
  if (modifiers.alt) code |= kKeyAlt;
  if (modifiers.shift) code |= kKeyShift;
  return code;
}

KeyBinding LookupKeyBinding(DmeConfigBlock* dme, KeyCode code) {
  KeyBinding binding;
  if (!dme) return binding;
  const KeyCode plain = code & ~kKeyShift;
  if (static_cast<int32_t>(plain) >= 0 && plain < 255) {
    const int index = static_cast<int>(plain) + ((code & kKeyShift) ? 256 : 0);
    if (GetKeyNameByIndex(index)[0] != 0) {
      binding.flags = &dme->keyFunctions[index];
      return binding;
    }
  }
  const int count = GetCombinationKeyCount(dme);
  for (int i = count - 1; i >= 0; --i) {
    if (dme->combinations[i].keyCode == code) {
      binding.flags = &dme->combinations[i].flags;
      binding.combination = i;
      return binding;
    }
  }
  return binding;
}

int AddCombinationKey(DmeConfigBlock* dme, KeyCode code) {
  if (!dme) return -1;
  const int count = GetCombinationKeyCount(dme);
  if (count >= kCombinationCapacity) return -1;
  dme->combinations[count] = CombinationKey{code, 0, 0};
  dme->combinationCount = static_cast<uint8_t>(count + 1);
  return count;
}

bool DropEmptyCombinationKey(DmeConfigBlock* dme, KeyCode code) {
  KeyBinding binding = LookupKeyBinding(dme, code);
  if (binding.combination < 0 || *binding.flags != 0) return false;
  const int count = GetCombinationKeyCount(dme);
  for (int i = binding.combination; i + 1 < count; ++i) dme->combinations[i] = dme->combinations[i + 1];
  dme->combinations[count - 1] = CombinationKey{};
  dme->combinationCount = static_cast<uint8_t>(count - 1);
  return true;
}

KeyMenuAction ClassifyKeyMenuCommand(int command) {
  switch (command) {
    case kKeyMenuLoadDefaults: return KeyMenuAction::kLoadDefaults;
    case kKeyMenuClearAll: return KeyMenuAction::kClearAll;
    case kKeyMenuClearCombinations: return KeyMenuAction::kClearCombinations;
    default: return FindItem(command) ? KeyMenuAction::kFlags : KeyMenuAction::kNone;
  }
}

uint64_t ApplyKeyMenuCommand(uint64_t flags, int command) {
  const MenuItem* item = FindItem(command);
  if (!item) return flags;
  switch (item->kind) {
    case ItemKind::kToggle:
      return flags ^ item->value;
    case ItemKind::kExclusive:
      return (flags & item->value) ? (flags & ~item->value) : item->value;
    case ItemKind::kCommit:
    case ItemKind::kFrequency:
    case ItemKind::kDelete: {
      const uint64_t group = GroupFlag(item->kind);
      flags &= ~kSelectorMask;
      if (flags & group) return flags & ~group;
      return flags | group | (item->value << kSelectorShift);
    }
    case ItemKind::kClearKey:
      return 0;
  }
  return flags;
}

std::vector<int> CheckedKeyMenuItems(uint64_t flags) {
  std::vector<int> checked;
  const uint64_t selector = static_cast<uint64_t>(SelectorOf(flags));
  if (flags & kCommit) checked.push_back(CommandOfSelector(ItemKind::kCommit, selector));
  if (flags & kAdjustFrequency) checked.push_back(CommandOfSelector(ItemKind::kFrequency, selector));
  if (flags & kDeleteEntry) checked.push_back(CommandOfSelector(ItemKind::kDelete, selector));
  if (flags & kClearInput) checked.push_back(CommandOfFlag(kClearInput));
  for (const auto& group : kFirstOfGroups) {
    for (uint64_t flag : group) {
      if (flag && (flags & flag)) {
        checked.push_back(CommandOfFlag(flag));
        break;
      }
    }
  }
  // A selector no item stands for (13..15) checks nothing.
  std::erase(checked, 0);
  return checked;
}

void ResetKeyTables(DmeConfigBlock* dme) {
  WriteShippedKeyFunctions(dme);
}

void ClearAllKeyFunctions(DmeConfigBlock* dme) {
  if (!dme) return;
  std::memset(dme->keyFunctions, 0, sizeof dme->keyFunctions);
  ClearCombinationKeys(dme);
}

void ClearCombinationKeys(DmeConfigBlock* dme) {
  if (!dme) return;
  std::memset(dme->combinations, 0, sizeof dme->combinations);
  dme->combinationCount = 0;
}
