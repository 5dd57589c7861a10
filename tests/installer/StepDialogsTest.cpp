// The wizard, repair, uninstall and update dialogs under Xvfb, driven from
// a second thread by control id, over the fake seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <atomic>

#include "installer/app/InstallerResources.h"
#include "installer/app/LicenceDialog.h"
#include "installer/app/MaintenanceDialog.h"
#include "installer/app/UpdateDialog.h"
#include "installer/app/WizardDialog.h"
#include "installer/core/InstallSteps.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/Registration.h"
#include "tests/common/DialogDriver.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

void InitControls() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool Shown(HWND dialog, int id) {
  return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

bool WaitForText(HWND dialog, int id, const std::wstring& text, int timeoutMs = 20000) {
  return WaitUntil([&] { return ItemText(dialog, id).find(text) != std::wstring::npos; },
                   timeoutMs);
}

TEST(WizardDialog, LicenceBrowseAndAnInstallToTheEnd) {
  InitControls();
  InstallFixture f;
  f.Unpack();
  std::wstring picked = f.os.Folder(KnownFolder::kProgramFiles) + L"Picked";
  CreateDirectoryW(picked.c_str(), nullptr);
  f.os.pickedFolders = {picked};
  std::wstring target = f.os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\";
  DialogDriver driver([&] {
    HWND dialog = WaitForDialog(L"星禾五笔 安装向导", IDOK);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_FOLDER), target);
    EXPECT_EQ(ItemText(dialog, IDOK), L"安装(&S)");
    EXPECT_FALSE(Enabled(dialog, IDOK));  // not before the licence is accepted
    EXPECT_FALSE(Shown(dialog, IDC_LOG));

    // Declined, then accepted.
    PostMessageW(dialog, WM_COMMAND, IDC_LICENCE, 0);
    HWND licence = WaitForDialog(L"许可协议", IDOK);
    ASSERT_NE(licence, nullptr);
    EXPECT_NE(ItemText(licence, IDC_LICENCE_TEXT).find(L"最终用户许可协议"), std::wstring::npos);
    // Nothing selected, the caret at the start.
    DWORD from = 99, to = 99;
    SendDlgItemMessageW(licence, IDC_LICENCE_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 0u);
    Click(licence, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(licence); }));
    EXPECT_FALSE(Enabled(dialog, IDOK));
    PostMessageW(dialog, WM_COMMAND, IDC_LICENCE, 0);
    licence = WaitForDialog(L"许可协议", IDOK);
    ASSERT_NE(licence, nullptr);
    Click(licence, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return Enabled(dialog, IDOK); }));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_ACCEPT, BM_GETCHECK, 0, 0), BST_CHECKED);

    Click(dialog, IDC_BROWSE);
    EXPECT_EQ(ItemText(dialog, IDC_FOLDER), picked + L"\\zinIME\\");
    SetDlgItemTextW(dialog, IDC_FOLDER, target.c_str());
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForText(dialog, IDOK, L"完成(&O)"));
    std::wstring log = ItemText(dialog, IDC_LOG);
    EXPECT_NE(log.find(L"  7.安装完成。"), std::wstring::npos);
    EXPECT_EQ(log.rfind(L"安装完成。\r\n\r\n  1.创建文件系统", 0), 0u) << "the waiting line stays";
    EXPECT_TRUE(Shown(dialog, IDC_LOG));
    EXPECT_FALSE(Shown(dialog, IDC_FOLDER));
    EXPECT_FALSE(Shown(dialog, IDC_PROGRESS));
    Click(dialog, IDOK);
  });
  WizardDialog wizard(*f.state, f.os);
  EXPECT_EQ(wizard.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(wizard.PageState(), StepDialog::kFinished);
  EXPECT_TRUE(Exists(target + L"config.exe"));
  EXPECT_EQ(f.os.Value(RegHive::kLocalMachine, ProductKeyPath(kKey), L"InstallLocation"), target);
}

