// The command language: macro words, escapes, placeholders with a fixed
// clock, the verbs and what they leave for the front ends, and the launchers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CommandLanguage.h"
#include "engine/Commit.h"
#include "engine/ImeOptionBits.h"
#include "engine/Launchers.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"
#include "tests/engine/RoadTestContext.h"

namespace {

using zn::test::Attr;
using zn::test::FakeEffects;

constexpr uint32_t kDown = KEYEVENTF_EXTENDEDKEY << 8;
constexpr uint32_t kUp = (KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP) << 8;

struct Split {
  int result;
  std::wstring command;
  std::wstring shown;
};

Split SplitWith(FakeEffects& effects, const std::wstring& word, ImeContext* context = nullptr) {
  wchar_t command[kMacroTextUnits] = L"?";
  wchar_t shown[kMacroTextUnits] = L"?";
  const int result = SplitCandidateMacro(context, word.c_str(), command, shown, effects);
  return {result, command, shown};
}

std::wstring Expand(FakeEffects& effects, const std::wstring& text, ImeContext* context = nullptr) {
  wchar_t out[kMacroTextUnits];
  ExpandPlaceholders(context, text.c_str(), out, effects);
  return out;
}

TEST(CommandSyntax, SplitsCommandLabelAndEscapes) {
  FakeEffects fx;
  Split s = SplitWith(fx, L"$zncmd(<date.yyyy>年<date.m>月<date.d>日,日期)");
  EXPECT_EQ(s.result, 2);
  EXPECT_EQ(s.shown, L"日期");
  EXPECT_EQ(s.command, L"2013年6月26日");
  s = SplitWith(fx, L"$zncmd(\"run(notepad.exe)\",记事本)");
  EXPECT_EQ(s.command + L"|" + s.shown, L"run(notepad.exe)|记事本");
  // Without a label the command is shown; quoted commas are the command's.
  s = SplitWith(fx, L"$zncmd(\"help(keys.htm,600,500)\")");
  EXPECT_EQ(s.command + L"|" + s.shown, L"help(keys.htm,600,500)|help(keys.htm,600,500)");
  // Ordinary words: 10 units, no final ")", another prefix.
  for (const wchar_t* word : {L"$zncmd(ab)", L"$zncmd(abcdef", L"$zncmX(abcdefg)"}) {
    EXPECT_EQ(SplitWith(fx, word).result, 0) << word;
  }
  // Lone or many quotes give texts, never negative lengths.
  EXPECT_EQ(SplitWith(fx, L"$zncmd(\"abcdefgh)").command, L"abcdefgh");
  EXPECT_EQ(SplitWith(fx, L"$zncmd(\"\"\"\"\"\"\"\")").command, L"\"\"\"\"\"\"");
  EXPECT_GE(SplitWith(fx, L"$zncmd(\",\",\")").result, 0);
  wchar_t out[kMacroTextUnits];
  UnescapeCandidateText(L"a\\\\b\\sc\\td\\re\\q\\", out);
  EXPECT_STREQ(out, L"a\\b c\td\r\ne\\q\\");
  wchar_t small[4];  // the CR LF of \r is never split
  EXPECT_EQ(UnescapeCandidateText(L"ab\\r", small, 4), 2);
}

TEST(CommandPlaceholders, TimeAndDateWithFixedClock) {
  FakeEffects fx;
  fx.now = {2013, 6, 26, 3, 9, 5, 7};
  EXPECT_EQ(Expand(fx, L"<time.HH>"), L"零九");
  EXPECT_EQ(Expand(fx, L"<time.H>:<time.hh>:<time.h>"), L"九:09:9");
  EXPECT_EQ(Expand(fx, L"<time.mm><time.m><time.SS><time.s>"), L"055零七7");
  EXPECT_EQ(Expand(fx, L"<date.YYYY>|<date.YY>|<date.yyyy>|<date.yy>"), L"二〇一三|一三|2013|13");
  EXPECT_EQ(Expand(fx, L"<data.M>月<date.D>日 <date.mm>-<date.dd>"), L"六月二十六日 06-26");
  EXPECT_EQ(Expand(fx, L"<date.z><date.Z>"), L"星期三周三");
  fx.now = {2009, 10, 7, 0, 9, 45, 0};
  EXPECT_EQ(Expand(fx, L"<time.MM>"), L"四十五");
  EXPECT_EQ(Expand(fx, L"<date.Z>"), L"周日");
  EXPECT_EQ(Expand(fx, L"<date.Y>"), L"九");  // the last two digits, no zero added
  EXPECT_EQ(Expand(fx, L"<date.yy>"), L"09");
  EXPECT_EQ(Expand(fx, L"<date.M><date.DD>"), L"十零七");
  EXPECT_EQ(Expand(fx, L"<time><date.q>"), L"##");
  fx.now = {2013, 12, 31, 2, 20, 50, 15};
  EXPECT_EQ(Expand(fx, L"<date.D>|<time.H>|<time.M>|<time.S>|<date.M>"), L"三十一|二十|五十|十五|十二");
}

TEST(CommandPlaceholders, LastClipboardCodesAndLiterals) {
  FakeEffects fx;
  zn::test::RoadContext road;
  ImeContext* c = road.get();
  EXPECT_EQ(Expand(fx, L"[<last.1>][<last.3>]", c), L"[ ][ ]");
  wcscpy(c->lastOutput, L"上次");
  wcscpy(c->lastReading, L"读音");
  EXPECT_EQ(Expand(fx, L"<last.1>,<last.2>", c), L"上次,读音");
  EXPECT_EQ(Expand(fx, L"<u16value.AB>"), L"0x65,0x66,");
  fx.clipboard = L"剪贴";
  EXPECT_EQ(Expand(fx, L"<clipboard>!"), L"剪贴!");
  EXPECT_EQ(Expand(fx, L"a<b<foo.x><time"), L"a<b<foo.x><time");
  EXPECT_EQ(Expand(fx, L"<averyveryverylongname.h><time.h>"), L"<averyveryverylongname.h>9");
  // The whole result stays within 128 units.
  std::wstring many;
  for (int i = 0; i < 40; ++i) many += L"<date.yyyy>";
  EXPECT_EQ(Expand(fx, many).size(), 128u);
}

TEST(CommandArgument, BracketsQuotesAndAppPath) {
  zn::test::RoadContext road;
  wcscpy(road.get()->installFolder, L"C:\\zin\\");
  wchar_t out[kCommandArgumentUnits];
  // nullptr: refused.
  for (auto [command, want] : {std::pair{L"run(\"C:\\a b.exe\")", L"C:\\a b.exe"},
                               {L"run(%apppath%\\config.exe)", L"C:\\zin\\config.exe"},
                               {L"run(%apppath%x.exe)", L"C:\\zin\\x.exe"}, {L")x(abc", L"abc"},
                               {L"run(\")", nullptr}, {L"run(\"", nullptr}, {L"no brackets", nullptr}}) {
    const int ok = ResolveCommandArgument(road.get(), command, out);
    if (want) EXPECT_STREQ(out, want) << command;
    else EXPECT_EQ(ok, 0) << command;
  }
}

// A context whose main table holds macro words, with the macro option on and
// a product key the fake registry knows.
class MacroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    road_.SetMain({{"jsb", L"$zncmd(\"run(notepad.exe)\",记事本)", Attr(1, 10)},
                   {"url", L"$zncmd(run(http://x.cn/?q=中 文),查)", Attr(1, 10)},
                   {"hc", L"$zncmd(好keyboard(<13>),回车)", Attr(1, 10)},
                   {"nk", L"$zncmd(newkey(jsb),换码)", Attr(1, 10)},
                   {"bz", L"$zncmd(\"help(keys.htm,600,500)\",帮助)", Attr(1, 10)},
                   {"pz", L"$zncmd(config(/do 关于),配置)", Attr(1, 10)},
                   {"rq", L"$zncmd(<date.yyyy>,年份)", Attr(1, 10)},
                   {"bd", L"$zncmd(\"convert(中英文标点,英文)\",标点)", Attr(1, 10)}});
    ctx()->imeBlock->spaceWord |= ImeBits::kMacros;
    wcscpy(ctx()->installFolder, L"C:\\zin\\");
    os_.values[L"InstallLocation"] = L"C:\\zin";
    wcscpy(ctx()->productKey, os_.productKey.c_str());
    ctx()->os = &os_;
    ctx()->effects = &fx_;
  }
  ImeContext* ctx() { return road_.get(); }
  uint32_t Choose(const wchar_t* code) {
    road_.Search(code);
    EXPECT_GE(ctx()->slotsFilled, 1) << code;
    CommitCandidate(ctx(), 1);
    return ctx()->commitKind;
  }
  std::wstring Argument() { return ctx()->commandArgument; }

  zn::test::RoadContext road_;
  zn::test::FakeOs os_;
  FakeEffects fx_;
};

