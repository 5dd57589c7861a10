// Writing the whole-settings text: banners, the [-IME设置-] body and the
// table sections; the dme and skin bodies come from the module.
#include "config/settingstext/SettingsText.h"

#include <windows.h>

#include "engine/ImeOptionBits.h"
#include "engine/ItfObject.h"
#include "engine/PlainFile.h"
#include "engine/SettingsCodec.h"

namespace {

using namespace ImeBits;

void Line(std::wstring& out, const std::wstring& text, bool blank = false) {
  out += text;
  out += blank ? L"\r\n\r\n" : L"\r\n";
}

void KeyLine(std::wstring& out, const wchar_t* key, const std::wstring& value, bool blank) {
  std::wstring text = key;
  text += L'=';
  AppendSettingValue(text, value);
  Line(out, text, blank);
}

void FlagLine(std::wstring& out, const wchar_t* key, uint32_t word, uint32_t bit, bool blank) {
  KeyLine(out, key, YesNo(word, bit), blank);
}

void Banner(std::wstring& out, int section, const wchar_t* title) {
  const std::wstring rule = L"//" + std::wstring(54, L'-');
  Line(out, rule);
  Line(out, L"//  \x3000\x3000\x3000\x3000\x3000\x3000\x3000 " + std::wstring(title));
  Line(out, rule);
  Line(out, SettingsSectionHeader(section));
}

std::wstring SpaceBehaviour(uint32_t w148) {
  if (w148 & kSpaceCommitsCode) return L"上屏英文";
  if (w148 & kSpaceCommitsCodeAndSpace) return L"上屏英文+空格";
  if (w148 & kSpaceClears) return L"清屏";
  return L"上屏英文";
}

std::wstring ConversionState(uint32_t w148, uint32_t mode) {
  if (!(w148 & kCustomConversion)) return L"与系统转换状态一致";
  std::wstring text = L"自定义：";
  text += (mode & kModeSymbol) ? L"中文标点+" : L"英文标点+";
  text += (mode & kModeFullShape) ? L"全角+" : L"半角+";
  text += (mode & kModeNoConversion) ? L"输入法关闭" : L"输入法打开";
  return text;
}

std::wstring WindowStyle(uint32_t w136, uint32_t w148) {
  if (!(w148 & kTsfAvailable)) return L"IME-传统样式";
  if (w136 & kTsfEmbedCode) return L"TSF-嵌入编码";
  if (w136 & kTsfEmbedFirst) return L"TSF-嵌入首选";
  if (w136 & kTsfClassic) return L"TSF-传统样式";
  return L"IME-传统样式";
}

std::wstring SortOrder(uint32_t w144) {
  std::wstring text;
  if (w144 & kSingleCharsFirst) text += L"单字先见,";
  if (w144 & kSortByCode) text += L"按编码排序,";
  return text.empty() ? L"码表原始序" : text;
}

std::wstring FrequencyMode(uint32_t w144) {
  if (w144 & kFrequencyToTop) return L"一次到顶";
  if (w144 & kFrequencyStep) return L"逐渐调整";
  if (w144 & kFrequencyCount) return L"累加上屏数";
  return L"禁止调整";
}

std::wstring InputScheme(uint32_t w136) {
  const bool main = w136 & kImeOptMainCode;
  const bool auxiliary = w136 & kImeOptAuxiliaryCode;
  if (main && auxiliary) return L"主+辅";
  if (auxiliary) return L"辅";
  return L"主";
}

}  // namespace

