// The whole-settings text: write -> read -> write identity, the reader's line
// rules, and the safety of reading into the live mapping.
#include <gtest/gtest.h>

#include <cstring>

#include "config/settingstext/SettingsText.h"
#include "engine/SettingsCodec.h"
#include "tests/common/TempDir.h"
#include "tests/config/SettingsTestData.h"

namespace zn::test {
namespace {

// A settings set touching every section, including values whose plain
// written form would read back as something else.
constexpr wchar_t kPopulated[] =
    L"[-IME设置-]\r\n"
    L"空码时空格行为=上屏英文+空格\r\n"
    L"初始化转换状态=自定义：中文标点+全角+输入法关闭\r\n"
    L"保存自定义的初始化转换状态=是\r\n"
    L"编码窗口样式=TSF-嵌入首选\r\n"
    L"是否嵌入状态栏窗口=是\r\n"
    L"隐藏嵌入的首候选=是\r\n"
    L"候选窗口位置=固定位置\r\n"
    L"隐藏状态条窗口=是\r\n"
    L"禁用组合快捷键=是\r\n"
    L"是否在上屏时开启词语联想=是\r\n"
    L"临时词功能开启=是\r\n"
    L"智能模式生成临时词=是\r\n"
    L"输入方案=主+辅\r\n"
    L"空码时检索次显码表=是\r\n"
    L"候选列表排序依据=单字先见,按编码排序,\r\n"
    L"候选列表显示个数=10\r\n"
    L"词频调整=逐渐调整\r\n"
    L"[-DME设置-]\r\n"
    L"是否在候选为空时启用编码逐渐提示=shi\r\n"
    L"候选唯一自动上屏码长=4\r\n"
    L"空码自动清除码长=6\r\n"
    L"显示码表词语码长=2\r\n"
    L"自动上屏忽略输入是否全码=是\r\n"
    L"查询输入字符=\"\"\"\"\r\n"
    L"临时英文引导字符=\xFF0F\r\n"
    L"临时辅码引导字符==\r\n"
    L"临时次显引导字符=~\r\n"
    L"上屏引导键=\"\"\"/;\"\r\n"
    L"编码截止键=\xFF10\xFF19\r\n"
    L"数字后英文标点=.,\r\n"
    L"[-SKIN设置-]\r\n"
    L"编码提示是否可见=是\r\n"
    L"从右向左的文本=是\r\n"
    L"使用皮肤名称=night.col\r\n"
    L"候选列表排列样式=左起纵向\r\n"
    L"光标样式=横线\r\n"
    L"[-非编码符号转义定义表-]\r\n"
    L"/=\"/*\"\r\n"
    L"*=/\r\n"
    L"==，\r\n"
    L"\"=“,”\r\n"
    L"a=\"x,y\"\r\n"
    L"b=\"\"\"q\"\r\n"
    L"c=\"\"\"\",\"!\"\r\n"
    L"e=\"\",\"》\"\r\n"
    L"f=,,\r\n"
    L"<=《〈\r\n"
    L"\xFF0E=。\r\n"
    L"d=0123456789\r\n"
    L"[-键位字根表-]\r\n"
    L"使用键位字根表=是\r\n"
    L"g=王\r\n"
    L"/=\"\"\"\"\r\n"
    L"\xFF11=一\r\n"
    L"[-按键功能-]\r\n"
    L"键Enter+键Shift=英文上屏,\r\n"
    L"\xFF15=第5候选上屏,\r\n"
    L" =首选上屏,\r\n"
    L"==后翻页,\r\n"
    L"/+键左Ctrl=配置 - 剪贴板反查,\r\n"
    L"键F5=输入法打开/关闭,英文输入开关,清除输入,输入方案主/辅切换,输入方案主/混切换,"
    L"检索范围主/次切换,检索范围主/混切换,重复输入,撤销输入,前翻页,后翻页,首选前移,首选后移,"
    L"第10候选上屏,第10候选调频,第10候选删除,编码后删,显示|关闭候选窗口,上屏转换 - 繁体,"
    L"软键盘切换,在线删词,配置 - 剪贴板反查,\r\n"
    L"1+键Alt+键Ctrl=第1候选删除,\r\n"
    L"x+键Ctrl=\r\n"
    L"[-构词规则定义-]\r\n"
    L"P2=L1F1+L1F2+L2F1+L2F2\r\n"
    L"P3=L1B1+L2B1+R1B1+R1B2\r\n"
    L"P30=L1B0\r\n";

SettingsImage Shipped() { return SettingsImage(ReadFileBytes(ShippedConfigPath())); }

int Parse(const std::wstring& text, SettingsImage& image, const ItfObject* itf) {
  return ParseSettingsText(text.c_str(), image.blocks.ime, image.blocks.dme, image.blocks.skin, itf);
}

std::wstring Write(const SettingsImage& image, const ItfObject* itf, const TempDir& dir,
                   const wchar_t* name) {
  std::wstring path = dir.File(name);
  EXPECT_EQ(WriteSettingsText(image.blocks.ime, image.blocks.dme, image.blocks.skin, itf,
                              path.c_str()),
            0);
  return path;
}

TEST(SettingsText, WriteReadWriteIsIdentity) {
  SettingsCodec codec;
  TempDir dir;
  SettingsImage populated = Shipped();
  ASSERT_TRUE(populated.ok());
  ASSERT_EQ(Parse(kPopulated, populated, codec.get()), 1);
  // The set really is populated.
  EXPECT_EQ(ImePageSize(populated.blocks.ime), 10u);
  EXPECT_EQ(populated.blocks.dme->wildcardChar, '"');
  EXPECT_EQ(populated.blocks.dme->keyFunctions[256 + 0x0D], 0xB80u);
  EXPECT_EQ(populated.blocks.dme->combinationCount, 3);
  EXPECT_STREQ(populated.blocks.skin->skinName, L"night.col");

  std::wstring first = Write(populated, codec.get(), dir, L"a.txt");
  std::vector<uint8_t> firstBytes = ReadFileBytes(first);
  ASSERT_GE(firstBytes.size(), 2u);
  EXPECT_EQ(firstBytes[0], 0xFF);
  EXPECT_EQ(firstBytes[1], 0xFE);

  SettingsImage reread = Shipped();
  ASSERT_EQ(Parse(DecodeFile(first), reread, codec.get()), 1);
  for (size_t i = 0; i < populated.bytes.size(); ++i) {
    ASSERT_EQ(populated.bytes[i], reread.bytes[i]) << "config.dsc byte " << i;
  }
  EXPECT_EQ(ReadFileBytes(Write(reread, codec.get(), dir, L"b.txt")), firstBytes);
}

TEST(SettingsText, TextWithoutHeaderChangesNothing) {
  SettingsCodec codec;
  SettingsImage image = Shipped();
  const std::vector<uint8_t> before = image.bytes;
  EXPECT_EQ(Parse(L"", image, codec.get()), 0);
  EXPECT_EQ(Parse(L"候选列表显示个数=7\r\n[-未知-]\r\n键Esc=\r\n", image, codec.get()), 0);
  EXPECT_EQ(image.bytes, before);
}

TEST(SettingsText, OneSectionReplacesTablesAndKeepsOptions) {
  SettingsCodec codec;
  SettingsImage image = Shipped();
  image.blocks.dme->header.size = 0;
  image.blocks.skin->header.name[0] = L'X';
  image.blocks.ime->recentCommitCount = 3;
  image.blocks.skin->statusX = 77;
  const uint32_t options = image.blocks.ime->optionFlags;
  const uint32_t dmeOptions = image.blocks.dme->codeOptions;

  ASSERT_EQ(Parse(L"[-IME设置-]\r\n候选列表显示个数=7\r\n", image, codec.get()), 1);
  EXPECT_EQ(ImePageSize(image.blocks.ime), 7u);
  EXPECT_EQ(image.blocks.ime->optionFlags, options);
  EXPECT_EQ(image.blocks.dme->codeOptions, dmeOptions);
  EXPECT_EQ(image.blocks.dme->keyFunctions[0x20], 0u);
  EXPECT_EQ(image.blocks.dme->combinationCount, 0);
  EXPECT_EQ(image.blocks.dme->wordRules[2].elements[0], 0);
  EXPECT_EQ(image.blocks.ime->symbolEscapes[','].kind, 0);
  EXPECT_EQ(image.blocks.ime->keyRootTable['g'], 0);
  EXPECT_EQ(image.blocks.dme->header.size, kDmeBlockSize);
  EXPECT_STREQ(image.blocks.skin->header.name, kSkinBlockName);
  // Fields the text does not cover are left to the engine.
  EXPECT_EQ(image.blocks.ime->recentCommitCount, 3);
  EXPECT_EQ(image.blocks.skin->statusX, 77);
}

TEST(SettingsText, ReaderLineRules) {
  SettingsCodec codec;
  std::wstring fits = L"候选列表显示个数=9";
  fits.resize(kMaxSettingsLineUnits, L'x');
  std::wstring tooLong = L"候选列表显示个数=7";
  tooLong.resize(kMaxSettingsLineUnits, L'x');
  tooLong += L"候选列表显示个数=3";
  const std::pair<std::wstring, uint32_t> cases[] = {
      // Headers in any ASCII case; a header with a trailing blank is none.
      {L"[-ime设置-]\r\n候选列表显示个数=7\r\n[-IME设置-] \r\n候选列表显示个数=3\r\n", 7},
      // Comments only at the start of a line; text after "*/" is a line.
      {L"/* [-IME设置-]\r\n候选列表显示个数=2 */\r\n[-IME设置-]\r\n候选列表显示个数=3\r\n"
       L"/*x*/候选列表显示个数=4\r\n//候选列表显示个数=9\r\n",
       4},
      {L"[-IME设置-]\r\n候选列表显示个数=3\r\n/* open\r\n候选列表显示个数=9\r\n", 3},
      // A line of 1,023 units is read; a longer one is dropped, not split.
      {L"[-IME设置-]\r\n" + fits + L"\r\n", 9},
      {L"[-IME设置-]\r\n" + tooLong + L"\r\n", 5},
      // Two backslashes end the line; the text after them is read on.
      {L"[-IME设置-]\r\n候选列表显示个数=8\\\\候选列表显示个数=6\r\n", 6},
      {L"[-IME设置-]\\\\\\\\\\", 5},
  };
  for (const auto& [text, pageSize] : cases) {
    SettingsImage image = Shipped();
    ASSERT_EQ(Parse(text, image, codec.get()), 1);
    EXPECT_EQ(ImePageSize(image.blocks.ime), pageSize) << std::string(text.begin(), text.begin() + 40);
  }

  SettingsImage image = Shipped();
  ASSERT_EQ(Parse(L"[-非编码符号转义定义表-]\r\n==，\r\n"
                  L"[-SKIN设置-]\r\n使用皮肤名称=\"a=b.col\"more.col\r\n",
                  image, codec.get()),
            1);
  EXPECT_EQ(SymbolEscapeText(image.blocks.ime->symbolEscapes['='], false), L"，");
  EXPECT_STREQ(image.blocks.skin->skinName, L"a=b.col");
}

// A parse slot that looks at the live dme block while the text is being read.
const DmeConfigBlock* liveDme = nullptr;
uint64_t spaceFlagsSeen = 0;

void WatchingParseLine(void* block, const wchar_t* key, const wchar_t* value, int section) {
  spaceFlagsSeen = liveDme->keyFunctions[0x20];
  ParseSettingsLine(block, key, value, section);
}

TEST(SettingsText, LiveBlocksChangeOnlyWhenTheTextIsDone) {
  SettingsImage image = Shipped();
  ASSERT_EQ(image.blocks.dme->keyFunctions[0x20], 0x80u);
  liveDme = image.blocks.dme;
  ItfObject watcher{};
  watcher.parseLine = WatchingParseLine;
  watcher.writeSection = WriteSettingsSection;
  ASSERT_EQ(Parse(L"[-按键功能-]\r\n键Esc=清除输入,\r\n[-DME设置-]\r\n开启首键查询=是\r\n", image,
                  &watcher),
            1);
  EXPECT_EQ(spaceFlagsSeen, 0x80u);
  EXPECT_EQ(image.blocks.dme->keyFunctions[0x20], 0u);
  EXPECT_EQ(image.blocks.dme->keyFunctions[0x1B], 0x4u);
  EXPECT_TRUE(image.blocks.dme->codeOptions & 0x8);
}

TEST(SettingsText, WithoutTheModuleTableDmeAndSkinStayEmpty) {
  TempDir dir;
  SettingsImage image = Shipped();
  std::wstring text = DecodeFile(Write(image, nullptr, dir, L"bare.txt"));
  EXPECT_NE(text.find(L"[-DME设置-]\r\n//---"), std::wstring::npos);
  EXPECT_NE(text.find(L"[-SKIN设置-]\r\n//---"), std::wstring::npos);
  EXPECT_NE(text.find(L"[-IME设置-]\r\n//可选"), std::wstring::npos);

  const uint32_t dmeOptions = image.blocks.dme->codeOptions;
  ASSERT_EQ(Parse(L"[-DME设置-]\r\n开启首键查询=是\r\n[-SKIN设置-]\r\n光标宽度=2\r\n", image, nullptr), 1);
  EXPECT_EQ(image.blocks.dme->codeOptions, dmeOptions);
  EXPECT_TRUE(image.blocks.skin->appearanceFlags & 0x2000);
}

TEST(SettingsText, UncreatableFileIsReported) {
  TempDir dir;
  SettingsImage image = Shipped();
  std::wstring path = dir.File(L"missing\\settings.txt");
  EXPECT_EQ(WriteSettingsText(image.blocks.ime, image.blocks.dme, image.blocks.skin, nullptr,
                              path.c_str()),
            1);
}

TEST(KeyFunctionText, KeyNamesReadBackAsTheirCodes) {
  // nullptr: only the way back is checked.
  for (auto [code, text] : {std::pair<KeyCode, const wchar_t*>{0x65, L"\xFF15"}, {0x141, L"A"},
                            {0x41 | 0x600, L"a+键Alt+键Ctrl"}, {0x1B | 0x4400 | 0x100, L"键Esc+键Shift+键左Ctrl"},
                            {0x09 | 0x100, L"键Tab+键Shift"}, {0x202DE, nullptr}, {0x404BF, nullptr}}) {
    if (text) EXPECT_EQ(KeyCodeToText(code), text);
    EXPECT_EQ(ParseKeySpec(KeyCodeToText(code).c_str()), code) << std::hex << code;
  }
}

TEST(KeyFunctionText, ListsKeepWholeNamesWithinTheCut) {
  const uint64_t every = 0x3FFF0FFull | (0xAull << 8) | (0x6FBFull << 32);
  std::wstring text = KeyFunctionsToText(every);
  EXPECT_LE(text.size(), 255u);
  size_t start = 0;
  for (size_t comma = text.find(L','); comma != std::wstring::npos;
       start = comma + 1, comma = text.find(L',', start)) {
    EXPECT_NE(ParseKeyFunctionSpec(text.substr(start, comma - start).c_str()), 0u) << start;
  }
  EXPECT_EQ(start, text.size()) << "the list ends in a comma";
}

}  // namespace
}  // namespace zn::test
