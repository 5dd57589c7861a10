// Dialogs 140 (repair) and 141 (uninstall): one action button that saves
// the user words, makes sure no process holds the module and then runs the
// repair or uninstall steps.
#pragma once

#include "installer/app/StepDialog.h"

class MaintenanceDialog : public StepDialog {
 public:
  enum class Kind { kRepair, kUninstall };
  MaintenanceDialog(Kind kind, InstallerState& state, InstallerOs& os,
                    HINSTANCE instance = nullptr);

 protected:
  BOOL OnInitDialog() override;
  void OnAction() override;
  void OnWorkDone(int result) override;
  void BannerText(std::wstring* first, std::wstring* second) override;

 private:
  void BackToReady();

  Kind kind_;
};