void WriteImeSection(const ImeConfigBlock* ime, std::wstring& out) {
  const uint32_t w136 = ime->optionFlags;
  const uint32_t w144 = ime->sortWord;
  const uint32_t w148 = ime->spaceWord;

  Line(out, L"//可选：“上屏英文”、“上屏英文+空格”、“清屏”之一");
  KeyLine(out, L"空码时空格行为", SpaceBehaviour(w148), true);

  Line(out, L"//每次打开输入法时的标点符号状态,一般设置为“与系统转换状态一致”");
  Line(out, L"//如需特别指定，可设置“输入法打开”或“输入法关闭”、“中文标点”或“英文标点”、“全角”或“半角”");
  KeyLine(out, L"初始化转换状态", ConversionState(w148, ime->conversionMode), true);

  Line(out, L"//关闭输入法时，将当前的标点状态保存为“初始化转换状态”，下次打开输入法时标点状态与此一致。");
  Line(out, L"//该选项仅当“初始化转换状态”为“自定义”时有效。");
  FlagLine(out, L"保存自定义的初始化转换状态", w148, kSaveConversion, true);

  if (w148 & kTsfAvailable) {
    Line(out, L"//可选：“TSF-嵌入编码”、“TSF-嵌入首选”、“TSF-传统样式”、“IME-传统样式”之一");
  } else {
    Line(out, L"//未包含TSF框架,此处只能设置为IME-传统样式");
  }
  KeyLine(out, L"编码窗口样式", WindowStyle(w136, w148), true);
  if (w148 & kTsfAvailable) {
    FlagLine(out, L"是否嵌入状态栏窗口", w136, kStatusInLanguageBar, false);
    FlagLine(out, L"隐藏嵌入的首候选", w148, kHideEmbeddedFirst, false);
    FlagLine(out, L"仅重码时显示候选窗口", w148, kCandidatesOnlyWhenAmbiguous, true);
  }

  Line(out, L"//可选：“固定位置”、“跟随状态栏”、“跟随光标”之一");
  const wchar_t* place = L"跟随光标";
  if (w136 & kCandidateFixed) place = L"固定位置";
  else if (w136 & kCandidateFollowsStatus) place = L"跟随状态栏";
  KeyLine(out, L"候选窗口位置", place, true);

  FlagLine(out, L"隐藏候选窗口", w136, kHideCandidates, false);
  FlagLine(out, L"隐藏状态条窗口", w136, kHideStatus, true);

  FlagLine(out, L"隐藏词条相同编码不同的后续候选", w148, kNoDuplicates, false);
  FlagLine(out, L"是否打开非编码按键顶屏", w136, kNonCodeKeysCommit, false);
  FlagLine(out, L"中英文切换时上屏输入字符", w136, kCommitOnSwitch, false);
  FlagLine(out, L"是否开启命令直通车", w148, kMacros, false);
  FlagLine(out, L"禁用组合快捷键", w136, kNoHotKeys, false);
  FlagLine(out, L"首字母大写开启临时英文输入", w136, kImeOptUppercaseEnglish, false);
  if (w148 & kAssociationsAvailable) {
    FlagLine(out, L"是否在上屏时开启词语联想", w136, kImeOptAssociations, false);
  }
  if (w148 & kTempWordsAvailable) {
    Line(out, L"");
    FlagLine(out, L"临时词功能开启", w136, kImeOptTempWords, false);
    FlagLine(out, L"临时词上屏即存", w136, kImeOptTempWordSaves, false);
    FlagLine(out, L"临时词重启电脑后清空", w136, kImeOptClearTempOnRestart, false);
    Line(out, L"//如果此项设置为是，程序依据每次上屏时的编码和构词规则生成临时词");
    Line(out, L"//否则，程序在单字编码表中查询每个单字编码后，依据构词规则生成临时词");
    FlagLine(out, L"智能模式生成临时词", w136, kImeOptSmartTempWords, true);
  }

  Line(out, L"//可选：“主+辅”、“主”、“辅”之一");
  KeyLine(out, L"输入方案", InputScheme(w136), true);

  Line(out, L"//检索范围仅限定次显码表，当“检索次显码表为否”时,“候选为空时检索次显码表”有效");
  FlagLine(out, L"检索次显码表", w136, kImeOptListSecondary, false);
  FlagLine(out, L"空码时检索次显码表", w136, kImeOptSecondaryWhenEmpty, true);

  Line(out, L"//可选：“单字先见”、“按编码排序”、“码表原始序”之一");
  KeyLine(out, L"候选列表排序依据", SortOrder(w144), true);

  Line(out, L"//可选：1~10之间整数");
  uint32_t pageSize = ImePageSize(ime);
  if (pageSize < 1 || pageSize > 10) pageSize = 5;
  KeyLine(out, L"候选列表显示个数", std::to_wstring(pageSize), true);

  Line(out, L"//可选：“一次到顶”、“逐渐调整”、“累加上屏数”、“禁止调整”之一");
  KeyLine(out, L"词频调整", FrequencyMode(w144), true);
}

