// The module's settings pages, shown by config inside its own tabbed
// dialog through kind 1 of ZNITFGetObject: page 1 the input options
// (dialog 126), page 3 the appearance (dialog 133). At most one page is open
// per module instance; it edits the caller's context, whose settings are the
// live config.dsc mapping every running input method reads.
#pragma once

#include <windows.h>

struct ImeContext;

namespace settings_pages {

inline constexpr int kInputOptionsPage = 1;
inline constexpr int kAppearancePage = 3;

// Opens page 1 or 3 as a child of parent (an open page is closed first,
// storing its fields); any other page opens nothing. Returns the open page,
// null when none.
HWND CreateSettingsPage(HWND parent, int page, ImeContext* context);
// Closes the open page, which stores its text fields as it goes; with apply
// the page is asked first (IDOK) and may refuse (result 0). 1 when closed or
// when nothing was open.
int DestroySettingsPage(int apply);

INT_PTR CALLBACK InputOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AppearancePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The appearance page's skin list, combos and fonts; the font controls show
// the skin's fonts, or the block's own (enabled) when it says so.
void InitAppearancePage(HWND page, ImeContext* context);
void ShowSkinFonts(HWND page, ImeContext* context, int skinItem);

// The context the open page edits (null when none is open).
ImeContext* SettingsPageContext();
// The same, when its settings blocks are bound; null otherwise.
ImeContext* EditablePageContext();
// A page fills its parent's page area from the top-left corner and shows.
void ShowPageAtOrigin(HWND page);

// Moves a control of the page by dy pixels.
void ShiftDialogItem(HWND page, int id, int dy);

}  // namespace settings_pages
