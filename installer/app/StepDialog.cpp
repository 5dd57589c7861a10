// The shared frame of the step dialogs. The worker writes the log through
// messages to the controls, so it never touches a window of another thread
// except by sending to it.
#include "installer/app/StepDialog.h"

#include <commctrl.h>

#include "installer/app/DialogParts.h"
#include "installer/app/InstallerResources.h"
#include "installer/core/Messages.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr UINT kWorkDoneMessage = WM_APP + 20;

}  // namespace

StepDialog::StepDialog(int templateId, int iconId, InstallerState& state, InstallerOs& os,
                       HINSTANCE instance)
    : Dialog(templateId, instance),
      state_(state),
      os_(os),
      instance_(instance),
      iconId_(iconId) {}

StepDialog::~StepDialog() {
  worker_.Stop();
  if (state_.log == this) state_.log = nullptr;
}

BOOL StepDialog::OnInitDialog() {
  SetDialogIcons(hwnd(), instance_, iconId_);
  SendDlgItemMessageW(hwnd(), IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
  state_.owner = hwnd();
  state_.log = this;
  return TRUE;
}

void StepDialog::Append(int position, const wchar_t* text) {
  HWND bar = Item(IDC_PROGRESS);
  if (bar && position >= 0) SendMessageW(bar, PBM_SETPOS, position, 0);
  AppendLogLine(Item(IDC_LOG), text);
}

void StepDialog::ReplaceLine(const wchar_t* waiting, const wchar_t* text) {
  ReplaceLogLine(Item(IDC_LOG), waiting, text);
}

bool StepDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_DRAWITEM && wParam == IDC_BANNER) {
    std::wstring first;
    std::wstring second;
    BannerText(&first, &second);
    // A welcome line in bold over the state's line, or the state's line alone.
    const BannerLine two[] = {{first.c_str(), 30, 10, FW_BOLD},
                              {second.c_str(), 55, 35, FW_NORMAL}};
    const BannerLine one[] = {{first.c_str(), 30, 22, FW_NORMAL}};
    DrawBanner(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam),
               LoadProgramIcon(instance_, iconId_, 48), second.empty() ? one : two,
               second.empty() ? 1 : 2);
    result = TRUE;
    return true;
  }
  if (message == kWorkDoneMessage) {
    std::unique_ptr<int> outcome = worker_.Take(wParam, lParam);
    if (outcome) OnWorkDone(*outcome);
    result = 0;
    return true;
  }
  return false;
}

void StepDialog::OnOk() {
  if (busy_) return;
  if (GetItemText(hwnd(), IDOK).compare(0, 7, kButtonFinish) == 0) {
    EndModal(IDOK);
    return;
  }
  if (IsWindowEnabled(Item(IDOK))) OnAction();
}

void StepDialog::OnCancel() {
  if (!busy_) EndModal(IDCANCEL);
}

void StepDialog::StartWork(std::function<int()> work) {
  busy_ = true;
  worker_.Start(hwnd(), kWorkDoneMessage, [this, work = std::move(work)](const std::atomic<bool>&) {
    int outcome = work();
    busy_ = false;
    return outcome;
  });
}

void StepDialog::SetPageState(int state) {
  page_ = state;
  InvalidateRect(Item(IDC_BANNER), nullptr, TRUE);
  UpdateWindow(Item(IDC_BANNER));
}

void StepDialog::ShowProgress(bool shown) {
  ShowItem(hwnd(), IDC_PROGRESS, shown);
}

void StepDialog::SetActionText(const wchar_t* text) {
  SetItemText(hwnd(), IDOK, text);
}
