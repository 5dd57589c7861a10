// One run of config: read the command line, build the context, find an
// open instance or open the one window the keyword asks for, and clean up.
#pragma once

#include <windows.h>

#include "ui/dialogs/Dialog.h"

struct ConfigApp;

// Ctrl+Tab steps the settings dialog's tabs; Tab goes into the module's
// page while one is shown.
class ConfigKeyFilter : public MessageFilter {
 public:
  explicit ConfigKeyFilter(ConfigApp& app) : app_(app) {}
  bool PreTranslate(MSG& msg) override;

 private:
  ConfigApp& app_;
};

inline constexpr wchar_t kBadEnvironmentMessage[] = L"非法的软件环境，本程序无法继续。";

// Runs config for commandLine (without the program name); the program's
// exit code. The process-wide set-up (common controls, COM, rich edit) is
// the caller's.
int RunConfig(ConfigApp& app, const wchar_t* commandLine);
