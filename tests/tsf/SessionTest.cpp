// Edit sessions around the typing: message boxes only outside sessions,
// compositions ended at deactivation and forgotten with popped contexts.
#include "tests/tsf/TsfTestSupport.h"

#include "engine/DataLock.h"
#include "engine/EntryCommands.h"
#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"
#include "frontend/tsf/ComAdopt.h"
#include "tests/common/RecordingImeWindows.h"

namespace zn::test {
namespace {

class SessionTest : public TsfTest {
 public:
  void Start() {
    ASSERT_EQ(Activate(), S_OK);
    savedIme_ = *Ime()->imeBlock;
    Ime()->imeBlock->optionFlags &= ~ImeBits::kTsfStyles;
  }
  void TearDown() override {
    if (service_ && Ime()) *Ime()->imeBlock = savedIme_;
    TsfTest::TearDown();
  }
  ImeConfigBlock savedIme_{};
};

TEST_F(SessionTest, DeletingAWordAsksOutsideAnyEditSession) {
  Start();
  Type(L"wqvb ");
  ASSERT_EQ(Document(), L"你好");
  effects_.messageResult = IDNO;
  // Ctrl+- offers to delete the word just committed.
  Hold({VK_CONTROL});
  EXPECT_TRUE(host_->PressKey(VK_OEM_MINUS, L'-'));
  ReleaseAll();
  host_->ReleaseKey(VK_OEM_MINUS);
  EXPECT_EQ(effects_.messages.size(), 1u) << "the user was asked";
  EXPECT_EQ(Document(), L"你好");
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好你好") << "typing goes on after the question";
}

TEST_F(SessionTest, DeactivationEndsTheOpenCompositionWithoutAStraySpace) {
  Start();
  context_->AppSetText(L"ab", 2);
  Type(L"wq");
  ASSERT_EQ(Marked(), L"ab[| ]");
  EXPECT_EQ(service_->Deactivate(), S_OK);
  EXPECT_EQ(Marked(), L"ab|");
  EXPECT_TRUE(context_->compositions().empty());
  EXPECT_EQ(Activate(), S_OK) << "and it activates again";
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"ab你好");
}

TEST_F(SessionTest, APoppedContextDropsItsComposition) {
  Start();
  Type(L"wq");
  ComPtr<ITfDocumentMgr> documentMgr;
  ASSERT_EQ(context_->GetDocumentMgr(&documentMgr), S_OK);
  ASSERT_EQ(documentMgr->Pop(TF_POPF_ALL), S_OK);
  context_ = host_->OpenDocument(L"x", 1);
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"x你好") << "the new document types normally";
}

TEST_F(SessionTest, KeysFollowTheTopContextOfTheFocusedDocumentThroughPushAndPop) {
  Start();
  fakehost::FakeContext* base = context_;
  Type(L"wqvb ");
  ComPtr<ITfDocumentMgr> documentMgr;
  ASSERT_EQ(base->GetDocumentMgr(&documentMgr), S_OK);
  ComPtr<ITfContext> pushed;
  ASSERT_EQ(documentMgr->CreateContext(client_, 0, nullptr, &pushed, nullptr), S_OK);
  ASSERT_EQ(documentMgr->Push(pushed.Get()), S_OK);
  context_ = static_cast<fakehost::FakeContext*>(pushed.Get());
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好") << "the pushed context takes the keys";
  EXPECT_EQ(base->text(), L"你好");

  // Popped with a code typed: the lower context takes the keys again.
  Type(L"wq");
  ASSERT_EQ(documentMgr->Pop(0), S_OK);
  context_ = base;
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好你好");

  // A context pushed onto a document without the focus takes nothing.
  ComPtr<ITfDocumentMgr> other;
  ASSERT_EQ(host_->CreateDocumentMgr(&other), S_OK);
  ComPtr<ITfContext> elsewhere;
  ASSERT_EQ(other->CreateContext(client_, 0, nullptr, &elsewhere, nullptr), S_OK);
  ASSERT_EQ(other->Push(elsewhere.Get()), S_OK);
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好你好你好");
}

// A question box runs the host's message loop, where the framework may
// deactivate the service and drop it.
TEST_F(SessionTest, DeactivationInsideTheDeleteQuestionFreesTheContextOnceTheKeyEnds) {
  Start();
  Type(L"wqvb ");
  ASSERT_EQ(Document(), L"你好");
  effects_.messageResult = IDYES;
  int liveInside = -1;
  effects_.whileShown = [&] {
    *Ime()->imeBlock = savedIme_;
    EXPECT_EQ(service_->Deactivate(), S_OK);
    liveInside = TestContexts::live;
    service_.Reset();
  };
  Hold({VK_CONTROL});
  EXPECT_TRUE(host_->PressKey(VK_OEM_MINUS, L'-'));
  ReleaseAll();
  host_->ReleaseKey(VK_OEM_MINUS);
  effects_.whileShown = nullptr;
  ASSERT_EQ(effects_.messages.size(), 1u);
  EXPECT_EQ(liveInside, 1) << "the running key keeps its context";
  EXPECT_EQ(TestContexts::live, 0) << "freed when the key ended";
  EXPECT_EQ(Document(), L"你好");
  {
    ImeContext* probe = TestContexts::Create();
    ASSERT_NE(probe, nullptr);
    {
      DataWriteLock lock(probe, 0);
      EXPECT_TRUE(lock.Held()) << "no write lock left behind";
    }
    TestContexts::Destroy(probe);
  }
  // The answer changed nothing: the word is still there for a new service.
  MakeService();
  Start();
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好你好");
}

