// The code-table page and view, the key editor, the add-word dialog and the
// mini dictionary in-process under Xvfb, driven from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/SettingsDialog.h"
#include "config/app/ToolWindows.h"
#include "config/keys/KeyEditorDialog.h"
#include "config/keys/KeyResources.h"
#include "config/keys/KeyboardLayout.h"
#include "config/tables/CodeTableView.h"
#include "config/tables/TableResources.h"
#include "config/words/AddWordDialog.h"
#include "config/words/DictDialog.h"
#include "config/words/WordResources.h"
#include "tests/common/DialogDriver.h"
#include "tests/common/PageEnd.h"
#include "tests/config/ToolsTestApp.h"

using namespace zn::test;

namespace {

const std::wstring kSettingsTitle = InstanceTitle(kTitleSettings, kToolsDisplayName);
const std::wstring kViewTitle = L"输入编码表详细视图 - " + std::wstring(kToolsDisplayName);

HWND PageWith(HWND dialog, int controlId) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgItem(child, controlId)) return child;
  }
  return nullptr;
}

int ItemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

void SelectListRow(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::wstring ListText(HWND list, int row, int column) {
  wchar_t text[256] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

// Waits until a view's fill is done: its cover hidden and its list enabled.
bool WaitForFill(HWND view, int timeoutMs = 20000) {
  return WaitUntil([&] {
    return !IsWindowVisible(GetDlgItem(view, IDC_VIEW_FILLING)) &&
           IsWindowEnabled(GetDlgItem(view, IDC_VIEW_LIST));
  }, timeoutMs);
}

TEST(CodeTablePageRun, ListsTablesSwitchesButtonsClearsAndExports) {
  ToolsTestApp t;
  ASSERT_NE(t.app.context, nullptr);
  TempDir documents;
  t.services.folders[CSIDL_PERSONAL] = documents.path();
  t.services.answers = {IDYES};
  SettingsDialog dialog(t.app, kPageCodeTables);
  std::wstring firstName, systemEdit, userCount;
  bool systemImport = true, userClear = false, inUseAfterClick = true;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    HWND page = nullptr;
    if (!w || !WaitUntil([&] { return (page = PageWith(w, IDC_TABLE_LIST)) != nullptr; })) return;
    HWND list = GetDlgItem(page, IDC_TABLE_LIST);
    firstName = ListText(list, 0, 1);
    SelectListRow(list, 1);  // system: read only
    systemEdit = ItemText(page, IDC_TABLE_EDIT);
    systemImport = IsWindowEnabled(GetDlgItem(page, IDC_TABLE_IMPORT));
    SelectListRow(list, 3);  // user (after system and secondary)
    userCount = ListText(list, 3, 2);
    userClear = IsWindowEnabled(GetDlgItem(page, IDC_TABLE_CLEAR));
    // A click on the "使用" cell switches the category off, visibly.
    RECT cell{};
    cell.top = 4;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 3, reinterpret_cast<LPARAM>(&cell));
    // The list's own click handling waits for drags; its notice is what
    // the page acts on, so the notice is sent as the list sends it. It ends
    // where a page ends: reading past it faults here, not by chance.
    AtPageEnd<NMITEMACTIVATE> click;
    click->hdr = {list, IDC_TABLE_LIST, static_cast<UINT>(NM_CLICK)};
    click->iItem = 3;
    click->ptAction = POINT{cell.left + 5, (cell.top + cell.bottom) / 2};
    SendMessageW(page, WM_NOTIFY, IDC_TABLE_LIST, reinterpret_cast<LPARAM>(click.get()));
    inUseAfterClick = ListText(list, 3, 4) == L"√";
    Click(page, IDC_TABLE_EXPORT);
    Click(page, IDC_TABLE_CLEAR);  // answered yes
    userCount += L"/" + ListText(list, 3, 2);
    Click(w, IDOK);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join()) << "the dialog had to be ended";
  EXPECT_EQ(firstName, L"输入编码表");
  EXPECT_EQ(systemEdit, L"查看(&E)");
  EXPECT_FALSE(systemImport);
  EXPECT_TRUE(userClear);
  EXPECT_FALSE(inUseAfterClick);
  EXPECT_EQ(t.app.context->softBlock->categoryFlags[2], 0x1u);
  EXPECT_EQ(userCount, L"2/0");
  EXPECT_FALSE(t.OnDisk("gdgd", L"天天"));
  EXPECT_TRUE(t.OnDisk("gd", L"天气"));
  // The export went into "[ name ]" under the documents, and Explorer showed it.
  const std::wstring file = documents.path() + L"[ 星禾五笔 ]\\导出 - 主码 - 用户.txt";
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(t.services.starts.size(), 1u);
  EXPECT_EQ(t.services.starts[0].file, L"Explorer.exe");
  EXPECT_EQ(t.services.starts[0].parameters, L"/select,\"" + file + L"\"");
}

