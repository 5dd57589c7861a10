// The order of the composition messages a host gets: the rules every host
// relies on over long random typing, the auto-commit sequence, and messages
// after a result waiting until what the host posted itself was handled.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "tests/common/ImeMessageRules.h"
#include "tests/imm/ImmTestSupport.h"

namespace zn::test {
namespace {

using MessageOrderTest = ShippedImcFixture;

std::vector<UINT> Kinds(const std::vector<RecordedMessage>& messages) {
  std::vector<UINT> kinds;
  for (const RecordedMessage& m : messages) {
    if (m.message != WM_IME_NOTIFY) kinds.push_back(m.message);
  }
  return kinds;
}

std::wstring Broken(ImeMessageRules& rules, const RecordedMessage& m) {
  const wchar_t* broken = rules.Feed(m.message, m.lParam);
  return broken ? broken : L"";
}

TEST_F(MessageOrderTest, LongRandomTypingKeepsTheRulesAndEveryResultHoldsText) {
  ASSERT_TRUE(Select());
  TakeMessages();
  // Letters make codes (and auto-commits), the rest commits, edits, pages,
  // cancels and switches.
  const uint8_t keys[] = {'A', 'B', 'G', 'H', 'K', 'L', 'Q', 'V', 'W', 'Y', 'I', 'O',
                          VK_SPACE, VK_SPACE, '1', '2', VK_BACK, VK_ESCAPE, VK_OEM_COMMA,
                          VK_OEM_PERIOD, VK_OEM_PLUS, VK_OEM_MINUS, VK_RETURN, VK_SHIFT};
  for (unsigned seed : {1u, 2u, 3u}) {
    // The last round lists associations after every commit.
    if (seed == 3) Context()->imeBlock->optionFlags |= kImeOptAssociations;
    std::mt19937 random(seed);
    ImeMessageRules rules;
    uint64_t tick = 1000;
    for (int step = 0; step < 1500; ++step) {
      const uint8_t vk = keys[random() % std::size(keys)];
      tick += 50;
      os_.tickMs = tick;
      if (vk == VK_SHIFT) {
        // A quick tap: the release switches between Chinese and English.
        Key(VK_SHIFT);
        Key(VK_SHIFT, true);
      } else {
        Tap(vk);
      }
      for (const RecordedMessage& m : TakeMessages()) {
        ASSERT_EQ(Broken(rules, m), L"") << "step " << step << " (seed " << seed << ")";
        if (m.message == WM_IME_COMPOSITION && (m.lParam & GCS_RESULTSTR)) {
          ASSERT_FALSE(m.result.empty()) << "step " << step << " (seed " << seed << ")";
        }
      }
      ASSERT_EQ(rules.open(), Context()->compositionOpen != 0)
          << "the host's composition and the module's differ at step " << step;
    }
    Tap(VK_ESCAPE);
    for (const RecordedMessage& m : TakeMessages()) ASSERT_EQ(Broken(rules, m), L"");
  }
}

TEST_F(MessageOrderTest, AFifthLetterCommitsEndsAndStartsTheNextCode) {
  ASSERT_TRUE(Select());
  Type(L"wqvb");
  TakeMessages();
  Tap('K');
  const auto messages = TakeMessages();
  const std::vector<UINT> expected = {WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION,
                                      WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION};
  EXPECT_EQ(Kinds(messages), expected);
  ASSERT_FALSE(messages.empty());
  std::wstring result;
  for (const RecordedMessage& m : messages) result += m.result;
  EXPECT_EQ(result, L"你好");
  EXPECT_EQ(CompositionString(GCS_COMPREADSTR), L"k");
  Type(L"hlg ");
  EXPECT_EQ(Results(), L"中国");
}

TEST_F(MessageOrderTest, AssociationsAfterACommitAreANewComposition) {
  ASSERT_TRUE(Select());
  Context()->imeBlock->optionFlags |= kImeOptAssociations;
  Type(L"wq");
  TakeMessages();
  Tap(VK_SPACE);
  ASSERT_TRUE(Context()->stateFlags & kStateAssociations) << "the shipped tables list associations of 你";
  const std::vector<UINT> expected = {WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION,
                                      WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION};
  EXPECT_EQ(Results(), L"你");
  EXPECT_EQ(Kinds(TakeMessages()), expected);
  EXPECT_EQ(CompositionString(GCS_COMPSTR), L" ") << "the commit stays shown as a space";
  Tap(VK_ESCAPE);
  EXPECT_EQ(Kinds(TakeMessages()), (std::vector<UINT>{WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION}));
}

TEST_F(MessageOrderTest, ACommitSendsNoEmptyUpdateAfterItsResult) {
  ASSERT_TRUE(Select());
  Type(L"wq");
  TakeMessages();
  Tap(VK_SPACE);
  const auto messages = TakeMessages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2].lParam & GCS_RESULTSTR, GCS_RESULTSTR);
  EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
  // A cancelled code is emptied on screen before its end.
  Type(L"wq");
  TakeMessages();
  Tap(VK_ESCAPE);
  EXPECT_EQ(Kinds(TakeMessages()), (std::vector<UINT>{WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION}));
}

