// The dialog base: window procedure, handler dispatch and the modal loop.
#include "ui/dialogs/Dialog.h"

namespace {

// The window property that holds the Dialog; a property rather than
// DWLP_USER so a derived dialog stays free to use the user slot.
constexpr wchar_t kDialogProperty[] = L"ZnDialogObject";

}  // namespace

Dialog::Dialog(int templateId, HINSTANCE instance)
    : templateId_(templateId), instance_(instance ? instance : GetModuleHandleW(nullptr)) {}

Dialog::~Dialog() {
  // A page whose object dies first must not leave a window pointing at it.
  if (hwnd_) {
    RemovePropW(hwnd_, kDialogProperty);
    DestroyWindow(hwnd_);
  }
}

Dialog* Dialog::FromWindow(HWND window) {
  return window ? static_cast<Dialog*>(GetPropW(window, kDialogProperty)) : nullptr;
}

INT_PTR Dialog::RunModal(HWND owner, MessageFilter* filter) {
  if (hwnd_) return -1;
  filter_ = filter;
  page_ = false;
  modalDone_ = false;
  result_ = IDCANCEL;
  HWND window = CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, &Dialog::Proc,
                                   reinterpret_cast<LPARAM>(this));
  if (!window) return -1;
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  // The init handler may already have ended the run.
  if (!modalDone_ && hwnd_ && !(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) {
    ShowWindow(window, SW_SHOW);
    // Focus set during init activates the dialog while it is hidden; Wine
    // then draws its caption as inactive although it is the active window.
    if (GetActiveWindow() == window) SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  }
  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (!modalDone_ && hwnd_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (PreTranslateChain(msg)) continue;
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Enable the owner before the dialog goes, so activation returns to it.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (hwnd_) DestroyWindow(hwnd_);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  filter_ = nullptr;
  return result_;
}

HWND Dialog::CreatePage(HWND parent) {
  if (hwnd_) return hwnd_;
  page_ = true;
  return CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), parent, &Dialog::Proc,
                            reinterpret_cast<LPARAM>(this));
}

void Dialog::EndModal(INT_PTR result) {
  if (page_) {
    DestroyPage();
    return;
  }
  result_ = result;
  modalDone_ = true;
  // Wake the loop if it is waiting for a message.
  if (hwnd_) PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void Dialog::DestroyPage() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Dialog::PreTranslateChain(MSG& msg) {
  if (filter_ && filter_->PreTranslate(msg)) return true;
  // Messages of a child page reach the page first, then this dialog.
  for (HWND w = msg.hwnd; w; w = GetParent(w)) {
    Dialog* dialog = FromWindow(w);
    if (dialog && dialog->PreTranslateMessage(msg)) return true;
    if (w == hwnd_) break;
  }
  return false;
}

bool Dialog::PreTranslateMessage(MSG&) {
  return false;
}

bool Dialog::OnCommand(int, int, HWND) {
  return false;
}

bool Dialog::OnNotify(NMHDR*, LRESULT&) {
  return false;
}

void Dialog::OnOk() {
  if (page_) {
    SendMessageW(GetParent(hwnd_), WM_COMMAND, IDOK, 0);
  } else {
    EndModal(IDOK);
  }
}

void Dialog::OnCancel() {
  if (page_) {
    SendMessageW(GetParent(hwnd_), WM_COMMAND, IDCANCEL, 0);
  } else {
    EndModal(IDCANCEL);
  }
}

void Dialog::OnSize(int, int) {}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

INT_PTR CALLBACK Dialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = FromWindow(window);
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<Dialog*>(lParam);
    if (!dialog) return FALSE;
    dialog->hwnd_ = window;
    SetPropW(window, kDialogProperty, dialog);
  }
  if (!dialog) return FALSE;
  INT_PTR handled = dialog->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kDialogProperty);
    dialog->hwnd_ = nullptr;
    dialog->modalDone_ = true;
  }
  return handled;
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
      if (id == IDOK && HIWORD(wParam) == BN_CLICKED) {
        OnOk();
        return TRUE;
      }
      if (id == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY:
      if (OnNotify(reinterpret_cast<NMHDR*>(lParam), result)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return FALSE;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return FALSE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      break;
  }
  if (OnMessage(message, wParam, lParam, result)) {
    // These few messages take the procedure's return value as their result.
    const bool direct = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
                        message == WM_QUERYDRAGICON || message == WM_COMPAREITEM ||
                        message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
    if (direct) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}
