// The IME entry points without keys: inquiry, selection and its modes,
// notifications, escapes and configuration, on a real input context.
#include <gtest/gtest.h>

#include <thread>

#include "engine/DataLock.h"
#include "engine/ImeOptionBits.h"
#include "engine/WideString.h"
#include "frontend/imm/ContextBlocks.h"
#include "frontend/imm/ImmModule.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

TEST(ImeInquireTest, ReportsTheFixedInfoAndRemembersASecureDesktop) {
  ImmModule() = ImmModuleState{};
  IMEINFO info{};
  wchar_t uiClass[16];
  wmemset(uiClass, L'#', 16);
  ASSERT_TRUE(ImeInquire(&info, uiClass, 0));
  EXPECT_EQ(info.dwPrivateDataSize, 40u);
  EXPECT_EQ(info.fdwProperty, 0xA0002u);
  EXPECT_EQ(info.fdwConversionCaps, 0x5A9u);
  EXPECT_EQ(info.fdwSentenceCaps, 0u);
  EXPECT_EQ(info.fdwUICaps, 4u);
  EXPECT_EQ(info.fdwSCSCaps, 1u);
  EXPECT_EQ(info.fdwSelectCaps, 1u);
  EXPECT_STREQ(uiClass, L"ZINNOR3UI");
  EXPECT_EQ(uiClass[12], L'#') << "nothing past the name and its terminator";
  EXPECT_FALSE(ImmModule().secureDesktop);

  ASSERT_TRUE(ImeInquire(&info, uiClass, IME_SYSINFO_WINLOGON));
  EXPECT_TRUE(ImmModule().secureDesktop);
  ASSERT_TRUE(ImeInquire(&info, uiClass, 0));
  EXPECT_TRUE(ImmModule().secureDesktop) << "a secure desktop stays secure";
  ImmModule() = ImmModuleState{};
}

using ImeSelectTest = ImcFixture;

TEST_F(ImeSelectTest, SelectionGivesTheContextItsStateAndDeselectionFreesIt) {
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
  }
  ASSERT_TRUE(Select());
  ImeContext* context = Context();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->inputContext, himc_);
  EXPECT_EQ(context->hostWindow, window_.get());
  EXPECT_EQ(context->stateFlags, kStateFullWidth | kStateEnglishPunct);

  ASSERT_TRUE(Deselect());
  EXPECT_EQ(Context(), nullptr);
  LockedImc imc(himc_);
  EXPECT_EQ(imc->fdwConversion & IME_CMODE_NOCONVERSION, 0u);
}

TEST_F(ImeSelectTest, AMissingDataFolderFailsQuietlyAndDeselectingItIsSafe) {
  os_.values.erase(L"DataLocation");
  EXPECT_FALSE(Select());
  EXPECT_EQ(Context(), nullptr);
  ImcLock lock(himc_);
  EXPECT_TRUE(lock.blocks()) << "the blocks are sized even without a context";
  EXPECT_TRUE(ImeSelect(himc_, FALSE));
  EXPECT_FALSE(ImeSelect(nullptr, TRUE));
  EXPECT_FALSE(ImeSelect(nullptr, FALSE));
}

TEST_F(ImeSelectTest, CustomInitialModeOpensTheSavedModeAndDeselectionSavesIt) {
  ImeConfigBlock* ime = ImeBlockOf(config_);
  ime->spaceWord |= ImeBits::kCustomConversion;
  ime->conversionMode = IME_CMODE_FULLSHAPE | IME_CMODE_SYMBOL;
  ime->sentenceMode = 8;
  MakeDataFolder(os_, dir_.path(), config_);
  ASSERT_TRUE(Select());
  {
    LockedImc imc(himc_);
    EXPECT_TRUE(imc->fOpen);
    EXPECT_EQ(imc->fdwConversion, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE |
                                                     IME_CMODE_SYMBOL));
    EXPECT_EQ(imc->fdwSentence, 8u);
  }
  EXPECT_EQ(Context()->stateFlags, kStateFullWidth) << "Chinese punctuation: no 0x2";

  // Saving needs its own option: the shared settings change only with it.
  Context()->imeBlock->spaceWord |= ImeBits::kSaveConversion;
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_NOCONVERSION | IME_CMODE_SYMBOL;
  }
  // Keep config.dsc mapped by a second context while the first one goes.
  ImeContext* watcher = CreateImmContext();
  ASSERT_NE(watcher, nullptr);
  ASSERT_TRUE(Deselect());
  EXPECT_EQ(watcher->imeBlock->conversionMode, static_cast<DWORD>(IME_CMODE_SYMBOL))
      << "no conversion is never saved";
  DestroyImmContext(watcher);
}

