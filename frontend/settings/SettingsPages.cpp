// Opening and closing the one settings page of this module instance.
#include "frontend/settings/SettingsPages.h"

#include "engine/ImeContext.h"
#include "engine/Os.h"
#include "frontend/settings/SettingsPageIds.h"

namespace settings_pages {
namespace {

constexpr int kPageWidth = 600;
constexpr int kPageHeight = 600;

// Module state: the page being shown and the caller's context it edits.
ImeContext* pageContext = nullptr;
HWND pageWindow = nullptr;

}  // namespace

ImeContext* SettingsPageContext() { return pageContext; }

ImeContext* EditablePageContext() {
  ImeContext* c = pageContext;
  return c && c->imeBlock && c->dmeBlock && c->skinBlock && c->softBlock ? c : nullptr;
}

void ShowPageAtOrigin(HWND page) {
  SetWindowPos(page, nullptr, 0, 0, kPageWidth, kPageHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(page, SW_SHOW);
}

HWND CreateSettingsPage(HWND parent, int page, ImeContext* context) {
  if (page != kInputOptionsPage && page != kAppearancePage) return pageWindow;
  // A page left open would be orphaned with its edits unstored.
  if (pageWindow) DestroySettingsPage(1);
  pageContext = context;
  const int dialog = page == kInputOptionsPage ? ZN_DIALOG_INPUT_OPTIONS : ZN_DIALOG_APPEARANCE;
  DLGPROC proc = page == kInputOptionsPage ? InputOptionsPageProc : AppearancePageProc;
  pageWindow = context ? CreateDialogParamW(EngineModule(), MAKEINTRESOURCEW(dialog), parent, proc, 0)
                       : nullptr;
  return pageWindow;
}

int DestroySettingsPage(int apply) {
  if (!pageWindow) return 1;
  if (apply && SendMessageW(pageWindow, WM_COMMAND, IDOK, 0) != 0) return 0;
  HWND page = pageWindow;
  ShowWindow(page, SW_HIDE);
  // The page stores its text fields while it is destroyed.
  DestroyWindow(page);
  pageWindow = nullptr;
  pageContext = nullptr;
  return 1;
}

void ShiftDialogItem(HWND page, int id, int dy) {
  HWND item = GetDlgItem(page, id);
  if (!item) return;
  RECT r;
  GetWindowRect(item, &r);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(item, nullptr, r.left, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace settings_pages
