// The installer's dialogs under Xvfb: the unpacking dialog on a built
// package, the process list driven from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "installer/app/ExtractDialog.h"
#include "installer/app/InstallerResources.h"
#include "installer/app/ProcessListDialog.h"
#include "installer/core/FolderTree.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

void InitControls() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

// The dialog once it shows and its control exists (clicks sent earlier are lost).
HWND WaitForDialog(const wchar_t* title, int controlId) {
  for (int i = 0; i < 500; ++i) {
    HWND dialog = FindWindowW(L"#32770", title);
    if (dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, controlId)) return dialog;
    Sleep(10);
  }
  return nullptr;
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(ExtractDialog, UnpacksAPackageAndEndsOnItsOwn) {
  InitControls();
  FakeInstallerOs os;
  auto state = NewState();
  SetText(state->workFolder, kPathUnits, os.Folder(KnownFolder::kTemp) + L"w\\");
  SetText(state->ownPath, kPathUnits, os.Folder(KnownFolder::kTemp) + L"setup.exe");
  ASSERT_TRUE(CreateDirectoryPath(os, state->workFolder));
  std::vector<uint8_t> zip = ZipWriter()
                                 .Add("$dataFiles$\\config.dsc", DefaultConfigImage(), true)
                                 .Add("zinIME.ime", Bytes("module"))
                                 .Build();
  ASSERT_TRUE(WriteFileBytes(state->ownPath, MakePackage(zip)));
  {
    ExtractDialog dialog(*state, os);
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
  }
  EXPECT_STREQ(state->productKey, ZN_PRODUCT_GUID_TEXT);
  EXPECT_EQ(ReadFileBytes(std::wstring(state->unpackFolder) + L"zinIME.ime"), Bytes("module"));

  // A package without settings is refused.
  std::vector<uint8_t> bare = ZipWriter().Add("zinIME.ime", Bytes("module")).Build();
  ASSERT_TRUE(WriteFileBytes(state->ownPath, MakePackage(bare)));
  auto other = NewState();
  SetText(other->workFolder, kPathUnits, os.Folder(KnownFolder::kTemp) + L"w2\\");
  std::memcpy(other->ownPath, state->ownPath, sizeof(other->ownPath));
  ASSERT_TRUE(CreateDirectoryPath(os, other->workFolder));
  ExtractDialog refused(*other, os);
  EXPECT_EQ(refused.RunModal(nullptr), IDCANCEL);
}

FakeProcess Holder(uint32_t pid, const wchar_t* exe) {
  FakeProcess p;
  p.pid = pid;
  p.exeName = exe;
  p.modules64 = {std::wstring(L"C:\\apps\\") + exe, L"C:\\windows\\system32\\zinime.ime"};
  return p;
}

TEST(ProcessListDialog, RetryAndTerminateUntilNothingHoldsTheModule) {
  InitControls();
  FakeInstallerOs os;
  auto state = ProductState(os);
  WriteProductValues(*state, os);
  os.processes = {Holder(101, L"first.exe"), Holder(102, L"second.exe")};
  std::atomic<bool> checked{false};
  std::thread driver([&] {
    HWND dialog = WaitForDialog(L"文件访问冲突", IDC_PROCESS_TERMINATE);
    if (!dialog) return;
    HWND list = GetDlgItem(dialog, IDC_PROCESS_LIST);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(CellText(list, 0, 0), L"first.exe");
    EXPECT_EQ(CellText(list, 1, 1), L"102");
    // The first program is closed by the user; retry lists the rest.
    os.processes.erase(os.processes.begin());
    SendMessageW(GetDlgItem(dialog, IDC_PROCESS_RETRY), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(CellText(list, 0, 0), L"second.exe");
    checked = true;
    SendMessageW(GetDlgItem(dialog, IDC_PROCESS_TERMINATE), BM_CLICK, 0, 0);
  });
  ProcessListDialogPrompt prompt(*state, os);
  EXPECT_EQ(prompt.Run(nullptr, L"zinIME.ime", -1), IDOK);
  driver.join();
  EXPECT_TRUE(checked);
  EXPECT_EQ(os.terminated, std::vector<uint32_t>{102});
  EXPECT_TRUE(state->unregistered);

  // Nothing holds it: no window at all.
  EXPECT_EQ(prompt.Run(nullptr, L"zinIME.ime", -1), IDOK);
  EXPECT_EQ(FindWindowW(L"#32770", L"文件访问冲突"), nullptr);
}

TEST(ProcessListDialog, CancelKeepsTheProcesses) {
  InitControls();
  FakeInstallerOs os;
  auto state = ProductState(os);
  os.processes = {Holder(201, L"stays.exe")};
  std::thread driver([&] {
    HWND dialog = WaitForDialog(L"文件访问冲突", IDCANCEL);
    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  ProcessListDialogPrompt prompt(*state, os);
  EXPECT_EQ(prompt.Run(nullptr, L"zinIME.ime", 0), IDCANCEL);
  driver.join();
  EXPECT_TRUE(os.terminated.empty());
  EXPECT_FALSE(state->unregistered);
}

}  // namespace
}  // namespace zn::test
