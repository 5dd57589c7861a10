// Dialog 129, the install wizard: the install folder, the licence, then the
// install steps on the worker with their log.
#pragma once

#include "installer/app/StepDialog.h"
#include "installer/core/InstallSteps.h"

class WizardDialog : public StepDialog {
 public:
  WizardDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnAction() override;
  void OnWorkDone(int result) override;
  void BannerText(std::wstring* first, std::wstring* second) override;

 private:
  enum Outcome { kBackToSettings, kInstalled, kInstallFailed };
  // On the worker: the folder checks, then the steps.
  int Install(const std::wstring& folder);
  void Browse();
  void ShowLicence();
  void ShowLog();

  FolderChooser chooser_;
};
