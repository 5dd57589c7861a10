// The candidate list as a UI element on the fake host: hosts that draw the
// list themselves read the page from it; otherwise the service's window is
// placed at the composition, follows the host's layout and falls back to the
// caret; an element a host still holds after deactivation answers safely.
#include "tests/tsf/UiTestSupport.h"

#include <imm.h>

#include "frontend/tsf/CandidateListUIElement.h"

namespace zn::test {
namespace {

class CandidateListTest : public UiTest {
 protected:
  ComPtr<ITfCandidateListUIElement> Element() {
    ComPtr<ITfCandidateListUIElement> element;
    ITfUIElement* e = host_->uiElements()->Element(host_->uiElements()->lastBegun);
    if (e) e->QueryInterface(IID_PPV_ARGS(&element));
    return element;
  }
  std::wstring String(ITfCandidateListUIElement* element, UINT index) {
    BSTR text = nullptr;
    EXPECT_EQ(element->GetString(index, &text), S_OK);
    std::wstring s = text ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return s;
  }
  std::vector<std::string>& Calls() { return host_->uiElements()->calls; }
};

TEST_F(CandidateListTest, AHostThatDrawsListsReadsThePageFromTheElement) {
  host_->uiElements()->applicationDrawsLists = true;
  MakeService();
  Start();
  Type(L"w");
  ASSERT_EQ(Calls(), (std::vector<std::string>{"begin", "update"}));
  Type(L"q");
  EXPECT_EQ(Calls().back(), "update") << "every change of the candidates";
  EXPECT_EQ(Count(L"ShowCandidateWindow"), 0) << "the host draws the list, not the service";

  ComPtr<ITfCandidateListUIElement> element = Element();
  ASSERT_TRUE(element);
  const ImeContext* c = Ime();
  ASSERT_GT(c->slotsFilled, 1);
  UINT count = 0;
  EXPECT_EQ(element->GetCount(&count), S_OK);
  EXPECT_EQ(count, static_cast<UINT>(c->candidateCount));
  for (int slot = 0; slot < c->slotsFilled; ++slot) {
    EXPECT_EQ(String(element.Get(), static_cast<UINT>(c->slotListIndex[slot])), c->pageSlots[slot].text) << slot;
  }
  EXPECT_EQ(String(element.Get(), count + 5), L"end") << "only the page answers";
  DWORD flags = 0;
  EXPECT_EQ(element->GetUpdatedFlags(&flags), S_OK);
  EXPECT_EQ(flags, 0x3Fu);
  UINT selection = 99;
  EXPECT_EQ(element->GetSelection(&selection), S_OK);
  EXPECT_EQ(selection, 0u);
  UINT page = 99;
  EXPECT_EQ(element->GetCurrentPage(&page), S_OK);
  EXPECT_EQ(page, 0u);

  // Pages: a null array asks for the count; a short array is filled only so far.
  UINT pages = 0;
  EXPECT_EQ(element->GetPageIndex(nullptr, 0, &pages), S_OK);
  const UINT expected = (count - 1) / static_cast<UINT>(c->pageSize) + 1;
  EXPECT_EQ(pages, expected);
  std::vector<UINT> starts(pages + 2, 0xDEAD);
  EXPECT_EQ(element->GetPageIndex(starts.data(), 1, &pages), S_OK);
  EXPECT_EQ(starts[0], 0u);
  EXPECT_EQ(starts[1], 0xDEADu) << "nothing written past the size given";
  EXPECT_EQ(element->GetPageIndex(starts.data(), pages, &pages), S_OK);
  if (pages > 1) EXPECT_EQ(starts[1], static_cast<UINT>(c->pageSize));
  EXPECT_EQ(element->GetPageIndex(starts.data(), 1, nullptr), E_INVALIDARG);

  // The next page: the selection and the page follow.
  Press(VK_NEXT);
  if (pages > 1) {
    EXPECT_EQ(element->GetCurrentPage(&page), S_OK);
    EXPECT_EQ(page, 1u);
    EXPECT_EQ(element->GetSelection(&selection), S_OK);
    EXPECT_EQ(selection, static_cast<UINT>(c->pageSize));
    EXPECT_EQ(String(element.Get(), 0), L"end") << "the first page is gone";
  }
  Press(VK_ESCAPE);
  EXPECT_EQ(Calls().back(), "end");
  EXPECT_EQ(host_->uiElements()->openElements(), 0);
}

TEST_F(CandidateListTest, TheServiceDrawsByDefaultAndFollowsTheHostsLayout) {
  MakeService();
  Start();
  Type(L"wq");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"begin", "end"})) << "the framework learns of it; the service draws";
  EXPECT_EQ(context_->layoutSinkCount(), 1);
  ASSERT_GE(Count(L"ShowCandidateWindow"), 1);
  // No focus window: the host's extent {100, 200, 110, 220} as it is.
  EXPECT_EQ(Ime()->caretPosition.x, 100);
  EXPECT_EQ(Ime()->caretPosition.y, 202);
  EXPECT_EQ(Ime()->charCell.cy, 20);

  const int shown = Count(L"ShowCandidateWindow");
  context_->textExtent = RECT{103, 203, 113, 223};
  context_->AppLayoutChanged();
  EXPECT_EQ(Count(L"ShowCandidateWindow"), shown) << "a 3 px wobble leaves the window";
  context_->textExtent = RECT{106, 200, 116, 220};
  context_->AppLayoutChanged();
  EXPECT_EQ(Count(L"ShowCandidateWindow"), shown + 1) << "6 px moves it";
  EXPECT_EQ(Ime()->caretPosition.x, 106);

  Type(L" ");
  EXPECT_EQ(context_->layoutSinkCount(), 0) << "the commit ends the list";
  EXPECT_GE(Count(L"HideCandidateWindow"), 1);
  // The host destroys its layout while a code is typed: the list ends.
  Type(L"wq");
  EXPECT_EQ(context_->layoutSinkCount(), 1);
  context_->AppLayoutChanged(true);
  EXPECT_EQ(context_->layoutSinkCount(), 0);
  Press(VK_ESCAPE);
}

