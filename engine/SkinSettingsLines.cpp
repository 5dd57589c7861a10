// The [-SKIN设置-] section: one line applied to the skin block, and the body
// written from it.
#include "engine/SettingsCodec.h"

#include "engine/WideString.h"

namespace {

constexpr uint32_t kNumbersVisible = 0x1;
constexpr uint32_t kHintsVisible = 0x2;
constexpr uint32_t kButtonsVisible = 0x4;
constexpr uint32_t kHorizontal = 0x8;
constexpr uint32_t kColumnsFromLeft = 0x10;
constexpr uint32_t kCaretVertical = 0x100;
constexpr uint32_t kCaretHorizontal = 0x200;
constexpr uint32_t kCaretThin = 0x2000;
constexpr uint32_t kRightToLeft = 0x4000;

constexpr uint32_t kSkinNameUnits = 40;

// Keys with their pinyin aliases; the alias of the buttons key is spelled as
// earlier versions wrote it.
struct FlagKey {
  const wchar_t* key;
  const wchar_t* alias;
  uint32_t bit;
  uint32_t accepts;
};

constexpr FlagKey kFlagKeys[] = {
    {L"候选序号是否可见", L"houxuanxuhaoshifoukejian", kNumbersVisible, kAcceptToggle | kAcceptShi},
    {L"编码提示是否可见", L"bianmatishishifoukejian", kHintsVisible, kAcceptToggle | kAcceptShi},
    {L"界面按钮是否可见", L"jiemiananniusihfoukejian", kButtonsVisible, kAcceptToggle | kAcceptShi},
    {L"从右向左的文本", nullptr, kRightToLeft, kAcceptToggle},
};

void SetField(uint32_t* word, uint32_t mask, uint32_t bits) { *word = (*word & ~mask) | bits; }

void AppendKeyLine(std::wstring& out, const wchar_t* key, const std::wstring& value) {
  out += key;
  out += L'=';
  AppendSettingValue(out, value);
  out += L"\r\n\r\n";
}

}  // namespace

void ApplySkinSettingLine(SkinConfigBlock* skin, const wchar_t* key, const wchar_t* value) {
  if (!skin || !key || !value) return;
  uint32_t* flags = &skin->appearanceFlags;
  for (const FlagKey& f : kFlagKeys) {
    if (TextEquals(key, f.key) || (f.alias && TextEquals(key, f.alias))) {
      ApplyFlagValue(flags, f.bit, value, f.accepts);
      return;
    }
  }
  if (TextEquals(key, L"使用皮肤名称") || TextEquals(key, L"shiyongpifumingcheng")) {
    if (TextEquals(value, L"切换") || TextContains(value, L".col")) {
      CopyStringBounded(skin->skinName, kSkinNameUnits, value);
    }
  } else if (TextEquals(key, L"候选列表排列样式")) {
    uint32_t layout = 0;
    if (TextEquals(value, L"横排")) layout = kHorizontal;
    else if (TextEquals(value, L"左起纵向")) layout = kColumnsFromLeft;
    SetField(flags, kHorizontal | kColumnsFromLeft, layout);
  } else if (TextEquals(key, L"光标样式")) {
    uint32_t caret = 0;
    if (TextEquals(value, L"竖线")) caret = kCaretVertical;
    else if (TextEquals(value, L"横线")) caret = kCaretHorizontal;
    SetField(flags, kCaretVertical | kCaretHorizontal, caret);
  } else if (TextEquals(key, L"光标宽度")) {
    SetField(flags, kCaretThin, TextEquals(value, L"1") ? kCaretThin : 0);
  }
}

void FormatSkinSettings(const SkinConfigBlock* skin, std::wstring& out) {
  const uint32_t flags = skin->appearanceFlags;
  for (const FlagKey& f : kFlagKeys) AppendKeyLine(out, f.key, YesNo(flags, f.bit));
  // The name field need not be terminated when it is full.
  AppendKeyLine(out, L"使用皮肤名称",
                std::wstring(skin->skinName, BoundedLength(skin->skinName, kSkinNameUnits)));

  out += L"//可选：“横排”、“竖排”、“左起纵向”之一\r\n";
  const wchar_t* layout = L"竖排";
  if (flags & kHorizontal) layout = L"横排";
  else if (flags & kColumnsFromLeft) layout = L"左起纵向";
  AppendKeyLine(out, L"候选列表排列样式", layout);

  out += L"//可选：“横线”、“竖线”、“不显示”之一\r\n";
  const wchar_t* caret = L"不显示";
  if (flags & kCaretVertical) caret = L"竖线";
  else if (flags & kCaretHorizontal) caret = L"横线";
  AppendKeyLine(out, L"光标样式", caret);

  out += L"//可选：“1”、“2”之一\r\n";
  AppendKeyLine(out, L"光标宽度", (flags & kCaretThin) ? L"1" : L"2");
}

bool WriteSkinSettings(const SkinConfigBlock* skin, HANDLE file) {
  if (!skin) return false;
  std::wstring body;
  FormatSkinSettings(skin, body);
  return WriteUtf16Text(file, body);
}
