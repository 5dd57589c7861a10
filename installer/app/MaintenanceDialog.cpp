// Repair and uninstall share their flow; the texts and the steps differ.
#include "installer/app/MaintenanceDialog.h"

#include "engine/WideString.h"
#include "installer/app/InstallerResources.h"
#include "installer/core/Messages.h"
#include "installer/core/ProcessList.h"
#include "installer/core/Registration.h"
#include "installer/core/RepairUninstall.h"
#include "installer/core/UserWords.h"
#include "ui/dialogs/Controls.h"

MaintenanceDialog::MaintenanceDialog(Kind kind, InstallerState& state, InstallerOs& os,
                                     HINSTANCE instance)
    : StepDialog(kind == Kind::kRepair ? IDD_REPAIR : IDD_UNINSTALL,
                 kind == Kind::kRepair ? IDI_REPAIR : IDI_UNINSTALL, state, os, instance),
      kind_(kind) {}

BOOL MaintenanceDialog::OnInitDialog() {
  StepDialog::OnInitDialog();
  bool repair = kind_ == Kind::kRepair;
  wchar_t title[128];
  FormatString(title, 128, repair ? kRepairTitle : kUninstallTitle, state_.soft.displayName);
  SetWindowTextW(hwnd(), title);
  SetActionText(repair ? kButtonRepair : kButtonUninstall);
  if (repair) {
    std::wstring package = std::wstring(state_.installFolder) + L"_backup_.dat";
    if (os_.FileAttributes(package.c_str()) == INVALID_FILE_ATTRIBUTES) {
      SetActionText(kButtonFinish);
      os_.ShowMessage(hwnd(), kMsgNoBackupPackage, kCaptionNotPossible, MB_OK | MB_ICONERROR);
      state_.outcome = RunOutcome::kFailed;
      EndModal(IDABORT);
    }
  }
  return TRUE;
}

void MaintenanceDialog::BackToReady() {
  ShowProgress(false);
  SetPageState(kReady);
  EnableItem(hwnd(), IDOK, true);
}

void MaintenanceDialog::OnAction() {
  bool repair = kind_ == Kind::kRepair;
  const wchar_t* caption = repair ? kCaptionRepair : kCaptionUninstall;
  // Nothing is replaced or removed before the user's words are safe.
  if (!SaveUserWordsFirst(state_, os_, caption)) return;
  ShowProgress(true);
  SetPageState(kWorking);
  EnableItem(hwnd(), IDOK, false);
  if (CheckImeInUse(state_, os_) != 0) {
    // The list ended its processes but they are still there, or the user
    // cancelled it: the page goes back to its first state.
    if (state_.unregistered) {
      // The module is unregistered already: the run did not leave things as they were.
      state_.outcome = RunOutcome::kFailed;
      os_.ShowMessage(hwnd(), repair ? kMsgRepairBlocked : kMsgUninstallBlocked, caption,
                      MB_OK | MB_ICONWARNING);
    }
    BackToReady();
    return;
  }
  if (repair) {
    StartWork([this] { return RunRepairSteps(state_, os_) ? 1 : 0; });
  } else {
    StartWork([this] { return RunUninstallSteps(state_, os_, nullptr) ? 1 : 0; });
  }
}

void MaintenanceDialog::OnWorkDone(int result) {
  SetPageState(result ? kFinished : kFailed);
  ShowProgress(false);
  SetActionText(kButtonFinish);
  EnableItem(hwnd(), IDOK, true);
  if (result && kind_ == Kind::kUninstall) OpenUninstallPage(state_, os_);
}

void MaintenanceDialog::BannerText(std::wstring* first, std::wstring* second) {
  bool repair = kind_ == Kind::kRepair;
  const wchar_t* format = nullptr;
  switch (PageState()) {
    case kReady:
      format = repair ? kRepairReady : kUninstallReady;
      break;
    case kWorking:
      format = repair ? kRepairWorking : kUninstallWorking;
      break;
    default:
      format = repair ? kRepairFinished : kUninstallFinished;
      break;
  }
  wchar_t text[256];
  FormatString(text, 256, format, state_.soft.displayName);
  *first = text;
  second->clear();
}