TEST(CodeTablePageRun, AFailedExportSaysWhyAndOpensNoExplorer) {
  ToolsTestApp t;
  // No documents folder: its own message, nothing started.
  SettingsDialog dialog(t.app, kPageCodeTables);
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kSettingsTitle.c_str());
    HWND page = nullptr;
    if (!w || !WaitUntil([&] { return (page = PageWith(w, IDC_TABLE_LIST)) != nullptr; })) return;
    SelectListRow(GetDlgItem(page, IDC_TABLE_LIST), 0);
    Click(page, IDC_TABLE_EXPORT);
    Click(w, IDOK);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  ASSERT_EQ(t.services.messages.size(), 1u);
  EXPECT_NE(t.services.messages[0].text.find(L"文件夹"), std::wstring::npos);
  EXPECT_TRUE(t.services.starts.empty());
}

TEST(CodeTableViewRun, FillsFiltersCopiesDeletesAndStartsTheDictionary) {
  ToolsTestApp t;
  CodeTableViewSetup setup;
  setup.tablePath = t.dir.File(L"main.dmg");
  CodeTableView view(t.app, setup);
  int all = -1, filtered = -1;
  std::wstring firstWord, thirdWord;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(kViewTitle.c_str(), IDC_VIEW_LIST);
    if (!w || !WaitForFill(w)) return;
    HWND list = GetDlgItem(w, IDC_VIEW_LIST);
    all = ItemCount(list);
    SetDlgItemTextW(w, IDC_VIEW_WORD, L"天");
    Click(w, IDC_VIEW_CONTAINS);  // starts a fill: contains 天
    if (!WaitForFill(w)) return;
    filtered = ItemCount(list);
    firstWord = ListText(list, 0, 2);
    SelectListRow(list, 0);
    SendMessageW(w, WM_COMMAND, IDM_VIEW_COPY, 0);
    // Two rows selected: each gets its own look-up.
    LVITEMW also{};
    also.stateMask = LVIS_SELECTED;
    also.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&also));
    thirdWord = ListText(list, 2, 2);
    SendMessageW(w, WM_COMMAND, IDM_VIEW_DICTIONARY, 0);
    SelectListRow(list, 0);
    t.services.answers = {IDYES};
    SendMessageW(w, WM_COMMAND, IDM_VIEW_DELETE, 0);  // a system entry: only marked
    if (!WaitForFill(w)) return;
    filtered = filtered * 10 + ItemCount(list);
    SendMessageW(w, WM_COMMAND, IDM_VIEW_EXIT, 0);
  });
  view.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(all, 4);
  EXPECT_EQ(filtered, 33);  // 天气, 天天, 今天; the marked entry stays listed
  EXPECT_EQ(firstWord, L"天气");
  EXPECT_EQ(t.services.clipboard, L"天气\tgd\r\n");
  ASSERT_EQ(t.services.starts.size(), 2u);
  EXPECT_EQ(t.services.starts[0].file, t.dir.path() + L"config.exe");
  EXPECT_EQ(t.services.starts[0].parameters,
            L"/n " + t.services.os.productKey + L" /dict \"天气\"");
  EXPECT_EQ(t.services.starts[1].parameters,
            L"/n " + t.services.os.productKey + L" /dict \"" + thirdWord + L"\"");
  EXPECT_FALSE(thirdWord.empty());
  // 天气 is a system entry: marked deleted, still in the table.
  EXPECT_TRUE(t.OnDisk("gd", L"天气"));
  EXPECT_EQ(t.MainOnDisk()[0].attr, ToolAttr(1, 500, true));
}

TEST(CodeTableViewRun, OpensTheShippedMainTableWhole) {
  ToolsTestApp t;
  const std::wstring copy = t.dir.File(L"shipped-main.dmg");
  ASSERT_TRUE(CopyFileW(ZN_SHIPPED_DATA L"main.dmg", copy.c_str(), FALSE));
  CodeTableViewSetup setup;
  setup.tablePath = copy;
  setup.caption = L"码表浏览测试";
  CodeTableView view(t.app, setup);
  int rows = -1;
  std::wstring number;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(L"码表浏览测试", IDC_VIEW_LIST);
    if (!w || !WaitForFill(w)) return;
    HWND list = GetDlgItem(w, IDC_VIEW_LIST);
    rows = ItemCount(list);
    number = ListText(list, rows - 1, 0);
    SendMessageW(w, WM_CLOSE, 0, 0);
  });
  view.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(rows, 99774);
  EXPECT_EQ(number, L"99774");
}

