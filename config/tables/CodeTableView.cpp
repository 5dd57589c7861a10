// The code-table detail view window.
#include "config/tables/CodeTableView.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigServices.h"
#include "config/tables/TableCommands.h"
#include "config/tables/TableResources.h"
#include "config/tables/ViewEdits.h"
#include "config/words/AddWordDialog.h"
#include "engine/ImeContext.h"
#include "engine/Launchers.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr int kModuleIcon = 121;
// The most dictionary look-ups one command starts.
constexpr size_t kMaxDictionaryStarts = 32;
constexpr wchar_t kFillingText[] = L"正在创建视图，请稍候...\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
constexpr wchar_t kNoUserWords[] = L"当前输入法未支持用户词功能！";
constexpr wchar_t kNotChangeable[] = L"该类词条未被授权修改！";
constexpr wchar_t kAskDelete[] = L"是否删除选中的所有词条？";
constexpr wchar_t kReadOnlyTable[] = L"码表文件无法写入，选中的词条未被更改。";
constexpr wchar_t kCannotOpen[] = L"无法获取当前码表内容。";
// Margins the list keeps inside the client area, in pixels.
constexpr int kListLeft = 10;
constexpr int kListTop = 45;
constexpr int kListWidthLess = 20;
constexpr int kListHeightLess = 55;

bool IsCategoryCommand(int id) {
  return id == 2997 || id == 2998 || id == 2999 || id == 3001 || (id >= 2986 + 16 && id <= 2986 + 31);
}

}  // namespace

CodeTableView::CodeTableView(ConfigApp& app, CodeTableViewSetup setup)
    : Dialog(IDD_TABLE_VIEW, app.resources),
      app_(app),
      setup_(std::move(setup)),
      kind_(TableKindOfPath(setup_.tablePath)) {}

CodeTableView::~CodeTableView() {
  worker_.Stop();
  if (menu_) DestroyMenu(menu_);
  if (table_) CloseMappedFile(table_, 1);
}

BOOL CodeTableView::OnInitDialog() {
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  if (HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(kModuleIcon)) : nullptr) {
    SetWindowIcons(hwnd(), icon, icon);
  }
  const std::wstring caption =
      setup_.caption.empty() ? ViewCaption(kind_, app_.displayName) : setup_.caption;
  SetWindowTextW(hwnd(), caption.c_str());
  list_.Attach(Item(IDC_VIEW_LIST), this);
  SendMessageW(list_.hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int column = 0; column < kViewColumnCount; ++column) {
    const ViewColumnInfo info = ViewColumnOf(column, kind_);
    list_.AddColumn(info.title, info.width);
  }
  if (OpenMappedFile(&table_, setup_.tablePath.c_str()) <= 0 || !table_) {
    table_ = nullptr;
    app_.services.ShowMessage(hwnd(), kCannotOpen, kTableCaption, MB_OK | MB_ICONERROR);
    EndModal(IDCANCEL);
    return TRUE;
  }
  SendMessageW(Item(IDC_VIEW_CODE), EM_LIMITTEXT, 128, 0);
  SendMessageW(Item(IDC_VIEW_WORD), EM_LIMITTEXT, 128, 0);
  SetItemText(hwnd(), IDC_VIEW_CODE, setup_.code.c_str());
  SetItemText(hwnd(), IDC_VIEW_WORD, setup_.word.c_str());
  accelerators_ = LoadAcceleratorsW(app_.resources, MAKEINTRESOURCEW(IDA_TABLE_VIEW));
  menu_ = LoadMenuW(app_.resources, MAKEINTRESOURCEW(IDM_TABLE_VIEW));
  if (kind_ == TableFileKind::kMain) AddCategoryEntries();
  SetMenu(hwnd(), menu_);
  RECT client;
  GetClientRect(hwnd(), &client);
  OnSize(client.right, client.bottom);
  StartViewFill();
  return TRUE;
}

