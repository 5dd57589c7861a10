// The commands the skinned windows and menus send to the text service: each
// row of the table with what it does, mode switches that settle a typed
// code in the document, commands with no document focused, and a secure
// desktop that starts nothing.
#include "engine/EntryCommands.h"
#include "tests/tsf/UiTestSupport.h"
#include "ui/windows/WindowCommands.h"

namespace zn::test {
namespace {

class CommandsTest : public UiTest {
 protected:
  int Run(int command, WPARAM wParam = 0, LPARAM lParam = 0) {
    return Service()->ExecuteTextServiceCommand(command, wParam, lParam);
  }
  uint32_t State() { return Ime()->stateFlags; }
  uint32_t Options() { return Ime()->imeBlock->optionFlags; }
  LONG Mode() { return Global(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION); }
};

TEST_F(CommandsTest, LaunchCommandsStartConfigAndHelp) {
  MakeService();
  Start();
  struct Case {
    int command;
    const wchar_t* expected;  // in what was started; null: nothing
  };
  const Case cases[] = {
      {1, L"config.exe"}, {3, L"keyboardmap.html"}, {4, L"/do about"}, {5, L"/do help"},
      {8, L"/do tianjiayonghuci"}, {6, nullptr}, {16, nullptr}, {4096, nullptr},
  };
  for (const Case& c : cases) {
    effects_.programs.clear();
    EXPECT_EQ(Run(c.command), 1) << c.command;
    if (c.expected) {
      ASSERT_EQ(effects_.programs.size(), 1u) << c.command;
      EXPECT_NE(effects_.programs[0].find(c.expected), std::wstring::npos) << effects_.programs[0];
    } else {
      EXPECT_TRUE(effects_.programs.empty()) << c.command;
    }
  }
  EXPECT_EQ(Run(9999), 0) << "not a command";
  EXPECT_EQ(Run(0), 0);
}

TEST_F(CommandsTest, ASecureDesktopStartsNothing) {
  MakeService();
  Start(0, TF_TMAE_SECUREMODE);
  for (int command : {1, 3, 4, 5, 8}) EXPECT_EQ(Run(command), 1);
  EXPECT_TRUE(effects_.programs.empty());
  EXPECT_TRUE(effects_.helpTopics.empty());
}

TEST_F(CommandsTest, CandidateCommandsWorkOnTheOpenComposition) {
  MakeService();
  Start();
  context_->AppSetText(L"x", 1);
  Type(L"wq");
  ASSERT_GE(Ime()->slotsFilled, 3);
  const std::wstring second = Ime()->pageSlots[1].text;
  const std::wstring third = Ime()->pageSlots[2].text;
  // The candidate-word menu: the second word one place down.
  EXPECT_EQ(Run(514, 1, kEntryMoveDown), 1);
  EXPECT_EQ(std::wstring(Ime()->pageSlots[1].text), third);
  EXPECT_EQ(std::wstring(Ime()->pageSlots[2].text), second);
  EXPECT_EQ(Marked(), L"x[| ]") << "the code stays";
  EXPECT_EQ(Run(514, 2, kEntryMoveUp), 1);
  EXPECT_EQ(std::wstring(Ime()->pageSlots[1].text), second) << "and back";
  // Paging from the window's buttons.
  ASSERT_GT(Ime()->candidateCount, Ime()->slotsFilled);
  const int first = Ime()->pageFirst;
  EXPECT_EQ(Run(257), 1);
  EXPECT_GT(Ime()->pageFirst, first);
  EXPECT_EQ(Run(258), 1);
  EXPECT_EQ(Ime()->pageFirst, first);
  // A click on the second candidate commits it.
  EXPECT_EQ(Run(17, 2), 1);
  EXPECT_EQ(Marked(), L"x" + second + L"|");
  EXPECT_EQ(Run(17, 2), 1) << "no composition: nothing to commit";
  EXPECT_EQ(Marked(), L"x" + second + L"|");
}

TEST_F(CommandsTest, InputModeCommandsMoveTheStateAndTheCompartments) {
  MakeService();
  Start();
  EXPECT_EQ(Run(8193), 1);
  EXPECT_TRUE(State() & kStateFullWidth);
  EXPECT_TRUE(Mode() & TF_CONVERSIONMODE_FULLSHAPE);
  EXPECT_FALSE(Options() & kImeOptTraditional) << "full width ends traditional output";
  EXPECT_EQ(Run(8194), 1);
  EXPECT_FALSE(State() & kStateFullWidth);
  EXPECT_FALSE(Mode() & TF_CONVERSIONMODE_FULLSHAPE);
  EXPECT_EQ(Run(8195), 1);
  EXPECT_TRUE(State() & kStateEnglishPunct);
  EXPECT_FALSE(Mode() & TF_CONVERSIONMODE_SYMBOL);
  EXPECT_EQ(Run(8196), 1);
  EXPECT_FALSE(State() & kStateEnglishPunct);
  EXPECT_TRUE(Mode() & TF_CONVERSIONMODE_SYMBOL);
  EXPECT_EQ(Run(8199), 1);
  EXPECT_TRUE(State() & kStateEnglishPunct);
  EXPECT_EQ(Tips(), (std::vector<std::wstring>{L"全", L"半", L".,", L"。，", L".,"}));

  const uint32_t simplified = Options() & kImeOptSimplified;
  EXPECT_EQ(Run(8198), 1);
  EXPECT_NE(Options() & kImeOptSimplified, simplified);
  Run(8198);
  EXPECT_EQ(Run(8197), 1);
  EXPECT_NE(Options() & kImeOptTraditional, 0u);
  Run(8197);
  EXPECT_EQ(Options() & kImeOptTraditional, 0u);

  // Input scheme and secondary search: both bits by the choice.
  constexpr uint32_t kScheme = kImeOptMainCode | kImeOptAuxiliaryCode;
  EXPECT_EQ(Run(8208, 0, 0), 1);
  EXPECT_EQ(Options() & kScheme, kScheme);
  Run(8208, 0, 1);
  EXPECT_EQ(Options() & kScheme, static_cast<uint32_t>(kImeOptMainCode));
  Run(8208, 0, 2);
  EXPECT_EQ(Options() & kScheme, static_cast<uint32_t>(kImeOptAuxiliaryCode));
  constexpr uint32_t kRange = kImeOptListSecondary | kImeOptSecondaryWhenEmpty;
  EXPECT_EQ(Run(8209, 0, 0), 1);
  EXPECT_EQ(Options() & kRange, static_cast<uint32_t>(kImeOptListSecondary));
  Run(8209, 0, 1);
  EXPECT_EQ(Options() & kRange, 0u);
  Run(8209, 0, 2);
  EXPECT_EQ(Options() & kRange, static_cast<uint32_t>(kImeOptSecondaryWhenEmpty));

  // Close and open.
  EXPECT_EQ(Run(260), 1);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 0);
  EXPECT_TRUE(State() & kStateInputClosed);
  EXPECT_EQ(Run(259), 1);
  EXPECT_EQ(Global(GUID_COMPARTMENT_KEYBOARD_OPENCLOSE), 1);
  EXPECT_FALSE(State() & kStateInputClosed);
}

TEST_F(CommandsTest, ASwitchWhileTypingSettlesTheCodeInTheDocument) {
  MakeService();
  Start();
  context_->AppSetText(L"ab", 2);
  for (int command : {8193, 8196, 260, 513}) {
    Type(L"wq");
    ASSERT_EQ(Marked(), L"ab[| ]") << command;
    Run(command, 0, command == 513 ? 2 : 0);
    if (command == 8193 || command == 8196) {
      // Width and punctuation leave the typing as it is.
      EXPECT_EQ(Marked(), L"ab[| ]") << command;
      Press(VK_ESCAPE);
    }
    EXPECT_EQ(Marked(), L"ab|") << command << ": no placeholder left behind";
    EXPECT_EQ(Ime()->codeLength, 0) << command;
    if (command == 260) Run(259);
  }
  EXPECT_TRUE(State() & kStateSoftKeyboard);
  EXPECT_EQ(Ime()->softKeyboardLayout, 2u);
  EXPECT_EQ(Count(L"ShowSoftKeyboard"), 1);
  // The menus' close value closes; it never opens.
  EXPECT_EQ(Run(513, 22, 0), 1);
  EXPECT_FALSE(State() & kStateSoftKeyboard);
  Run(513, 22, 0);
  EXPECT_FALSE(State() & kStateSoftKeyboard);
  // The status bar's button toggles with the last layout.
  Run(513, 0, 0);
  EXPECT_EQ(Ime()->softKeyboardLayout, 2u);
  Run(513, 0, 0);
  EXPECT_FALSE(State() & kStateSoftKeyboard);
}

TEST_F(CommandsTest, TheLanguageBarSwitchMovesTheStateDisplay) {
  MakeService();
  Start();
  windows_.calls.clear();
  EXPECT_EQ(Run(8201), 1);
  EXPECT_TRUE(Options() & ImeBits::kStatusInLanguageBar);
  EXPECT_GE(Count(L"HideStatusWindow"), 1);
  EXPECT_EQ(Count(L"ShowStatusWindow"), 0);
  EXPECT_EQ(Run(101), 1) << "the function menu's item does the same";
  EXPECT_FALSE(Options() & ImeBits::kStatusInLanguageBar);
  EXPECT_EQ(Count(L"ShowStatusWindow"), 1);
}

TEST_F(CommandsTest, TheWindowsReachTheServiceOfTheirContext) {
  MakeService();
  Start();
  SetWindowCommandTarget(FrontEnd::kTsf, &TextServiceWindowCommands());
  // A click on the status bar's width button, as the window sends it.
  EXPECT_EQ(ExecuteMenuCommand(Ime(), kCommandFullWidth, 0, 0), 0);
  EXPECT_TRUE(State() & kStateFullWidth);
  ExecuteMenuCommand(Ime(), kCommandHalfWidth, 0, 0);
  EXPECT_FALSE(State() & kStateFullWidth);
  // A context the service no longer drives is left alone.
  ImeContext* stale = Ime();
  const uint32_t before = stale->stateFlags;
  ImeContext other = {};
  other.textService = Service();
  EXPECT_EQ(TextServiceWindowCommands().ExecuteWindowCommand(&other, kCommandFullWidth, 0, 0), 0);
  EXPECT_EQ(stale->stateFlags, before);
  SetWindowCommandTarget(FrontEnd::kTsf, nullptr);
}

TEST_F(CommandsTest, WithNoDocumentFocusedModesStillSwitch) {
  MakeService();
  Start();
  host_->SetFocus(nullptr);
  EXPECT_EQ(Run(8193), 1);
  EXPECT_TRUE(State() & kStateFullWidth);
  EXPECT_EQ(Run(17, 1), 1);
  EXPECT_EQ(Run(513, 0, 4), 1);
  EXPECT_EQ(Ime()->softKeyboardLayout, 4u);
  Run(513, 22, 0);
  Run(8194);
}

TEST_F(CommandsTest, ADocumentThatRefusesSessionsIsLeftAsItIs) {
  MakeService();
  Start();
  Type(L"wq");
  context_->refuseSessions = true;
  Run(260);
  EXPECT_FALSE(State() & kStateInputClosed) << "nothing switched behind the document's back";
  EXPECT_EQ(Ime()->codeLength, 2);
  context_->refuseSessions = false;
  Press(VK_ESCAPE);
}

}  // namespace
}  // namespace zn::test
