// Control tables as pure functions, and the virtual list, rich edit and its
// context menu, and control moves inside a real dialog.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogTestIds.h"
#include "ui/dialogs/BitControls.h"
#include "ui/dialogs/Controls.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogServices.h"
#include "ui/dialogs/OwnerButton.h"
#include "ui/dialogs/RichEdit.h"
#include "ui/dialogs/VirtualList.h"

namespace {

constexpr BitControl kRows[] = {
    {1, BitControlKind::kCheck, 0x8, 0},
    {2, BitControlKind::kRadio, 0x8000, 0x10000},
    {3, BitControlKind::kRadio, 0x10000, 0x8000},
    {4, BitControlKind::kRadio, 0x18000, 0},
    {5, BitControlKind::kRadio, 0, 0x20000},
    {6, BitControlKind::kRadio, 0x20000, 0},
};

TEST(BitControls, ChecksAndRadiosWriteOnlyTheirBits) {
  uint32_t word = 0xF0000001;
  EXPECT_TRUE(ApplyBitControl(kRows, 1, true, word));
  EXPECT_EQ(word, 0xF0000009u);
  EXPECT_TRUE(ApplyBitControl(kRows, 1, false, word));
  EXPECT_EQ(word, 0xF0000001u);
  EXPECT_TRUE(ApplyBitControl(kRows, 4, true, word));
  EXPECT_EQ(word, 0xF0018001u);
  EXPECT_TRUE(ApplyBitControl(kRows, 2, true, word));  // main only: auxiliary cleared
  EXPECT_EQ(word, 0xF0008001u);
  EXPECT_TRUE(ApplyBitControl(kRows, 3, true, word));
  EXPECT_EQ(word, 0xF0010001u);
  // A radio turned off (another one of its group was chosen) writes nothing.
  EXPECT_TRUE(ApplyBitControl(kRows, 3, false, word));
  EXPECT_EQ(word, 0xF0010001u);
  EXPECT_FALSE(ApplyBitControl(kRows, 99, true, word));
  EXPECT_EQ(word, 0xF0010001u);
}

TEST(BitControls, ShownStateFollowsTheWord) {
  EXPECT_TRUE(BitCheckShown(kRows[0], 0x8));
  EXPECT_FALSE(BitCheckShown(kRows[0], 0x7));
  const std::span<const BitControl> scheme(kRows + 1, 3);
  EXPECT_EQ(SelectedRadio(scheme, 0x18000, 2), 4);  // both bits: the two-bit radio
  EXPECT_EQ(SelectedRadio(scheme, 0x10000, 2), 3);
  EXPECT_EQ(SelectedRadio(scheme, 0x8000, 2), 2);
  EXPECT_EQ(SelectedRadio(scheme, 0, 2), 2);  // neither: the fallback
  const std::span<const BitControl> range(kRows + 4, 2);
  EXPECT_EQ(SelectedRadio(range, 0x20000, 0), 6);
  EXPECT_EQ(SelectedRadio(range, 0, 0), 5);
}

TEST(RichEditMenu, CutAndCopyNeedASelection) {
  RichEditMenuState none = ComputeRichEditMenuState(true, 4, 4, false, true);
  EXPECT_FALSE(none.cut);
  EXPECT_FALSE(none.copy);
  EXPECT_TRUE(none.paste);
  EXPECT_TRUE(none.erase);
  EXPECT_FALSE(none.undo);
  EXPECT_TRUE(none.redo);
  RichEditMenuState some = ComputeRichEditMenuState(false, 2, 5, true, false);
  EXPECT_TRUE(some.cut && some.copy && some.undo);
  EXPECT_FALSE(some.paste || some.redo);
}

// Runs check inside a live dialog of the list template, then closes it.
class LiveDialog : public Dialog {
 public:
  explicit LiveDialog(std::function<void(HWND)> check)
      : Dialog(IDD_TEST_LIST), check_(std::move(check)) {}

 protected:
  BOOL OnInitDialog() override {
    check_(hwnd());
    EndModal(IDOK);
    return TRUE;
  }

