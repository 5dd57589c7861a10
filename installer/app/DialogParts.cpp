// Banner painting in 宋体 (its metrics are those the layout was made for)
// and the log box.
#include "installer/app/DialogParts.h"

#include "ui/dialogs/Controls.h"

namespace {

constexpr int kIconSize = 48;

}  // namespace

HICON LoadProgramIcon(HINSTANCE instance, int id, int size) {
  if (!instance) instance = GetModuleHandleW(nullptr);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED));
}

void SetDialogIcons(HWND dialog, HINSTANCE instance, int id) {
  HICON big = LoadProgramIcon(instance, id, GetSystemMetrics(SM_CXICON));
  HICON small = LoadProgramIcon(instance, id, GetSystemMetrics(SM_CXSMICON));
  SetWindowIcons(dialog, big, small);
}

void DrawBanner(const DRAWITEMSTRUCT& item, HICON icon, const BannerLine* lines, size_t count) {
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (icon) {
    DrawIconEx(dc, box.right - 70, box.top + 6, icon, kIconSize, kIconSize, 0, nullptr,
               DI_NORMAL);
  }
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF colour = SetTextColor(dc, RGB(0, 0, 0));
  for (size_t i = 0; i < count; ++i) {
    if (!lines[i].text) continue;
    HFONT font = CreateFontW(12, 0, 0, 0, lines[i].weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                             DEFAULT_PITCH, L"宋体");
    HGDIOBJ old = SelectObject(dc, font);
    TextOutW(dc, box.left + lines[i].x, box.top + lines[i].y, lines[i].text,
             static_cast<int>(wcslen(lines[i].text)));
    SelectObject(dc, old);
    DeleteObject(font);
  }
  SetTextColor(dc, colour);
  SetBkMode(dc, mode);
}

void AppendLogLine(HWND edit, const wchar_t* text) {
  if (!edit || !text) return;
  // The caret goes to the end first: the user may have clicked elsewhere.
  LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r\n"));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void ReplaceLogLine(HWND edit, const wchar_t* waiting, const wchar_t* text) {
  if (!edit || !waiting || !text) return;
  const std::wstring line(waiting, wcscspn(waiting, L"\r\n"));
  std::wstring all(static_cast<size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  all.resize(static_cast<size_t>(SendMessageW(edit, WM_GETTEXT, all.size(),
                                              reinterpret_cast<LPARAM>(all.data()))));
  size_t at = 0;
  while (at < all.size() && all.compare(at, line.size(), line) != 0) {
    at = all.find(L'\n', at);
    at = at == std::wstring::npos ? all.size() : at + 1;
  }
  if (line.empty() || at >= all.size()) return;
  SendMessageW(edit, EM_SETSEL, at, at + line.size());
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  // The caret goes back to the end, where the next line is written.
  LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
}