TEST_F(ImeSelectTest, AnotherWriterHoldingTheDataFolderMeansTheModeIsNotSaved) {
  ImeConfigBlock* ime = ImeBlockOf(config_);
  ime->spaceWord |= ImeBits::kCustomConversion | ImeBits::kSaveConversion;
  ime->conversionMode = IME_CMODE_SYMBOL;
  MakeDataFolder(os_, dir_.path(), config_);
  ASSERT_TRUE(Select());
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_FULLSHAPE;
  }
  ImeContext* watcher = CreateImmContext();
  ASSERT_NE(watcher, nullptr);
  HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread writer([&] {
    DataWriteLock lock(watcher);
    SetEvent(taken);
    WaitForSingleObject(done, 5000);
  });
  WaitForSingleObject(taken, 5000);
  EXPECT_TRUE(Deselect()) << "deselection does not wait for the other writer";
  SetEvent(done);
  writer.join();
  EXPECT_EQ(watcher->imeBlock->conversionMode, static_cast<DWORD>(IME_CMODE_SYMBOL));
  CloseHandle(taken);
  CloseHandle(done);
  DestroyImmContext(watcher);
}

TEST_F(ImeSelectTest, SavedNoConversionStartsInEnglishWithTheContextClosedToTheHost) {
  ImeConfigBlock* ime = ImeBlockOf(config_);
  ime->spaceWord |= ImeBits::kCustomConversion;
  ime->conversionMode = IME_CMODE_NATIVE | IME_CMODE_NOCONVERSION;
  MakeDataFolder(os_, dir_.path(), config_);
  ASSERT_TRUE(Select());
  LockedImc imc(himc_);
  EXPECT_FALSE(imc->fOpen);
  EXPECT_EQ(imc->fdwConversion, static_cast<DWORD>(IME_CMODE_NOCONVERSION));
  EXPECT_EQ(Context()->stateFlags & (kStateEnglish | kStateInputClosed), kStateEnglish);
}

class NotifyImeTest : public ImcFixture {
 protected:
  // What ImmSetOpenStatus stores before it notifies the IME.
  void SetOpen(BOOL open) {
    LockedImc imc(himc_);
    imc->fOpen = open;
  }
};

TEST_F(NotifyImeTest, OnlyCompletingRevertingOrCancellingAnOpenCompositionActs) {
  ASSERT_TRUE(Select());
  EXPECT_FALSE(NotifyIME(himc_, NI_COMPOSITIONSTR, CPS_CANCEL, 0)) << "nothing open";
  ImeContext* context = Context();
  context->compositionOpen = 1;
  context->code[0] = L'a';
  context->codeLength = 1;
  EXPECT_FALSE(NotifyIME(himc_, NI_COMPOSITIONSTR, CPS_CONVERT, 0));
  EXPECT_FALSE(NotifyIME(himc_, NI_OPENCANDIDATE, CPS_CANCEL, 0));
  EXPECT_EQ(context->codeLength, 1);
  TakeMessages();
  EXPECT_TRUE(NotifyIME(himc_, NI_COMPOSITIONSTR, CPS_COMPLETE, 0));
  EXPECT_EQ(context->codeLength, 0);
  EXPECT_EQ(context->compositionOpen, 0);
  auto messages = TakeMessages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_IME_COMPOSITION));
  EXPECT_EQ(messages[1], (RecordedMessage{WM_IME_NOTIFY, 768, 0, {}}));
  EXPECT_EQ(messages[2], (RecordedMessage{WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1, {}}));
  EXPECT_EQ(messages[3].message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
  EXPECT_FALSE(NotifyIME(nullptr, NI_COMPOSITIONSTR, CPS_CANCEL, 0));
}

TEST_F(NotifyImeTest, TheHostClosingTheContextClosesInputAndReopeningOpensIt) {
  ASSERT_TRUE(Select());
  ImeContext* context = Context();
  context->compositionOpen = 1;
  SetOpen(FALSE);
  NotifyIME(himc_, NI_CONTEXTUPDATED, 0, IMC_SETOPENSTATUS);
  EXPECT_TRUE(context->stateFlags & kStateInputClosed);
  EXPECT_EQ(context->compositionOpen, 0) << "closing drops the composition";
  // The same status seen again changes nothing.
  context->stateFlags &= ~kStateInputClosed;
  NotifyIME(himc_, NI_CONTEXTUPDATED, 0, IMC_SETOPENSTATUS);
  EXPECT_FALSE(context->stateFlags & kStateInputClosed);
  context->stateFlags |= kStateInputClosed;
  SetOpen(TRUE);
  NotifyIME(himc_, NI_CONTEXTUPDATED, 0, IMC_SETOPENSTATUS);
  EXPECT_FALSE(context->stateFlags & kStateInputClosed);
}

