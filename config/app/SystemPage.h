// The 高级 page: input scheme, secondary-table search, key combinations,
// and the doors to the text-mode editor and the embedded-style dialog.
#pragma once

#include <span>

#include "ui/dialogs/BitControls.h"
#include "ui/dialogs/Dialog.h"

struct ConfigApp;

// Controls of the page and the bits of ime word 136 each one writes.
std::span<const BitControl> SystemPageBits();
// Controls of the embedded-style dialog: radios on ime word 136, checks on
// ime word 148.
std::span<const BitControl> EmbedStyleBits();
std::span<const BitControl> EmbedOptionBits();

struct EmbedControlState {
  bool ambiguousOnly;  // 1004 enabled
  bool hideFirst;      // 1005 enabled
};
// Which check boxes the chosen style radio leaves usable.
EmbedControlState EmbedControlsFor(int radioId);

class SystemPage : public Dialog {
 public:
  explicit SystemPage(ConfigApp& app);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void OpenAdvancedSettings();
  ConfigApp& app_;
};

class EmbedDialog : public Dialog {
 public:
  explicit EmbedDialog(ConfigApp& app);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;

 private:
  void UpdateChecks(int radioId);
  ConfigApp& app_;
  int style_ = 0;  // the style radio chosen last
};
