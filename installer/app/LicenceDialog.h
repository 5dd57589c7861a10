// Dialog 135: the licence text with "accept" (IDOK) and "do not accept"
// (IDCANCEL). The text is shown in a rich edit box.
#pragma once

#include <string>

#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/RichEdit.h"

class LicenceDialog : public Dialog {
 public:
  explicit LicenceDialog(HINSTANCE instance = nullptr);

 protected:
  BOOL OnInitDialog() override;

 private:
  HINSTANCE instance_;
  RichEditBox text_;
};

// The licence text of the program's resources (UTF-8 there).
std::wstring LicenceText(HINSTANCE instance);
