// The settings line functions: section ids, set( commands, the ime, dme and
// skin keys, word rules, escapes, key roots and the dme and skin writers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/ImeOptionBits.h"
#include "engine/ItfObject.h"
#include "engine/SettingsCodec.h"

namespace {

struct Blocks {
  std::unique_ptr<ImeConfigBlock> ime = std::make_unique<ImeConfigBlock>();
  std::unique_ptr<DmeConfigBlock> dme = std::make_unique<DmeConfigBlock>();
  std::unique_ptr<SkinConfigBlock> skin = std::make_unique<SkinConfigBlock>();

  ImeConfigBlock* Ime(const wchar_t* key, const wchar_t* value) {
    ApplyImeSettingLine(ime.get(), key, value);
    return ime.get();
  }
  DmeConfigBlock* Dme(const wchar_t* key, const wchar_t* value) {
    ApplyDmeSettingLine(dme.get(), key, value);
    return dme.get();
  }
  SkinConfigBlock* Skin(const wchar_t* key, const wchar_t* value) {
    ApplySkinSettingLine(skin.get(), key, value);
    return skin.get();
  }
};

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(SettingsSections, HeadersAndSetCommands) {
  EXPECT_EQ(GetSectionId(L"[-ime设置-]"), kSectionIme);
  EXPECT_EQ(GetSectionId(L"[-构词规则定义-]"), kSectionWordRules);
  EXPECT_EQ(GetSectionId(L"[-IME设置-] "), kSectionNone);
  EXPECT_EQ(GetSectionId(L"[-未知-]"), kSectionNone);

  wchar_t *section, *key, *value;
  wchar_t plain[] = L"set([-IME设置-],候选列表显示个数=7)";
  EXPECT_EQ(ParseSetCommand(plain, &section, &key, &value), kSectionIme);
  EXPECT_STREQ(key, L"候选列表显示个数");
  EXPECT_STREQ(value, L"7");
  wchar_t quoted[] = L"SET(\"[-SKIN设置-]\",\"使用皮肤名称\"=\"a=b).col\")";
  EXPECT_EQ(ParseSetCommand(quoted, &section, &key, &value), kSectionSkin);
  EXPECT_STREQ(section, L"[-SKIN设置-]");
  EXPECT_STREQ(value, L"a=b).col");
  for (const wchar_t* bad : {L"set([-IME设置-]候选列表显示个数=7)", L"set([-IME设置-],a7)",
                             L"set([-IME设置-],a=7", L"sat([-IME设置-],a=b)", L"set(\"[-IME设置-],a=b)"}) {
    std::wstring text = bad;
    EXPECT_EQ(ParseSetCommand(text.data(), &section, &key, &value), 0) << bad;
    EXPECT_EQ(value, nullptr);
  }
}

TEST(ImeSettingLines, PageSizeAndConversionState) {
  Blocks b;
  const std::pair<const wchar_t*, uint32_t> sizes[] = {
      {L"10", 10}, {L"5", 5}, {L"11", 1}, {L"3", 3}, {L"x", 5}, {L"", 5}};
  for (const auto& [text, size] : sizes) EXPECT_EQ(ImePageSize(b.Ime(L"候选列表显示个数", text)), size);
  b.ime->sortWord = 0x1F;
  EXPECT_EQ(b.Ime(L"候选列表显示个数", L"7")->sortWord, 0x7000001Fu);

  EXPECT_EQ(b.Ime(L"初始化转换状态", L"自定义：中文标点+全角+输入法打开")->conversionMode, 0x408u);
  EXPECT_TRUE(b.ime->spaceWord & 0x100);
  EXPECT_EQ(b.Ime(L"初始化转换状态", L"自定义：英文标点+半角+输入法关闭")->conversionMode, 0x100u);
  EXPECT_EQ(b.Ime(L"初始化转换状态", L"与系统转换状态一致")->conversionMode, 0x401u);
  EXPECT_FALSE(b.ime->spaceWord & 0x100);
}

TEST(ImeSettingLines, FrameworkStylesNeedTheTextService) {
  Blocks b;
  b.ime->optionFlags = 0x7000 | 0x200;
  EXPECT_EQ(b.Ime(L"编码窗口样式", L"TSF-嵌入首选")->optionFlags & 0x7000, 0u);
  EXPECT_EQ(b.Ime(L"是否嵌入状态栏窗口", L"否")->optionFlags & 0x200, 0x200u);
  b.ime->spaceWord = ImeBits::kTsfAvailable;
  EXPECT_EQ(b.Ime(L"编码窗口样式", L"TSF-嵌入首选")->optionFlags & 0x7000, 0x2000u);
  EXPECT_EQ(b.Ime(L"编码窗口样式", L"TSF-传统样式")->optionFlags & 0x7000, 0x4000u);
  EXPECT_EQ(b.Ime(L"编码窗口样式", L"IME-传统样式")->optionFlags & 0x7000, 0u);
  EXPECT_EQ(b.Ime(L"是否嵌入状态栏窗口", L"否")->optionFlags & 0x200, 0u);
}

TEST(ImeSettingLines, ChoicesAndToggles) {
  Blocks b;
  EXPECT_EQ(b.Ime(L"英文状态时空格行为", L"清屏")->spaceWord & 7, 4u);
  EXPECT_EQ(b.Ime(L"空码时空格行为", L"上屏英文+空格")->spaceWord & 7, 2u);
  EXPECT_EQ(b.Ime(L"输入方案", L"辅")->optionFlags & 0x18000, 0x10000u);
  EXPECT_EQ(b.Ime(L"候选列表排序依据", L"单字先见,按编码排序,")->sortWord & 0x18, 0x18u);
  EXPECT_TRUE(b.Ime(L"临时词功能开启", L"切换")->optionFlags & 0x100000);
  EXPECT_FALSE(b.Ime(L"临时词功能开启", L"切换")->optionFlags & 0x100000);
  // A key without a toggle reads "切换" as "no".
  b.ime->spaceWord |= 0x20;
  EXPECT_FALSE(b.Ime(L"是否开启命令直通车", L"切换")->spaceWord & 0x20);
}

TEST(DmeSettingLines, FlagsNumbersAndCharacters) {
  Blocks b;
  EXPECT_TRUE(b.Dme(L"开启首键查询", L"shi")->codeOptions & 0x8);
  b.dme->codeOptions |= 0x1;
  EXPECT_FALSE(b.Dme(L"是否启用编码逐渐提示", L"shi")->codeOptions & 0x1);

  b.dme->codeOptions = 0;
  b.Dme(L"候选唯一自动上屏码长", L"4");
  b.Dme(L"空码自动清除码长", L"300");
  b.Dme(L"智能动态上屏码长", L"5");
  EXPECT_EQ(b.Dme(L"显示码表词语码长", L"2")->commitLengths, 0x04052C00u);
  EXPECT_EQ(b.dme->codeOptions, 0x02000000u);

  EXPECT_EQ(b.Dme(L"万能键", L"\xFF0A")->wildcardChar, 0x0A);  // the keypad '*'
  EXPECT_EQ(b.Dme(L"查询输入字符", L"\xFF38")->wildcardChar, 0);  // full-width X
  EXPECT_EQ(b.Dme(L"临时英文引导字符", L"`")->tempEnglishLead, '`');
  EXPECT_EQ(b.Dme(L"临时英文引导字符", L"")->tempEnglishLead, 0);
  const uint8_t* set = b.Dme(L"数字后英文标点", L".\xFF0E")->keyCharFlags;
  EXPECT_TRUE(set['.'] & 0x4);
  EXPECT_TRUE(set[0x0E] & 0x4);
  EXPECT_FALSE(b.Dme(L"数字后英文标点", L":")->keyCharFlags['.'] & 0x4);
}

TEST(DmeSettingsWriter, LinesAndCharacterForms) {
  Blocks b;
  DmeConfigBlock* dme = b.dme.get();
  dme->codeOptions = 0x1 | (3u << 24);
  dme->wildcardChar = 0x0A;
  dme->auxiliaryLead = '"';
  dme->keyCharFlags[0x15] = 0x1;
  dme->keyCharFlags['a'] = 0x1 | 0x10;
  std::wstring text;
  FormatDmeSettings(dme, text);
  EXPECT_EQ(text.rfind(L"是否启用编码逐渐提示=是\r\n是否在候选为空时启用编码逐渐提示=否\r\n\r\n", 0), 0u);
  EXPECT_TRUE(Contains(text, L"空码自动清除码长=0\r\n智能动态上屏码长=0\r\n显示码表词语码长=3\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"\r\n查询输入字符=\xFF0A\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"\r\n临时英文引导字符=\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"\r\n临时辅码引导字符=\"\"\"\"\r\n"));  // quoted so it reads back
  EXPECT_TRUE(Contains(text, L"\r\n上屏引导键=\xFF15" L"a\r\n"));
}

TEST(WordRules, ElementsAndMalformedRules) {
  Blocks b;
  ApplyWordRuleLine(b.dme.get(), L"P3", L"L1B1+L2B1+R1B1+R1B2");
  const uint16_t expected[] = {0x0101, 0x0201, 0x0301, 0x0302, 0};
  EXPECT_EQ(0, memcmp(b.dme->wordRules[3].elements, expected, sizeof expected));
  ApplyWordRuleLine(b.dme.get(), L"p2", L"l1f1+L1F2+l2b0");
  EXPECT_EQ(b.dme->wordRules[2].elements[0], 0x8101);
  EXPECT_EQ(b.dme->wordRules[2].elements[2], 0x0200);

  const auto before = std::make_unique<DmeConfigBlock>(*b.dme);
  for (const wchar_t* value : {L"L1B1+X2B1", L"L1B1+L0B1", L"L1B1+L31B1", L"L1B1+R4B1", L"L1Q1",
                               L"L1B1 +L2B1"}) {
    ApplyWordRuleLine(b.dme.get(), L"P3", value);
  }
  ApplyWordRuleLine(b.dme.get(), L"P31", L"L1B1");
  ApplyWordRuleLine(b.dme.get(), L"P1", L"L1B1");
  ApplyWordRuleLine(b.dme.get(), L"Q3", L"L1B1");
  EXPECT_EQ(0, memcmp(before.get(), b.dme.get(), sizeof(DmeConfigBlock)));

  // At most 127 elements, so a stored rule always ends in a zero element.
  std::wstring elements;
  for (int i = 0; i < 127; ++i) elements += L"+L1B1";
  WordFormationRule rule;
  EXPECT_EQ(ParseWordRule((L"P2=" + elements).c_str(), &rule), 2);
  EXPECT_EQ(rule.elements[127], 0);
  EXPECT_EQ(ParseWordRule((L"P2=" + elements + L"+L2B1").c_str(), &rule), 0);
}

TEST(SymbolEscapes, KeysPairsAndLongTexts) {
  Blocks b;
  ImeConfigBlock* ime = b.ime.get();
  ApplySymbolEscapeLine(ime, L"\xFF0C", L"，");  // full-width comma: the keypad ',' entry
  ApplySymbolEscapeLine(ime, L"\x3001", L"x");
  EXPECT_EQ(ime->symbolEscapes[0x0C].kind, 1);
  int used = 0;
  for (const SymbolEscapeEntry& entry : ime->symbolEscapes) used += entry.kind != 0;
  EXPECT_EQ(used, 1);

  ApplySymbolEscapeLine(ime, L"\"", L"“,”");
  EXPECT_EQ(ime->symbolEscapes['"'].kind, 2);
  EXPECT_EQ(SymbolEscapeText(ime->symbolEscapes['"'], true), L"”");
  ApplySymbolEscapeLine(ime, L",", L",");  // a comma only at the start: single
  EXPECT_EQ(ime->symbolEscapes[','].kind, 1);
  ApplySymbolEscapeLine(ime, L"a", L"12345,67890");  // pair texts are cut to 4 units
  EXPECT_EQ(SymbolEscapeText(ime->symbolEscapes['a'], false), L"1234");
  EXPECT_EQ(SymbolEscapeText(ime->symbolEscapes['a'], true), L"6789");
  ApplySymbolEscapeLine(ime, L"^", L"abcdefghijKL");
  EXPECT_EQ(ime->symbolEscapes['^'].second[4], L'j');  // ten units fill both fields
  EXPECT_EQ(SymbolEscapeText(ime->symbolEscapes['^'], false), L"abcdefghij");
}

TEST(KeyRoots, SlotsAndTheDisplaySwitch) {
  Blocks b;
  ImeConfigBlock* ime = b.ime.get();
  ApplyKeyRootLine(ime, L"使用键位字根表", L"是的");
  EXPECT_TRUE(ime->spaceWord & 0x10000);
  ApplyKeyRootLine(ime, L"使用键位字根表", L"否");
  EXPECT_FALSE(ime->spaceWord & 0x10000);
  ApplyKeyRootLine(ime, L"g", L"王旺");
  ApplyKeyRootLine(ime, L"\xFF11", L"一");
  ApplyKeyRootLine(ime, L"\x4E00", L"x");
  EXPECT_EQ(ime->keyRootTable['g'], L'王');
  EXPECT_EQ(ime->keyRootTable[0x11], L'一');
  ApplyKeyRootLine(ime, L"g", L"");
  EXPECT_EQ(ime->keyRootTable['g'], 0);
}

TEST(SkinSettingLines, TogglesAliasesAndNames) {
  Blocks b;
  b.skin->appearanceFlags = 0x1;
  b.Skin(L"候选序号是否可见", L"切换");
  EXPECT_EQ(b.Skin(L"候选序号是否可见", L"切换")->appearanceFlags, 0x1u);
  EXPECT_TRUE(b.Skin(L"jiemiananniusihfoukejian", L"shi")->appearanceFlags & 0x4);

  EXPECT_STREQ(b.Skin(L"使用皮肤名称", L"night.col")->skinName, L"night.col");
  EXPECT_STREQ(b.Skin(L"使用皮肤名称", L"night.zip")->skinName, L"night.col");
  std::wstring longName = std::wstring(41, L'n') + L".col";
  EXPECT_EQ(std::wstring(b.Skin(L"shiyongpifumingcheng", longName.c_str())->skinName),
            longName.substr(0, 39));
  EXPECT_STREQ(b.Skin(L"使用皮肤名称", L"切换")->skinName, L"切换");
}

TEST(SkinSettingsWriter, WritesWhatWasRead) {
  Blocks b;
  b.skin->appearanceFlags = 0x8 | 0x10 | 0x2000;
  b.Skin(L"候选列表排列样式", L"竖排");
  b.Skin(L"光标宽度", L"2");
  EXPECT_EQ(b.Skin(L"光标样式", L"横线")->appearanceFlags, 0x200u);
  for (wchar_t& c : b.skin->skinName) c = L'k';  // a full field has no terminator
  b.skin->loadedSkinName[0] = L'X';
  std::wstring text;
  FormatSkinSettings(b.skin.get(), text);
  EXPECT_EQ(text.rfind(L"候选序号是否可见=否\r\n\r\n", 0), 0u);
  EXPECT_TRUE(Contains(text, L"//可选：“横排”、“竖排”、“左起纵向”之一\r\n候选列表排列样式=竖排\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"光标样式=横线\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"光标宽度=2\r\n\r\n"));
  EXPECT_TRUE(Contains(text, L"使用皮肤名称=" + std::wstring(40, L'k') + L"\r\n"));
}

TEST(SettingsDispatch, SectionsReachTheirBlocks) {
  Blocks b;
  ItfObject* itf = nullptr;
  ASSERT_EQ(ZNITFGetObject(kItfSettingsText, &itf), 1);
  auto apply = [&](int section, const wchar_t* key, const wchar_t* value, const ItfObject* table) {
    ApplySettingsLine(section, key, value, b.ime.get(), b.dme.get(), b.skin.get(), table);
  };
  apply(kSectionDme, L"开启首键查询", L"是", nullptr);
  EXPECT_FALSE(b.dme->codeOptions & 0x8) << "dme lines need the module's table";
  apply(kSectionDme, L"开启首键查询", L"是", itf);
  EXPECT_TRUE(b.dme->codeOptions & 0x8);
  apply(kSectionSkin, L"光标宽度", L"1", itf);
  EXPECT_TRUE(b.skin->appearanceFlags & 0x2000);
  apply(kSectionKeyFunctions, L"键F5", L"清除输入", itf);
  EXPECT_EQ(b.dme->keyFunctions[0x74], 0x4u);
  apply(kSectionGenerator, L"候选列表显示个数", L"7", itf);
  EXPECT_EQ(ImePageSize(b.ime.get()), 0u);
  itf->release(itf);
}

}  // namespace
