// The tabbed settings dialog: a column of icon buttons and one page at a
// time beside it; its OK button also refreshes the virtualised copy of the
// settings file that sandboxed applications read.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "config/app/SettingsPages.h"
#include "config/app/SettingsTabs.h"
#include "config/app/SystemPage.h"
#include "config/tables/CodeTablePage.h"
#include "ui/dialogs/Dialog.h"

struct ConfigApp;

class SettingsDialog : public Dialog {
 public:
  SettingsDialog(ConfigApp& app, int startPage);
  ~SettingsDialog() override;

  int tabPosition() const { return tabPosition_; }
  Dialog* currentPage() const { return current_; }
  // Copies the live config.dsc over the first virtualised copy found under
  // the Internet cache folder; a copy that cannot be written is deleted.
  void SyncVirtualizedSettings();
  void ShowMainHelp();

 protected:
  BOOL OnInitDialog() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnOk() override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void SwitchSettingsPage();
  Dialog* PageFor(int page);
  void AddTabImages();

  ConfigApp& app_;
  int startPage_;
  AboutPage about_;
  SystemPage system_;
  ModulePageHost options_;
  ModulePageHost appearance_;
  CodeTablePage codeTables_;
  Dialog* current_ = nullptr;
  TabLayout layout_;
  int tabPosition_ = 0;
  HICON icon_ = nullptr;
  HIMAGELIST images_ = nullptr;
};
