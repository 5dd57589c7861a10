// The code-table manager page.
#include "config/tables/CodeTablePage.h"

#include <commctrl.h>
#include <shlobj.h>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigServices.h"
#include "config/tables/CodeTableView.h"
#include "config/tables/TableCommands.h"
#include "config/tables/TableResources.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "ui/dialogs/Controls.h"

namespace {

enum ManagerColumn { kColumnNumber, kColumnName, kColumnCount, kColumnWritable, kColumnInUse };

constexpr int kCommands[] = {IDC_TABLE_EDIT, IDC_TABLE_IMPORT, IDC_TABLE_EXPORT, IDC_TABLE_REPLACE,
                             IDC_TABLE_CLEAR};

UINT IconStyle(UiIcon icon) {
  switch (icon) {
    case UiIcon::kInformation: return MB_ICONINFORMATION;
    case UiIcon::kWarning: return MB_ICONWARNING;
    case UiIcon::kError: return MB_ICONERROR;
    case UiIcon::kQuestion: return MB_ICONQUESTION;
  }
  return 0;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

CodeTablePage::CodeTablePage(ConfigApp& app) : Dialog(IDD_TABLE_MANAGER, app.resources), app_(app) {}

BOOL CodeTablePage::OnInitDialog() {
  HWND list = Item(IDC_TABLE_LIST);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  AddColumn(list, kColumnNumber, L"I", 1, LVCFMT_LEFT);
  AddColumn(list, kColumnName, L"码表名称", 200, LVCFMT_LEFT);
  AddColumn(list, kColumnCount, L"词条数", 60, LVCFMT_LEFT);
  AddColumn(list, kColumnWritable, L"可写", 40, LVCFMT_CENTER);
  // Wide enough to be clicked: a click on it switches the category.
  AddColumn(list, kColumnInUse, L"使用", 40, LVCFMT_CENTER);
  SendMessageW(Item(IDC_TABLE_PROGRESS), PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  RefreshTableList();
  return TRUE;
}

void CodeTablePage::RefreshTableList() {
  ImeContext* context = app_.context;
  rows_ = BuildTableRows(context ? context->softBlock : nullptr, CountContextTables(context));
  HWND list = Item(IDC_TABLE_LIST);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < rows_.size(); ++i) {
    const TableRow& row = rows_[i];
    const std::wstring number = std::to_wstring(row.number);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(number.c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetCell(list, static_cast<int>(i), kColumnName, row.name);
    SetCell(list, static_cast<int>(i), kColumnCount, std::to_wstring(row.count));
    SetCell(list, static_cast<int>(i), kColumnWritable, row.writable);
    SetCell(list, static_cast<int>(i), kColumnInUse, row.inUse);
  }
  int row = selected_ < 0 ? 0 : selected_;
  if (row >= static_cast<int>(rows_.size())) row = static_cast<int>(rows_.size()) - 1;
  SelectRow(row);
}

void CodeTablePage::SelectRow(int row) {
  HWND list = Item(IDC_TABLE_LIST);
  if (row >= 0 && row < static_cast<int>(rows_.size())) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
  }
  lastSeen_ = -2;  // the buttons follow even when the row number stayed
  OnSelectionChanged();
}

const TableRow* CodeTablePage::SelectedTableRow() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(rows_.size())) return nullptr;
  return &rows_[static_cast<size_t>(selected_)];
}

