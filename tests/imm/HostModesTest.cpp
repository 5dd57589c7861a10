// Contexts as the system hands them over: the mode a new context starts in,
// modes the host sets before and after selection, and the host's
// ImmSetConversionStatus taking effect at the next key with no notification.
#include <gtest/gtest.h>

#include "engine/ImeOptionBits.h"
#include "frontend/imm/ImeCommands.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

// A context made by the system and associated with the host window by the
// host: the test sets no mode, no window handle and no open status. The test
// calls ImeSelect where the system would (Wine: at the first key).
class FreshContextTest : public ShippedImcFixture {
 protected:
  void SetUp() override {
    ShippedImcFixture::SetUp();
    ImmDestroyContext(himc_);
    himc_ = ImmCreateContext();
    ASSERT_NE(himc_, nullptr);
    window_.himc = himc_;
    previous_ = ImmAssociateContext(window_.get(), himc_);
  }
  void TearDown() override {
    if (settings_) DestroyImmContext(settings_);
    if (selected_) Deselect();
    ImmAssociateContext(window_.get(), previous_);
    ShippedImcFixture::TearDown();
  }
  void HostSetsMode(DWORD conversion) {
    ASSERT_TRUE(ImmSetConversionStatus(himc_, conversion, IME_SMODE_NONE));
  }
  DWORD Conversion() {
    DWORD conversion = 0, sentence = 0;
    ImmGetConversionStatus(himc_, &conversion, &sentence);
    return conversion;
  }
  // Types lowercase letters, digits, "." and "/" and returns the text the
  // host would show: the IME's results, and a key the IME passes typed by
  // the host as itself.
  std::wstring TypeAndTake(const std::wstring& keys) {
    std::wstring text;
    for (wchar_t c : keys) {
      const uint8_t vk = c == L'.'   ? VK_OEM_PERIOD
                         : c == L'/' ? VK_OEM_2
                         : static_cast<uint8_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
      window_.messages.clear();
      const bool taken = Tap(vk);
      text += taken ? Results() : std::wstring(1, c);
    }
    window_.messages.clear();
    return text;
  }
  // The input options of the data folder's config.dsc, through a context of
  // the test's own (every context maps the same file).
  ImeConfigBlock* SharedImeBlock() {
    if (!settings_) settings_ = CreateImmContext();
    return settings_ ? settings_->imeBlock : nullptr;
  }
  HIMC previous_ = nullptr;
  ImeContext* settings_ = nullptr;
};

TEST_F(FreshContextTest, ANewContextTypesHalfWidthWithTheShippedPunctuation) {
  {
    LockedImc imc(himc_);
    ASSERT_FALSE(imc->fdwInit & INIT_CONVERSION) << "Wine marks no mode as set";
    EXPECT_EQ(imc->hWnd, window_.get());
  }
  ASSERT_TRUE(Select());
  EXPECT_EQ(Conversion(), static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_SYMBOL));
  // The shipped settings keep English punctuation after a digit.
  EXPECT_EQ(TypeAndTake(L"12./khlg."), L"12./中国。");
}

TEST_F(FreshContextTest, TheInitialPunctuationComesFromTheSettings) {
  // English punctuation kept in the settings (the shared config.dsc): a new
  // context starts with it.
  SharedImeBlock()->conversionMode &= ~IME_CMODE_SYMBOL;
  ASSERT_TRUE(Select());
  EXPECT_EQ(Conversion(), static_cast<DWORD>(IME_CMODE_NATIVE));
  EXPECT_EQ(TypeAndTake(L"khlg."), L"中国.");
}

TEST_F(FreshContextTest, TheHostsModeChangesCountAtTheNextKeyAndSurviveReselection) {
  ASSERT_TRUE(Select());
  HostSetsMode(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE | IME_CMODE_SYMBOL);
  EXPECT_EQ(TypeAndTake(L"1a"), L"１") << "full width digits; the letter starts a code";
  Tap(VK_ESCAPE);
  // The case Notepad showed: back to native alone types half width again,
  // with ASCII punctuation (no IME_CMODE_SYMBOL).
  HostSetsMode(IME_CMODE_NATIVE);
  EXPECT_EQ(TypeAndTake(L"1.khlg."), L"1.中国.");
  HostSetsMode(IME_CMODE_NOCONVERSION);
  Tap('K');
  EXPECT_TRUE(Context()->stateFlags & kStateEnglish) << "no conversion is English input";
  Tap(VK_ESCAPE);

  // A mode the host set is the context's own: another selection keeps it.
  HostSetsMode(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE);
  ASSERT_TRUE(Deselect());
  ASSERT_TRUE(Select());
  EXPECT_EQ(Conversion(), static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  EXPECT_EQ(TypeAndTake(L"1"), L"１");
}

TEST_F(FreshContextTest, TheModulesOwnModeChangesAreNotUndoneAtTheNextKey) {
  ASSERT_TRUE(Select());
  EXPECT_EQ(HandleImeCommand(himc_, kCommandFullWidth, 0, 0), 1);
  EXPECT_EQ(TypeAndTake(L"1"), L"１");
  // Closed input writes no conversion into the context: the next key must
  // not read that as the host asking for English.
  EXPECT_EQ(HandleImeCommand(himc_, kCommandEnglishInput, 0, 0), 1);
  EXPECT_FALSE(Tap('K'));
  EXPECT_EQ(HandleImeCommand(himc_, kCommandChineseInput, 0, 0), 1);
  EXPECT_TRUE(Tap('K')) << "reopened input is Chinese, not English";
  EXPECT_TRUE(Context()->stateFlags & kStateFullWidth);
}

TEST_F(FreshContextTest, TheCustomInitialModeStillWinsOverAnyOtherMode) {
  ImeConfigBlock* ime = SharedImeBlock();
  ime->spaceWord |= ImeBits::kCustomConversion;
  ime->conversionMode = IME_CMODE_FULLSHAPE;
  HostSetsMode(IME_CMODE_NATIVE | IME_CMODE_SYMBOL);
  ASSERT_TRUE(Select());
  EXPECT_EQ(Conversion(), static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  EXPECT_EQ(TypeAndTake(L"1."), L"１．") << "full width, English punctuation";
}

}  // namespace
}  // namespace zn::test
