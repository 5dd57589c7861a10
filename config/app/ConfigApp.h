// The state of one config run that its windows share: the seam, the
// command line, the context, the display name, the file choosers and the
// windows the keyboard filter needs.
#pragma once

#include <windows.h>

#include <string>

#include "config/app/CommandLine.h"
#include "config/app/FileChoosers.h"

class ConfigServices;
struct ImeContext;

inline constexpr wchar_t kProgramCaption[] = L"配置程序";

struct ConfigApp {
  explicit ConfigApp(ConfigServices& s) : services(s), choosers(s) {}

  ConfigServices& services;
  // The module holding config's templates, menus and icons.
  HINSTANCE resources = GetModuleHandleW(nullptr);
  ConfigCommandLine commandLine;
  ImeContext* context = nullptr;
  std::wstring displayName;  // empty when DisplayName could not be read
  FileChoosers choosers;
  // The settings dialog while it runs: Ctrl+Tab steps its tabs.
  HWND mainWindow = nullptr;
  // The module's settings page shown in a host page, or null: Tab goes into it.
  HWND modulePage = nullptr;
};

// InstallLocation of the context's product (ending in a backslash); empty
// when it cannot be read.
std::wstring InstallFolder(const ConfigApp& app);