void CodeTableView::AddCategoryEntries() {
  HMENU view = menu_ ? GetSubMenu(menu_, 1) : nullptr;
  if (!view) return;
  categoryEntries_ = ViewCategoryMenu(app_.context ? app_.context->softBlock : nullptr);
  AppendMenuW(view, MF_SEPARATOR, 0, nullptr);
  for (const ViewCategoryEntry& entry : categoryEntries_) {
    AppendMenuW(view, MF_STRING, static_cast<UINT_PTR>(entry.command), entry.text.c_str());
  }
}

void CodeTableView::SetControlsEnabled(bool enabled) {
  for (int id : {IDC_VIEW_CODE, IDC_VIEW_WORD, IDC_VIEW_QUERY, IDC_VIEW_CONTAINS, IDC_VIEW_LIST}) {
    EnableItem(hwnd(), id, enabled);
  }
}

void CodeTableView::StartViewFill() {
  if (filling_ || !table_) return;
  filling_ = true;
  SetControlsEnabled(false);
  HWND cover = Item(IDC_VIEW_FILLING);
  RECT client;
  GetClientRect(hwnd(), &client);
  SetWindowTextW(cover, kFillingText);
  SetWindowPos(cover, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
  UpdateWindow(cover);

  ViewFilter filter;
  filter.category = setup_.category;
  filter.deletedOnly = deletedOnly_;
  filter.pinnedOnly = pinnedOnly_;
  filter.code = GetItemText(hwnd(), IDC_VIEW_CODE).substr(0, 128);
  filter.word = GetItemText(hwnd(), IDC_VIEW_WORD).substr(0, 128);
  filter.contains = IsItemChecked(hwnd(), IDC_VIEW_CONTAINS);
  // Another process may have grown the table, or built it over the empty
  // file the view was opened on: map it whole before reading. Nothing remaps
  // it while the fill runs, since every command waits for it.
  RemapOrReopen(table_);
  const DmgView view = GetDmgView(table_);
  worker_.Start(hwnd(), kViewFillDone, [view, filter](const std::atomic<bool>& stop) {
    return FilterTableRows(view, filter, &stop);
  });
}

void CodeTableView::FinishViewFill(std::vector<uint32_t> rows) {
  // The rows are swapped in whole on this thread: the list never reads an
  // array that is being rewritten.
  rows_.swap(rows);
  HWND list = list_.hwnd();
  SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, rows_.size(), 0);
  const int count = static_cast<int>(rows_.size());
  if (scrollAfterFill_ >= 0 && count > 0) {
    SendMessageW(list, LVM_ENSUREVISIBLE, count - 1, FALSE);
    SendMessageW(list, LVM_ENSUREVISIBLE, scrollAfterFill_ < count ? scrollAfterFill_ : count - 1,
                 FALSE);
  }
  if (selectAfterFill_ >= 0 && count > 0) {
    const int row = selectAfterFill_ < count ? selectAfterFill_ : count - 1;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
  }
  selectAfterFill_ = scrollAfterFill_ = -1;
  ShowItem(hwnd(), IDC_VIEW_FILLING, false);
  SetControlsEnabled(true);
  filling_ = false;
}

void CodeTableView::CellText(int row, int column, wchar_t* out, int capacity) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || !table_) return;
  ViewCellText(GetDmgView(table_), rows_[static_cast<size_t>(row)], column, kind_,
               app_.context ? app_.context->softBlock : nullptr, out, capacity);
}

bool CodeTableView::CellColours(int row, int, COLORREF& text, COLORREF&) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || !table_) return false;
  DmgRecord record;
  if (!ReadDmgRecord(GetDmgView(table_), rows_[static_cast<size_t>(row)], &record)) return false;
  text = ViewRowColour(record.attr);
  return true;
}

