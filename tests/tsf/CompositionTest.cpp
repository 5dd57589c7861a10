// The composition slot table and held text at their limits, driven through
// edit sessions the fake host grants: a sixth composing context, held text
// past 128 units, and launches refused on a secure desktop.
#include "tests/tsf/TsfTestSupport.h"

#include <functional>

#include "engine/ImeOptionBits.h"
#include "engine/KeyTables.h"

namespace zn::test {
namespace {

// A session running a test's own body with the cookie it was granted.
class TestSession : public fakehost::FakeCom<ITfEditSession> {
 public:
  explicit TestSession(std::function<void(TfEditCookie)> body) : body_(std::move(body)) {}
  HRESULT STDMETHODCALLTYPE DoEditSession(TfEditCookie ec) override {
    body_(ec);
    return S_OK;
  }

 private:
  std::function<void(TfEditCookie)> body_;
};

class CompositionTest : public TsfTest {
 protected:
  void InSession(fakehost::FakeContext* context, std::function<void(TfEditCookie)> body) {
    auto session = fakehost::Make<TestSession>([&, body](TfEditCookie ec) {
      Service()->EnterSession(ec);
      body(ec);
      Service()->LeaveSession();
    });
    HRESULT result = E_FAIL;
    ASSERT_EQ(context->RequestEditSession(client_, session.Get(), TF_ES_SYNC | TF_ES_READWRITE, &result), S_OK);
    ASSERT_EQ(result, S_OK);
  }
};

TEST_F(CompositionTest, ASixthComposingContextGetsNoUntrackedComposition) {
  ASSERT_EQ(Activate(), S_OK);
  std::vector<fakehost::FakeContext*> contexts;
  for (int i = 0; i < CTextService::kCompositionSlots + 1; ++i) contexts.push_back(host_->OpenDocument());
  for (int i = 0; i < CTextService::kCompositionSlots; ++i) {
    InSession(contexts[i], [&](TfEditCookie ec) { EXPECT_TRUE(Service()->EnsureComposition(ec, contexts[i])); });
  }
  fakehost::FakeContext* sixth = contexts.back();
  InSession(sixth, [&](TfEditCookie ec) {
    EXPECT_FALSE(Service()->EnsureComposition(ec, sixth));
    // Committed text still reaches the document, directly at the selection.
    Service()->CommitText(ec, sixth, L"好", 1);
  });
  EXPECT_TRUE(sixth->compositions().empty()) << "the composition it got was ended at once";
  EXPECT_EQ(sixth->Marked(), L"好|");
  EXPECT_FALSE(Service()->HasComposition(sixth));
  EXPECT_EQ(service_->Deactivate(), S_OK);
  for (int i = 0; i < CTextService::kCompositionSlots; ++i) EXPECT_TRUE(contexts[i]->compositions().empty());
}

TEST_F(CompositionTest, HeldTextEndsItsCompositionBeforePassingTheLimitAndCutsNothing) {
  ASSERT_EQ(Activate(), S_OK);
  const std::wstring first(100, L'甲');
  const std::wstring second(100, L'乙');
  const std::wstring huge(300, L'丙');
  InSession(context_, [&](TfEditCookie ec) {
    Service()->CommitText(ec, context_, first.c_str(), 100);
    Service()->CommitText(ec, context_, second.c_str(), 100);
  });
  EXPECT_EQ(Document(), first + second) << "nothing cut";
  ASSERT_EQ(context_->compositions().size(), 1u);
  EXPECT_EQ(context_->compositions()[0]->range()->start(), 100) << "the first text was ended as final";
  InSession(context_, [&](TfEditCookie ec) {
    Service()->CommitText(ec, context_, huge.c_str(), 300);
    Service()->EndComposition(ec, context_);
  });
  EXPECT_EQ(Document(), first + second + huge);
  EXPECT_EQ(Marked(), first + second + huge + L"|");
  EXPECT_TRUE(context_->compositions().empty());
}

TEST_F(CompositionTest, NothingStartsFromASecureDesktop) {
  ASSERT_EQ(Activate(TF_TMAE_SECUREMODE), S_OK);
  const DmeConfigBlock saved = *Ime()->dmeBlock;
  // Ctrl+/ opens config's clipboard lookup on an ordinary desktop.
  Hold({VK_CONTROL});
  host_->PressKey(VK_OEM_2, L'/');
  ReleaseAll();
  host_->ReleaseKey(VK_OEM_2);
  EXPECT_TRUE(effects_.programs.empty()) << "no program started";
  ASSERT_EQ(Activate(), S_OK);
  Hold({VK_CONTROL});
  host_->PressKey(VK_OEM_2, L'/');
  ReleaseAll();
  host_->ReleaseKey(VK_OEM_2);
  EXPECT_EQ(effects_.programs.size(), 1u) << "the same key starts config elsewhere";
  *Ime()->dmeBlock = saved;
}

}  // namespace
}  // namespace zn::test