using ImeEscapeTest = ImcFixture;

TEST_F(ImeEscapeTest, QuerySupportAnswersOnlyForTheEscapesItHasAndWritesNothing) {
  UINT query = IME_ESC_IME_NAME;
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_QUERY_SUPPORT, &query), 1);
  EXPECT_EQ(query, static_cast<UINT>(IME_ESC_IME_NAME));
  query = IME_ESC_GETHELPFILENAME;
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_QUERY_SUPPORT, &query), 1);
  query = IME_ESC_SEQUENCE_TO_INTERNAL;
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_QUERY_SUPPORT, &query), 0);
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_QUERY_SUPPORT, nullptr), 0);
  // Wine passes no buffer for the key count.
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_MAX_KEY, nullptr), 128);
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_HANJA_MODE, &query), 0);
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_IME_NAME, nullptr), 0);
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_GETHELPFILENAME, nullptr), 0);
}

TEST_F(ImeEscapeTest, TheNameIsCutToNineUnitsWithOrWithoutASelectedContext) {
  SoftConfigBlock* soft = reinterpret_cast<SoftConfigBlock*>(
      FindConfigBlock(config_.data(), static_cast<uint32_t>(config_.size()), kSoftBlockName,
                      kSoftBlockSize, 2));
  ASSERT_NE(soft, nullptr);
  CopyStringBounded(soft->displayName, 40, L"星禾五笔输入法测试版本一二");
  MakeDataFolder(os_, dir_.path(), config_);
  wchar_t name[32];
  wmemset(name, L'#', 32);
  // Without a selected context a temporary one answers.
  ASSERT_EQ(ImeEscape(himc_, IME_ESC_IME_NAME, name), 1);
  EXPECT_STREQ(name, L"星禾五笔输入法测试");
  EXPECT_EQ(name[10], L'#');
  ASSERT_TRUE(Select());
  wmemset(name, L'#', 32);
  ASSERT_EQ(ImeEscape(himc_, IME_ESC_IME_NAME, name), 1);
  EXPECT_STREQ(name, L"星禾五笔输入法测试");
  os_.values.erase(L"DataLocation");
  ASSERT_TRUE(Deselect());
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_IME_NAME, name), 0) << "no name source at all";
}

TEST_F(ImeEscapeTest, TheHelpFileIsWrittenOnlyWhenItFitsEightyUnits) {
  ASSERT_TRUE(Select());
  wchar_t path[100];
  wmemset(path, L'#', 100);
  os_.values[L"InstallLocation"] = L"C:\\zin";
  ASSERT_EQ(ImeEscape(himc_, IME_ESC_GETHELPFILENAME, path), 1);
  EXPECT_STREQ(path, L"C:\\zin\\main.chm");
  wmemset(path, L'#', 100);
  os_.values[L"InstallLocation"] = L"C:\\" + std::wstring(70, L'd');
  EXPECT_EQ(ImeEscape(himc_, IME_ESC_GETHELPFILENAME, path), 0);
  EXPECT_EQ(path[0], L'#') << "a name that does not fit is not written";
}

using ImeConfigureTest = ImcFixture;

TEST_F(ImeConfigureTest, StartsConfigWithTheProductKeyButNeverOnASecureDesktop) {
  EXPECT_TRUE(ImeConfigure(nullptr, window_.get(), 1, nullptr));
  ASSERT_EQ(effects_.programs.size(), 1u);
  EXPECT_EQ(effects_.programs[0],
            dir_.path() + L"config.exe /n '" + os_.productKey + L"'");
  ImmModule().secureDesktop = true;
  EXPECT_FALSE(ImeConfigure(nullptr, window_.get(), 1, nullptr));
  EXPECT_EQ(effects_.programs.size(), 1u);
  ImmModule().secureDesktop = false;
  os_.values.erase(L"DataLocation");
  EXPECT_FALSE(ImeConfigure(nullptr, window_.get(), 1, nullptr));
}

}  // namespace
}  // namespace zn::test
