// The dialog base under a real window manager: modal runs driven from a
// second thread, the pre-translate chain, pages inside a dialog, and the
// worker helper posting results back.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "DialogTestIds.h"
#include "tests/common/DialogDriver.h"
#include "ui/dialogs/Controls.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogWorker.h"

using namespace zn::test;

namespace {

constexpr wchar_t kTitle[] = L"层测试";

class Page : public Dialog {
 public:
  Page() : Dialog(IDD_TEST_PAGE) {}
  std::atomic<int> keysSeen{0};

 protected:
  bool PreTranslateMessage(MSG& msg) override {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F7) {
      ++keysSeen;
      return true;
    }
    return false;
  }
};

class TestDialog : public Dialog {
 public:
  TestDialog() : Dialog(IDD_TEST_MODAL) {}
  bool endAtInit = false;
  bool withPage = false;
  std::atomic<int> oks{0};
  std::atomic<int> checks{0};
  std::atomic<int> dialogKeys{0};
  Page page;
  std::atomic<HWND> pageWindow{nullptr};

 protected:
  BOOL OnInitDialog() override {
    SetItemText(hwnd(), IDC_TEST_EDIT, L"初值");
    if (endAtInit) EndModal(42);
    if (withPage) {
      HWND w = page.CreatePage(hwnd());
      FitToItem(hwnd(), IDC_TEST_FRAME, w);
      ShowWindow(w, SW_SHOW);
      pageWindow = w;
    }
    return TRUE;
  }
  bool OnCommand(int id, int code, HWND) override {
    if (id == IDC_TEST_CHECK && code == BN_CLICKED) {
      ++checks;
      return true;
    }
    return false;
  }
  void OnOk() override {
    ++oks;
    Dialog::OnOk();
  }
  bool PreTranslateMessage(MSG& msg) override {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_F7 || msg.wParam == VK_F8)) {
      ++dialogKeys;
      return true;
    }
    return false;
  }
};

class CountingFilter : public MessageFilter {
 public:
  std::atomic<int> taken{0};
  bool PreTranslate(MSG& msg) override {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F9) {
      ++taken;
      return true;
    }
    return false;
  }
};

TEST(DialogModal, RunsUntilClickedAndReturnsTheButton) {
  TestDialog dialog;
  std::wstring seenText;
  bool checkedAfterClick = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kTitle);
    if (!w) return;
    seenText = ItemText(w, IDC_TEST_EDIT);
    Click(w, IDC_TEST_CHECK);
    checkedAfterClick = IsDlgButtonChecked(w, IDC_TEST_CHECK) == BST_CHECKED;
    Click(w, IDOK);
  });
  HWND owner = CreateWindowW(L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  INT_PTR result = dialog.RunModal(owner);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(seenText, L"初值");
  EXPECT_TRUE(checkedAfterClick);
  EXPECT_EQ(dialog.checks.load(), 1);
  EXPECT_EQ(dialog.oks.load(), 1);
  EXPECT_EQ(dialog.hwnd(), nullptr);  // the window is gone after the run
  EXPECT_TRUE(IsWindowEnabled(owner));  // and the owner usable again
  DestroyWindow(owner);

  // Ended from its init handler: no loop is entered, the result comes back.
  TestDialog early;
  early.endAtInit = true;
  EXPECT_EQ(early.RunModal(nullptr), 42);
  // A missing template fails instead of hanging.
  Dialog missing(9999);
  EXPECT_EQ(missing.RunModal(nullptr), -1);
}

TEST(DialogModal, FilterAndPagesSeeMessagesFirstAndPagesForwardOk) {
  TestDialog dialog;
  dialog.withPage = true;
  CountingFilter filter;
  bool pageIsChild = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kTitle);
    if (!w || !WaitUntil([&] { return dialog.pageWindow.load() != nullptr; })) return;
    HWND page = dialog.pageWindow;
    pageIsChild = GetParent(page) == w && (GetWindowLongW(page, GWL_STYLE) & WS_CHILD);
    HWND pageEdit = GetDlgItem(page, IDC_TEST_EDIT);
    // F9: the loop's filter; F7 in the page: the page before the dialog;
    // F8 in the page: not the page's, so it reaches the dialog.
    PostMessageW(pageEdit, WM_KEYDOWN, VK_F9, 0);
    PostMessageW(pageEdit, WM_KEYDOWN, VK_F7, 0);
    PostMessageW(pageEdit, WM_KEYDOWN, VK_F8, 0);
    WaitUntil([&] { return filter.taken == 1 && dialog.page.keysSeen == 1 && dialog.dialogKeys == 1; },
              3000);
    // Enter inside a page acts on the whole dialog.
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  INT_PTR result = dialog.RunModal(nullptr, &filter);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_TRUE(pageIsChild);
  EXPECT_EQ(filter.taken.load(), 1);
  EXPECT_EQ(dialog.page.keysSeen.load(), 1);
  EXPECT_EQ(dialog.dialogKeys.load(), 1);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.page.hwnd(), nullptr);  // destroyed with its parent
}

TEST(DialogModal, QuitEndsTheLoopAndIsPostedAgain) {
  TestDialog dialog;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kTitle);
    if (w) PostThreadMessageW(GetWindowThreadProcessId(w, nullptr), WM_QUIT, 7, 0);
  });
  INT_PTR result = dialog.RunModal(nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_EQ(result, IDCANCEL);
}

constexpr UINT kResultMessage = WM_APP + 5;

// Pumps messages until the window got the worker's message.
bool PumpUntil(HWND window, MSG& got, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; waited += 5) {
    if (PeekMessageW(&got, window, kResultMessage, kResultMessage, PM_REMOVE)) return true;
    Sleep(5);
  }
  return false;
}

TEST(DialogWorker, PostsCopiedResultsAndDropsStaleOnes) {
  HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  DialogWorker<std::wstring> worker;
  {
    std::wstring input = L"输入";
    worker.Start(window, kResultMessage, [input](const std::atomic<bool>&) { return input + L"!"; });
    input = L"changed";  // the job has its own copy
  }
  MSG msg;
  ASSERT_TRUE(PumpUntil(window, msg));
  auto result = worker.Take(msg.wParam, msg.lParam);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(*result, L"输入!");

  // A job that waits for its stop flag: Stop() ends it and nothing arrives.
  worker.Start(window, kResultMessage, [](const std::atomic<bool>& stop) {
    while (!stop.load()) Sleep(1);
    return std::wstring(L"late");
  });
  EXPECT_TRUE(worker.Running());
  worker.Stop();
  EXPECT_FALSE(PeekMessageW(&msg, window, kResultMessage, kResultMessage, PM_REMOVE));

  // The result of an older job is refused once a newer one started.
  WPARAM first = worker.Start(window, kResultMessage, [](const std::atomic<bool>&) {
    return std::wstring(L"old");
  });
  ASSERT_TRUE(PumpUntil(window, msg));
  ASSERT_EQ(msg.wParam, first);
  worker.Start(window, kResultMessage, [](const std::atomic<bool>&) { return std::wstring(L"new"); });
  EXPECT_EQ(worker.Take(msg.wParam, msg.lParam), nullptr);
  ASSERT_TRUE(PumpUntil(window, msg));
  result = worker.Take(msg.wParam, msg.lParam);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(*result, L"new");
  DestroyWindow(window);
}

}  // namespace
