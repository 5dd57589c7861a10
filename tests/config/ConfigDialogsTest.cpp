// config's dialogs in-process under Xvfb, driven from a second thread as a
// user would: the settings dialog with its tabs and pages, the module's page
// hosts, the system page, the embedded-style dialog, the text-mode editor
// and the page window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <vector>

#include "config/app/AdvancedEditor.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigStartup.h"
#include "config/app/FrameworkSwitch.h"
#include "config/app/HtmlWindow.h"
#include "config/app/SettingsDialog.h"
#include "config/app/SystemPage.h"
#include "tests/common/DialogDriver.h"
#include "tests/config/ConfigTestApp.h"

using namespace zn::test;

namespace {

const std::wstring kSettingsTitle = InstanceTitle(kTitleSettings, kTestDisplayName);
const std::wstring kEditorTitle = InstanceTitle(kTitleAdvanced, kTestDisplayName);

HWND PageWith(HWND dialog, int controlId) {
  HWND found = nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child && !found; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgItem(child, controlId)) found = child;
  }
  return found;
}

int SelectedTab(HWND dialog) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_TABS), TCM_GETCURSEL, 0, 0));
}

TEST(SettingsDialogRun, OpensOnTheStartPageWritesClicksAndStepsTabs) {
  ConfigTestApp t;
  ASSERT_NE(t.app.context, nullptr);
  t.ime()->interfaceFlags = 0;  // no mask yet: every tab, and the block remembers it
  // A virtualised copy of another size under drive d, and one under f.
  TempDir cache;
  t.services.folders[CSIDL_INTERNET_CACHE] = cache.path();
  std::wstring dCopy = cache.path() + L"Virtualized\\d\\ProgramData\\ZinnorIME3\\zinIME\\config.dsc";
  std::wstring fCopy = cache.path() + L"Virtualized\\f\\ProgramData\\ZinnorIME3\\zinIME\\config.dsc";
  for (const std::wstring& copy : {dCopy, fCopy}) {
    std::wstring folder = copy.substr(0, copy.size() - 10);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(copy, std::vector<uint8_t>(100, 0xEE)));
  }
  SettingsDialog dialog(t.app, kPageSystem);
  int startTab = -1, afterStep = -1, afterWrap = -1;
  uint32_t wordAfterClick = 0;
  bool schemeShown = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    if (!w) return;
    startTab = SelectedTab(w);
    HWND page = nullptr;
    WaitUntil([&] { return (page = PageWith(w, IDC_SYS_NO_HOTKEYS)) != nullptr; });
    if (page) {
      schemeShown = IsWindowVisible(GetDlgItem(page, IDC_SYS_SCHEME_GROUP));
      Click(page, IDC_SYS_NO_HOTKEYS);
      wordAfterClick = t.ImeWordOnDisk(136);
    }
    SendMessageW(w, WM_SYSCOMMAND, 0x1400, 0);  // what Ctrl+Tab posts
    afterStep = SelectedTab(w);
    SendMessageW(w, WM_SYSCOMMAND, 0x1400, 0);
    afterWrap = SelectedTab(w);
    Click(w, IDOK);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_EQ(startTab, 3);
  EXPECT_TRUE(schemeShown);
  EXPECT_TRUE(wordAfterClick & 0x8) << std::hex << wordAfterClick;
  EXPECT_EQ(afterStep, 4);
  EXPECT_EQ(afterWrap, 0);
  EXPECT_EQ(t.ime()->interfaceFlags, 0xFFFFu);
  EXPECT_EQ(t.app.mainWindow, nullptr);
  // OK refreshed the first virtualised copy only, at the live size.
  EXPECT_EQ(ReadFileBytes(dCopy), t.ConfigOnDisk());
  EXPECT_EQ(ReadFileBytes(fCopy), std::vector<uint8_t>(100, 0xEE));
}

// The module's settings pages, as a fake kind-1 table hands them out.
struct FakePages {
  std::vector<int> created;
  std::vector<int> destroyed;
  std::atomic<int> nextControl{0};
  HWND window = nullptr;
};
FakePages* fakePages = nullptr;

LRESULT CALLBACK FakePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NEXTDLGCTL && fakePages) ++fakePages->nextControl;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND FakeCreatePage(HWND parent, int page, ImeContext*) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FakePageProc;
  wc.lpszClassName = L"ZnFakeModulePage";
  RegisterClassW(&wc);
  fakePages->created.push_back(page);
  fakePages->window = CreateWindowW(L"ZnFakeModulePage", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                                    parent, nullptr, nullptr, nullptr);
  return fakePages->window;
}