 private:
  std::function<void(HWND)> check_;
};

void InLiveDialog(std::function<void(HWND)> check) {
  ASSERT_TRUE(LoadRichEditLibrary());
  LiveDialog dialog(std::move(check));
  ASSERT_EQ(dialog.RunModal(nullptr), IDOK);
}

class Rows : public VirtualListSource {
 public:
  void CellText(int row, int column, wchar_t* out, int capacity) override {
    swprintf(out, capacity, L"r%d c%d", row, column);
  }
  bool CellColours(int row, int, COLORREF& text, COLORREF&) override {
    if (row % 2) return false;
    text = RGB(200, 0, 0);
    return true;
  }
};

TEST(VirtualListTest, AsksForVisibleCellsAndHitsSubItems) {
  InLiveDialog([](HWND dialog) {
    Rows rows;
    VirtualList list;
    list.Attach(GetDlgItem(dialog, IDC_TEST_LIST), &rows);
    list.AddColumn(L"编码", 80);
    list.AddColumn(L"词条", 120);
    list.AddColumn(L"隐藏", 0);
    list.SetRowCount(200000);
    EXPECT_EQ(SendMessageW(list.hwnd(), LVM_GETITEMCOUNT, 0, 0), 200000);
    // The list asks its parent for texts; this dialog forwards nothing, so
    // route one request by hand the way a page's OnNotify does.
    NMLVDISPINFOW info{};
    wchar_t text[64];
    info.hdr = {list.hwnd(), IDC_TEST_LIST, LVN_GETDISPINFOW};
    info.item.mask = LVIF_TEXT;
    info.item.iItem = 199999;
    info.item.iSubItem = 1;
    info.item.pszText = text;
    info.item.cchTextMax = 64;
    LRESULT result = -1;
    ASSERT_TRUE(list.HandleNotify(&info.hdr, result));
    EXPECT_STREQ(text, L"r199999 c1");
    // Another control's notification is not the list's.
    NMHDR other{GetDlgItem(dialog, IDC_TEST_RICH), IDC_TEST_RICH, LVN_GETDISPINFOW};
    EXPECT_FALSE(list.HandleNotify(&other, result));

    RECT cell{};
    cell.top = 1;  // sub-item 1 of row 3
    cell.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(list.hwnd(), LVM_GETSUBITEMRECT, 3, reinterpret_cast<LPARAM>(&cell)));
    ListCell hit = list.CellAt(POINT{cell.left + 5, (cell.top + cell.bottom) / 2});
    EXPECT_EQ(hit.row, 3);
    EXPECT_EQ(hit.column, 1);
    EXPECT_EQ(list.CellAt(POINT{5, 5000}).row, -1);

    // Custom draw asks per cell; the source colours even rows only.
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {list.hwnd(), IDC_TEST_LIST, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    ASSERT_TRUE(list.HandleNotify(&draw.nmcd.hdr, result));
    EXPECT_EQ(result, CDRF_NOTIFYITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    list.HandleNotify(&draw.nmcd.hdr, result);
    EXPECT_EQ(result, CDRF_NOTIFYSUBITEMDRAW);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.nmcd.dwItemSpec = 4;
    draw.clrText = RGB(1, 2, 3);
    list.HandleNotify(&draw.nmcd.hdr, result);
    EXPECT_EQ(result, CDRF_NEWFONT);
    EXPECT_EQ(draw.clrText, RGB(200, 0, 0));
    draw.nmcd.dwItemSpec = 5;
    draw.clrText = RGB(1, 2, 3);
    list.HandleNotify(&draw.nmcd.hdr, result);
    EXPECT_EQ(result, CDRF_DODEFAULT);
    EXPECT_EQ(draw.clrText, RGB(1, 2, 3));
  });
}

TEST(OwnerButtonTest, DrawsFaceBorderAndPressedState) {
  InLiveDialog([](HWND dialog) {
    HWND button = CreateWindowW(L"BUTTON", L"确定", WS_CHILD | BS_OWNERDRAW, 0, 0, 40, 20, dialog,
                                nullptr, nullptr, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    OwnerButtonLook look{RGB(10, 200, 10), RGB(200, 10, 10), RGB(0, 0, 255), RGB(0, 0, 0),
                         RGB(128, 128, 128)};
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button;
    item.hDC = dc;
    item.rcItem = {0, 0, 40, 20};
    ASSERT_TRUE(DrawOwnerButton(item, look));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));     // border
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(10, 200, 10));   // face
    item.itemState = ODS_SELECTED;
    DrawOwnerButton(item, look);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(200, 10, 10));   // pressed face
    item.CtlType = ODT_MENU;
    EXPECT_FALSE(DrawOwnerButton(item, look));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(button);
  });
}

