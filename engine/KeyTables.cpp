// Parsers of the key and key-function texts, and the key tables of the dme block.
#include "engine/KeyTables.h"

#include <cstring>

namespace {

// Position of needle in text, or -1.
int FindText(const wchar_t* text, const wchar_t* needle) {
  for (int i = 0; text[i]; ++i) {
    int j = 0;
    while (needle[j] && text[i + j] == needle[j]) ++j;
    if (!needle[j]) return i;
  }
  return -1;
}

bool Contains(const wchar_t* text, const wchar_t* needle) {
  return FindText(text, needle) >= 0;
}

// A key name matches only as a whole name: the text ends or a modifier
// suffix follows. Otherwise "键F13" would read as "键F1".
bool MatchesKeyName(const wchar_t* text, const wchar_t* name) {
  int i = 0;
  for (; name[i]; ++i) {
    if (text[i] != name[i]) return false;
  }
  return text[i] == 0 || text[i] == L'+';
}

struct NamedKey {
  const wchar_t* name;
  uint8_t vk;
};

constexpr NamedKey kNamedKeys[] = {
    {L"键Esc", 0x1B},      {L"键F10", 0x79},      {L"键F11", 0x7A},
    {L"键F12", 0x7B},      {L"键F1", 0x70},       {L"键F2", 0x71},
    {L"键F3", 0x72},       {L"键F4", 0x73},       {L"键F5", 0x74},
    {L"键F6", 0x75},       {L"键F7", 0x76},       {L"键F8", 0x77},
    {L"键F9", 0x78},       {L"键Backspace", 0x08}, {L"键Tab", 0x09},
    {L"键左箭头", 0x25},   {L"键上箭头", 0x26},   {L"键右箭头", 0x27},
    {L"键下箭头", 0x28},   {L"键NumLock", 0x90},  {L"键Scroll", 0x91},
    {L"键Enter", 0x0D},    {L"键CapsLock", 0x14}, {L"键Shift", 0x10},
    {L"键Alt", 0x12},      {L"键Ctrl", 0x11},     {L"键左Shift", 0xA0},
    {L"键左Alt", 0xA4},    {L"键左Ctrl", 0xA2},   {L"键右Shift", 0xA1},
    {L"键右Alt", 0xA5},    {L"键右Ctrl", 0xA3},   {L"键PrtSc", 0x2C},
    {L"键Pause", 0x13},    {L"键Insert", 0x2D},   {L"键Home", 0x24},
    {L"键PageUp", 0x21},   {L"键Delete", 0x2E},   {L"键End", 0x23},
    {L"键PageDown", 0x22},
};

struct Modifier {
  const wchar_t* suffix;
  KeyCode bits;
};

constexpr Modifier kModifiers[] = {
    {L"+键Ctrl", kKeyCtrl},          {L"+键Alt", kKeyAlt},
    {L"+键Shift", kKeyShift},        {L"+键左Ctrl", kKeyLeftCtrl},
    {L"+键左Alt", kKeyLeftAlt},      {L"+键左Shift", kKeyLeftShift},
    {L"+键右Ctrl", kKeyRightCtrl},   {L"+键右Alt", kKeyRightAlt},
    {L"+键右Shift", kKeyRightShift},
};

// The OEM keys in the order of their virtual-key codes below.
constexpr wchar_t kOemPlain[] = L"`-=[]\\;',./";
constexpr wchar_t kOemShifted[] = L"~_+{}|:\"<>?";
constexpr uint8_t kOemKeys[] = {0xC0, 0xBD, 0xBB, 0xDB, 0xDD, 0xDC, 0xBA, 0xDE, 0xBC, 0xBE, 0xBF};
constexpr wchar_t kDigitShifted[] = L")!@#$%^&*(";

int IndexOf(const wchar_t* set, wchar_t c) {
  for (int i = 0; set[i]; ++i) {
    if (set[i] == c) return i;
  }
  return -1;
}

// The key part of a key text: a virtual key, optionally with Shift; kKeyCodeNone
// when the text names no key; 0 for an unknown "键" name.
KeyCode ParseKeyPart(const wchar_t* text) {
  const wchar_t c = text[0];
  if (c == kNonCharacterKeyMark) {
    for (const NamedKey& k : kNamedKeys) {
      if (MatchesKeyName(text, k.name)) return k.vk;
    }
    return 0;
  }
  if (c == 0x5C0F) {  // 小: keypad prefix
    const wchar_t d = text[1];
    if (d >= L'0' && d <= L'9') return 0x60 + (d - L'0');
    switch (d) {
      case L'*': return 0x6A;
      case L'+': return 0x6B;
      case L'-': return 0x6D;
      case L'/': return 0x6F;
      case L'.': return 0x6E;
      default: return kKeyCodeNone;
    }
  }
  if (c >= 0xFF10 && c <= 0xFF19) return 0x60 + (c - 0xFF10);
  switch (c) {
    case 0xFF0A: return 0x6A;
    case 0xFF0B: return 0x6B;
    case 0xFF0D: return 0x6D;
    case 0xFF0E: return 0x6E;
    case 0xFF0F: return 0x6F;
    default: break;
  }
  if (c >= 0x100 || c == 0) return kKeyCodeNone;
  if (c >= L'0' && c <= L'9') return 0x30 + (c - L'0');
  if (c >= L'a' && c <= L'z') return 0x41 + (c - L'a');
  if (c >= L'A' && c <= L'Z') return (0x41 + (c - L'A')) | kKeyShift;
  if (c == L' ') return 0x20;
  if (c == L'\t') return 0x09;
  int i = IndexOf(kOemPlain, c);
  if (i >= 0) return kOemKeys[i];
  i = IndexOf(kDigitShifted, c);
  if (i >= 0) return (0x30 + i) | kKeyShift;
  i = IndexOf(kOemShifted, c);
  if (i >= 0) return kOemKeys[i] | kKeyShift;
  return kKeyCodeNone;
}

// Selector names of the commit group, first match wins in this order.
struct SelectorName {
  const wchar_t* name;
  int selector;
};
constexpr SelectorName kCommitNames[] = {
    {L"倒数第1候选上屏", 12}, {L"第1候选上屏", 1},  {L"第2候选上屏", 2},
    {L"第3候选上屏", 3},      {L"第4候选上屏", 4},  {L"第5候选上屏", 5},
    {L"第6候选上屏", 6},      {L"第7候选上屏", 7},  {L"第8候选上屏", 8},
    {L"第9候选上屏", 9},      {L"第10候选上屏", 10}, {L"首选上屏", 0},
    {L"英文上屏", 11},
};
constexpr const wchar_t* kFrequencyNames[] = {
    L"第1候选调频", L"第2候选调频", L"第3候选调频", L"第4候选调频", L"第5候选调频",
    L"第6候选调频", L"第7候选调频", L"第8候选调频", L"第9候选调频", L"第10候选调频"};
constexpr const wchar_t* kDeleteNames[] = {
    L"第1候选删除", L"第2候选删除", L"第3候选删除", L"第4候选删除", L"第5候选删除",
    L"第6候选删除", L"第7候选删除", L"第8候选删除", L"第9候选删除", L"第10候选删除"};

struct FlagName {
  const wchar_t* name;
  uint64_t flag;
};
constexpr FlagName kIndependentNames[] = {
    {L"输入法打开/关闭", KeyFunction::kOpenClose},
    {L"英文输入开关", KeyFunction::kEnglishToggle},
    {L"清除输入", KeyFunction::kClearInput},
    {L"输入方案主/辅切换", KeyFunction::kSchemeMainAuxiliary},
    {L"输入方案主/混切换", KeyFunction::kSchemeMainMixed},
    {L"检索范围主/次切换", KeyFunction::kRangeMainSecondary},
    {L"检索范围主/混切换", KeyFunction::kRangeMainMixed},
    {L"重复输入", KeyFunction::kRepeatInput},
    {L"撤销输入", KeyFunction::kUndoInput},
    {L"前翻页", KeyFunction::kPreviousPage},
    {L"后翻页", KeyFunction::kNextPage},
    {L"首选前移", KeyFunction::kHighlightPrevious},
    {L"首选后移", KeyFunction::kHighlightNext},
};
constexpr FlagName kCursorNames[] = {
    {L"光标左移", KeyFunction::kCursorLeft},   {L"光标右移", KeyFunction::kCursorRight},
    {L"光标至头", KeyFunction::kCursorHome},   {L"光标至尾", KeyFunction::kCursorEnd},
    {L"编码前删", KeyFunction::kDeleteBefore}, {L"编码后删", KeyFunction::kDeleteAfter},
};
constexpr FlagName kViewNames[] = {
    {L"显示|关闭界面", KeyFunction::kToggleStatusBar},
    {L"显示|关闭候选窗口", KeyFunction::kToggleCandidateWindow},
};
constexpr FlagName kConversionNames[] = {
    {L"上屏转换 - 简体", KeyFunction::kToggleSimplified},
    {L"上屏转换 - 繁体", KeyFunction::kToggleTraditional},
};
constexpr FlagName kWordNames[] = {
    {L"在线加词", KeyFunction::kAddWord},
    {L"在线删词", KeyFunction::kDeleteWord},
};
constexpr FlagName kConfigNames[] = {
    {L"配置 - 主页", KeyFunction::kConfigMain},
    {L"配置 - 按键设置", KeyFunction::kConfigKeys},
    {L"配置 - 帮助", KeyFunction::kConfigHelp},
    {L"配置 - 关于", KeyFunction::kConfigAbout},
    {L"配置 - 输出反查", KeyFunction::kConfigOutputLookup},
    {L"配置 - 剪贴板反查", KeyFunction::kConfigClipboardLookup},
};

template <size_t N>
uint64_t FirstMatch(const wchar_t* text, const FlagName (&names)[N]) {
  for (const FlagName& n : names) {
    if (Contains(text, n.name)) return n.flag;
  }
  return 0;
}

uint64_t WithSelector(uint64_t flags, uint64_t groupFlag, int selector) {
  flags &= ~KeyFunction::kSelectorMask;
  return flags | groupFlag | (static_cast<uint64_t>(selector) << KeyFunction::kSelectorShift);
}

}  // namespace

