// The virtual list view helper.
#include "ui/dialogs/VirtualList.h"

void VirtualList::Attach(HWND list, VirtualListSource* source) {
  list_ = list;
  source_ = source;
  columns_ = 0;
  if (list_) {
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
  }
}

void VirtualList::AddColumn(const wchar_t* title, int width) {
  if (!list_) return;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(title);
  column.cx = width;
  column.iSubItem = columns_;
  if (SendMessageW(list_, LVM_INSERTCOLUMNW, columns_, reinterpret_cast<LPARAM>(&column)) >= 0)
    ++columns_;
}

void VirtualList::SetRowCount(int rows) {
  if (list_) SendMessageW(list_, LVM_SETITEMCOUNT, rows < 0 ? 0 : rows, LVSICF_NOSCROLL);
}

bool VirtualList::HandleNotify(const NMHDR* header, LRESULT& result) {
  if (!header || !list_ || header->hwndFrom != list_ || !source_) return false;
  if (header->code == LVN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
    if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
      info->item.pszText[0] = L'\0';
      source_->CellText(info->item.iItem, info->item.iSubItem, info->item.pszText,
                        info->item.cchTextMax);
    }
    result = 0;
    return true;
  }
  if (header->code == NM_CUSTOMDRAW) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(header));
    switch (draw->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        result = CDRF_NOTIFYITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT:
        result = CDRF_NOTIFYSUBITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        COLORREF text = draw->clrText;
        COLORREF back = draw->clrTextBk;
        if (source_->CellColours(static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem, text,
                                 back)) {
          draw->clrText = text;
          draw->clrTextBk = back;
          result = CDRF_NEWFONT;
        } else {
          result = CDRF_DODEFAULT;
        }
        return true;
      }
      default:
        result = CDRF_DODEFAULT;
        return true;
    }
  }
  return false;
}

ListCell VirtualList::CellAt(POINT client) const {
  ListCell cell;
  if (!list_) return cell;
  LVHITTESTINFO hit{};
  hit.pt = client;
  // A zero-width column has an empty rectangle and is never hit.
  if (SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 &&
      hit.iItem >= 0) {
    cell.row = hit.iItem;
    cell.column = hit.iSubItem;
  }
  return cell;
}

ListCell VirtualList::ClickedCell(const NMHDR* header) const {
  if (!header || header->hwndFrom != list_ ||
      (header->code != NM_CLICK && header->code != NM_DBLCLK))
    return {};
  const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(header);
  return CellAt(activate->ptAction);
}

int VirtualList::SelectedRow() const {
  if (!list_) return -1;
  return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}
