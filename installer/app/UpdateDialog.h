// Dialog 130, the update check: the installed version, a button that runs
// the check on a worker, and the check's lines in a read-only box.
#pragma once

#include <atomic>
#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "installer/core/UpdateCheck.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogWorker.h"

class UpdateDialog : public Dialog {
 public:
  UpdateDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance = nullptr);
  ~UpdateDialog() override;

  bool Busy() const { return busy_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnOk() override;
  void OnCancel() override;

 private:
  void AppendLine(const wchar_t* text);
  void ResetText();
  void Finish(const UpdateCheckResult& result);

  InstallerState& state_;
  InstallerOs& os_;
  HINSTANCE instance_;
  std::wstring displayName_;
  std::wstring intro_;
  std::atomic<bool> busy_{false};
  DialogWorker<UpdateCheckResult> worker_;
};
