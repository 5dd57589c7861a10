// A question box runs the host's message loop, where the system may deselect
// the IME or destroy the input context. The context must outlive the key
// that asked, be freed exactly once when it unwinds, and the key must stop:
// no word changed, no message sent, no lock left.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/EntryCommands.h"
#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "engine/TempWords.h"
#include "frontend/imm/ImeCommands.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

class ContextLifetimeTest : public ShippedImcFixture {
 protected:
  void SetUp() override {
    ShippedImcFixture::SetUp();
    ASSERT_TRUE(Select());
    // Reads the shared tables after the context under test is gone.
    watcher_ = CreateImmContext();
    ASSERT_NE(watcher_, nullptr);
    savedIme_ = *watcher_->imeBlock;
    effects_.messageResult = IDYES;
  }
  void TearDown() override {
    effects_.whileShown = nullptr;
    SetKeyFunctionFlags(watcher_->dmeBlock, VK_F6, 0);
    *watcher_->imeBlock = savedIme_;
    DestroyImmContext(watcher_);
    ShippedImcFixture::TearDown();
  }

  // Commits 你 and binds F6 to deleting the word committed last.
  void CommitAWord() {
    Type(L"wq ");
    ASSERT_EQ(Results(), L"你");
    SetKeyFunctionFlags(Context()->dmeBlock, VK_F6, KeyFunction::kDeleteWord);
    watcher_->lastCommittedKind = Context()->lastCommittedKind;
    watcher_->lastCommitted = Context()->lastCommitted;
  }
  bool WordDeleted() {
    DmgRecord record;
    return ReadLastCommitted(watcher_, &record) && (record.attr & EntryAttr::kDeleted);
  }
  // What the system does on a layout switch (deselect) and on closing the
  // window (destroy, which deselects first).
  void DeselectInside(bool destroy) {
    effects_.whileShown = [this, destroy] {
      ImeSelect(himc_, FALSE);
      liveAfterDeselect_ = LiveImeContexts();
      if (destroy) ImmDestroyContext(himc_);
      selected_ = false;
      messagesAfterDeselect_ = window_.messages.size();
    };
  }
  // Blocks this large get a mapping of their own, which freeing releases:
  // a touch after that faults instead of passing unseen.
  void MapBlocksApart() {
    constexpr DWORD kMappedBytes = 4u << 20;
    LockedImc imc(himc_);
    HIMCC* handles[3] = {&imc->hCompStr, &imc->hCandInfo, &imc->hPrivate};
    for (int i = 0; i < 3; ++i) {
      *handles[i] = ImmReSizeIMCC(*handles[i], kMappedBytes);
      ASSERT_NE(*handles[i], nullptr);
      blocks_[i] = ImmLockIMCC(*handles[i]);
      ImmUnlockIMCC(*handles[i]);
    }
  }
  bool BlocksReleased() const {
    for (void* block : blocks_) {
      MEMORY_BASIC_INFORMATION info{};
      if (VirtualQuery(block, &info, sizeof(info)) != sizeof(info)) return false;
      if (info.State == MEM_COMMIT && !(info.Protect & PAGE_NOACCESS)) return false;
    }
    return true;
  }
  // The host destroys its input context when it takes a result (or, with
  // WM_IME_ENDCOMPOSITION, when the composition ends).
  void DestroyOn(UINT message) {
    destroyOn_ = message;
    destroying_ = this;
    recorder_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Destroying)));
  }
  void KeepContext() {
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recorder_));
  }
  static LRESULT CALLBACK Destroying(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    ContextLifetimeTest* self = destroying_;
    const LRESULT handled = CallWindowProcW(self->recorder_, w, m, wp, lp);
    const bool taken = m != WM_IME_COMPOSITION || (lp & GCS_RESULTSTR);
    if (m == self->destroyOn_ && taken && self->selected_) {
      // As the system destroys a context: the IME is deselected first.
      self->selected_ = false;
      ImeSelect(self->himc_, FALSE);
      ImmDestroyContext(self->himc_);
      self->released_ = self->BlocksReleased();
    }
    return handled;
  }
  bool DataFolderFree() {
    DataWriteLock lock(watcher_, 0);
    return lock.Held();
  }

  ImeContext* watcher_ = nullptr;
  ImeConfigBlock savedIme_{};
  long liveAfterDeselect_ = 0;
  size_t messagesAfterDeselect_ = 0;
  void* blocks_[3] = {};
  WNDPROC recorder_ = nullptr;
  UINT destroyOn_ = 0;
  bool released_ = false;
  static inline ContextLifetimeTest* destroying_ = nullptr;
};