TEST_F(MacroTest, RunKeyboardAndNewKey) {
  road_.Search(L"jsb");
  EXPECT_EQ(road_.Page(), std::vector<std::wstring>{L"记事本"});
  EXPECT_EQ(Choose(L"jsb"), kCommitActionRun);
  EXPECT_EQ(Argument(), L"notepad.exe");
  EXPECT_EQ(ctx()->commitLength, 0);
  EXPECT_EQ(RunCommandAction(ctx(), fx_), kFollowUpNone);
  EXPECT_EQ(fx_.programs, std::vector<std::wstring>{L"notepad.exe "});
  EXPECT_EQ(Choose(L"url"), kCommitActionRun);  // a web address is encoded whole
  EXPECT_EQ(Argument(), L"http://x.cn/?q=%E4%B8%AD%20%E6%96%87");

  EXPECT_EQ(Choose(L"hc"), kCommitActionTextThenKeyboard);
  EXPECT_EQ(road_.Commit() + L"|" + Argument(), L"好|<13>");
  EXPECT_EQ(RunCommandAction(ctx(), fx_), kFollowUpCommitText);
  EXPECT_EQ(fx_.keys, (std::vector<uint32_t>{13 | kDown, 13 | kUp}));

  EXPECT_EQ(Choose(L"nk"), kCommitActionReplaceCode);
  int result = -1;
  EXPECT_EQ(RunCommandAction(ctx(), fx_, &result), kFollowUpShowCandidates);
  EXPECT_EQ(std::wstring(ctx()->code) + L"|" + std::to_wstring(ctx()->cursor), L"jsb|3");
  EXPECT_EQ(result, kSearchListed);
  EXPECT_EQ(road_.Page(), std::vector<std::wstring>{L"记事本"});

  ctx()->imeBlock->spaceWord &= ~ImeBits::kMacros;  // off: the command is plain text
  EXPECT_EQ(Choose(L"jsb"), kCommitActionText);
  EXPECT_EQ(road_.Commit(), L"run(notepad.exe)");
  EXPECT_EQ(RunCommandAction(ctx(), fx_), kFollowUpCommitText);
  EXPECT_EQ(fx_.programs.size(), 1u);
}

