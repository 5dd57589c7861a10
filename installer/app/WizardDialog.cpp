// The wizard's pages are one dialog: the settings controls give way to the
// log once the install starts.
#include "installer/app/WizardDialog.h"

#include "engine/WideString.h"
#include "installer/app/InstallerResources.h"
#include "installer/app/LicenceDialog.h"
#include "installer/core/Messages.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr UINT kShowLogMessage = WM_APP + 21;
constexpr wchar_t kMachineKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr int kSettingsControls[] = {IDC_FOLDER_LABEL, IDC_FOLDER, IDC_BROWSE,
                                     IDC_ACCEPT,       IDC_LICENCE, IDCANCEL};

}  // namespace

WizardDialog::WizardDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance)
    : StepDialog(IDD_WIZARD, IDI_INSTALL, state, os, instance) {}

BOOL WizardDialog::OnInitDialog() {
  StepDialog::OnInitDialog();
  wchar_t title[128];
  FormatString(title, 128, kWizardTitle, state_.soft.displayName);
  SetWindowTextW(hwnd(), title);
  SetItemText(hwnd(), IDC_FOLDER, DefaultInstallFolder(state_, os_).c_str());
  SetActionText(kButtonInstall);
  // The licence is accepted before anything is installed.
  EnableItem(hwnd(), IDOK, false);
  return TRUE;
}

bool WizardDialog::OnCommand(int id, int code, HWND control) {
  if (Busy()) return id == IDC_BROWSE || id == IDC_LICENCE || id == IDC_ACCEPT;
  switch (id) {
    case IDC_BROWSE:
      Browse();
      return true;
    case IDC_LICENCE:
      ShowLicence();
      return true;
    case IDC_ACCEPT:
      EnableItem(hwnd(), IDOK, IsItemChecked(hwnd(), IDC_ACCEPT));
      return true;
    default:
      return Dialog::OnCommand(id, code, control);
  }
}

void WizardDialog::Browse() {
  std::wstring chosen;
  if (!chooser_.Choose(os_, hwnd(), std::wstring(), kChooseFolderTitle, &chosen)) return;
  SetItemText(hwnd(), IDC_FOLDER, AppendInstallFolderName(chosen, state_.soft).c_str());
}

void WizardDialog::ShowLicence() {
  LicenceDialog licence(instance());
  bool accepted = licence.RunModal(hwnd()) == IDOK;
  SetItemChecked(hwnd(), IDC_ACCEPT, accepted);
  EnableItem(hwnd(), IDOK, accepted);
}

void WizardDialog::ShowLog() {
  for (int id : kSettingsControls) ShowItem(hwnd(), id, false);
  ShowItem(hwnd(), IDC_LOG, true);
  ShowProgress(true);
}

void WizardDialog::OnAction() {
  std::wstring folder = GetItemText(hwnd(), IDC_FOLDER);
  SetPageState(kWorking);
  EnableItem(hwnd(), IDOK, false);
  StartWork([this, folder] { return Install(folder); });
}

int WizardDialog::Install(const std::wstring& folder) {
  std::wstring owner;
  std::wstring organisation;
  os_.RegReadString(RegHive::kLocalMachine, kMachineKey, L"RegisteredOwner", &owner);
  os_.RegReadString(RegHive::kLocalMachine, kMachineKey, L"RegisteredOrganization", &organisation);
  FolderPreparation prepared = PrepareInstallFolder(state_, os_, folder);
  if (prepared != FolderPreparation::kReady) {
    // A folder that cannot be created fails the run unless a later try works.
    if (prepared == FolderPreparation::kFailed) state_.outcome = RunOutcome::kFailed;
    return kBackToSettings;
  }
  SendMessageW(hwnd(), kShowLogMessage, 0, 0);
  return RunInstallSteps(state_, os_, owner, organisation) ? kInstalled : kInstallFailed;
}

bool WizardDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == kShowLogMessage) {
    ShowLog();
    result = 0;
    return true;
  }
  return StepDialog::OnMessage(message, wParam, lParam, result);
}

void WizardDialog::OnWorkDone(int result) {
  if (result == kBackToSettings) {
    SetPageState(kReady);
    EnableItem(hwnd(), IDOK, IsItemChecked(hwnd(), IDC_ACCEPT));
    return;
  }
  SetPageState(result == kInstalled ? kFinished : kFailed);
  SetActionText(kButtonFinish);
  EnableItem(hwnd(), IDOK, true);
  ShowProgress(false);
}

void WizardDialog::BannerText(std::wstring* first, std::wstring* second) {
  wchar_t text[256];
  FormatString(text, 256, kWizardWelcome, state_.soft.displayName);
  *first = text;
  switch (PageState()) {
    case kReady:
      *second = kWizardReady;
      break;
    case kWorking:
      FormatString(text, 256, kWizardWorking, state_.soft.displayName);
      *second = text;
      break;
    default:
      *second = kWizardFinished;
      break;
  }
}