TEST_F(MessageOrderTest, TheNextCodeWaitsForWhatTheHostPostedForTheResult) {
  ASSERT_TRUE(Select());
  Type(L"wqvb");
  TakeMessages();
  // As the system does for the key: ImeProcessKey, ImeToAsciiEx, and then the
  // host's loop; the host posts itself the result's characters meanwhile.
  ASSERT_TRUE(ImeProcessKey(himc_, 'K', MakeKeyData(ScanOf('K'), false), keys_));
  ImeToAsciiEx('K', ScanOf('K'), keys_, nullptr, 0, himc_);
  EXPECT_EQ(window_.messages.back().message, static_cast<UINT>(WM_IME_ENDCOMPOSITION));
  PostMessageW(window_.get(), WM_IME_CHAR, L'你', 1);
  PostMessageW(window_.get(), WM_IME_CHAR, L'好', 1);
  PumpUntilDelivered();
  const std::vector<UINT> expected = {WM_IME_COMPOSITION, WM_IME_ENDCOMPOSITION, WM_IME_CHAR,
                                      WM_IME_CHAR, WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION};
  EXPECT_EQ(Kinds(TakeMessages()), expected);
}

TEST_F(MessageOrderTest, HeldMessagesGoFirstWhenAnotherKeyComesOrTheFocusLeaves) {
  ASSERT_TRUE(Select());
  TakeMessages();
  Type(L"wqvb");
  ASSERT_TRUE(ImeProcessKey(himc_, 'K', MakeKeyData(ScanOf('K'), false), keys_));
  ImeToAsciiEx('K', ScanOf('K'), keys_, nullptr, 0, himc_);
  ASSERT_TRUE(ImeMessagesDeferred());
  // A host that reads keys before its posted messages still sees one order.
  ASSERT_TRUE(ImeProcessKey(himc_, 'H', MakeKeyData(ScanOf('H'), false), keys_));
  ImeToAsciiEx('H', ScanOf('H'), keys_, nullptr, 0, himc_);
  EXPECT_FALSE(ImeMessagesDeferred());
  ImeMessageRules rules;
  for (const RecordedMessage& m : TakeMessages()) EXPECT_EQ(Broken(rules, m), L"");
  EXPECT_EQ(CompositionString(GCS_COMPREADSTR), L"kh");

  Type(L"lg");
  ASSERT_TRUE(ImeProcessKey(himc_, 'W', MakeKeyData(ScanOf('W'), false), keys_));
  ImeToAsciiEx('W', ScanOf('W'), keys_, nullptr, 0, himc_);
  ASSERT_TRUE(ImeMessagesDeferred());
  ImeSetActiveContext(himc_, FALSE);
  EXPECT_FALSE(ImeMessagesDeferred());
  bool started = false;
  for (const RecordedMessage& m : TakeMessages()) {
    EXPECT_EQ(Broken(rules, m), L"");
    started = started || m.message == WM_IME_STARTCOMPOSITION;
  }
  EXPECT_TRUE(started) << "the new code's composition reached the window";
  // No UI window serves this context: leaving it ends the code, as the UI
  // window would on deactivation.
  EXPECT_FALSE(rules.open());
}

// Only its own thread can kill a thread timer: when the module is let go
// (ImeDestroy, then unloading), another thread's held messages must leave
// nothing that calls into it, and nothing for a context it no longer serves.
TEST_F(MessageOrderTest, LettingTheModuleGoLeavesNoOtherThreadATimerIntoIt) {
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE destroyed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool heldThere = false;
  bool timerCallsBack = false;
  size_t delivered = 0;
  std::thread other([&] {
    RecordingWindow window;
    HIMC himc = ImmCreateContext();
    {
      LockedImc imc(himc);
      imc->hWnd = window.get();
    }
    const TRANSMSG message{WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1};
    DeferImeMessages(himc, &message, 1);
    heldThere = ImeMessagesDeferred();
    SetEvent(held);
    WaitForSingleObject(destroyed, 5000);
    for (int round = 0; round < 20; ++round) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The thread set no timer of its own: any callback is the module's.
        if (msg.message == WM_TIMER && msg.lParam) timerCallsBack = true;
        DispatchMessageW(&msg);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    delivered = window.messages.size();
    ImmDestroyContext(himc);
  });
  WaitForSingleObject(held, 5000);
  ImeDestroy(0);
  SetEvent(destroyed);
  other.join();
  CloseHandle(held);
  CloseHandle(destroyed);
  EXPECT_TRUE(heldThere);
  EXPECT_FALSE(timerCallsBack) << "a timer with a callback in the module outlived it";
  EXPECT_EQ(delivered, 0u) << "the held messages were dropped";
}

}  // namespace
}  // namespace zn::test