class MenuServices : public DialogServices {
 public:
  int answer = 0;
  std::vector<int> enabled;
  int ShowMessage(HWND, const wchar_t*, const wchar_t*, UINT) override { return IDOK; }
  int TrackMenu(HMENU menu, UINT, int, int, HWND) override {
    enabled.clear();
    for (int id : {kRichEditCut, kRichEditCopy, kRichEditPaste, kRichEditDelete, kRichEditUndo,
                   kRichEditRedo}) {
      if (!(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED)) enabled.push_back(id);
    }
    return answer;
  }
};

TEST(RichEditBoxTest, TextKeepsLineEndsFindsAdjacentMatchesAndRunsMenuCommands) {
  InLiveDialog([](HWND dialog) {
    RichEditBox edit;
    edit.Attach(GetDlgItem(dialog, IDC_TEST_RICH));
    edit.SetLimit(8);
    edit.SetText(L"[-节-]\r\n键=是是\r\n//注释");
    EXPECT_GT(edit.Limit(), 20);  // raised: nothing was cut
    EXPECT_EQ(edit.Text(), L"[-节-]\r\n键=是是\r\n//注释");
    EXPECT_EQ(edit.LineCount(), 3);
    EXPECT_EQ(edit.LineText(1, 512), L"键=是是");
    CHARRANGE found{};
    ASSERT_TRUE(edit.Find(L"是", 0, found));
    LONG first = found.cpMin;
    EXPECT_EQ(found.cpMax, first + 1);
    ASSERT_TRUE(edit.Find(L"是", found.cpMax, found));
    EXPECT_EQ(found.cpMin, first + 1);  // the adjacent match
    EXPECT_FALSE(edit.Find(L"是", found.cpMax, found));
    EXPECT_FALSE(edit.Find(L"", 0, found));

    MenuServices services;
    edit.EnableContextMenu(nullptr, IDM_TEST_EDIT, &services);
    edit.Select(0, 0);
    services.answer = 0;
    edit.ShowContextMenu(POINT{10, 10});
    // Paste depends on what other programs left on the clipboard: not checked.
    std::erase(services.enabled, static_cast<int>(kRichEditPaste));
    EXPECT_EQ(services.enabled, (std::vector<int>{kRichEditDelete}));  // nothing to undo
    EXPECT_FALSE(edit.MenuOpen());
    edit.Select(0, 5);
    services.answer = kRichEditDelete;
    edit.ShowContextMenu(POINT{10, 10});
    EXPECT_NE(std::find(services.enabled.begin(), services.enabled.end(), kRichEditCut),
              services.enabled.end());
    EXPECT_EQ(edit.Text(), L"\r\n键=是是\r\n//注释");
    services.answer = kRichEditUndo;
    edit.ShowContextMenu(POINT{10, 10});
    EXPECT_EQ(edit.Text(), L"[-节-]\r\n键=是是\r\n//注释");
  });
}

TEST(ControlHelpers, MovesFollowDialogUnitsAndFramesPlacePages) {
  InLiveDialog([](HWND dialog) {
    RECT before = ItemRect(dialog, IDC_TEST_RICH);
    POINT units = DialogUnitsToPixels(dialog, 10, 8);
    ShiftItem(dialog, IDC_TEST_RICH, -10, 8, 10);
    RECT after = ItemRect(dialog, IDC_TEST_RICH);
    EXPECT_EQ(after.left, before.left - units.x);
    EXPECT_EQ(after.top, before.top + units.y);
    EXPECT_EQ(after.right - after.left, before.right - before.left + units.x);
    ShowItem(dialog, IDC_TEST_RICH, false);
    EXPECT_FALSE(IsItemShown(dialog, IDC_TEST_RICH));
    SetItemText(dialog, IDC_TEST_LIST, L"x");
    EXPECT_EQ(GetItemText(dialog, IDC_TEST_LIST), L"x");
    EXPECT_EQ(GetItemText(dialog, 4242), L"");
  });
}

}  // namespace
