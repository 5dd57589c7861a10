// Typing through the text service on the fake host against the shipped
// data: placeholder and inline compositions, commits, Esc, association
// chains, the caret moved away, focus loss, lone Shift, preserved keys, and
// keys whose edit session could not run.
#include "tests/tsf/TsfTestSupport.h"

#include "engine/ImeOptionBits.h"

namespace zn::test {
namespace {

class TypingTest : public TsfTest {
 protected:
  // Activates and keeps the shared settings block to put back afterwards;
  // the composition style is the placeholder unless options name another.
  void Start(uint32_t options = 0) {
    ASSERT_EQ(Activate(), S_OK);
    savedIme_ = *Ime()->imeBlock;
    Ime()->imeBlock->optionFlags = (Ime()->imeBlock->optionFlags & ~ImeBits::kTsfStyles) | options;
  }
  void TearDown() override {
    if (service_ && Ime()) *Ime()->imeBlock = savedIme_;
    TsfTest::TearDown();
  }
  bool Esc() { return Press(VK_ESCAPE); }
  // Left Shift pressed alone and released after ms milliseconds.
  void TapShift(uint64_t ms) {
    Hold({VK_SHIFT, VK_LSHIFT});
    host_->PressKey(VK_SHIFT);
    clock_.now += ms;
    ReleaseAll();
    host_->ReleaseKey(VK_SHIFT);
  }
  bool Space() { return Press(VK_SPACE, L' '); }