int FakeDestroyPage(int apply) {
  fakePages->destroyed.push_back(apply);
  if (fakePages->window) DestroyWindow(fakePages->window);
  fakePages->window = nullptr;
  return 1;
}

void FakeRelease(ItfObject* table) {
  delete table;
}

int WINAPI FakeGetObject(int kind, ItfObject** out) {
  if (kind != kItfSettingsPages) return 0;
  auto* table = new ItfObject{};
  table->release = FakeRelease;
  table->createPage = FakeCreatePage;
  table->destroyPage = FakeDestroyPage;
  *out = table;
  return 1;
}

TEST(SettingsDialogRun, HostsTheModulePagesAndSendsTabIntoThem) {
  ConfigTestApp setup;
  // A fresh context that finds the fake module.
  UnloadImeContext(setup.app.context, setup.services);
  setup.services.moduleLoads = true;
  setup.services.getObject = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeGetObject));
  setup.app.context = LoadImeContext(setup.services.os.productKey, setup.services);
  ASSERT_NE(setup.app.context, nullptr);
  EXPECT_NE(setup.services.loadedPath.find(L"\\zinIME.ime"), std::wstring::npos);
  setup.ime()->interfaceFlags = 0x6;  // 常用 and 界面 only
  FakePages pages;
  fakePages = &pages;
  ConfigKeyFilter filter(setup.app);
  SettingsDialog dialog(setup.app, kPageOptions);
  bool hostHadPage = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    if (!w) return;
    hostHadPage = setup.app.modulePage != nullptr && GetParent(GetParent(setup.app.modulePage)) == w;
    // Tab anywhere in the dialog goes into the module's page.
    PostMessageW(GetDlgItem(w, IDOK), WM_KEYDOWN, VK_TAB, 0);
    WaitUntil([&] { return pages.nextControl > 0; }, 3000);
    SendMessageW(w, WM_SYSCOMMAND, 0x1400, 0);
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);  // Esc: the dialog has no cancel button
  });
  EXPECT_EQ(dialog.RunModal(nullptr, &filter), IDCANCEL);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  fakePages = nullptr;
  EXPECT_TRUE(hostHadPage);
  EXPECT_GE(pages.nextControl.load(), 1);
  EXPECT_EQ(pages.created, (std::vector<int>{1, 3}));
  EXPECT_EQ(pages.destroyed, (std::vector<int>{1, 1}));  // each page kept its edits
  EXPECT_EQ(setup.app.modulePage, nullptr);
}

TEST(SystemPageRun, HidesGroupsWithoutTableNamesAndSwitchesFrameworks) {
  ConfigTestApp t;
  t.app.context->softBlock->categoryNames[4][0] = L'\0';
  t.ime()->spaceWord |= 0x1000;  // TSF offered
  t.ime()->optionFlags &= ~0x7000u;
  t.services.os.values[L"InstallLocation"] = L"C:\\Zin";
  SettingsDialog dialog(t.app, kPageSystem);
  bool schemeHidden = false, rangeMovedLeft = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    HWND page = nullptr;
    if (!w || !WaitUntil([&] { return (page = PageWith(w, IDC_SYS_EMBED)) != nullptr; })) return;
    schemeHidden = !IsWindowVisible(GetDlgItem(page, IDC_SYS_SCHEME_GROUP));
    RECT range;
    GetWindowRect(GetDlgItem(page, IDC_SYS_RANGE_GROUP), &range);
    RECT pageRect;
    GetWindowRect(page, &pageRect);
    rangeMovedLeft = range.left - pageRect.left < 30;
    PostMessageW(GetDlgItem(page, IDC_SYS_EMBED), BM_CLICK, 0, 0);
    HWND embed = WaitForDialog(L"嵌入显示模式设置");
    if (embed) {
      Click(embed, IDC_EMB_TSF_FIRST);
      Click(embed, IDOK);
    }
    WaitUntil([&] { return !FindWindowW(L"#32770", L"嵌入显示模式设置"); });
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_TRUE(schemeHidden);
  EXPECT_TRUE(rangeMovedLeft);
  EXPECT_EQ(t.ime()->optionFlags & 0x7000u, 0x2000u);
  ASSERT_EQ(t.services.starts.size(), 1u);
  EXPECT_EQ(t.services.starts[0].file, L"C:\\Zin\\installer.exe");
  EXPECT_EQ(t.services.starts[0].parameters, L"/EMMODE=1 /GUID=" + t.services.os.productKey);
  EXPECT_EQ(t.services.starts[0].show, SW_HIDE);
}