TEST_F(MacroTest, HelpConfigAndConvert) {
  EXPECT_EQ(Choose(L"bz"), kCommitActionHelp);
  RunCommandAction(ctx(), fx_);
  EXPECT_EQ(fx_.programs.back(), L"C:\\zin\\config.exe /n " + os_.productKey +
                                     L" /showurl 'mk:@MSITStore:C:\\zin\\main.chm::/keys.htm'"
                                     L" /showurlCX 600 /showurlCY 500");
  EXPECT_EQ(Choose(L"pz"), kCommitActionConfig);
  RunCommandAction(ctx(), fx_);
  EXPECT_EQ(fx_.programs.back(), L"C:\\zin\\config.exe /n " + os_.productKey + L" /do 关于");
  ImeContext* c = ctx();
  c->stateFlags = 0;
  EXPECT_EQ(Choose(L"bd"), kCommitActionConvert);
  EXPECT_EQ(RunCommandAction(c, fx_), kFollowUpRefreshStatus);
  EXPECT_EQ(c->stateFlags, kStateEnglishPunct);
  ApplyConvertCommand(c, L"中英文标点,中文");
  c->imeBlock->optionFlags |= kImeOptTraditional;
  ApplyConvertCommand(c, L"全半角,全角");  // full width ends traditional output
  EXPECT_EQ(c->stateFlags, kStateFullWidth);
  EXPECT_EQ(c->imeBlock->optionFlags & kImeOptTraditional, 0u);
  ApplyConvertCommand(c, L"全半角,切换");
  ApplyConvertCommand(c, L"繁体输出,打开");
  ApplyConvertCommand(c, L"简体输出,x");
  EXPECT_EQ(c->stateFlags, 0u);
  EXPECT_EQ(c->imeBlock->optionFlags & (kImeOptTraditional | kImeOptSimplified),
            kImeOptTraditional | kImeOptSimplified);
  EXPECT_EQ(ApplyConvertCommand(c, L"全半角"), 0);
  EXPECT_EQ(ApplyConvertCommand(c, L"全角半角,全角"), 0);
  EXPECT_EQ(c->stateFlags, 0u);
}