uint8_t CharToKeyCode(wchar_t c) {
  if (c < 0x80) return static_cast<uint8_t>(c);
  if (c >= 0xFF0A && c <= 0xFF19) return static_cast<uint8_t>(c & 0xFF);
  return 0;
}

KeyCode ParseKeySpec(const wchar_t* text) {
  if (!text) return kKeyCodeNone;
  KeyCode modifiers = 0;
  for (const Modifier& m : kModifiers) {
    if (Contains(text, m.suffix)) modifiers |= m.bits;
  }
  const KeyCode key = ParseKeyPart(text);
  if (key == kKeyCodeNone) return kKeyCodeNone;
  return key | modifiers;
}

uint64_t ParseKeyFunctionSpec(const wchar_t* text) {
  if (!text) return 0;
  uint64_t flags = 0;
  for (const FlagName& n : kIndependentNames) {
    if (Contains(text, n.name)) flags |= n.flag;
  }
  for (const SelectorName& n : kCommitNames) {
    if (Contains(text, n.name)) {
      flags = WithSelector(flags, KeyFunction::kCommit, n.selector);
      break;
    }
  }
  for (int i = 0; i < 10; ++i) {
    if (Contains(text, kFrequencyNames[i])) {
      flags = WithSelector(flags, KeyFunction::kAdjustFrequency, i + 1);
      break;
    }
  }
  for (int i = 0; i < 10; ++i) {
    if (Contains(text, kDeleteNames[i])) {
      flags = WithSelector(flags, KeyFunction::kDeleteEntry, i + 1);
      break;
    }
  }
  flags |= FirstMatch(text, kCursorNames);
  flags |= FirstMatch(text, kViewNames);
  flags |= FirstMatch(text, kConversionNames);
  if (Contains(text, L"软键盘切换")) flags |= KeyFunction::kSoftKeyboard;
  flags |= FirstMatch(text, kWordNames);
  flags |= FirstMatch(text, kConfigNames);
  return flags;
}