  ImeConfigBlock savedIme_{};
};

TEST_F(TypingTest, ACodeShowsThePlaceholderAndSpaceCommitsTheWord) {
  Start();
  context_->AppSetText(L"说", 1);
  for (wchar_t c : std::wstring(L"wqvb")) EXPECT_TRUE(Press(static_cast<UINT>(c - L'a' + 'A'), c)) << static_cast<int>(c);
  EXPECT_EQ(Marked(), L"说[| ]") << "one space, the caret before it";
  EXPECT_TRUE(context_->attributes().empty()) << "the placeholder carries no attribute";
  EXPECT_EQ(std::wstring(Ime()->code, Ime()->codeLength), L"wqvb");
  EXPECT_TRUE(Space());
  EXPECT_EQ(Marked(), L"说你好|");
  EXPECT_TRUE(context_->compositions().empty());
}

TEST_F(TypingTest, InlineModeShowsTheCodeWithTheInputAttribute) {
  Start(ImeBits::kTsfEmbedCode);
  Type(L"wqv");
  EXPECT_EQ(Marked(), L"[wqv|]");
  EXPECT_EQ(context_->compositions().size(), 1u);
  ASSERT_EQ(context_->attributes().size(), 1u);
  EXPECT_EQ(context_->attributes()[0].start, 0);
  EXPECT_EQ(context_->attributes()[0].end, 3);
  Type(L"b ");
  EXPECT_EQ(Marked(), L"你好|");
  EXPECT_TRUE(context_->attributes().empty());
}

TEST_F(TypingTest, EscLeavesTheDocumentAsItWas) {
  for (uint32_t mode : {0u, ImeBits::kTsfEmbedCode}) {
    Start(mode);
    context_->AppSetText(L"ab", 1);
    Type(L"wqvb");
    EXPECT_TRUE(Esc());
    EXPECT_EQ(Marked(), L"a|b") << mode;
    EXPECT_EQ(Ime()->codeLength, 0);
    EXPECT_FALSE(Esc()) << "with nothing typed Esc belongs to the application";
    *Ime()->imeBlock = savedIme_;
  }
}

TEST_F(TypingTest, AnAssociationChainCommitsEveryWordWithNoStraySpace) {
  for (uint32_t mode : {0u, ImeBits::kTsfEmbedCode}) {
    Start(kImeOptAssociations | mode);
    Type(L"khlg ");
    ASSERT_TRUE(Ime()->stateFlags & kStateAssociations) << "associations of 中国 are listed";
    ASSERT_GT(Ime()->slotsFilled, 0);
    const std::wstring next = Ime()->pageSlots[0].text;
    EXPECT_EQ(Marked(), L"[中国|]") << "the committed word stays shown";
    EXPECT_TRUE(Space()) << "space takes the first association";
    const std::wstring chain = Document();
    EXPECT_EQ(chain, L"中国" + next) << "no stray space";
    // A code key ends the chain: the words stay and a new code starts.
    Type(L"a");
    EXPECT_EQ(Document().substr(0, chain.size()), chain);
    EXPECT_EQ(std::wstring(Ime()->code, Ime()->codeLength), L"a");
    EXPECT_TRUE(Esc());
    EXPECT_EQ(Marked(), chain + L"|");
    // Esc right after a commit keeps the word.
    context_->AppSetText(L"", 0);
    Type(L"khlg ");
    EXPECT_TRUE(Esc());
    EXPECT_EQ(Marked(), L"中国|");
    EXPECT_TRUE(context_->compositions().empty());
    context_->AppSetText(L"", 0);
    *Ime()->imeBlock = savedIme_;
  }
}

TEST_F(TypingTest, MovingTheCaretAwayEndsTheComposition) {
  Start();
  context_->AppSetText(L"abc", 3);
  Type(L"wq");
  EXPECT_EQ(Marked(), L"abc[| ]");
  context_->AppSetSelection(0, 0);
  EXPECT_EQ(Marked(), L"|abc") << "no stray space stays";
  EXPECT_TRUE(context_->compositions().empty());
  EXPECT_EQ(Ime()->codeLength, 0);
  // The caret moved inside the code's composition keeps it.
  Type(L"wq");
  EXPECT_EQ(Marked(), L"[| ]abc");
  EXPECT_TRUE(Space());
}

TEST_F(TypingTest, FocusLossAndTheHostEndingTheCompositionLeaveNothing) {
  Start(ImeBits::kTsfEmbedCode);
  Type(L"wq");
  host_->KillThreadFocus();
  EXPECT_EQ(Marked(), L"|");
  EXPECT_EQ(Ime()->codeLength, 0);
  Type(L"wq");
  context_->AppTerminateComposition();
  EXPECT_EQ(Marked(), L"|");
  EXPECT_EQ(Ime()->codeLength, 0);
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好");
}

TEST_F(TypingTest, LoneShiftUnderHalfASecondSwitchesToEnglish) {
  Start();
  TapShift(120);
  ASSERT_TRUE(Ime()->stateFlags & kStateEnglish);
  EXPECT_EQ(host_->compartments()->ValueOf(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION) &
                TF_CONVERSIONMODE_NOCONVERSION,
            TF_CONVERSIONMODE_NOCONVERSION);
  Type(L"hi");
  EXPECT_TRUE(Press(VK_RETURN));
  EXPECT_EQ(Document(), L"hi") << "Enter commits the letters as typed";
  // Held for half a second it does nothing; under it, Chinese comes back.
  TapShift(500);
  EXPECT_TRUE(Ime()->stateFlags & kStateEnglish);
  TapShift(499);
  EXPECT_FALSE(Ime()->stateFlags & kStateEnglish);
}

TEST_F(TypingTest, ShiftSpaceArrivesAsAPreservedKey) {
  Start();
  Hold({VK_SHIFT});
  EXPECT_TRUE(host_->PressKey(VK_SPACE, L' '));
  ReleaseAll();
  EXPECT_TRUE(Ime()->stateFlags & kStateFullWidth);
  EXPECT_EQ(host_->compartments()->ValueOf(GUID_COMPARTMENT_KEYBOARD_INPUTMODE_CONVERSION) &
                TF_CONVERSIONMODE_FULLSHAPE,
            TF_CONVERSIONMODE_FULLSHAPE);
  EXPECT_EQ(Document(), L"") << "the space never reached the application";
  Hold({VK_SHIFT});
  host_->PressKey(VK_SPACE, L' ');
  ReleaseAll();
  EXPECT_FALSE(Ime()->stateFlags & kStateFullWidth);
}

TEST_F(TypingTest, AKeyIsEatenOnlyWhenItsSessionRan) {
  Start();
  context_->refuseSessions = true;
  EXPECT_FALSE(Press('W', L'w'));
  EXPECT_EQ(Document(), L"w") << "the application got the key";
  context_->refuseSessions = false;
}

TEST_F(TypingTest, ClosedKeyboardPassesKeysThrough) {
  Start();
  host_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 0);
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 1);
  EXPECT_FALSE(Press('W', L'w'));
  context_->compartments()->SetValue(GUID_COMPARTMENT_KEYBOARD_DISABLED, 0);
  EXPECT_EQ(Document(), L"w");
}

}  // namespace
}  // namespace zn::test
