// The pages of the settings dialog besides the system page: the two hosts
// of the module's own settings pages, and the About page.
#pragma once

#include <string>

#include "ui/dialogs/Dialog.h"

struct ConfigApp;

// An empty page that asks the module (kind-1 table of ZNITFGetObject) for
// its page modulePage as a child when it opens, and has the module close it
// and keep its edits when it closes.
class ModulePageHost : public Dialog {
 public:
  ModulePageHost(ConfigApp& app, int templateId, int modulePage);

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;

 private:
  ConfigApp& app_;
  int modulePage_;
};

class AboutPage : public Dialog {
 public:
  explicit AboutPage(ConfigApp& app);

 protected:
  BOOL OnInitDialog() override;

 private:
  ConfigApp& app_;
};

// The About line: "<name>: <version>　　　星禾程序版本: <module version>".
std::wstring AboutLine(const wchar_t* displayName, const wchar_t* versionText,
                       const std::wstring& moduleVersion);