TEST(WizardDialog, ClosingIsRefusedWhileBusyAndNoReturnsToTheSettings) {
  InitControls();
  InstallFixture f;
  f.Unpack();
  std::wstring target = f.os.Folder(KnownFolder::kProgramFiles) + L"zinIME\\";
  CreateDirectoryPath(f.os, target);
  std::atomic<HWND> dialog{nullptr};
  std::atomic<bool> stayedOpen{false};
  // The question comes from the worker: the user tries to close meanwhile.
  f.os.onMessage = [&] {
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
  };
  f.os.answers = {IDNO};
  DialogDriver driver([&] {
    dialog = WaitForDialog(L"星禾五笔 安装向导", IDOK);
    ASSERT_NE(dialog.load(), nullptr);
    Click(dialog, IDC_ACCEPT);
    Click(dialog, IDOK);
    // Answered no: the settings page is back and usable.
    EXPECT_TRUE(WaitUntil([&] { return Enabled(dialog, IDOK) && f.os.messages.size() == 1; }));
    EXPECT_TRUE(Shown(dialog, IDC_FOLDER));
    EXPECT_FALSE(Shown(dialog, IDC_LOG));
    EXPECT_EQ(ItemText(dialog, IDOK), L"安装(&S)");
    f.os.onMessage = nullptr;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  WizardDialog wizard(*f.state, f.os);
  EXPECT_EQ(wizard.RunModal(nullptr), IDCANCEL);
  EXPECT_FALSE(driver.Join());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(wizard.PageState(), StepDialog::kReady);
  EXPECT_FALSE(Exists(f.Module()));
}

// A product installed on the fake, for the repair and uninstall dialogs.
struct MaintenanceFixture : InstallFixture {
  MaintenanceFixture() {
    InitControls();
    Unpack();
    CreateDirectoryPath(os, Install());
    EXPECT_TRUE(RunInstallSteps(*state, os, L"", L""));
    state->unregistered = false;
    WriteFileBytes(Data() + L"main.dmg", BuildDmgBytes(SmallMainTable(true)));
  }
};

TEST(MaintenanceDialog, RepairSavesTheWordsAndRunsToTheEnd) {
  MaintenanceFixture f;
  f.Unpack();
  f.state->stubPath[0] = L'\0';
  f.os.answers = {IDNO};  // do not open the backup's folder
  DialogDriver driver([&] {
    HWND dialog = WaitForDialog(L"星禾五笔 - 修复程序", IDOK);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDOK), L"修复(&R)");
    EXPECT_FALSE(Shown(dialog, IDC_PROGRESS));
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForText(dialog, IDOK, L"完成(&O)"));
    std::wstring log = ItemText(dialog, IDC_LOG);
    EXPECT_NE(log.find(L"已备份用户词条 2 条"), std::wstring::npos);
    EXPECT_NE(log.find(L"  6.修复完成。"), std::wstring::npos);
    EXPECT_EQ(log.find(L"请稍候"), std::wstring::npos);
    EXPECT_NE(log.find(L"\n修复完成。\r\n\r\n  1.备份用户数据"), std::wstring::npos);
    Click(dialog, IDOK);
  });
  MaintenanceDialog repair(MaintenanceDialog::Kind::kRepair, *f.state, f.os);
  EXPECT_EQ(repair.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(repair.PageState(), StepDialog::kFinished);
}

TEST(MaintenanceDialog, UninstallWaitsForTheProcessListThenRemovesTheProduct) {
  MaintenanceFixture f;
  FakeProcess holder;
  holder.pid = 77;
  holder.exeName = L"editor.exe";
  holder.modules64 = {L"C:\\apps\\editor.exe", f.Module()};
  f.os.processes = {holder};
  f.holders.answer = IDCANCEL;
  int runs = 0;
  f.holders.onRun = [&] {
    // The second time the user ends the process from the list, in vain.
    if (++runs == 2) f.state->unregistered = true;
  };
  f.os.answers = {IDNO, IDNO, IDOK, IDNO};
  DialogDriver driver([&] {
    HWND dialog = WaitForDialog(L"星禾五笔 - 卸载程序", IDOK);
    ASSERT_NE(dialog, nullptr);
    // Cancelled list: back to the first page, nothing removed.
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return f.holders.runs == 1 && Enabled(dialog, IDOK); }));
    EXPECT_EQ(ItemText(dialog, IDOK), L"卸载(&U)");
    EXPECT_FALSE(Shown(dialog, IDC_PROGRESS));
    // Ended but still there: the restart message, and again the first page.
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return f.holders.runs == 2 && Enabled(dialog, IDOK); }));
    // Freed: the uninstall runs.
    f.os.processes.clear();
    f.holders.answer = IDOK;
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForText(dialog, IDOK, L"完成(&O)"));
    EXPECT_NE(ItemText(dialog, IDC_LOG).find(L"  7.卸载完成。"), std::wstring::npos);
    EXPECT_NE(ItemText(dialog, IDC_LOG).find(L"卸载完成。\r\n\r\n  1.卸载输入接口"), std::wstring::npos);
    EXPECT_EQ(ItemText(dialog, IDC_LOG).find(L"请稍候"), std::wstring::npos);
    Click(dialog, IDOK);
  });
  auto state = NewState();
  SetText(state->productKey, kKeyUnits, kKey);
  ASSERT_TRUE(ReadInstalledProduct(*state, f.os));
  state->processList = &f.holders;
  f.state = std::move(state);
  MaintenanceDialog uninstall(MaintenanceDialog::Kind::kUninstall, *f.state, f.os);
  EXPECT_EQ(uninstall.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join());
  bool blocked = false;
  for (const std::wstring& m : f.os.messages)
    blocked = blocked || m.find(L"卸载操作无法继续") != std::wstring::npos;
  EXPECT_TRUE(blocked);
  EXPECT_FALSE(Exists(f.Module()));
  EXPECT_FALSE(f.os.HasKey(RegHive::kLocalMachine, ProductKeyPath(kKey)));
  EXPECT_EQ(f.os.opened.back().rfind(L"user|https://", 0), 0u);
}