uint64_t GetKeyFunctionFlags(const DmeConfigBlock* dme, int keyIndex) {
  if (!dme || keyIndex < 0 || keyIndex > 511) return 0;
  return dme->keyFunctions[keyIndex];
}

void SetKeyFunctionFlags(DmeConfigBlock* dme, int keyIndex, uint64_t flags) {
  if (!dme || keyIndex < 0 || keyIndex > 511) return;
  dme->keyFunctions[keyIndex] = flags;
}

int GetCombinationKeyCount(const DmeConfigBlock* dme) {
  if (!dme) return 0;
  // A damaged count must not send readers past the 32 slots.
  const int count = dme->combinationCount;
  return count > kCombinationCapacity ? kCombinationCapacity : count;
}

bool StoreKeyFunction(DmeConfigBlock* dme, KeyCode code, uint64_t flags) {
  if (!dme) return false;
  const KeyCode plain = code & ~kKeyShift;
  if (static_cast<int32_t>(plain) >= 0 && plain < 255) {
    const int index = static_cast<int>(plain) + ((code & kKeyShift) ? 256 : 0);
    if (GetKeyNameByIndex(index)[0] != 0) {
      dme->keyFunctions[index] = flags;
      return true;
    }
  }
  const int count = GetCombinationKeyCount(dme);
  for (int i = 0; i < count; ++i) {
    if (dme->combinations[i].keyCode == code) {
      dme->combinations[i].flags = flags;
      return true;
    }
  }
  if (count >= kCombinationCapacity) return false;
  dme->combinations[count] = CombinationKey{code, 0, flags};
  dme->combinationCount = static_cast<uint8_t>(count + 1);
  return true;
}