void WriteEscapeSection(const ImeConfigBlock* ime, std::wstring& out) {
  for (int i = 1; i < 128; ++i) {
    const SymbolEscapeEntry& entry = ime->symbolEscapes[i];
    if (entry.kind != 1 && entry.kind != 2) continue;
    std::wstring text(1, SettingsKeyChar(i));
    text += L'=';
    text += FormatSymbolEscapeValue(entry);
    Line(out, text);
  }
}

void WriteKeyRootSection(const ImeConfigBlock* ime, std::wstring& out) {
  FlagLine(out, L"使用键位字根表", ime->spaceWord, kKeyRootDisplay, false);
  for (int i = 1; i < 128; ++i) {
    wchar_t root = ime->keyRootTable[i];
    if (!root) continue;
    std::wstring text(1, SettingsKeyChar(i));
    text += L'=';
    AppendSettingValue(text, std::wstring(1, root));
    Line(out, text);
  }
}

void WriteWordRuleSection(const DmeConfigBlock* dme, std::wstring& out) {
  for (int n = kMinRuleChars; n <= kMaxRuleChars; ++n) {
    const WordFormationRule& rule = dme->wordRules[n];
    if (!rule.elements[0]) continue;
    std::wstring text = L"P" + std::to_wstring(n) + L"=";
    for (int i = 0; i < 128 && rule.elements[i]; ++i) {
      const uint16_t e = rule.elements[i];
      if (i) text += L'+';
      text += L"L" + std::to_wstring((e >> 8) & 0x7F) + ((e & 0x8000) ? L"F" : L"B") +
              std::to_wstring(e & 0x7F);
    }
    Line(out, text);
  }
}

int WriteSettingsText(const ImeConfigBlock* ime, const DmeConfigBlock* dme,
                      const SkinConfigBlock* skin, const ItfObject* itf, const wchar_t* path) {
  if (!ime || !dme || !skin || !path) return 1;
  HANDLE file = CreateNewPlainFile(path, GENERIC_READ | GENERIC_WRITE, 0);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const bool canWriteBodies = itf && itf->writeSection;

  std::wstring text(1, L'\xFEFF');
  Banner(text, kSectionIme, L"IME设置");
  WriteImeSection(ime, text);
  Banner(text, kSectionDme, L"DME设置");
  bool ok = WriteUtf16Text(file, text);
  if (ok && canWriteBodies) ok = itf->writeSection(dme, file, kItfSectionDme) != 0;

  text.clear();
  Banner(text, kSectionSkin, L"SKIN设置");
  if (ok) ok = WriteUtf16Text(file, text);
  if (ok && canWriteBodies) ok = itf->writeSection(skin, file, kItfSectionSkin) != 0;

  text.clear();
  Banner(text, kSectionEscapes, L"中文符号定义");
  WriteEscapeSection(ime, text);
  Banner(text, kSectionKeyRoots, L"键位字根表");
  WriteKeyRootSection(ime, text);
  Banner(text, kSectionKeyFunctions, L"按键功能");
  WriteKeyFunctionSection(dme, text);
  Banner(text, kSectionWordRules, L"构词规则定义");
  WriteWordRuleSection(dme, text);
  if (ok) ok = WriteUtf16Text(file, text);

  CloseHandle(file);
  return ok ? 0 : 2;
}