TEST(FrameworkSwitchRun, AFailedStartRestoresTheStyleAndSaysSo) {
  ConfigTestApp t;
  t.ime()->optionFlags = (t.ime()->optionFlags & ~0x7000u) | 0x1000u;
  t.services.startSucceeds = false;  // e.g. elevation declined
  EXPECT_FALSE(RunFrameworkSwitch(t.app, nullptr, t.ime()->optionFlags & ~0x7000u));
  EXPECT_EQ(t.ime()->optionFlags & 0x7000u, 0u);
  EXPECT_EQ(t.services.messages.size(), 1u);
  // No InstallLocation: nothing can start, the same answer.
  t.services.os.values.erase(L"InstallLocation");
  t.services.startSucceeds = true;
  t.ime()->optionFlags |= 0x4000u;
  EXPECT_FALSE(RunFrameworkSwitch(t.app, nullptr, 0));
  EXPECT_EQ(t.ime()->optionFlags & 0x7000u, 0u);
  EXPECT_EQ(t.services.starts.size(), 1u);  // only the failed attempt above
  // Between two TSF styles nothing starts and nothing is said.
  t.ime()->optionFlags |= 0x2000u;
  EXPECT_TRUE(RunFrameworkSwitch(t.app, nullptr, 0x1000));
  EXPECT_EQ(t.services.messages.size(), 2u);
}

TEST(FrameworkSwitchRun, AnInstallerThatFailsRestoresTheStyleAndSaysSo) {
  ConfigTestApp t;
  t.ime()->optionFlags &= ~0x7000u;  // IMM32 chosen, TSF before
  t.services.runExitCode = 1;
  EXPECT_FALSE(RunFrameworkSwitch(t.app, nullptr, 0x1000));
  EXPECT_EQ(t.ime()->optionFlags & 0x7000u, 0x1000u);
  ASSERT_EQ(t.services.messages.size(), 1u);
  EXPECT_NE(t.services.messages[0].text.find(L"返回错误 1"), std::wstring::npos);
  ASSERT_EQ(t.services.starts.size(), 1u);
  EXPECT_EQ(t.services.starts[0].parameters, L"/EMMODE=0 /GUID=" + t.services.os.productKey);
  // Done, or still at work after the wait (it may be asking the user): the
  // choice stays and nothing is said.
  for (bool ends : {true, false}) {
    t.ime()->optionFlags &= ~0x7000u;
    t.services.runExitCode = ends ? 0 : 1;
    t.services.runEnds = ends;
    EXPECT_TRUE(RunFrameworkSwitch(t.app, nullptr, 0x1000));
    EXPECT_EQ(t.ime()->optionFlags & 0x7000u, 0u);
  }
  EXPECT_EQ(t.services.messages.size(), 1u);
}

TEST(AdvancedEditorRun, ShowsTheSettingsTextAndSaveAppliesAnEdit) {
  ConfigTestApp t;
  SetImePageSize(t.ime(), 5);
  AdvancedEditor editor(t.app);
  std::wstring shown;
  bool saveEnabledAtStart = true, saveEnabledAfterEdit = false, saveEnabledAfterSave = true;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kEditorTitle.c_str(), IDC_ADV_SAVE);
    if (!w) return;
    shown = EditorText(w);
    saveEnabledAtStart = IsWindowEnabled(GetDlgItem(w, IDC_ADV_SAVE));
    const std::wstring key = L"候选列表显示个数=";
    size_t at = shown.find(key);
    if (at == std::wstring::npos) return;
    LONG value = EditPosition(shown, at + key.size());
    HWND rich = GetDlgItem(w, IDC_ADV_TEXT);
    SendMessageW(rich, EM_SETSEL, value, value + 1);
    SendMessageW(rich, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"7"));
    saveEnabledAfterEdit = IsWindowEnabled(GetDlgItem(w, IDC_ADV_SAVE));
    Click(w, IDC_ADV_SAVE);
    saveEnabledAfterSave = IsWindowEnabled(GetDlgItem(w, IDC_ADV_SAVE));
    Click(w, IDCANCEL);
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_NE(shown.find(L"[-IME设置-]\r\n"), std::wstring::npos);
  EXPECT_NE(shown.find(L"候选列表显示个数=5"), std::wstring::npos);
  EXPECT_FALSE(saveEnabledAtStart);
  EXPECT_TRUE(saveEnabledAfterEdit);
  EXPECT_FALSE(saveEnabledAfterSave);
  EXPECT_EQ(ImePageSize(t.ime()), 7u);
  EXPECT_EQ(t.ImeWordOnDisk(144) >> 28, 7u);  // in the shared file, for every process
  EXPECT_TRUE(t.services.messages.empty());  // closed without a question
}