TEST_F(CandidateListTest, AnExtentOutsideTheFocusWindowFallsBackToTheCaret) {
  HWND window = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 50, 60, 400, 300, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(window);
  ASSERT_TRUE(CreateCaret(window, nullptr, 1, 16));
  SetCaretPos(7, 9);
  MakeService();
  Start();
  context_->window = window;
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  // The host reports a place far outside its window.
  context_->textExtent = RECT{-3000, -3000, -2990, -2980};
  Type(L"wq");
  EXPECT_EQ(Ime()->caretPosition.x, origin.x + 7);
  EXPECT_EQ(Ime()->caretPosition.y, origin.y + 9 + 2);
  EXPECT_EQ(Ime()->charCell.cy, 21);
  EXPECT_EQ(Ime()->focusWindow, window);
  // The IMM32 side of the window hears of the list.
  ASSERT_EQ(Notices().size(), 2u);
  EXPECT_EQ(Notices()[0].notification, static_cast<WPARAM>(IMN_OPENCANDIDATE));
  EXPECT_EQ(Notices()[1].notification, static_cast<WPARAM>(IMN_CHANGECANDIDATE));
  EXPECT_EQ(Notices()[0].window, window);
  EXPECT_EQ(Notices()[0].lists, 1);
  Press(VK_ESCAPE);
  ASSERT_EQ(Notices().size(), 3u);
  EXPECT_EQ(Notices()[2].notification, static_cast<WPARAM>(IMN_CLOSECANDIDATE));

  // A modern-UI host is taken at its word.
  Start(0, TF_TMF_IMMERSIVEMODE);
  context_->textExtent = RECT{origin.x + 30, origin.y + 40, origin.x + 40, origin.y + 60};
  Type(L"wq");
  EXPECT_EQ(Ime()->caretPosition.x, origin.x + 30);
  EXPECT_EQ(Ime()->caretPosition.y, origin.y + 42);
  Press(VK_ESCAPE);
  DestroyCaret();
  DestroyWindow(window);
}