std::vector<uint32_t> CodeTableView::SelectedPositions() const {
  std::vector<uint32_t> positions;
  HWND list = list_.hwnd();
  for (int row = -1;;) {
    row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0) break;
    if (static_cast<size_t>(row) < rows_.size()) positions.push_back(rows_[static_cast<size_t>(row)]);
  }
  return positions;
}

int CodeTableView::FirstSelectedRow() const {
  return static_cast<int>(SendMessageW(list_.hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool CodeTableView::ReadRow(int row, ViewEntry* out) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || !table_) return false;
  return ReadViewEntry(GetDmgView(table_), rows_[static_cast<size_t>(row)], out);
}

std::vector<ViewEntry> CodeTableView::SelectedEntries() const {
  std::vector<ViewEntry> entries;
  const DmgView view = GetDmgView(table_);
  for (uint32_t position : SelectedPositions()) {
    ViewEntry entry;
    if (ReadViewEntry(view, position, &entry)) entries.push_back(entry);
  }
  return entries;
}

void CodeTableView::UpdateMenu(HMENU menu) {
  if (!menu) return;
  const ViewEditState state = ViewEditStateFor(kind_, setup_.category,
                                               app_.context ? app_.context->softBlock : nullptr);
  auto enable = [menu](int id, bool on) {
    EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  };
  auto check = [menu](int id, bool on) {
    CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  };
  enable(IDM_VIEW_ADD, state.add);
  enable(IDM_VIEW_MODIFY, state.modify);
  enable(IDM_VIEW_DELETE, state.erase);
  enable(IDM_VIEW_RESTORE, state.restore);
  enable(IDM_VIEW_DICTIONARY, app_.context && app_.context->files[kFileDictionary]);
  check(IDM_VIEW_PINNED, pinnedOnly_);
  check(IDM_VIEW_DELETED, deletedOnly_);
  check(IDM_VIEW_ALL, setup_.category == 0);
  for (const ViewCategoryEntry& entry : categoryEntries_) check(entry.command, setup_.category == entry.category);
}

void CodeTableView::ShowContextMenu() {
  if (kind_ == TableFileKind::kAssociation || kind_ == TableFileKind::kEnglish) return;
  HMENU menu = LoadMenuW(app_.resources, MAKEINTRESOURCEW(IDM_TABLE_VIEW));
  if (!menu) return;
  HMENU edit = GetSubMenu(menu, 0);
  UpdateMenu(edit);
  if (!app_.context || !app_.context->files[kFileDictionary])
    DeleteMenu(edit, IDM_VIEW_DICTIONARY, MF_BYCOMMAND);
  POINT at;
  GetCursorPos(&at);
  const int command = app_.services.TrackMenu(edit, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, hwnd());
  DestroyMenu(menu);
  if (command) RunCommand(command);
}

void CodeTableView::ChooseCategory(uint32_t category) {
  setup_.category = category;
  selectAfterFill_ = 0;
  scrollAfterFill_ = 0;
  StartViewFill();
}

void CodeTableView::RunCommand(int command) {
  // Nothing may change the table or the rows while a fill reads them.
  if (filling_) return;
  const ViewEditState state = ViewEditStateFor(kind_, setup_.category,
                                               app_.context ? app_.context->softBlock : nullptr);
  switch (command) {
    case IDM_VIEW_ADD: if (state.add) OnAddViewWord(); return;
    case IDM_VIEW_MODIFY: if (state.modify) OnEditViewEntry(); return;
    case IDM_VIEW_DELETE: if (state.erase) OnDeleteViewEntries(); return;
    case IDM_VIEW_RESTORE: if (state.restore) OnRestoreViewEntries(); return;
    case IDM_VIEW_COPY: OnCopyViewEntries(); return;
    case IDM_VIEW_DICTIONARY: OnLookupInDictionary(); return;
    case IDM_VIEW_EXIT: OnCancel(); return;
    case IDM_VIEW_PINNED: pinnedOnly_ = !pinnedOnly_; StartViewFill(); return;
    case IDM_VIEW_DELETED: deletedOnly_ = !deletedOnly_; StartViewFill(); return;
    case IDM_VIEW_ALL: ChooseCategory(0); return;
    case IDC_VIEW_QUERY: StartViewFill(); return;
    default:
      for (const ViewCategoryEntry& entry : categoryEntries_) {
        if (entry.command == command) ChooseCategory(entry.category);
      }
      return;
  }
}

void CodeTableView::OnAddViewWord() {
  if (kind_ != TableFileKind::kMain || !app_.context) return;
  const SoftConfigBlock* soft = app_.context->softBlock;
  if (setup_.category == 0 && CategoryName(soft, 2).empty()) {
    app_.services.ShowMessage(hwnd(), kNoUserWords, kTableCaption, MB_OK | MB_ICONERROR);
    return;
  }
  list_.SetRowCount(0);
  AddWordDialog dialog(app_, AddWordMode::kManual, ViewAddCategory(setup_.category));
  dialog.RunModal(hwnd());
  StartViewFill();
}

void CodeTableView::OnEditViewEntry() {
  if (kind_ != TableFileKind::kMain || !app_.context) return;
  const int row = FirstSelectedRow();
  ViewEntry entry;
  if (!ReadRow(row, &entry)) return;
  if (!ViewEntryChangeable(entry.attr, app_.context->softBlock)) {
    app_.services.ShowMessage(hwnd(), kNotChangeable, kTableCaption, MB_OK | MB_ICONERROR);
    return;
  }
  scrollAfterFill_ = static_cast<int>(SendMessageW(list_.hwnd(), LVM_GETTOPINDEX, 0, 0));
  selectAfterFill_ = row;
  AddWordDialog dialog(app_, AddWordMode::kChange, EntryAttr::Category(entry.attr));
  dialog.SetEntry(entry.code, entry.word);
  dialog.RunModal(hwnd());
  StartViewFill();
}

void CodeTableView::OnDeleteViewEntries() {
  if (kind_ != TableFileKind::kMain || !app_.context) return;
  if (app_.services.ShowMessage(hwnd(), kAskDelete, kTableCaption, MB_YESNO | MB_ICONWARNING) != IDYES)
    return;
  const std::vector<ViewEntry> entries = SelectedEntries();
  scrollAfterFill_ = static_cast<int>(SendMessageW(list_.hwnd(), LVM_GETTOPINDEX, 0, 0));
  list_.SetRowCount(0);
  TellEditFailure(DeleteViewEntries(table_, entries, app_.context->softBlock));
  ReopenTables(app_.context);
  StartViewFill();
}

void CodeTableView::OnRestoreViewEntries() {
  if (kind_ != TableFileKind::kMain) return;
  const std::vector<ViewEntry> entries = SelectedEntries();
  selectAfterFill_ = FirstSelectedRow();
  scrollAfterFill_ = static_cast<int>(SendMessageW(list_.hwnd(), LVM_GETTOPINDEX, 0, 0));
  TellEditFailure(RestoreViewEntries(table_, entries));
  StartViewFill();
}

void CodeTableView::TellEditFailure(ViewEditResult result) {
  const wchar_t* text = result == ViewEditResult::kReadOnly ? kReadOnlyTable
                        : result == ViewEditResult::kBusy   ? kDataBusyMessage
                                                            : nullptr;
  if (text) app_.services.ShowMessage(hwnd(), text, kTableCaption, MB_OK | MB_ICONERROR);
}

void CodeTableView::OnCopyViewEntries() {
  const std::wstring text = ViewCopyText(GetDmgView(table_), SelectedPositions());
  if (!text.empty()) app_.services.SetClipboardText(text.c_str(), text.size());
}

void CodeTableView::OnLookupInDictionary() {
  if (!app_.context) return;
  const std::wstring program = std::wstring(app_.context->installFolder) + L"config.exe";
  const std::wstring prefix = std::wstring(L"/n ") + app_.context->productKey + L" ";
  // Each start is a process: a whole table selected must not start thousands.
  size_t started = 0;
  for (const ViewEntry& entry : SelectedEntries()) {
    wchar_t quoted[kLaunchParameterUnits];
    if (!QuoteLaunchWord(L"/dict", entry.word.c_str(), quoted, kLaunchParameterUnits)) continue;
    const std::wstring parameters = prefix + quoted;
    app_.services.Execute(hwnd(), L"open", program.c_str(), parameters.c_str(), SW_SHOW);
    if (++started == kMaxDictionaryStarts) break;
  }
}

bool CodeTableView::OnCommand(int id, int code, HWND) {
  if (id == IDC_VIEW_CONTAINS && code == BN_CLICKED) {
    if (!filling_) StartViewFill();
    return true;
  }
  if (id == IDC_VIEW_QUERY && code == BN_CLICKED) {
    RunCommand(IDC_VIEW_QUERY);
    return true;
  }
  if (id == IDM_VIEW_ADD || id == IDM_VIEW_MODIFY || id == IDM_VIEW_DELETE || id == IDM_VIEW_RESTORE ||
      id == IDM_VIEW_COPY || id == IDM_VIEW_DICTIONARY || id == IDM_VIEW_EXIT || id == IDM_VIEW_PINNED ||
      id == IDM_VIEW_DELETED || id == IDM_VIEW_ALL || IsCategoryCommand(id)) {
    RunCommand(id);
    return true;
  }
  return false;
}

bool CodeTableView::OnNotify(NMHDR* header, LRESULT& result) {
  if (list_.HandleNotify(header, result)) return true;
  if (header->hwndFrom != list_.hwnd() || filling_) return false;
  if (header->code == NM_RCLICK) {
    ShowContextMenu();
    result = 0;
    return true;
  }
  if (header->code == NM_DBLCLK) {
    ViewEntry entry;
    const ListCell cell = list_.ClickedCell(header);
    if (ReadRow(cell.row, &entry) && !(entry.attr & EntryAttr::kDeleted)) RunCommand(IDM_VIEW_MODIFY);
    result = 0;
    return true;
  }
  return false;
}

void CodeTableView::OnOk() {
  if (filling_) return;
  selectAfterFill_ = -1;
  StartViewFill();
}

void CodeTableView::OnCancel() {
  if (filling_) return;
  Dialog::OnCancel();
}

void CodeTableView::OnSize(int cx, int cy) {
  if (HWND list = list_.hwnd()) {
    MoveWindow(list, kListLeft, kListTop, cx > kListWidthLess ? cx - kListWidthLess : 0,
               cy > kListHeightLess ? cy - kListHeightLess : 0, TRUE);
  }
  if (filling_) MoveWindow(Item(IDC_VIEW_FILLING), 0, 0, cx, cy, TRUE);
}

void CodeTableView::OnDestroy() {
  worker_.Stop();
}

bool CodeTableView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == kViewFillDone) {
    if (auto rows = worker_.Take(wParam, lParam)) FinishViewFill(std::move(*rows));
    result = 0;
    return true;
  }
  if (message == WM_INITMENUPOPUP) {
    UpdateMenu(reinterpret_cast<HMENU>(wParam));
    return false;
  }
  return false;
}

bool CodeTableView::PreTranslateMessage(MSG& msg) {
  if (!accelerators_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  // Delete, Insert and Ctrl+C belong to the filter boxes while they have the
  // focus: the accelerators must not delete entries while the user edits.
  const HWND focus = GetFocus();
  if (focus == Item(IDC_VIEW_CODE) || focus == Item(IDC_VIEW_WORD)) return false;
  return TranslateAcceleratorW(hwnd(), accelerators_, &msg) != 0;
}