TEST_F(MacroTest, SetRefusesFrameworkKeyAndStartsInstallerOnFrameworkChange) {
  ImeConfigBlock* ime = ctx()->imeBlock;
  ime->spaceWord |= ImeBits::kTsfAvailable;
  ime->optionFlags &= ~ImeBits::kTsfStyles;
  wcscpy(ctx()->commandArgument, L"set([-IME设置-],输入法框架=TSF)");
  EXPECT_EQ(ApplySetCommand(ctx(), fx_), 0);
  wcscpy(ctx()->commandArgument, L"set([-无此节-],编码窗口样式=TSF-嵌入编码)");
  EXPECT_EQ(ApplySetCommand(ctx(), fx_), 0);
  EXPECT_EQ(ime->optionFlags & ImeBits::kTsfStyles, 0u);
  EXPECT_TRUE(fx_.programs.empty());
  wcscpy(ctx()->commandArgument, L"set(\"[-IME设置-]\",\"编码窗口样式\"=\"TSF-嵌入编码\")");
  EXPECT_EQ(ApplySetCommand(ctx(), fx_), 1);
  EXPECT_EQ(ime->optionFlags & ImeBits::kTsfStyles, ImeBits::kTsfEmbedCode);
  EXPECT_EQ(fx_.programs,
            std::vector<std::wstring>{L"C:\\zin\\installer.exe /EMMODE=1 /GUID=" + os_.productKey});
  // The same value again changes nothing and starts nothing.
  EXPECT_EQ(ApplySetCommand(ctx(), fx_), 1);
  EXPECT_EQ(fx_.programs.size(), 1u);
  // Without an install folder the installer is not looked for elsewhere.
  os_.values.erase(L"InstallLocation");
  wcscpy(ctx()->commandArgument, L"set([-IME设置-],编码窗口样式=普通)");
  EXPECT_EQ(ApplySetCommand(ctx(), fx_), 1);
  EXPECT_EQ(fx_.programs.size(), 1u);
}

// The table and the macro switch are writable by every process: in a process
// trusted more or less than the user's own, a word that would start a program,
// open a file or address or send keys does nothing at all.
TEST_F(MacroTest, ActingMacrosAreRefusedOutsideAPlainUserProcess) {
  ctx()->lastOutput[0] = 0;
  const ProcessToken tokens[] = {
      {true, true, 0x2000},   // elevated
      {true, false, 0x3000},  // high integrity
      {true, false, 0x1000},  // low (a sandbox)
      {true, false, 0x4000},  // system
      {false, false, 0},      // unknown
  };
  for (const ProcessToken& token : tokens) {
    SCOPED_TRACE(token.integrityRid);
    fx_.token = token;
    for (const wchar_t* code : {L"jsb", L"url", L"hc", L"bz", L"pz"}) {
      road_.Search(code);
      EXPECT_EQ(CommitCandidate(ctx(), 1), kCommitRefused) << code;
      EXPECT_EQ(ctx()->commitKind, kCommitActionNone) << code;
      EXPECT_EQ(road_.Commit() + Argument(), L"") << code;
    }
    // Even a front end that carries an action out by itself starts nothing.
    ctx()->commitKind = kCommitActionTextThenKeyboard;
    wcscpy(ctx()->commandArgument, L"<13>");
    EXPECT_EQ(RunCommandAction(ctx(), fx_), kFollowUpNone);
    // What stays inside the input method still works.
    EXPECT_EQ(Choose(L"nk"), kCommitActionReplaceCode);
    EXPECT_EQ(Choose(L"bd"), kCommitActionConvert);
    EXPECT_EQ(Choose(L"rq"), kCommitActionText);
    EXPECT_EQ(road_.Commit(), L"2013");
  }
  EXPECT_TRUE(fx_.programs.empty());
  EXPECT_TRUE(fx_.helpTopics.empty());
  EXPECT_TRUE(fx_.keys.empty());
  // Medium plus is still the user's own level.
  fx_.token = ProcessToken{true, false, 0x2100};
  EXPECT_EQ(Choose(L"jsb"), kCommitActionRun);
}