void ApplyKeyFunctionLine(DmeConfigBlock* dme, const wchar_t* keyText, const wchar_t* functionText) {
  StoreKeyFunction(dme, ParseKeySpec(keyText), ParseKeyFunctionSpec(functionText));
}

void MarkKeyCharacterSet(uint8_t* set, const wchar_t* text, uint8_t bit) {
  if (!set) return;
  for (int i = 0; i < 256; ++i) set[i] &= static_cast<uint8_t>(~bit);
  if (!text) return;
  for (int i = 0; text[i]; ++i) {
    const uint8_t b = CharToKeyCode(text[i]);
    if (b != 0) set[b] |= bit;
  }
}

const KeyFunctionDefault kShippedKeyFunctions[] = {
    {L" ", 0x80},
    {L"键Enter", 0xB80},
    {L"键Esc", 0x4},
    {L"1", 0x180}, {L"2", 0x280}, {L"3", 0x380}, {L"4", 0x480}, {L"5", 0x580},
    {L"6", 0x680}, {L"7", 0x780}, {L"8", 0x880}, {L"9", 0x980}, {L"0", 0xA80},
    {L";", 0x280},
    {L"'", 0x380},
    {L"-", 0x20}, {L"键PageUp", 0x20},
    {L"=", 0x40}, {L"键Tab", 0x40}, {L"键PageDown", 0x40},
    {L"键左箭头", 0x1000}, {L"键右箭头", 0x2000},
    {L"键上箭头", 0x40000}, {L"键下箭头", 0x80000},
    {L"键Home", 0x4000}, {L"键End", 0x8000},
    {L"键Backspace", 0x10000}, {L"键Delete", 0x20000},
    {L"键左Shift", 0x2}, {L"键右Shift", 0x2},
    // Combination keys.
    {L"键Tab+键Shift", 0x20},
    {L"1+键Ctrl", 0x100200}, {L"2+键Ctrl", 0x100200},
    {L"3+键Ctrl", 0x100300}, {L"4+键Ctrl", 0x100400}, {L"5+键Ctrl", 0x100500},
    {L"6+键Ctrl", 0x100600}, {L"7+键Ctrl", 0x100700}, {L"8+键Ctrl", 0x100800},
    {L"9+键Ctrl", 0x100900},
    {L"1+键Ctrl+键Alt", 0x200100}, {L"2+键Ctrl+键Alt", 0x200200},
    {L"3+键Ctrl+键Alt", 0x200300}, {L"4+键Ctrl+键Alt", 0x200400},
    {L"5+键Ctrl+键Alt", 0x200500}, {L"6+键Ctrl+键Alt", 0x200600},
    {L"7+键Ctrl+键Alt", 0x200700}, {L"8+键Ctrl+键Alt", 0x200800},
    {L"9+键Ctrl+键Alt", 0x200900},
    {L"=+键Ctrl", KeyFunction::kAddWord},
    {L"j+键Ctrl", KeyFunction::kToggleTraditional},
    {L"-+键Ctrl", KeyFunction::kDeleteWord},
    {L"键Esc+键Shift", KeyFunction::kSoftKeyboard},
    {L"/+键Ctrl", KeyFunction::kConfigClipboardLookup},
};
const size_t kShippedKeyFunctionCount = sizeof kShippedKeyFunctions / sizeof kShippedKeyFunctions[0];

void WriteShippedKeyFunctions(DmeConfigBlock* dme) {
  if (!dme) return;
  std::memset(dme->keyFunctions, 0, sizeof dme->keyFunctions);
  dme->combinationCount = 0;
  std::memset(dme->combinations, 0, sizeof dme->combinations);
  for (size_t i = 0; i < kShippedKeyFunctionCount; ++i) {
    StoreKeyFunction(dme, ParseKeySpec(kShippedKeyFunctions[i].keyText),
                     kShippedKeyFunctions[i].flags);
  }
}
