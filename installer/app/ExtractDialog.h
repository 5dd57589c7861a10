// Dialog 142: a label and a progress bar while the package is split,
// unpacked and read. Ends with IDOK when all of it succeeded.
#pragma once

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "installer/core/PackageExtract.h"
#include "ui/dialogs/Dialog.h"

class ExtractDialog : public Dialog, private ExtractProgress {
 public:
  ExtractDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnCancel() override {}  // the unpacking cannot be interrupted half-way

 private:
  void Show(const wchar_t* label, int percent) override;
  void Work();

  InstallerState& state_;
  InstallerOs& os_;
  bool started_ = false;
};
