// The unpacking runs from the dialog's first timer tick, once the dialog is
// on screen, and paints its progress as it goes.
#include "installer/app/ExtractDialog.h"

#include <commctrl.h>

#include "installer/app/InstallerResources.h"
#include "installer/core/Messages.h"
#include "ui/dialogs/Controls.h"

namespace {
constexpr UINT_PTR kStartTimer = 1;
}

ExtractDialog::ExtractDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance)
    : Dialog(IDD_EXTRACT, instance), state_(state), os_(os) {}

BOOL ExtractDialog::OnInitDialog() {
  SetTimer(hwnd(), kStartTimer, 100, nullptr);
  return TRUE;
}

bool ExtractDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_TIMER || wParam != kStartTimer) return false;
  result = 0;
  // Only once the window shows, so the user sees what happens.
  if (!started_ && IsWindowVisible(hwnd())) {
    started_ = true;
    KillTimer(hwnd(), kStartTimer);
    Work();
  }
  return true;
}

void ExtractDialog::Show(const wchar_t* label, int percent) {
  SetItemText(hwnd(), IDC_EXTRACT_LABEL, label);
  SendDlgItemMessageW(hwnd(), IDC_EXTRACT_PROGRESS, PBM_SETPOS, percent, 0);
  UpdateWindow(hwnd());
}

void ExtractDialog::Work() {
  SendDlgItemMessageW(hwnd(), IDC_EXTRACT_PROGRESS, PBM_SETRANGE32, 0, 100);
  Show(kExtractRunning, 0);
  EndModal(ExtractPackage(state_, os_, this) ? IDOK : IDCANCEL);
}