void CodeTablePage::OnSelectionChanged() {
  const int row = static_cast<int>(
      SendMessageW(Item(IDC_TABLE_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row == lastSeen_) return;
  lastSeen_ = row;
  selected_ = row;
  buttons_ = ButtonsForRow(SelectedTableRow(), app_.context ? app_.context->softBlock : nullptr);
  EnableItem(hwnd(), IDC_TABLE_EDIT, buttons_.edit);
  EnableItem(hwnd(), IDC_TABLE_IMPORT, buttons_.import);
  EnableItem(hwnd(), IDC_TABLE_EXPORT, buttons_.exportTable);
  EnableItem(hwnd(), IDC_TABLE_REPLACE, buttons_.replace);
  EnableItem(hwnd(), IDC_TABLE_CLEAR, buttons_.clear);
  SetItemText(hwnd(), IDC_TABLE_EDIT, buttons_.editText);
}

void CodeTablePage::ShowContextMenu() {
  HMENU menu = LoadMenuW(app_.resources, MAKEINTRESOURCEW(IDM_TABLE_MANAGER));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  for (int id : kCommands) {
    const bool on = IsWindowEnabled(Item(id)) != FALSE;
    EnableMenuItem(popup, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  }
  // Nothing stands behind this entry.
  EnableMenuItem(popup, IDM_TABLE_EXPORT_NO_ORDER, MF_BYCOMMAND | MF_GRAYED);
  ModifyMenuW(popup, IDC_TABLE_EDIT, MF_BYCOMMAND | MF_STRING | (buttons_.edit ? MF_ENABLED : MF_GRAYED),
              IDC_TABLE_EDIT, buttons_.editText);
  POINT at;
  GetCursorPos(&at);
  const int command = app_.services.TrackMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, hwnd());
  DestroyMenu(menu);
  if (command) RunCommand(command);
}

void CodeTablePage::ShowTableView() {
  const TableRow* row = SelectedTableRow();
  if (!row || !app_.context || !buttons_.edit) return;
  CodeTableViewSetup setup;
  setup.tablePath = std::wstring(app_.context->dataFolder) + TableFileOfRow(*row);
  setup.category = row->table == TableFileKind::kMain && row->number > 0
                       ? static_cast<uint32_t>(row->number)
                       : 0;
  HWND main = app_.mainWindow;
  if (main) ShowWindow(main, SW_HIDE);
  CodeTableView view(app_, setup);
  view.RunModal(main ? main : hwnd());
  if (main) ShowWindow(main, SW_RESTORE);
  RefreshTableList();
}

void CodeTablePage::OnExportTable() {
  const TableRow* row = SelectedTableRow();
  if (!row || !app_.context || row->table == TableFileKind::kTemp) return;
  std::wstring documents = app_.services.KnownFolder(CSIDL_PERSONAL, true);
  const wchar_t* display = app_.context->softBlock ? app_.context->softBlock->displayName : L"";
  const std::wstring name(display, BoundedLength(display, 40));
  const std::wstring folder = documents.empty() ? std::wstring() : ExportFolderFor(documents, name);
  const std::wstring file = ExportTableRow(app_.context, *row, folder, *this);
  // Explorer shows the file only when there is one to show.
  if (!file.empty()) {
    const std::wstring select = L"/select,\"" + file + L"\"";
    app_.services.Execute(hwnd(), L"open", L"Explorer.exe", select.c_str(), SW_SHOW);
  }
}

void CodeTablePage::RunCommand(int command) {
  const TableRow* row = SelectedTableRow();
  if (!row || !app_.context) return;
  const std::wstring temp = app_.services.TempFolder();
  switch (command) {
    case IDC_TABLE_EDIT:
      ShowTableView();
      return;
    case IDC_TABLE_IMPORT:
      if (buttons_.import) ImportIntoTableRow(app_.context, *row, *this, temp);
      break;
    case IDC_TABLE_EXPORT:
      if (buttons_.exportTable) OnExportTable();
      break;
    case IDC_TABLE_REPLACE:
      if (buttons_.replace) ReplaceTableRow(app_.context, *row, *this, temp);
      break;
    case IDC_TABLE_CLEAR:
      if (buttons_.clear) ClearTableRow(app_.context, *row, *this);
      break;
    default:
      return;
  }
  RefreshTableList();
}

void CodeTablePage::ClickCell(int row, int column) {
  if (column != kColumnInUse || row < 0 || row >= static_cast<int>(rows_.size())) return;
  const TableRow& clicked = rows_[static_cast<size_t>(row)];
  if (clicked.table != TableFileKind::kMain || !app_.context) return;
  DataWriteLock lock(app_.context);
  if (!lock.Held()) {
    Tell(kDataBusyMessage, kTableCaption, UiIcon::kError);
    return;
  }
  if (ToggleCategoryInUse(app_.context->softBlock, clicked.number)) RefreshTableList();
}

bool CodeTablePage::OnCommand(int id, int code, HWND) {
  for (int command : kCommands) {
    if (id == command && (code == BN_CLICKED || code == 0)) {
      RunCommand(id);
      return true;
    }
  }
  return false;
}

bool CodeTablePage::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != IDC_TABLE_LIST) return false;
  switch (header->code) {
    case LVN_ITEMCHANGED:
      OnSelectionChanged();
      return false;
    case NM_CLICK: {
      OnSelectionChanged();
      const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
      LVHITTESTINFO hit{};
      hit.pt = click->ptAction;
      if (SendMessageW(header->hwndFrom, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0)
        ClickCell(hit.iItem, hit.iSubItem);
      result = 0;
      return true;
    }
    case NM_RCLICK:
      OnSelectionChanged();
      if (SelectedTableRow()) ShowContextMenu();
      result = 0;
      return true;
    case NM_DBLCLK:
      RunCommand(IDC_TABLE_EDIT);
      result = 0;
      return true;
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT: result = CDRF_NOTIFYITEMDRAW; break;
        case CDDS_ITEMPREPAINT: result = CDRF_NOTIFYSUBITEMDRAW; break;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
          draw->clrText = RGB(0, 0, 0);
          result = CDRF_NEWFONT;
          break;
        default: result = CDRF_DODEFAULT; break;
      }
      return true;
    }
    default:
      return false;
  }
}

bool CodeTablePage::ChooseTextFile(const wchar_t* title, const wchar_t* filter, wchar_t* path) {
  path[0] = L'\0';
  std::wstring filters = filter ? filter : L"";
  filters.push_back(L'\0');
  filters += L"*.txt";
  filters.push_back(L'\0');
  std::wstring chosen;
  if (!app_.choosers.BrowseOpenFile(hwnd(), nullptr, title, filters, chosen)) return false;
  return CopyStringBounded(path, 260, chosen.c_str()) == S_OK;
}

UiAnswer CodeTablePage::Ask(const wchar_t* text, const wchar_t* caption, UiIcon icon) {
  return app_.services.ShowMessage(hwnd(), text, caption, MB_YESNO | IconStyle(icon)) == IDYES
             ? UiAnswer::kYes
             : UiAnswer::kNo;
}

void CodeTablePage::Tell(const wchar_t* text, const wchar_t* caption, UiIcon icon) {
  app_.services.ShowMessage(hwnd(), text, caption, MB_OK | IconStyle(icon));
}

void CodeTablePage::ShowProgress(bool visible) {
  HWND bar = Item(IDC_TABLE_PROGRESS);
  if (visible) SendMessageW(bar, PBM_SETPOS, 0, 0);
  ShowWindow(bar, visible ? SW_SHOW : SW_HIDE);
  UpdateWindow(bar);
}

void CodeTablePage::SetProgress(int percent) {
  HWND bar = Item(IDC_TABLE_PROGRESS);
  SendMessageW(bar, PBM_SETPOS, percent, 0);
  // The jobs run on this thread: paint the bar now, not after the job.
  UpdateWindow(bar);
}

void CodeTablePage::OpenDocument(const wchar_t* path) {
  app_.services.Execute(hwnd(), L"open", path, nullptr, SW_SHOW);
}
