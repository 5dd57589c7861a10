// The [-SKIN设置-] section: one line applied to the skin block, and the body
// written from it.
#include "engine/SettingsCodec.h"

#include "engine/WideString.h"

namespace {

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
    {L"候选序号是否可见", L"houxuanxuhaoshifoukejian", kSkinLabelsVisible, kAcceptToggle | kAcceptShi},
    {L"编码提示是否可见", L"bianmatishishifoukejian", kSkinHintsVisible, kAcceptToggle | kAcceptShi},
    {L"界面按钮是否可见", L"jiemiananniusihfoukejian", kSkinButtonsVisible, kAcceptToggle | kAcceptShi},
    {L"从右向左的文本", nullptr, kSkinRightToLeft, kAcceptToggle},
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
    if (TextEquals(value, L"横排")) layout = kSkinRowArrangement;
    else if (TextEquals(value, L"左起纵向")) layout = kSkinColumnsFromLeft;
    SetField(flags, kSkinRowArrangement | kSkinColumnsFromLeft, layout);
  } else if (TextEquals(key, L"光标样式")) {
    uint32_t caret = 0;
    if (TextEquals(value, L"竖线")) caret = kSkinCaretVertical;
    else if (TextEquals(value, L"横线")) caret = kSkinCaretHorizontal;
    SetField(flags, kSkinCaretVertical | kSkinCaretHorizontal, caret);
  } else if (TextEquals(key, L"光标宽度")) {
    SetField(flags, kSkinCaretThin, TextEquals(value, L"1") ? kSkinCaretThin : 0);
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
  if (flags & kSkinRowArrangement) layout = L"横排";
  else if (flags & kSkinColumnsFromLeft) layout = L"左起纵向";
  AppendKeyLine(out, L"候选列表排列样式", layout);

  out += L"//可选：“横线”、“竖线”、“不显示”之一\r\n";
  const wchar_t* caret = L"不显示";
  if (flags & kSkinCaretVertical) caret = L"竖线";
  else if (flags & kSkinCaretHorizontal) caret = L"横线";
  AppendKeyLine(out, L"光标样式", caret);

  out += L"//可选：“1”、“2”之一\r\n";
  AppendKeyLine(out, L"光标宽度", (flags & kSkinCaretThin) ? L"1" : L"2");
}

bool WriteSkinSettings(const SkinConfigBlock* skin, HANDLE file) {
  if (!skin) return false;
  std::wstring body;
  FormatSkinSettings(skin, body);
  return WriteUtf16Text(file, body);
}
