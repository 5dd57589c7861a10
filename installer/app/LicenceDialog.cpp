// The licence viewer.
#include "installer/app/LicenceDialog.h"

#include "installer/app/DialogParts.h"
#include "installer/app/InstallerResources.h"

namespace {

// The template's rich edit needs its class before the dialog is made.
int LicenceTemplate() {
  LoadRichEditLibrary();
  return IDD_LICENCE;
}

}  // namespace

LicenceDialog::LicenceDialog(HINSTANCE instance)
    : Dialog(LicenceTemplate(), instance), instance_(instance) {}

std::wstring LicenceText(HINSTANCE instance) {
  if (!instance) instance = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_LICENCE_TEXT), MAKEINTRESOURCEW(10));
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  DWORD size = found ? SizeofResource(instance, found) : 0;
  if (!bytes || size == 0) return std::wstring();
  int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
  std::wstring text(static_cast<size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0)
    MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), text.data(), units);
  // The rich edit box keeps line ends as CR LF.
  std::wstring crlf;
  for (wchar_t c : text) {
    if (c == L'\n' && (crlf.empty() || crlf.back() != L'\r')) crlf.push_back(L'\r');
    crlf.push_back(c);
  }
  return crlf;
}

BOOL LicenceDialog::OnInitDialog() {
  SetDialogIcons(hwnd(), instance_, IDI_INSTALL);
  text_.Attach(Item(IDC_LICENCE_TEXT));
  text_.SetText(LicenceText(instance_).c_str());
  // The rich edit box's own face has no Chinese characters on some systems.
  text_.SetAllFont(L"宋体", 180, GetSysColor(COLOR_WINDOWTEXT));
  // The dialog manager would select the whole text when it gives the box
  // the focus: the reader starts at the top with nothing selected.
  HWND box = Item(IDC_LICENCE_TEXT);
  SetFocus(box);
  SendMessageW(box, EM_SETSEL, 0, 0);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  return FALSE;
}
