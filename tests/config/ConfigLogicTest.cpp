// config's rules as plain functions: command line, keyword dispatch and
// titles, tab layout, the bits each control writes, the framework-switch
// decision, back-up names, line colours, find, page addresses and versions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "config/app/CommandLine.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/FrameworkSwitch.h"
#include "config/app/HtmlWindow.h"
#include "config/app/PageUrls.h"
#include "config/app/SettingsEditing.h"
#include "config/app/SettingsPages.h"
#include "config/app/SettingsTabs.h"
#include "config/app/SystemPage.h"
#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "tests/engine/CoreTestData.h"

namespace {

constexpr wchar_t kKey[] = L"{00000000-1111-2222-3333-444444444444}";

TEST(CommandLine, ReadsSwitchesQuotedOrNotInAnyOrder) {
  ConfigCommandLine a = ParseConfigCommandLine(L"/do \"gaoji\" /n {00000000-1111-2222-3333-444444444444}");
  ConfigCommandLine b = ParseConfigCommandLine(L"/n {00000000-1111-2222-3333-444444444444} /do 'gaoji'");
  EXPECT_EQ(a.keyword, L"gaoji");
  EXPECT_EQ(b.keyword, L"gaoji");
  EXPECT_EQ(a.productKey, kKey);
  EXPECT_EQ(b.productKey, kKey);
  // An unquoted value ends at the first blank; a quoted one at its own mark.
  EXPECT_EQ(ParseConfigCommandLine(L"/n abc def").productKey, L"abc");
  EXPECT_EQ(ParseConfigCommandLine(L"/dict \"it's fine\"").text, L"it's fine");
  EXPECT_EQ(ParseConfigCommandLine(L"/dict 'say \"hi\"'").text, L"say \"hi\"");
  EXPECT_EQ(ParseConfigCommandLine(L"/dict \"unterminated word").text, L"unterminated word");
  // A switch at the end has an empty value; none at all leaves the defaults.
  ConfigCommandLine empty = ParseConfigCommandLine(L"/do");
  EXPECT_EQ(empty.keyword, L"");
  ConfigCommandLine none = ParseConfigCommandLine(nullptr);
  EXPECT_EQ(none.width, -1);
  EXPECT_EQ(none.height, -1);
  EXPECT_TRUE(none.keyword.empty() && none.productKey.empty());
}

TEST(CommandLine, ValuesAreCutToTheirBuffers) {
  std::wstring longWord(300, L'字');
  ConfigCommandLine line = ParseConfigCommandLine((L"/do " + longWord).c_str());
  EXPECT_EQ(line.keyword, std::wstring(255, L'字'));
  line = ParseConfigCommandLine((L"/n {" + std::wstring(60, L'A') + L"}").c_str());
  EXPECT_EQ(line.productKey.size(), kProductKeyChars);
  wchar_t out[4];
  EXPECT_EQ(CopyQuotedArgument(L"\"abcdef\" rest", out, 4), 8u);  // closing mark consumed
  EXPECT_STREQ(out, L"abc");
  EXPECT_EQ(CopyQuotedArgument(L"ab cd", out, 4), 2u);
  EXPECT_STREQ(out, L"ab");
  EXPECT_EQ(CopyQuotedArgument(L"", out, 4), 0u);
  EXPECT_STREQ(out, L"");
}

TEST(CommandLine, WordsAndUrlsCannotAddSwitches) {
  // The module quotes the word it passes; inside the quotes nothing is a switch.
  ConfigCommandLine line = ParseConfigCommandLine(L"/n {00000000-1111-2222-3333-444444444444} /dict \"x /n {AAAAAAAA-1111-2222-3333-444444444444} /showurl http://evil\"");
  EXPECT_EQ(line.productKey, kKey);
  EXPECT_EQ(line.keyword, L"dict");
  EXPECT_EQ(line.text, L"x /n {AAAAAAAA-1111-2222-3333-444444444444} /showurl http://evil");
  // A value is never a switch, even when it looks like one.
  line = ParseConfigCommandLine(L"/do /n");
  EXPECT_EQ(line.keyword, L"/n");
  EXPECT_EQ(line.productKey, L"");
  // Switches are whole tokens: a prefix of one is not it.
  line = ParseConfigCommandLine(L"/dox gaoji /nn {00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(line.keyword, L"");
  EXPECT_EQ(line.productKey, L"");
}

TEST(CommandLine, ShowUrlWinsOverDictAndTakesItsSize) {
  ConfigCommandLine line =
      ParseConfigCommandLine(L"/dict word /showurl http://a.b/c /showurlCX 640 /do about");
  EXPECT_EQ(line.keyword, L"showurl");
  EXPECT_EQ(line.text, L"http://a.b/c");
  EXPECT_EQ(line.width, 640);
  EXPECT_EQ(line.height, -1);
  EXPECT_EQ(line.left, -1);
  EXPECT_EQ(line.top, -1);
  line = ParseConfigCommandLine(L"/showurlCX 640 /showurlCY 480 /dict 词");
  EXPECT_EQ(line.keyword, L"dict");  // the size alone opens no page window
  EXPECT_EQ(line.width, -1);
  EXPECT_EQ(line.text, L"词");
  line = ParseConfigCommandLine(L"/showurl x /showurlCY 99999999999");
  EXPECT_EQ(line.height, 0x7FFFFFFF);
}

TEST(CommandLine, OnlyBracedGuidsAreProductKeys) {
  EXPECT_TRUE(IsProductKeyText(kKey));
  EXPECT_FALSE(IsProductKeyText(L""));
  EXPECT_FALSE(IsProductKeyText(L"00000000-1111-2222-3333-444444444444"));
  EXPECT_FALSE(IsProductKeyText(L"{00000000-1111-2222-3333-44444444444G}"));
  EXPECT_FALSE(IsProductKeyText(L"{..\\..\\Microsoft\\Windows}"));
  EXPECT_FALSE(IsProductKeyText(L"{00000000-1111-2222-3333-444444444444} /u"));
}

TEST(Dispatch, KeywordsChooseTheWindowAndStartPage) {
  EXPECT_EQ(DispatchKeyword(L"gaojishezhi").mode, ConfigMode::kAdvancedEditor);
  EXPECT_EQ(DispatchKeyword(L"高级设置").mode, ConfigMode::kAdvancedEditor);
  EXPECT_EQ(DispatchKeyword(L"showurl").mode, ConfigMode::kShowUrl);
  EXPECT_EQ(DispatchKeyword(L"dict").mode, ConfigMode::kDictionary);
  EXPECT_EQ(DispatchKeyword(L"输出反查").mode, ConfigMode::kOutputLookup);
  EXPECT_EQ(DispatchKeyword(L"jiantiebanfancha").mode, ConfigMode::kClipboardLookup);
  EXPECT_EQ(DispatchKeyword(L"按键设置").mode, ConfigMode::kKeyEditor);
  EXPECT_EQ(DispatchKeyword(L"tianjiayonghuci").mode, ConfigMode::kAddWordManual);
  EXPECT_EQ(DispatchKeyword(L"剪贴板加词").mode, ConfigMode::kAddWordRecent);
  EXPECT_EQ(DispatchKeyword(L"help").mode, ConfigMode::kHelp);
  EXPECT_EQ(DispatchKeyword(L"gaoji").startPage, kPageSystem);
  EXPECT_EQ(DispatchKeyword(L"GAOJI").startPage, kPageSystem);
  EXPECT_EQ(DispatchKeyword(L"界面").startPage, kPageAppearance);
  EXPECT_EQ(DispatchKeyword(L"mabiao").startPage, kPageCodeTables);
  EXPECT_EQ(DispatchKeyword(L"About").startPage, kPageAbout);
  // Exact comparisons elsewhere: these open the settings dialog on page 0.
  for (const wchar_t* word : {L"Gaojishezhi", L"", L"HELP", L"gaoji "}) {
    ConfigDispatch d = DispatchKeyword(word);
    EXPECT_EQ(d.mode, ConfigMode::kSettings) << word;
    EXPECT_EQ(d.startPage, kPageOptions) << word;
  }
  EXPECT_EQ(DispatchKeyword(L"showurl").titlePrefix, nullptr);
  EXPECT_STREQ(DispatchKeyword(L"").titlePrefix, kTitleSettings);
}

TEST(Dispatch, OneFormatterMakesTheSearchedAndTheSetTitle) {
  EXPECT_EQ(InstanceTitle(kTitleSettings, L"星禾五笔"), L"使用设置 - 星禾五笔");
  // Without a display name both sides use the "*" form, so they still meet.
  EXPECT_EQ(InstanceTitle(kTitleAdvanced, L""), L"高级设置模式 - *");
  EXPECT_EQ(InstanceTitle(kTitleDictionary, std::wstring(200, L'x')).size(), 127u);
}

TEST(Tabs, MaskAndStartPageGivePositions) {
  TabLayout layout = LayoutSettingsTabs(0x11, kPageSystem);
  ASSERT_EQ(layout.count, 2);
  EXPECT_EQ(layout.pages[0], kPageSystem);
  EXPECT_EQ(layout.pages[1], kPageAbout);
  EXPECT_EQ(layout.selected, 0);
  EXPECT_EQ(LayoutSettingsTabs(0x11, kPageAbout).selected, 1);
  // A start page whose tab is hidden, or past the last page, lands on a
  // visible tab.
  layout = LayoutSettingsTabs(0x1E, kPageSystem);
  EXPECT_EQ(layout.count, 4);
  EXPECT_EQ(layout.selected, 0);
  EXPECT_EQ(LayoutSettingsTabs(0x03, 9).selected, 0);
  EXPECT_EQ(LayoutSettingsTabs(0x03, -2).selected, 0);
  // No tab bit at all shows every tab in the fixed order.
  for (uint32_t mask : {0u, 0xFFFF0000u, 0x20u}) {
    layout = LayoutSettingsTabs(mask, kPageAbout);
    ASSERT_EQ(layout.count, 5) << mask;
    EXPECT_EQ(layout.pages[3], kPageSystem);
    EXPECT_EQ(layout.selected, 4);
  }
  EXPECT_EQ(TabRowOfPage(kPageSystem), 3);
  EXPECT_EQ(TabRowOfPage(kPageOptions), 0);
  EXPECT_EQ(NextTabPosition(0, 5), 1);
  EXPECT_EQ(NextTabPosition(4, 5), 0);
  EXPECT_EQ(NextTabPosition(6, 5), 0);  // a position past the end wraps too
  EXPECT_EQ(NextTabPosition(0, 0), 0);
}

TEST(SystemPageBits, EachControlWritesItsBits) {
  struct Case {
    int id;
    bool checked;
    uint32_t before;
    uint32_t after;
  };
  const Case cases[] = {
      {IDC_SYS_SECONDARY_ON, true, 0x1, 0x20001},
      {IDC_SYS_SECONDARY_OFF, true, 0x20001, 0x1},
      {IDC_SYS_SCHEME_BOTH, true, 0x0, 0x18000},
      {IDC_SYS_SCHEME_MAIN, true, 0x18000, 0x8000},
      {IDC_SYS_SCHEME_AUX, true, 0x18000, 0x10000},
      {IDC_SYS_NO_HOTKEYS, true, 0x0, 0x8},
      {IDC_SYS_NO_HOTKEYS, false, 0xFFFFFFFF, 0xFFFFFFF7},
      {IDC_SYS_SECONDARY_EMPTY, true, 0x8000, 0x48000},
      {IDC_SYS_SECONDARY_EMPTY, false, 0x48000, 0x8000},
  };
  for (const Case& c : cases) {
    uint32_t word = c.before;
    EXPECT_TRUE(ApplyBitControl(SystemPageBits(), c.id, c.checked, word)) << c.id;
    EXPECT_EQ(word, c.after) << c.id;
  }
  uint32_t word = 0x5;
  EXPECT_FALSE(ApplyBitControl(SystemPageBits(), IDC_SYS_ADVANCED, true, word));
  EXPECT_EQ(word, 0x5u);
}

TEST(EmbedBits, StylesAreExclusiveAndChecksFollowTheStyle) {
  uint32_t word = 0x8 | 0x4000;
  ApplyBitControl(EmbedStyleBits(), IDC_EMB_TSF_FIRST, true, word);
  EXPECT_EQ(word, 0x8u | 0x2000u);
  ApplyBitControl(EmbedStyleBits(), IDC_EMB_IMM, true, word);
  EXPECT_EQ(word, 0x8u);
  EXPECT_EQ(SelectedRadio(EmbedStyleBits(), 0x1000, 0), IDC_EMB_TSF_CODE);
  EXPECT_EQ(SelectedRadio(EmbedStyleBits(), 0x4008, 0), IDC_EMB_TSF_CLASSIC);
  EXPECT_EQ(SelectedRadio(EmbedStyleBits(), 0x8, 0), IDC_EMB_IMM);
  uint32_t spaceWord = 0x1000;
  ApplyBitControl(EmbedOptionBits(), IDC_EMB_HIDE_FIRST, true, spaceWord);
  EXPECT_EQ(spaceWord, 0x1080u);
  EXPECT_FALSE(EmbedControlsFor(IDC_EMB_IMM).ambiguousOnly);
  EXPECT_FALSE(EmbedControlsFor(IDC_EMB_IMM).hideFirst);
  EXPECT_TRUE(EmbedControlsFor(IDC_EMB_TSF_FIRST).hideFirst);
  EXPECT_FALSE(EmbedControlsFor(IDC_EMB_TSF_CODE).hideFirst);
  EXPECT_TRUE(EmbedControlsFor(IDC_EMB_TSF_CLASSIC).ambiguousOnly);
}

TEST(FrameworkSwitchDecision, OnlyAMoveBetweenFrameworksStartsTheInstaller) {
  struct Case {
    uint32_t before, after;
    bool launch, toTsf;
  };
  const Case cases[] = {
      {0x0, 0x2000, true, true},     {0x2000, 0x0, true, false},
      {0x1000, 0x4000, false, true}, {0x0, 0x8, false, false},
      {0x7008, 0x8, true, false},    {0x8, 0x1008, true, true},
  };
  for (const Case& c : cases) {
    FrameworkDecision d = DecideFrameworkSwitch(c.before, c.after);
    EXPECT_EQ(d.launch, c.launch) << std::hex << c.before << " " << c.after;
    EXPECT_EQ(d.toTsf, c.toTsf) << std::hex << c.before << " " << c.after;
  }
  EXPECT_EQ(InstallerArguments(true, kKey), std::wstring(L"/EMMODE=1 /GUID=") + kKey);
  EXPECT_EQ(InstallerArguments(false, kKey), std::wstring(L"/EMMODE=0 /GUID=") + kKey);
}

TEST(EditorRules, BackupNamesEndInTheSuffixOnce) {
  EXPECT_EQ(BackupFileName(L"C:\\Docs\\Mine.TXT"), L"c:\\docs\\mine.znconfig.txt");
  EXPECT_EQ(BackupFileName(L"C:\\a\\b"), L"c:\\a\\b.znconfig.txt");
  EXPECT_EQ(BackupFileName(L"C:\\a.txt.bak"), L"c:\\a.txt.bak.znconfig.txt");
  // Choosing an existing back-up to replace keeps its name.
  EXPECT_EQ(BackupFileName(L"C:\\a\\old.znconfig.txt"), L"c:\\a\\old.znconfig.txt");
  EXPECT_EQ(BackupFileName(L"C:\\名字.txt"), L"c:\\名字.znconfig.txt");
  EXPECT_FALSE(BackupFileName(L"C:\\" + std::wstring(250, L'a')).has_value());
  EXPECT_TRUE(BackupFileName(L"C:\\" + std::wstring(240, L'a')).has_value());
  EXPECT_FALSE(BackupFileName(L"").has_value());
}

TEST(EditorRules, LinesAreColouredAsTheReaderSplitsThem) {
  LineColours comment = ColoursOfLine(L"//注释=不是值");
  EXPECT_EQ(comment.head, kCommentColour);
  EXPECT_EQ(comment.headUnits, 8u);
  EXPECT_EQ(ColoursOfLine(L"[-IME设置-]").rest, kPlainColour);
  LineColours pair = ColoursOfLine(L"键Esc=清除输入,");
  EXPECT_EQ(pair.headUnits, 5u);
  EXPECT_EQ(pair.rest, kValueColour);
  LineColours equalsKey = ColoursOfLine(L"==，");  // the key is "="
  EXPECT_EQ(equalsKey.headUnits, 2u);
  EXPECT_EQ(ColoursOfLine(L"=").rest, kPlainColour);
  EXPECT_EQ(ColoursOfLine(L"plain").rest, kPlainColour);
}

TEST(EditorRules, FindRestartsAtTheMatchEndAndWrapsOnce) {
  const std::wstring text = L"是是 否 是";
  int calls = 0;
  auto finder = [&](LONG from, CHARRANGE& found) {
    ++calls;
    size_t at = text.find(L"是", static_cast<size_t>(from));
    if (at == std::wstring::npos) return false;
    found = {static_cast<LONG>(at), static_cast<LONG>(at + 1)};
    return true;
  };
  LONG start = 0;
  CHARRANGE found{};
  std::vector<LONG> hits;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(FindWithWrap(finder, start, found));
    hits.push_back(found.cpMin);
  }
  EXPECT_EQ(hits, (std::vector<LONG>{0, 1, 5, 0}));  // adjacent match found; one wrap
  auto never = [&](LONG, CHARRANGE&) { return false; };
  start = 3;
  calls = 0;
  EXPECT_FALSE(FindWithWrap(never, start, found));
  EXPECT_EQ(start, 0);
}

TEST(EditorRules, ACutEditorTextIsDetected) {
  EXPECT_FALSE(ShownTextIsCut(L"a\nb\r\nc", L"a\r\nb\r\nc"));
  EXPECT_FALSE(ShownTextIsCut(L"a\rb", L"a\r\nb"));
  EXPECT_TRUE(ShownTextIsCut(L"abc\r\ndef", L"abc\r\nde"));
  EXPECT_EQ(WithCrLf(L"a\n\nb\r"), L"a\r\n\r\nb\r\n");
}

TEST(PageAddresses, OnlyOurHelpFileAndWebPagesAreOpened) {
  const std::wstring install = L"C:\\Program Files\\Zin\\";
  const std::wstring help = L"mk:@MSITStore:C:\\Program Files\\Zin\\main.chm::/topics/a.html";
  EXPECT_EQ(AcceptPageUrl(help, install), help);
  EXPECT_EQ(AcceptPageUrl(L"MK:@msitstore:c:\\program files\\zin\\MAIN.CHM", install),
            L"MK:@msitstore:c:\\program files\\zin\\MAIN.CHM");
  EXPECT_FALSE(AcceptPageUrl(L"mk:@MSITStore:C:\\evil\\main.chm::/a.html", install));
  EXPECT_FALSE(AcceptPageUrl(L"mk:@MSITStore:C:\\Program Files\\Zin\\main.chm.evil", install));
  EXPECT_FALSE(AcceptPageUrl(L"file:///C:/Windows/win.ini", install));
  EXPECT_FALSE(AcceptPageUrl(L"javascript:alert(1)", install));
  EXPECT_FALSE(AcceptPageUrl(help, L""));
  EXPECT_EQ(AcceptPageUrl(L"https://example.org/查 询?q=a b", install),
            L"https://example.org/%E6%9F%A5%20%E8%AF%A2?q=a%20b");
  EXPECT_EQ(AcceptPageUrl(L"", install), L"mk:@MSITStore:" + install + L"main.chm::/About.html");
}

TEST(PageWindowPlacement, ClampsToTheScreenAndCentres) {
  WindowPlacement big = PlacePageWindow(5000, 5000, 1280, 1024);
  EXPECT_TRUE(big.sized);
  EXPECT_EQ(big.width, 1280);
  EXPECT_EQ(big.height, 1024);
  EXPECT_EQ(big.left, 0);
  EXPECT_EQ(big.top, 0);
  WindowPlacement small = PlacePageWindow(400, 300, 1280, 1024);
  EXPECT_EQ(small.left, 440);
  EXPECT_EQ(small.top, 362);
  EXPECT_FALSE(PlacePageWindow(0, 300, 1280, 1024).sized);
  EXPECT_FALSE(PlacePageWindow(400, -1, 1280, 1024).sized);
}

TEST(Versions, PartsArePackedAndClamped) {
  EXPECT_EQ(ParseVersionText(L"3.2.0.145"), 0x0003000200000091ull);
  EXPECT_EQ(ParseVersionText(L"1.2"), 0x0001000200000000ull);
  EXPECT_EQ(ParseVersionText(L"70000.1.99999999999.4"), 0xFFFF0001FFFF0004ull);
  EXPECT_EQ(ParseVersionText(L"1, 0, 0, 7"), 0x0001000000000000ull | 0);  // commas end a part
  EXPECT_EQ(ParseVersionText(nullptr), 0u);
  EXPECT_EQ(DottedVersionText(0x0003000200000091ull), L"3.2.0.145");
  EXPECT_EQ(AboutLine(L"星禾五笔", L"1.0", L"1.0.0.0"), L"星禾五笔: 1.0\u3000\u3000\u3000星禾程序版本: 1.0.0.0");
  wchar_t out[128];
  EXPECT_EQ(QueryVersionString(L"C:\\no\\such.dll", L"FileVersion", out), 1);
  EXPECT_STREQ(out, L"");
}

TEST(RecentText, JoinsTheLastRecordsAndKeepsTheNewest) {
  std::vector<uint8_t> config = zn::test::DefaultConfig();
  ImeContext* context = static_cast<ImeContext*>(calloc(1, sizeof(ImeContext)));
  ConfigBlockSet set{};
  ASSERT_TRUE(LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set));
  context->imeBlock = set.ime;
  const wchar_t* words[] = {L"一二三四五六七八九十一二三四五", L"甲", L"乙丙"};
  for (int i = 0; i < 14; ++i) wcsncpy(set.ime->recentCommits[i].word, words[0], 16);
  wcsncpy(set.ime->recentCommits[14].word, words[1], 16);
  wcsncpy(set.ime->recentCommits[15].word, words[2], 16);
  set.ime->recentCommitCount = 16;
  wchar_t out[128];
  EXPECT_EQ(JoinSettingRecords(context, 2, out), 0);
  EXPECT_STREQ(out, L"甲乙丙");
  // Sixteen records of up to 15 units exceed the buffer: the newest text stays.
  JoinSettingRecords(context, 16, out);
  std::wstring all = out;
  EXPECT_EQ(all.size(), 127u);
  EXPECT_EQ(all.substr(all.size() - 3), L"甲乙丙");
  set.ime->recentCommitCount = 99;  // a damaged count reads no further than the array
  JoinSettingRecords(context, 1, out);
  EXPECT_STREQ(out, L"乙丙");
  free(context);
}

}  // namespace