// The real query under Wine, where every process is elevated: the shipped
// module refuses such words there.
TEST(ProcessTokenQuery, WineProcessesAreElevatedSoWordActsAreRefused) {
  const ProcessToken token = DefaultEffects().QueryProcessToken();
  EXPECT_TRUE(token.known);
  EXPECT_TRUE(token.elevated);
  EXPECT_FALSE(PlainUserToken(token));
  EXPECT_TRUE(DataActsRefused(nullptr, DefaultEffects()));
}

TEST(KeyboardCommand, GroupsCountsAndModifiers) {
  const uint32_t down = kDown, up = kUp;
  FakeEffects fx;
  EXPECT_EQ(SendKeyboardCommand(L"<65.3+Shift>", fx), 1);
  std::vector<uint32_t> expected = {16 | down};
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {65 | down, 65 | up});
  expected.push_back(16 | up);
  EXPECT_EQ(fx.keys, expected);
  for (const wchar_t* once : {L"<65.0>", L"<65.300>", L"<65.>"}) {
    FakeEffects one;
    SendKeyboardCommand(once, one);
    EXPECT_EQ(one.keys, (std::vector<uint32_t>{65 | down, 65 | up})) << once;
  }
  FakeEffects all;
  SendKeyboardCommand(L"<9+Alt+Win+Ctrl+Shift>", all);
  EXPECT_EQ(all.keys, (std::vector<uint32_t>{91 | down, 17 | down, 16 | down, 18 | down, 9 | down,
                                             9 | up, 17 | up, 16 | up, 18 | up, 91 | up}));
  FakeEffects several;
  EXPECT_EQ(SendKeyboardCommand(L"x<37><39>,<40>", several), 2);  // stops at ","
  EXPECT_EQ(several.keys.size(), 4u);
  FakeEffects none;
  EXPECT_EQ(SendKeyboardCommand(L"<65", none), 0);
  SendKeyboardCommand(L"<0><999><>", none);
  EXPECT_TRUE(none.keys.empty());
}

TEST(Launchers, ConfigCommandLinesHelpAndQuoting) {
  zn::test::RoadContext road;
  zn::test::FakeOs os;
  ImeContext* c = road.get();
  c->os = &os;
  wcscpy(c->productKey, os.productKey.c_str());
  wcscpy(c->installFolder, L"C:\\zin\\");
  FakeEffects fx;
  LaunchConfigTool(c, nullptr, L"/do 关于", fx);
  EXPECT_TRUE(fx.programs.empty());  // no InstallLocation: not even a bare config.exe
  os.values[L"InstallLocation"] = L"D:\\ime";
  LaunchConfigTool(c, nullptr, L"/do 关于", fx);
  EXPECT_EQ(fx.programs, std::vector<std::wstring>{L"D:\\ime\\config.exe /n " + os.productKey + L" /do 关于"});
  ShowHelpTopic(c, L"keys.htm", 0, 500, fx);
  EXPECT_EQ(fx.helpTopics, std::vector<std::wstring>{L"C:\\zin\\main.chm|keys.htm"});
  ShowHelpTopic(c, nullptr, 0, 0, fx);
  EXPECT_EQ(fx.programs.back(), L"C:\\zin\\main.chm ");
  wchar_t out[64];
  ASSERT_TRUE(QuoteLaunchWord(L"/dict", L"a\"b /do 关于'\n", out, 64));
  EXPECT_STREQ(out, L"/dict \"ab ／do 关于\"");
  EXPECT_FALSE(QuoteLaunchWord(L"/dict", L"一二三四五六", out, 12));
}

}  // namespace