TEST_F(ContextLifetimeTest, DestroyingTheInputContextInsideTheDeleteQuestionFreesItOnceAfterTheKey) {
  CommitAWord();
  // Without interference the question deletes the word: the path is live.
  EXPECT_TRUE(Tap(VK_F6));
  ASSERT_TRUE(WordDeleted());
  ASSERT_EQ(effects_.messages.size(), 1u);

  // Deselection still saves the mode into the shared settings.
  Context()->imeBlock->spaceWord |= ImeBits::kCustomConversion | ImeBits::kSaveConversion;
  {
    LockedImc imc(himc_);
    imc->fdwConversion = IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE;
  }
  windows_.calls.clear();
  DeselectInside(true);
  const long before = LiveImeContexts();
  EXPECT_TRUE(Tap(VK_F6));
  ASSERT_EQ(effects_.messages.size(), 2u);
  EXPECT_EQ(liveAfterDeselect_, before) << "the running key keeps its context";
  EXPECT_EQ(LiveImeContexts(), before - 1) << "freed when the key ended";
  EXPECT_TRUE(WordDeleted()) << "the answer of a torn-down context changes nothing";
  EXPECT_TRUE(DataFolderFree()) << "no write lock left behind";
  EXPECT_EQ(watcher_->imeBlock->conversionMode, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  const auto names = windows_.Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), L"DestroyWindows"), 1)
      << "its windows went with the deselection";

  // Every entry point on the dead handle does nothing and frees nothing.
  EXPECT_FALSE(Tap(VK_F6));
  EXPECT_FALSE(ImeSelect(himc_, FALSE));
  EXPECT_EQ(LiveImeContexts(), before - 1);
  EXPECT_EQ(effects_.messages.size(), 2u);
}

TEST_F(ContextLifetimeTest, ALayoutSwitchInsideTheQuestionLeavesTheInputContextUnlockedAndUsable) {
  CommitAWord();
  DeselectInside(false);
  const long before = LiveImeContexts();
  EXPECT_TRUE(Tap(VK_F6));
  EXPECT_EQ(liveAfterDeselect_, before) << "the running key keeps its context";
  EXPECT_EQ(LiveImeContexts(), before - 1);
  EXPECT_FALSE(WordDeleted());
  EXPECT_EQ(window_.messages.size(), messagesAfterDeselect_) << "nothing sent after the box";
  EXPECT_EQ(ImmGetIMCLockCount(himc_), 0u) << "every lock the key took is released";
  EXPECT_EQ(Context(), nullptr);

  // Selected again, the input context types as before.
  effects_.whileShown = nullptr;
  ASSERT_TRUE(Select());
  window_.messages.clear();
  Type(L"wq ");
  EXPECT_EQ(Results(), L"你");
}

TEST_F(ContextLifetimeTest, TheInformationBoxOfAMenuCommandStopsTheCommandWhenTheContextGoes) {
  Type(L"wq");
  DeselectInside(true);
  const long before = LiveImeContexts();
  EXPECT_EQ(HandleImeCommand(himc_, 514, 0, kEntryInformation), 1);
  ASSERT_EQ(effects_.messages.size(), 1u);
  EXPECT_EQ(liveAfterDeselect_, before) << "the running command keeps its context";
  EXPECT_EQ(LiveImeContexts(), before - 1);
  EXPECT_EQ(window_.messages.size(), messagesAfterDeselect_)
      << "no search result reaches the destroyed context";
  EXPECT_GE(messagesAfterDeselect_, 1u) << "the deselection ended the composition";
}

TEST_F(ContextLifetimeTest, NothingTouchesTheBlocksOfAnInputContextDestroyedInsideTheQuestion) {
  CommitAWord();
  MapBlocksApart();
  DeselectInside(true);
  bool released = false;
  auto destroy = effects_.whileShown;
  effects_.whileShown = [&] {
    destroy();
    released = BlocksReleased();
  };
  const long before = LiveImeContexts();
  EXPECT_TRUE(Tap(VK_F6));
  ASSERT_EQ(effects_.messages.size(), 1u);
  EXPECT_TRUE(released) << "the freed blocks are gone, so any touch would have faulted";
  EXPECT_EQ(LiveImeContexts(), before - 1);
  EXPECT_EQ(window_.messages.size(), messagesAfterDeselect_);

}

// A host may as well let its input context go while it takes a result (a
// box that closes on it): the associations listed after the result stop.
TEST_F(ContextLifetimeTest, NothingTouchesTheBlocksOfAnInputContextTheHostDestroysOnTheResult) {
  Context()->imeBlock->optionFlags |= kImeOptAssociations;
  Type(L"wq");
  MapBlocksApart();
  DestroyOn(WM_IME_COMPOSITION);
  const long before = LiveImeContexts();
  Tap(VK_SPACE);
  KeepContext();
  EXPECT_EQ(Results(), L"你");
  EXPECT_TRUE(released_) << "the freed blocks are gone, so any touch would have faulted";
  EXPECT_EQ(LiveImeContexts(), before - 1);
}

// Closing the IME drops the open code; the host may let its input context go
// when the composition ends.
TEST_F(ContextLifetimeTest, NothingTouchesTheBlocksOfAnInputContextTheHostDestroysWhenClosingEndsTheCode) {
  Type(L"wq");
  MapBlocksApart();
  DestroyOn(WM_IME_ENDCOMPOSITION);
  {
    LockedImc imc(himc_);
    imc->fOpen = FALSE;
  }
  // What ImmSetOpenStatus tells the IME.
  NotifyIME(himc_, NI_CONTEXTUPDATED, 0, IMC_SETOPENSTATUS);
  KeepContext();
  EXPECT_TRUE(released_) << "the freed blocks are gone, so any touch would have faulted";
}

}  // namespace
}  // namespace zn::test