TEST(AdvancedEditorRun, RefusesToApplyWhatItCouldNotLoadAndAsksBeforeClosing) {
  ConfigTestApp t;
  t.services.temp = L"";  // the settings text cannot be written
  uint64_t keyFunction = t.app.context->dmeBlock->keyFunctions[27];
  t.app.context->dmeBlock->keyFunctions[27] = keyFunction | 1;
  t.services.answers = {IDOK, IDCANCEL, IDNO};
  AdvancedEditor editor(t.app);
  std::wstring shown = L"?";
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kEditorTitle.c_str(), IDC_ADV_SAVE);
    if (!w) return;
    shown = EditorText(w);
    HWND rich = GetDlgItem(w, IDC_ADV_TEXT);
    SendMessageW(rich, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"[-IME设置-]\r\n"));
    Click(w, IDC_ADV_SAVE);    // refused: message 1
    Click(w, IDCANCEL);        // question answered Cancel: stays open
    bool stillOpen = IsWindow(w);
    if (stillOpen) Click(w, IDCANCEL);  // question answered No: closes
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_EQ(shown, L"");
  ASSERT_EQ(t.services.messages.size(), 3u);
  EXPECT_EQ(t.services.messages[1].text, L"是否保存对设置内容的更改？");
  EXPECT_EQ(t.app.context->dmeBlock->keyFunctions[27], keyFunction | 1);  // nothing cleared
}

TEST(AdvancedEditorRun, BacksUpAndRestoresThroughFiles) {
  ConfigTestApp t;
  TempDir docs;
  t.services.folders[CSIDL_PERSONAL] = docs.path().substr(0, docs.path().size() - 1);
  const std::wstring chosen = docs.path() + L"Mine.TXT";
  std::wstring restoreFile = docs.path() + L"restore.txt";
  // A UTF-8 file with a byte-order mark setting the page size to 3.
  std::string utf8 = "\xEF\xBB\xBF[-IME\xE8\xAE\xBE\xE7\xBD\xAE-]\r\n\xE5\x80\x99\xE9\x80\x89\xE5\x88\x97\xE8\xA1\xA8"
                     "\xE6\x98\xBE\xE7\xA4\xBA\xE4\xB8\xAA\xE6\x95\xB0=3\r\n";
  WriteFileBytes(restoreFile, utf8.data(), utf8.size());
  t.services.chosenFiles = {chosen, restoreFile};
  AdvancedEditor editor(t.app);
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kEditorTitle.c_str(), IDC_ADV_SAVE);
    if (!w) return;
    Click(w, IDC_ADV_BACKUP);
    Click(w, IDC_ADV_RESTORE);
    Click(w, IDCANCEL);
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  std::wstring backup = docs.path();
  for (wchar_t& c : backup) c = towlower(c);
  std::vector<uint8_t> bytes = ReadFileBytes(backup + L"mine.znconfig.txt");
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  // The chooser started in the documents folder's product subfolder.
  ASSERT_FALSE(t.services.choices.empty());
  EXPECT_NE(t.services.choices[0].startFolder.find(L"[ "), std::wstring::npos);
  EXPECT_EQ(ImePageSize(t.ime()), 3u);
  EXPECT_TRUE(t.services.messages.empty());
}

