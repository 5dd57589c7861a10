// The rich-edit wrapper and its context menu.
#include "ui/dialogs/RichEdit.h"

#include <commctrl.h>
#include <commdlg.h>

#include "ui/dialogs/DialogServices.h"

RichEditMenuState ComputeRichEditMenuState(bool canPaste, LONG selectionStart, LONG selectionEnd,
                                           bool canUndo, bool canRedo) {
  const bool selection = selectionEnd != selectionStart;
  return RichEditMenuState{selection, selection, canPaste, true, canUndo, canRedo};
}

bool LoadRichEditLibrary() {
  // Kept loaded for the process: every rich edit window needs its class.
  static HMODULE library = LoadLibraryW(L"Riched20.dll");
  return library != nullptr;
}

RichEditBox::~RichEditBox() {
  Detach();
}

void RichEditBox::Attach(HWND edit) {
  Detach();
  edit_ = edit;
}

void RichEditBox::Detach() {
  if (edit_ && subclassed_) RemoveWindowSubclass(edit_, &RichEditBox::SubclassProc, 1);
  subclassed_ = false;
  edit_ = nullptr;
}

void RichEditBox::EnableContextMenu(HINSTANCE instance, int menuId, DialogServices* services) {
  menuInstance_ = instance ? instance : GetModuleHandleW(nullptr);
  menuId_ = menuId;
  services_ = services;
  if (edit_ && !subclassed_) {
    subclassed_ = SetWindowSubclass(edit_, &RichEditBox::SubclassProc, 1,
                                    reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  }
}

std::wstring RichEditBox::Text() const {
  if (!edit_) return {};
  // The control keeps a line end as one CR; ask for CR LF explicitly.
  GETTEXTLENGTHEX length{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  LRESULT n = SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  get.flags = GT_USECRLF;
  get.codepage = 1200;
  LRESULT got = SendMessageW(edit_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                             reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void RichEditBox::SetText(const wchar_t* text) {
  if (!edit_) return;
  if (!text) text = L"";
  LONG n = static_cast<LONG>(wcslen(text));
  if (n >= Limit()) SetLimit(n + 1024);
  SetWindowTextW(edit_, text);
}

void RichEditBox::SetLimit(LONG units) {
  if (edit_) SendMessageW(edit_, EM_EXLIMITTEXT, 0, units);
}

LONG RichEditBox::Limit() const {
  return edit_ ? static_cast<LONG>(SendMessageW(edit_, EM_GETLIMITTEXT, 0, 0)) : 0;
}

bool RichEditBox::Find(const wchar_t* text, LONG from, CHARRANGE& found) const {
  if (!edit_ || !text || !*text) return false;
  FINDTEXTEXW find{};
  find.chrg.cpMin = from < 0 ? 0 : from;
  find.chrg.cpMax = -1;
  find.lpstrText = text;
  LRESULT at = SendMessageW(edit_, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find));
  if (at < 0) return false;
  found = find.chrgText;
  return true;
}

void RichEditBox::Select(LONG start, LONG end) {
  if (!edit_) return;
  CHARRANGE range{start, end};
  SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

CHARRANGE RichEditBox::Selection() const {
  CHARRANGE range{0, 0};
  if (edit_) SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range;
}

void RichEditBox::SetRangeColour(LONG start, LONG end, COLORREF colour) {
  if (!edit_ || end <= start) return;
  Select(start, end);
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = colour;
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void RichEditBox::SetAllFont(const wchar_t* face, LONG twips, COLORREF colour) {
  if (!edit_) return;
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR;
  format.yHeight = twips;
  format.crTextColor = colour;
  format.dwEffects = 0;  // no CFE_AUTOCOLOR: the colours set later show
  lstrcpynW(format.szFaceName, face, LF_FACESIZE);
  SendMessageW(edit_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

int RichEditBox::LineCount() const {
  return edit_ ? static_cast<int>(SendMessageW(edit_, EM_GETLINECOUNT, 0, 0)) : 0;
}

LONG RichEditBox::LineStart(int line) const {
  return edit_ ? static_cast<LONG>(SendMessageW(edit_, EM_LINEINDEX, line, 0)) : -1;
}

std::wstring RichEditBox::LineText(int line, int maxUnits) const {
  if (!edit_ || maxUnits <= 0) return {};
  // EM_GETLINE takes the buffer size in its first unit and does not terminate.
  std::wstring text(static_cast<size_t>(maxUnits) + 1, L'\0');
  text[0] = static_cast<wchar_t>(maxUnits);
  LRESULT n = SendMessageW(edit_, EM_GETLINE, line, reinterpret_cast<LPARAM>(text.data()));
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

void RichEditBox::RunCommand(int command) {
  if (!edit_) return;
  switch (command) {
    case kRichEditDelete: SendMessageW(edit_, WM_CLEAR, 0, 0); break;
    case kRichEditPaste: SendMessageW(edit_, WM_PASTE, 0, 0); break;
    case kRichEditCopy: SendMessageW(edit_, WM_COPY, 0, 0); break;
    case kRichEditCut: SendMessageW(edit_, WM_CUT, 0, 0); break;
    case kRichEditUndo: SendMessageW(edit_, EM_UNDO, 0, 0); break;
    case kRichEditRedo: SendMessageW(edit_, EM_REDO, 0, 0); break;
    default: break;
  }
}

void RichEditBox::ShowContextMenu(POINT screen) {
  if (!edit_ || !services_ || !menuId_) return;
  SetFocus(edit_);
  HMENU menu = LoadMenuW(menuInstance_, MAKEINTRESOURCEW(menuId_));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu, 0);
  if (popup) {
    CHARRANGE selection = Selection();
    RichEditMenuState state = ComputeRichEditMenuState(
        SendMessageW(edit_, EM_CANPASTE, 0, 0) != 0, selection.cpMin, selection.cpMax,
        SendMessageW(edit_, EM_CANUNDO, 0, 0) != 0, SendMessageW(edit_, EM_CANREDO, 0, 0) != 0);
    auto enable = [popup](int id, bool on) {
      EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(kRichEditCut, state.cut);
    enable(kRichEditCopy, state.copy);
    enable(kRichEditPaste, state.paste);
    enable(kRichEditDelete, state.erase);
    enable(kRichEditUndo, state.undo);
    enable(kRichEditRedo, state.redo);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    menuOpen_ = true;
    int command = services_->TrackMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x,
                                       screen.y, edit_);
    menuOpen_ = false;
    if (command) RunCommand(command);
  }
  DestroyMenu(menu);
}

LRESULT CALLBACK RichEditBox::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<RichEditBox*>(data);
  switch (message) {
    case WM_RBUTTONUP: {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(window, &at);
      self->ShowContextMenu(at);
      return 0;
    }
    case WM_SETCURSOR:
      if (self->menuOpen_) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, &RichEditBox::SubclassProc, 1);
      self->subclassed_ = false;
      self->edit_ = nullptr;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}