TEST_F(CandidateListTest, WithoutTheFrameworksElementsTheWindowStillShows) {
  // Wine's UI-element manager refuses every call.
  host_->uiElements()->unavailable = true;
  MakeService();
  Start();
  Type(L"wq");
  EXPECT_GE(Count(L"ShowCandidateWindow"), 1);
  EXPECT_EQ(context_->layoutSinkCount(), 1);
  Type(L" ");
  EXPECT_FALSE(Document().empty()) << "typing is not held up";
  EXPECT_TRUE(context_->compositions().empty());
}

TEST_F(CandidateListTest, AnElementHeldAfterDeactivationAnswersWithoutTheService) {
  host_->uiElements()->applicationDrawsLists = true;
  MakeService();
  Start();
  Type(L"wq");
  ComPtr<ITfCandidateListUIElement> element = Element();
  ASSERT_TRUE(element);
  ComPtr<ITfCandidateListUIElementBehavior> behavior;
  ASSERT_EQ(element.As(&behavior), S_OK);
  ComPtr<ITfTextLayoutSink> layout;
  ASSERT_EQ(element.As(&layout), S_OK);
  EXPECT_TRUE(SameObject(element.Get(), layout.Get())) << "one identity";
  ComPtr<IUnknown> none;
  EXPECT_EQ(element->QueryInterface(IID_ITfLangBarItem, reinterpret_cast<void**>(none.GetAddressOf())),
            E_NOINTERFACE);

  BSTR description = nullptr;
  EXPECT_EQ(element->GetDescription(&description), S_OK);
  EXPECT_LE(SysStringLen(description), 40u);
  SysFreeString(description);
  GUID guid{};
  EXPECT_EQ(element->GetGUID(&guid), S_OK);
  EXPECT_NE(guid, GUID_NULL);
  {
    // The list belongs to the document it is typed into; the answer is counted.
    ComPtr<ITfDocumentMgr> expected;
    ASSERT_EQ(context_->GetDocumentMgr(&expected), S_OK);
    ComPtr<ITfDocumentMgr> documentMgr;
    EXPECT_EQ(element->GetDocumentMgr(&documentMgr), S_OK);
    EXPECT_EQ(documentMgr.Get(), expected.Get());
    EXPECT_EQ(element->GetDocumentMgr(nullptr), E_INVALIDARG);
  }

  *Ime()->imeBlock = savedIme_;
  saved_ = false;
  service_->Deactivate();
  EXPECT_EQ(host_->uiElements()->openElements(), 0) << "the element ended with the activation";
  UINT count = 7;
  EXPECT_EQ(element->GetCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  BSTR text = nullptr;
  EXPECT_EQ(element->GetString(0, &text), E_FAIL);
  EXPECT_EQ(text, nullptr);
  UINT pages = 9;
  EXPECT_EQ(element->GetPageIndex(nullptr, 0, &pages), S_OK);
  EXPECT_EQ(pages, 0u);
  EXPECT_EQ(element->GetDescription(&description), E_FAIL);
  ITfDocumentMgr* documentMgr = reinterpret_cast<ITfDocumentMgr*>(1);
  EXPECT_TRUE(FAILED(element->GetDocumentMgr(&documentMgr))) << "no document without the service";
  EXPECT_EQ(documentMgr, nullptr);
  EXPECT_EQ(layout->OnLayoutChange(context_, TF_LC_CHANGE, nullptr), S_OK);
  EXPECT_EQ(behavior->Finalize(), S_OK);
  EXPECT_EQ(element->GetString(0, nullptr), E_INVALIDARG);
  element.Reset();
  behavior.Reset();
  layout.Reset();
}

}  // namespace
}  // namespace zn::test