TEST(UpdateDialog, ChecksOnTheWorkerAndCannotBeClosedMeanwhile) {
  InitControls();
  FakeInstallerOs os;
  auto state = NewState();
  SetText(state->productKey, kKeyUnits, kKey);
  std::wstring key = ProductKeyPath(kKey);
  os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"DisplayName", L"星禾五笔");
  os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"DisplayVersion", L"1.0.0");
  os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"URLUpdateInfo", L"http://z/l");
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  os.http = [&](const std::wstring&, uint32_t, HttpResponse* out) {
    WaitForSingleObject(release, 20000);
    out->status = 200;
    std::string body = "<UpdateInfo><version>1.0.1</version><url>http://z/s</url></UpdateInfo>";
    out->body.assign(body.begin(), body.end());
    return true;
  };
  os.answers = {IDOK, IDNO};  // the busy note, then no download
  DialogDriver driver([&] {
    HWND dialog = WaitForDialog(L"星禾五笔 - 更新程序", IDOK);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_LOG).rfind(L"您当前的程序版本为: 1.0.0\r\n", 0), 0u);
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !Enabled(dialog, IDOK); }));
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(dialog));
    SetEvent(release);
    EXPECT_TRUE(WaitUntil([&] { return Enabled(dialog, IDOK); }));
    std::wstring log = ItemText(dialog, IDC_LOG);
    EXPECT_NE(log.find(L"服务器存在更新版本: 1.0.1.0"), std::wstring::npos);
    EXPECT_NE(log.find(L"下载地址: http://z/s"), std::wstring::npos);
    std::string tail;
    for (size_t i = log.size() > 70 ? log.size() - 70 : 0; i < log.size(); ++i)
      tail += std::to_string(static_cast<int>(log[i])) + " ";
    EXPECT_EQ(log.rfind(L"-----\r\n\r\n"), log.size() - 9) << tail;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  UpdateDialog update(*state, os);
  EXPECT_EQ(update.RunModal(nullptr), IDCANCEL);
  EXPECT_FALSE(driver.Join());
  CloseHandle(release);
  ASSERT_EQ(os.messages.size(), 2u);
  EXPECT_EQ(os.messages[0], L"输入法更新|无法取消操作，请等待更新完成。");
  EXPECT_NE(os.messages[1].find(L"发现新版 1.0.1.0"), std::wstring::npos);
  EXPECT_TRUE(os.opened.empty());

  // Without a display name the title is the family's.
  os.RegRemoveValue(RegHive::kLocalMachine, key.c_str(), L"DisplayName");
  DialogDriver second([&] {
    HWND dialog = WaitForDialog(L"for all zinnor v3 - 更新程序", IDOK);
    EXPECT_NE(dialog, nullptr);
    if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  UpdateDialog unnamed(*state, os);
  EXPECT_EQ(unnamed.RunModal(nullptr), IDCANCEL);
  EXPECT_FALSE(second.Join());
}

// The real chooser: folders only, and a typed folder that does not exist is
// made once the user agrees.
TEST(FolderChooser, TakesTheShownFolderAndCreatesATypedOne) {
  InitControls();
  TempDir dir;
  Win32InstallerOs os;
  std::wstring made = dir.path() + L"New Folder";
  DialogDriver driver([&] {
    HWND chooser = WaitForDialog(L"请选择安装目录...", IDOK);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(ItemText(chooser, IDOK), L"选择(&O)");
    SetDlgItemTextW(chooser, cmb13, made.c_str());
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
    HWND question = WaitForDialog(L"文件夹选择", IDYES);
    ASSERT_NE(question, nullptr);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
  });
  std::wstring chosen;
  EXPECT_TRUE(os.PickFolder(nullptr, dir.path().c_str(), L"请选择安装目录...", &chosen));
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(chosen, made);
  EXPECT_TRUE(Exists(made));

  // Cancelled: nothing chosen.
  DialogDriver cancel([&] {
    HWND chooser = WaitForDialog(L"请选择安装目录...", IDCANCEL);
    if (chooser) PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_FALSE(os.PickFolder(nullptr, dir.path().c_str(), L"请选择安装目录...", &chosen));
  EXPECT_FALSE(cancel.Join());
  EXPECT_TRUE(chosen.empty());
}

}  // namespace
}  // namespace zn::test
