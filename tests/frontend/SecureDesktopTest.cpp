// A context on the logon desktop or in a secure mode starts nothing: config,
// help, links, the macros that launch and the installer of set(.
#include <gtest/gtest.h>

#include "engine/CommandLanguage.h"
#include "engine/EntryCommands.h"
#include "engine/ImeOptionBits.h"
#include "engine/Launchers.h"
#include "tests/frontend/RunnerTestSupport.h"

using namespace zn::test;

namespace {

class SecureDesktopTest : public ::testing::Test, protected RunnerRoad {
 protected:
  void SetUp() override {
    SetWords({{"a", L"工"}, {"a", L"戈"}});
    wcscpy(ctx()->softBlock->helpLink, L"https://example.org/help");
  }
  // Every way a key, a menu or a macro starts something; the number of
  // programs and help topics started.
  size_t LaunchEverything() {
    effects.programs.clear();
    effects.helpTopics.clear();
    RunFlags(KeyFunction::kConfigMain);
    RunFlags(KeyFunction::kConfigHelp);
    RunFlags(KeyFunction::kAddWord);
    for (int command : {MenuCommand::kConfigMain, MenuCommand::kKeyboardMap, MenuCommand::kAbout,
                        MenuCommand::kHelp, MenuCommand::kAddWord, MenuCommand::kHelpLink}) {
      runner.RunMenuCommand(ctx(), command, 0, 0, out);
    }
    ShowHelpTopic(ctx(), L"index.html", 0, 0, effects);
    // The dictionary look-up of the candidate-word menu opens a link.
    Type(L"a");
    RunFlags(KeyFunction::kEntryOperation | kEntryLookUp);
    Tap(VK_ESCAPE);
    // Macros: run(, help(, config(.
    for (uint32_t action : {kCommitActionRun, kCommitActionHelp, kCommitActionConfig}) {
      ctx()->commitKind = action;
      wcscpy(ctx()->commandArgument, action == kCommitActionHelp ? L"a.html" : L"notepad.exe");
      RunCommandAction(ctx(), effects);
    }
    // set( changing the text framework starts the installer.
    ime()->spaceWord |= ImeBits::kTsfAvailable;
    ime()->optionFlags &= ~ImeBits::kTsfStyles;
    wcscpy(ctx()->commandArgument, L"set([-IME设置-],编码窗口样式=TSF-嵌入首选)");
    ApplySetCommand(ctx(), effects);
    return effects.programs.size() + effects.helpTopics.size();
  }
};

TEST_F(SecureDesktopTest, EveryLaunchIsRefusedWhileSet) {
  // Everything starts something on an ordinary desktop: the test reaches
  // each launch.
  EXPECT_EQ(LaunchEverything(), 15u);
  SetLaunchesRefused(ctx(), true);
  EXPECT_TRUE(LaunchesRefused(ctx()));
  EXPECT_EQ(LaunchEverything(), 0u);
  // Typing itself goes on.
  EXPECT_EQ(Type(L"a "), L"工");
  SetLaunchesRefused(ctx(), false);
  EXPECT_EQ(LaunchEverything(), 15u);
}

// In an elevated program, or one at another integrity level than the user's
// own, nothing the data folder names is started: not the help link, the
// look-up page, the macros or the installer of set(. config itself, with the
// module's own command lines, still starts.
TEST_F(SecureDesktopTest, DataFolderLinksAndMacrosAreRefusedInAnElevatedProgram) {
  effects.token = ProcessToken{true, true, 0x3000};
  EXPECT_EQ(LaunchEverything(), 9u);
  for (const std::wstring& program : effects.programs) {
    EXPECT_EQ(program.rfind(L"C:\\zin\\config.exe /n ", 0), 0u) << program;
  }
  EXPECT_EQ(ime()->optionFlags & ImeBits::kTsfStyles, 0u);  // the switch was refused too
  effects.token = ProcessToken{true, false, 0x2000};
  EXPECT_EQ(LaunchEverything(), 15u);
}

}  // namespace
