// The [-按键功能-] section: key codes and function flags as text, and the
// body written from the key tables of the dme block.
#include "config/settingstext/SettingsText.h"

namespace {

using namespace KeyFunction;

constexpr size_t kMaxFunctionUnits = 255;
constexpr size_t kMaxKeyTextUnits = 63;

struct FlagName {
  uint64_t flag;
  const wchar_t* name;
};

// Names that stand for one flag each, in the order they are written.
constexpr FlagName kLeadingNames[] = {
    {kOpenClose, L"输入法打开/关闭"},
    {kEnglishToggle, L"英文输入开关"},
    {kClearInput, L"清除输入"},
    {kSchemeMainAuxiliary, L"输入方案主/辅切换"},
    {kSchemeMainMixed, L"输入方案主/混切换"},
    {kRangeMainSecondary, L"检索范围主/次切换"},
    {kRangeMainMixed, L"检索范围主/混切换"},
    {kRepeatInput, L"重复输入"},
    {kUndoInput, L"撤销输入"},
    {kPreviousPage, L"前翻页"},
    {kNextPage, L"后翻页"},
    {kHighlightPrevious, L"首选前移"},
    {kHighlightNext, L"首选后移"},
};

constexpr FlagName kTrailingNames[] = {
    {kCursorLeft, L"光标左移"},
    {kCursorRight, L"光标右移"},
    {kCursorHome, L"光标至头"},
    {kCursorEnd, L"光标至尾"},
    {kDeleteBefore, L"编码前删"},
    {kDeleteAfter, L"编码后删"},
    {kToggleStatusBar, L"显示|关闭界面"},
    {kToggleCandidateWindow, L"显示|关闭候选窗口"},
    {kToggleSimplified, L"上屏转换 - 简体"},
    {kToggleTraditional, L"上屏转换 - 繁体"},
    {kSoftKeyboard, L"软键盘切换"},
    {kAddWord, L"在线加词"},
    {kDeleteWord, L"在线删词"},
    {kConfigMain, L"配置 - 主页"},
    {kConfigKeys, L"配置 - 按键设置"},
    {kConfigHelp, L"配置 - 帮助"},
    {kConfigAbout, L"配置 - 关于"},
    {kConfigOutputLookup, L"配置 - 输出反查"},
    {kConfigClipboardLookup, L"配置 - 剪贴板反查"},
};

// Appends name and a comma unless that would pass the limit; whole names
// only, so a cut list still reads back as the functions it names.
void AppendName(std::wstring& out, const std::wstring& name) {
  if (out.size() + name.size() + 1 > kMaxFunctionUnits) return;
  out += name;
  out += L',';
}

std::wstring NumberedName(int n, const wchar_t* suffix) {
  return L"第" + std::to_wstring(n) + suffix;
}

const wchar_t* SuffixFor(KeyCode code, KeyCode left, KeyCode right, KeyCode generic,
                         const wchar_t* leftName, const wchar_t* rightName,
                         const wchar_t* genericName) {
  if ((code & left) == left) return leftName;
  if ((code & right) == right) return rightName;
  if (code & generic) return genericName;
  return L"";
}

void AppendKeyName(std::wstring& out, const wchar_t* name) {
  // Keypad names are code bytes below 32; they are written full width.
  if (name[0] && name[0] < 32) {
    out += static_cast<wchar_t>(0xFF00 + name[0]);
  } else {
    out += name;
  }
}

// The unshifted name with one suffix per modifier (Shift, Alt, Ctrl).
std::wstring KeyTextWithSuffixes(KeyCode code) {
  std::wstring text;
  AppendKeyName(text, GetKeyNameByIndex(static_cast<int>(code & 0xFF)));
  text += SuffixFor(code, kKeyLeftShift, kKeyRightShift, kKeyShift, L"+键左Shift", L"+键右Shift",
                    L"+键Shift");
  text += SuffixFor(code, kKeyLeftAlt, kKeyRightAlt, kKeyAlt, L"+键左Alt", L"+键右Alt", L"+键Alt");
  text += SuffixFor(code, kKeyLeftCtrl, kKeyRightCtrl, kKeyCtrl, L"+键左Ctrl", L"+键右Ctrl",
                    L"+键Ctrl");
  return text;
}

// A key text the reader turns back into code; empty when there is none
// (a key that has no name, such as a combination stored for an unknown text).
std::wstring ReadableKeyText(KeyCode code) {
  std::wstring text = KeyCodeToText(code);
  if (!text.empty() && ParseKeySpec(text.c_str()) == code) return text;
  // A shifted key named like its unshifted twin (Enter, Shift) needs the suffix.
  text = KeyTextWithSuffixes(code);
  if (text.size() <= kMaxKeyTextUnits && ParseKeySpec(text.c_str()) == code) return text;
  return std::wstring();
}

void AppendKeyLine(std::wstring& out, KeyCode code, uint64_t flags) {
  std::wstring key = ReadableKeyText(code);
  if (key.empty()) return;
  out += key;
  out += L'=';
  out += KeyFunctionsToText(flags);
  out += L"\r\n";
}

}  // namespace

std::wstring KeyCodeToText(KeyCode code) {
  const KeyCode modifiers = code & ~static_cast<KeyCode>(0x1FF);
  const int index = static_cast<int>(code & 0x1FF);
  std::wstring text;
  if (modifiers == 0 && (index & 0xFF) < 255 && GetKeyNameByIndex(index)[0]) {
    AppendKeyName(text, GetKeyNameByIndex(index));
  } else {
    text = KeyTextWithSuffixes(code);
  }
  if (text.size() > kMaxKeyTextUnits) text.resize(kMaxKeyTextUnits);
  return text;
}

std::wstring KeyFunctionsToText(uint64_t flags) {
  std::wstring out;
  const int selector = SelectorOf(flags);
  for (const FlagName& f : kLeadingNames) {
    if (flags & f.flag) AppendName(out, f.name);
  }
  if (flags & kCommit) {
    if (selector == kSelectorCurrent) AppendName(out, L"首选上屏");
    else if (selector >= 1 && selector <= 10) AppendName(out, NumberedName(selector, L"候选上屏"));
    else if (selector == kSelectorTypedCode) AppendName(out, L"英文上屏");
    else if (selector == kSelectorLast) AppendName(out, L"倒数第1候选上屏");
  }
  if ((flags & kAdjustFrequency) && selector >= 1 && selector <= 10) {
    AppendName(out, NumberedName(selector, L"候选调频"));
  }
  if ((flags & kDeleteEntry) && selector >= 1 && selector <= 10) {
    AppendName(out, NumberedName(selector, L"候选删除"));
  }
  for (const FlagName& f : kTrailingNames) {
    if (flags & f.flag) AppendName(out, f.name);
  }
  return out;
}

void WriteKeyFunctionSection(const DmeConfigBlock* dme, std::wstring& out) {
  for (int i = 0; i < 256; ++i) {
    uint64_t plain = dme->keyFunctions[i];
    uint64_t shifted = dme->keyFunctions[256 + i];
    if (plain) AppendKeyLine(out, static_cast<KeyCode>(i), plain);
    if (shifted && i < 255 && GetKeyNameByIndex(256 + i)[0]) {
      AppendKeyLine(out, static_cast<KeyCode>(i) | kKeyShift, shifted);
    }
  }
  // Entries past the count are not in force; writing them would bring them in.
  const int count = GetCombinationKeyCount(dme);
  for (int i = 0; i < count; ++i) {
    const CombinationKey& entry = dme->combinations[i];
    if (entry.keyCode) AppendKeyLine(out, entry.keyCode, entry.flags);
  }
}