TEST(KeyEditorRun, ModifierBoxesAndMenuChoicesWriteTheKeyTables) {
  ToolsTestApp t;
  DmeConfigBlock* dme = t.app.context->dmeBlock;
  WriteShippedKeyFunctions(dme);
  const int combinations = dme->combinationCount;
  const KeyButton* keyA = nullptr;
  const KeyButton* leftShift = nullptr;
  for (const KeyButton& key : KeyboardLayout()) {
    if (std::wstring(key.keyName) == L"a") keyA = &key;
    if (std::wstring(key.keyName) == L"键左Shift") leftShift = &key;
  }
  ASSERT_TRUE(keyA && leftShift);
  KeyEditorDialog dialog(t.app);
  bool shiftEnabledBefore = false, shiftEnabledAfter = true;
  uint64_t ctrlA = 0, plainA = 0;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(InstanceTitle(kTitleKeyEditor, kToolsDisplayName).c_str(), keyA->id);
    if (!w) return;
    shiftEnabledBefore = IsWindowEnabled(GetDlgItem(w, leftShift->id));
    t.services.menuAnswer = 32803;  // 前翻页
    Click(w, keyA->id);
    plainA = dme->keyFunctions[0x41];
    Click(w, IDC_KEY_CTRL);
    shiftEnabledAfter = IsWindowEnabled(GetDlgItem(w, leftShift->id));
    t.services.menuAnswer = 32891;  // 按键设置, on Ctrl+a: a new combination key
    Click(w, keyA->id);
    const KeyBinding b = LookupKeyBinding(dme, 0x441);
    ctrlA = b.flags ? *b.flags : 0;
    t.services.menuAnswer = 32891;  // again: cleared, and the entry goes
    Click(w, keyA->id);
    t.services.menuAnswer = kKeyMenuCancel;
    Click(w, keyA->id);  // a menu left alone adds nothing
    Click(w, IDCANCEL);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  EXPECT_TRUE(shiftEnabledBefore);
  EXPECT_FALSE(shiftEnabledAfter);
  EXPECT_EQ(plainA, 0x20u);
  EXPECT_EQ(ctrlA, 1ull << 35);
  EXPECT_EQ(dme->combinationCount, combinations);
  EXPECT_EQ(LookupKeyBinding(dme, 0x441).flags, nullptr);
}

TEST(KeyEditorRun, DefinedKeysPaintLightRed) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HWND button = CreateWindowW(L"BUTTON", L"", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr, nullptr, nullptr);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.hwndItem = button;
  item.hDC = dc;
  item.rcItem = RECT{0, 0, 40, 20};
  DrawKeyButton(item, true);
  EXPECT_EQ(GetPixel(dc, 20, 3), kDefinedKeyFace);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x80, 0x80, 0x80));
  DrawKeyButton(item, false);
  EXPECT_EQ(GetPixel(dc, 20, 3), GetSysColor(COLOR_MENU));
  item.itemState = ODS_SELECTED;
  DrawKeyButton(item, false);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0x80, 0x80, 0x80));
  DestroyWindow(button);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(AddWordRun, ProposesACodeAddsAndRefusesWithAHint) {
  ToolsTestApp t;
  AddWordDialog dialog(t.app, AddWordMode::kManual, 2);
  std::wstring proposed, hint;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(L"添加词条 - 测试", IDC_ADD_WORD);
    if (!w) return;
    SetDlgItemTextW(w, IDC_ADD_WORD, L"今天");  // exists: refused, the dialog stays
    proposed = ItemText(w, IDC_ADD_CODE);
    Click(w, IDOK);
    hint = ItemText(w, IDC_ADD_HINT);
    SetDlgItemTextW(w, IDC_ADD_WORD, L"天今");
    Click(w, IDOK);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
  EXPECT_FALSE(driver.Join());
  EXPECT_EQ(proposed, L"wygd");
  EXPECT_EQ(hint, L"词条已存在");
  EXPECT_TRUE(t.OnDisk("gdwy", L"天今"));
}

