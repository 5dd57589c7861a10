// One line of the [-IME设置-] section applied to the ime block.
#include "engine/SettingsCodec.h"

#include "engine/ImeOptionBits.h"

namespace {

using namespace ImeBits;

struct FlagKey {
  const wchar_t* key;
  bool word148;
  uint32_t bit;
  uint32_t accepts;
};

constexpr FlagKey kFlagKeys[] = {
    {L"保存自定义的初始化转换状态", true, kSaveConversion, kAcceptYes},
    {L"是否开启命令直通车", true, kMacros, kAcceptYes},
    {L"仅重码时显示候选窗口", true, kCandidatesOnlyWhenAmbiguous, kAcceptToggle},
    {L"隐藏嵌入的首候选", true, kHideEmbeddedFirst, kAcceptToggle},
    {L"隐藏词条相同编码不同的后续候选", true, kNoDuplicates, kAcceptYes},
    {L"首字母大写开启临时英文输入", false, kImeOptUppercaseEnglish, kAcceptYes},
    {L"临时词功能开启", false, kImeOptTempWords, kAcceptToggle},
    {L"临时词上屏即存", false, kImeOptTempWordSaves, kAcceptToggle},
    {L"临时词重启电脑后清空", false, kImeOptClearTempOnRestart, kAcceptToggle},
    {L"智能模式生成临时词", false, kImeOptSmartTempWords, kAcceptToggle},
    {L"隐藏候选窗口", false, kHideCandidates, kAcceptToggle},
    {L"隐藏状态条窗口", false, kHideStatus, kAcceptToggle},
    {L"禁用组合快捷键", false, kNoHotKeys, kAcceptToggle},
    {L"是否在上屏时开启词语联想", false, kImeOptAssociations, kAcceptToggle},
    {L"是否打开非编码按键顶屏", false, kNonCodeKeysCommit, kAcceptToggle},
    {L"中英文切换时上屏输入字符", false, kCommitOnSwitch, kAcceptToggle},
    {L"检索次显码表", false, kImeOptListSecondary, kAcceptToggle},
    {L"空码时检索次显码表", false, kImeOptSecondaryWhenEmpty, kAcceptToggle},
};

void SetField(uint32_t* word, uint32_t mask, uint32_t bits) { *word = (*word & ~mask) | bits; }

uint32_t PageSizeOf(const wchar_t* value) {
  wchar_t c = value[0];
  if (c == L'1') return value[1] == L'0' ? 10 : 1;
  if ((c >= L'2' && c <= L'4') || (c >= L'6' && c <= L'9')) return c - L'0';
  return 5;
}

}  // namespace

void ApplyImeSettingLine(ImeConfigBlock* ime, const wchar_t* key, const wchar_t* value) {
  if (!ime || !key || !value) return;
  uint32_t* w136 = &ime->optionFlags;
  uint32_t* w144 = &ime->sortWord;
  uint32_t* w148 = &ime->spaceWord;
  const bool tsf = (*w148 & kTsfAvailable) != 0;

  for (const FlagKey& f : kFlagKeys) {
    if (TextEquals(key, f.key)) {
      ApplyFlagValue(f.word148 ? w148 : w136, f.bit, value, f.accepts);
      return;
    }
  }

  if (TextEquals(key, L"编码窗口样式")) {
    uint32_t style = 0;
    if (tsf) {
      if (TextEquals(value, L"TSF-嵌入编码")) style = kTsfEmbedCode;
      else if (TextEquals(value, L"TSF-嵌入首选")) style = kTsfEmbedFirst;
      else if (TextEquals(value, L"TSF-传统样式")) style = kTsfClassic;
    }
    SetField(w136, kTsfStyles, style);
  } else if (TextEquals(key, L"是否嵌入状态栏窗口")) {
    if (tsf) ApplyFlagValue(w136, kStatusInLanguageBar, value, kAcceptToggle);
  } else if (TextEquals(key, L"空码时空格行为") || TextEquals(key, L"英文状态时空格行为")) {
    uint32_t mode = kSpaceCommitsCodeAndSpace;
    if (TextEquals(value, L"上屏英文")) mode = kSpaceCommitsCode;
    else if (TextEquals(value, L"清屏")) mode = kSpaceClears;
    SetField(w148, kSpaceModes, mode);
  } else if (TextEquals(key, L"初始化转换状态")) {
    if (TextEquals(value, L"与系统转换状态一致")) {
      ime->conversionMode = kModeSystemDefault;
      *w148 &= ~kCustomConversion;
    } else {
      *w148 |= kCustomConversion;
      uint32_t mode = 0;
      if (TextContains(value, L"中文标点")) mode |= kModeSymbol;
      if (TextContains(value, L"全角")) mode |= kModeFullShape;
      if (TextContains(value, L"输入法关闭")) mode |= kModeNoConversion;
      ime->conversionMode = mode;
    }
  } else if (TextEquals(key, L"候选窗口位置")) {
    uint32_t place = 0;  // follow the caret
    if (TextEquals(value, L"跟随状态栏")) place = kCandidateFollowsStatus;
    else if (TextEquals(value, L"固定位置")) place = kCandidateFixed;
    SetField(w136, kCandidateFixed | kCandidateFollowsStatus, place);
  } else if (TextEquals(key, L"候选列表排序依据")) {
    uint32_t order = 0;
    if (TextContains(value, L"单字先见")) order |= kSingleCharsFirst;
    if (TextContains(value, L"按编码排序")) order |= kSortByCode;
    SetField(w144, kSingleCharsFirst | kSortByCode, order);
  } else if (TextEquals(key, L"候选列表显示个数")) {
    SetImePageSize(ime, PageSizeOf(value));
  } else if (TextEquals(key, L"词频调整")) {
    uint32_t mode = 0;
    if (TextEquals(value, L"一次到顶")) mode = kFrequencyToTop;
    else if (TextEquals(value, L"逐渐调整")) mode = kFrequencyStep;
    else if (TextEquals(value, L"累加上屏数")) mode = kFrequencyCount;
    SetField(w144, kFrequencyModes, mode);
  } else if (TextEquals(key, L"输入方案")) {
    uint32_t scheme = kImeOptAuxiliaryCode;
    if (TextEquals(value, L"主+辅")) scheme = kImeOptMainCode | kImeOptAuxiliaryCode;
    else if (TextEquals(value, L"主")) scheme = kImeOptMainCode;
    SetField(w136, kImeOptMainCode | kImeOptAuxiliaryCode, scheme);
  }
}