TEST(AdvancedEditorRun, BackUpFolderNamesTheProductSafely) {
  ConfigTestApp t;
  TempDir docs;
  t.services.folders[CSIDL_PERSONAL] = docs.path().substr(0, docs.path().size() - 1);
  // The name comes from the shared settings file: it must not climb out of
  // the documents folder or carry characters no folder name may have.
  wchar_t* name = t.app.context->softBlock->displayName;
  const std::wstring hostile = L"..\\x:y";
  hostile.copy(name, hostile.size());
  name[hostile.size()] = L'\0';
  AdvancedEditor editor(t.app);
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kEditorTitle.c_str(), IDC_ADV_SAVE);
    if (!w) return;
    Click(w, IDC_ADV_BACKUP);  // the fake chooser cancels
    Click(w, IDCANCEL);
  });
  editor.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  ASSERT_FALSE(t.services.choices.empty());
  const std::wstring folder = docs.path() + L"[ __x_y ]";
  EXPECT_EQ(t.services.choices[0].startFolder, folder);
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST(AboutPageRun, ShowsTheProductLineAndNavigatesToTheHelpTopic) {
  ConfigTestApp t;
  t.ime()->interfaceFlags = 0x10;  // the About tab alone
  SettingsDialog dialog(t.app, kPageAbout);
  std::wstring line;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    HWND page = nullptr;
    if (!w || !WaitUntil([&] { return (page = PageWith(w, IDC_ABOUT_TEXT)) != nullptr; })) return;
    line = ItemText(page, IDC_ABOUT_TEXT);
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  // No module loaded: its version reads as zeros rather than another file's.
  EXPECT_EQ(line, L"星禾五笔: 1.0.0\u3000\u3000\u3000星禾程序版本: 0.0.0.0");
  ASSERT_EQ(t.services.navigations.size(), 1u);
  EXPECT_EQ(t.services.navigations[0], L"mk:@MSITStore:" + t.dir.path() + L"main.chm::/About.html");
}

TEST(FileChoosersRun, RememberTheLastFolderAndStartOnTheDesktop) {
  ConfigTestApp t;
  t.services.folders[CSIDL_DESKTOPDIRECTORY] = L"C:\\Desk";
  t.services.chosenFiles = {L"C:\\A\\one.txt", L"C:\\B\\two.txt", L"", L"C:\\S\\x.txt"};
  FileChoosers& choosers = t.app.choosers;
  std::wstring path;
  EXPECT_EQ(choosers.BrowseOpenFile(nullptr, nullptr, L"t", TextFileFilter(), path), 1);
  EXPECT_EQ(choosers.BrowseOpenFile(nullptr, nullptr, L"t", TextFileFilter(), path), 1);
  EXPECT_EQ(path, L"C:\\B\\two.txt");
  EXPECT_EQ(choosers.BrowseOpenFile(nullptr, L"C:\\Given", L"t", TextFileFilter(), path), 0);
  EXPECT_EQ(choosers.BrowseSaveFile(nullptr, nullptr, path), 1);
  ASSERT_EQ(t.services.choices.size(), 4u);
  EXPECT_EQ(t.services.choices[0].startFolder, L"C:\\Desk");
  EXPECT_EQ(t.services.choices[1].startFolder, L"C:\\A\\");
  EXPECT_EQ(t.services.choices[2].startFolder, L"C:\\Given");
  // The save dialog keeps its own folder and never asks about overwriting:
  // the name it returns is not the file written.
  EXPECT_EQ(t.services.choices[3].startFolder, L"C:\\Desk");
  EXPECT_TRUE(t.services.choices[3].save);
  EXPECT_FALSE(t.services.choices[3].flags & OFN_OVERWRITEPROMPT);
  EXPECT_STREQ(t.services.choices[3].defaultExtension, L"txt");
}

TEST(HtmlWindowRun, NavigatesAcceptedAddressesThroughTheSeamAndRefusesOthers) {
  ConfigTestApp t;
  HtmlWindow window(t.app, L"https://example.org/a b", 400, 300);
  RECT placed{};
  DialogDriver driver([&] {
    HWND w = WaitForDialog(L"信息提示窗口", IDC_BROWSER);
    if (!w) return;
    GetWindowRect(w, &placed);
    PostMessageW(w, WM_CLOSE, 0, 0);
  });
  window.RunModal(nullptr);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  ASSERT_EQ(t.services.navigations.size(), 1u);
  EXPECT_EQ(t.services.navigations[0], L"https://example.org/a%20b");
  EXPECT_EQ(placed.right - placed.left, 400);
  EXPECT_EQ(placed.bottom - placed.top, 300);

  HtmlWindow refused(t.app, L"file:///C:/windows/win.ini", 0, 0);
  EXPECT_EQ(refused.RunModal(nullptr), IDCANCEL);
  EXPECT_EQ(t.services.navigations.size(), 1u);
  EXPECT_EQ(t.services.messages.size(), 1u);
}

}  // namespace