TEST_F(SessionTest, DeactivationInsideTheInformationBoxEndsTheCommand) {
  Start();
  Type(L"wq");
  int liveInside = -1;
  effects_.whileShown = [&] {
    *Ime()->imeBlock = savedIme_;
    service_->Deactivate();
    liveInside = TestContexts::live;
  };
  EXPECT_EQ(Service()->ExecuteTextServiceCommand(MenuCommand::kEntryCommand, 0, kEntryInformation), 1);
  effects_.whileShown = nullptr;
  ASSERT_EQ(effects_.messages.size(), 1u);
  EXPECT_EQ(liveInside, 1) << "the running command keeps its context";
  EXPECT_EQ(TestContexts::live, 0);
  EXPECT_EQ(Document(), L"") << "no code written back into the document";
  EXPECT_TRUE(context_->compositions().empty());
  EXPECT_EQ(Activate(), S_OK);
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好");
}

// A launch key runs inside the key's session; when the start fails, the
// system's box runs the message loop there, and the framework may deactivate
// and drop the service before the session ends.
TEST_F(SessionTest, DeactivationInsideAFailedLaunchEndsTheKeySessionCleanly) {
  Start();
  // End starts config's clipboard lookup (a key without Ctrl is no
  // preserved key: it comes through the key sink).
  const DmeConfigBlock savedDme = *Ime()->dmeBlock;
  ASSERT_TRUE(StoreKeyFunction(Ime()->dmeBlock, ParseKeySpec(L"键End"), KeyFunction::kConfigClipboardLookup));
  Type(L"wq");
  effects_.launchFails = true;
  int liveInside = -1;
  effects_.whileShown = [&] {
    *Ime()->imeBlock = savedIme_;
    *Ime()->dmeBlock = savedDme;
    EXPECT_EQ(service_->Deactivate(), S_OK);
    liveInside = TestContexts::live;
    service_.Reset();
  };
  EXPECT_TRUE(Press(VK_END));
  effects_.whileShown = nullptr;
  effects_.launchFails = false;
  ASSERT_EQ(effects_.programs.size(), 1u);
  EXPECT_EQ(liveInside, 1) << "the running key keeps its context";
  EXPECT_EQ(TestContexts::live, 0) << "freed when the key ended";
  EXPECT_EQ(Document(), L"");
  EXPECT_TRUE(context_->compositions().empty());
  MakeService();
  Start();
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好");
}

TEST_F(SessionTest, KeysForAnotherContextPassThrough) {
  Start();
  fakehost::FakeContext* first = context_;
  Type(L"wq");
  // Focus moves to a second document: the first one's composition ends.
  context_ = host_->OpenDocument(L"", 0);
  Type(L"wqvb ");
  EXPECT_EQ(Document(), L"你好");
  EXPECT_EQ(first->text(), L"") << "no code or space left in the first document";
  EXPECT_TRUE(first->compositions().empty());
}

}  // namespace
}  // namespace zn::test

namespace zn::test {
namespace {

// The skinned windows are reached through the facade only.
class WindowsTest : public SessionTest {
 protected:
  void MakeService() {
    TextServiceEnvironment environment = TestContexts::Environment(&clock_);
    environment.windows = &windows_;
    service_ = Adopt<ITfTextInputProcessorEx>(new CTextService(environment));
  }
  bool Called(const std::wstring& name) const {
    for (const std::wstring& n : windows_.Names()) {
      if (n == name) return true;
    }
    return false;
  }
  int Count(const std::wstring& name) const {
    int n = 0;
    for (const std::wstring& c : windows_.Names()) n += c == name;
    return n;
  }
  RecordingImeWindows windows_;
};

TEST_F(WindowsTest, TheStatusBarFollowsThreadAndDocumentFocus) {
  MakeService();
  Start();
  Ime()->imeBlock->optionFlags &= ~(ImeBits::kHideStatus | ImeBits::kStatusInLanguageBar);
  windows_.calls.clear();
  host_->KillThreadFocus();
  EXPECT_EQ(Count(L"HideStatusWindow"), 1);
  host_->SetThreadFocus();
  EXPECT_EQ(Count(L"ShowStatusWindow"), 1);
  host_->SetFocus(nullptr);
  EXPECT_EQ(Count(L"HideStatusWindow"), 2) << "no document, no status bar";
  EXPECT_EQ(Count(L"HideCandidateWindow"), 1);
  // Hosts drawing their own UI never get the status bar.
  windows_.calls.clear();
  ASSERT_EQ(Activate(TF_TMAE_UIELEMENTENABLEDONLY), S_OK);
  host_->SetThreadFocus();
  EXPECT_EQ(Count(L"ShowStatusWindow"), 0);
}

TEST_F(WindowsTest, CandidatesShowAndHideAndDeactivationDestroysTheWindows) {
  MakeService();
  Start();
  Type(L"wq");
  EXPECT_TRUE(Called(L"ShowCandidateWindow"));
  EXPECT_FALSE(Called(L"HideCandidateWindow"));
  Press(VK_ESCAPE);
  EXPECT_TRUE(Called(L"HideCandidateWindow"));
  Hold({VK_SHIFT});
  host_->PressKey(VK_SPACE, L' ');
  ReleaseAll();
  EXPECT_TRUE(Called(L"UpdateStatusWindow")) << "full width shows on the status bar";
  ImeContext* ime = Ime();
  *ime->imeBlock = savedIme_;
  service_->Deactivate();
  ASSERT_FALSE(windows_.calls.empty());
  EXPECT_EQ(windows_.calls.back().what, L"DestroyWindows");
  EXPECT_EQ(windows_.calls.back().context, ime) << "before the context is freed";
}

}  // namespace
}  // namespace zn::test