TEST(AddWordRun, RecentOutputTailFollowsTheArrows) {
  ToolsTestApp t;
  ImeConfigBlock* ime = t.app.context->imeBlock;
  ime->recentCommitCount = 2;
  CopyStringBounded(ime->recentCommits[0].word, 17, L"今天");
  CopyStringBounded(ime->recentCommits[1].word, 17, L"天气");
  AddWordDialog dialog(t.app, AddWordMode::kRecent, 2);
  std::vector<std::wstring> words;
  std::wstring title;
  bool clipboardShown = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(L"在线加词 - 测试", IDC_ADD_WORD);
    if (!w) return;
    clipboardShown = IsWindowVisible(GetDlgItem(w, IDC_ADD_CLIPBOARD));
    words.push_back(ItemText(w, IDC_ADD_WORD));
    HWND edit = GetDlgItem(w, IDC_ADD_WORD);
    PostMessageW(edit, WM_KEYDOWN, VK_UP, 0);
    WaitUntil([&] { return ItemText(w, IDC_ADD_WORD).size() == 3; }, 3000);
    words.push_back(ItemText(w, IDC_ADD_WORD));
    for (int i = 0; i < 5; ++i) PostMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    WaitUntil([&] { return ItemText(w, IDC_ADD_WORD).empty(); }, 3000);
    words.push_back(ItemText(w, IDC_ADD_WORD));
    t.services.clipboard = L"剪贴板里的字";
    Click(w, IDC_ADD_CLIPBOARD);
    PostMessageW(edit, WM_KEYDOWN, VK_UP, 0);
    WaitUntil([&] { return !ItemText(w, IDC_ADD_WORD).empty(); }, 3000);
    words.push_back(ItemText(w, IDC_ADD_WORD));
    PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  EXPECT_FALSE(driver.Join());
  EXPECT_TRUE(clipboardShown);
  EXPECT_EQ(words, (std::vector<std::wstring>{L"天气", L"天天气", L"", L"字"}));
}

TEST(DictRun, LooksUpTakesCopiedWordsAndOpensWebLookups) {
  ToolsTestApp t;
  DictDialog dialog(t.app, L"天");
  std::wstring first, second;
  bool wasIconic = false;
  DialogDriver driver([&] {
    HWND w = WaitForDialog(InstanceTitle(kTitleDictionary, kToolsDisplayName).c_str(), IDC_DICT_RESULT);
    if (!w) return;
    HWND result = GetDlgItem(w, IDC_DICT_RESULT);
    auto text = [result] {
      wchar_t buffer[256] = L"";
      GetWindowTextW(result, buffer, 256);
      return std::wstring(buffer);
    };
    WaitUntil([&] { return !text().empty(); }, 5000);
    first = text();
    // A later start of config hands over its word; the bytes end without NUL.
    wchar_t word[2] = {L'天', L'气'};
    COPYDATASTRUCT data{0, sizeof(word), word};
    SendMessageW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    WaitUntil([&] { return text().find(L"weather") != std::wstring::npos; }, 5000);
    second = text();
    // The window raises itself a moment later, minimising itself first.
    WaitUntil([&] { return !t.services.raised.empty(); }, 3000);
    wasIconic = IsIconic(w) != FALSE;
    t.services.menuAnswer = 33050;
    Click(w, IDC_DICT_WEB);
    SendMessageW(w, WM_CLOSE, 0, 0);
  });
  dialog.RunModal(nullptr);
  EXPECT_FALSE(driver.Join());
  EXPECT_NE(first.find(L"sky"), std::wstring::npos);
  EXPECT_LT(first.find(L"sky"), first.find(L"day"));
  EXPECT_NE(second.find(L"weather"), std::wstring::npos);
  EXPECT_EQ(dialog.word(), L"天气");
  ASSERT_EQ(t.services.raised.size(), 1u);
  EXPECT_TRUE(wasIconic);  // the fake raise does not restore it
  ASSERT_EQ(t.services.starts.size(), 1u);
  EXPECT_EQ(t.services.starts[0].file, L"https://www.baidu.com/s?wd=%E5%A4%A9%E6%B0%94");
}

TEST(ToolWindowsLogic, OutputLookupStartsFromTheNewestCommit) {
  ToolsTestApp t;
  ImeConfigBlock* ime = t.app.context->imeBlock;
  EXPECT_EQ(LastCommittedText(t.app.context), L"");
  ime->recentCommitCount = 2;
  CopyStringBounded(ime->recentCommits[1].word, 17, L"天气");
  EXPECT_EQ(LastCommittedText(t.app.context), L"天气");
  ime->recentCommitCount = 300;  // a damaged count reads nothing
  EXPECT_EQ(LastCommittedText(t.app.context), L"");
}

}  // namespace

namespace {

TEST(ShippedCategories, TheManagerCanWorkOnAFreshInstall) {
  std::vector<uint8_t> config = ReadFileBytes(ZN_SHIPPED_DATA L"config.dsc");
  ConfigBlockSet set{};
  ASSERT_TRUE(LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set));
  EXPECT_STREQ(set.soft->categoryNames[0], L"五笔");
  EXPECT_EQ(set.soft->categoryFlags[0] & 0x1, 0x1u);  // import and replace the table
  EXPECT_EQ(set.soft->categoryFlags[1] & 0x1, 0u);    // system entries are only marked
  EXPECT_EQ(set.soft->categoryFlags[2], 0x3u);        // user words: writable, in use
}

}  // namespace
