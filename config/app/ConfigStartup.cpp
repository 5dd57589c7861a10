// config's start-up and dispatch.
#include "config/app/ConfigStartup.h"

#include "config/app/AdvancedEditor.h"
#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigServices.h"
#include "config/app/HtmlWindow.h"
#include "config/app/SettingsDialog.h"
#include "config/app/ToolWindows.h"
#include "config/words/DictLookup.h"

namespace {

constexpr WPARAM kNextTabCommand = 0x1400;

}  // namespace

bool ConfigKeyFilter::PreTranslate(MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  if (GetKeyState(VK_CONTROL) < 0) {
    if (app_.mainWindow) PostMessageW(app_.mainWindow, WM_SYSCOMMAND, kNextTabCommand, 0);
    return true;
  }
  if (app_.modulePage && IsWindow(app_.modulePage) && IsWindowVisible(app_.modulePage)) {
    SendMessageW(app_.modulePage, WM_UPDATEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_ACTIVE), 0);
    PostMessageW(app_.modulePage, WM_NEXTDLGCTL, 0, 0);
    return true;
  }
  return false;
}

int RunConfig(ConfigApp& app, const wchar_t* commandLine) {
  app.commandLine = ParseConfigCommandLine(commandLine);
  // Started by hand from the install folder: the one installed product.
  if (app.commandLine.productKey.empty()) {
    std::vector<std::wstring> installed = app.services.InstalledProductKeys();
    if (installed.size() == 1) app.commandLine.productKey = installed[0];
  }
  app.context = LoadImeContext(app.commandLine.productKey, app.services);
  if (!app.context) {
    app.services.ShowMessage(nullptr, kBadEnvironmentMessage, kProgramCaption, MB_OK | MB_ICONERROR);
    return 1;
  }
  wchar_t displayName[64];
  ReadDisplayName(app.context->productKey, displayName, 64, app.services.Os());
  app.displayName = displayName;

  const ConfigDispatch dispatch = DispatchKeyword(app.commandLine.keyword);
  if (dispatch.titlePrefix) {
    HWND open = app.services.FindDialog(InstanceTitle(dispatch.titlePrefix, app.displayName).c_str());
    if (open) {
      if (dispatch.mode == ConfigMode::kDictionary) {
        // As many units as the receiving window takes, and its terminator.
        wchar_t word[kCopiedWordUnits + 1] = {};
        app.commandLine.text.copy(word, kCopiedWordUnits);
        app.services.SendCopyData(open, 0, word, sizeof(word));
      } else {
        app.services.RaiseWindow(open);
      }
      UnloadImeContext(app.context, app.services);
      app.context = nullptr;
      return 0;
    }
  }

  ConfigKeyFilter filter(app);
  switch (dispatch.mode) {
    case ConfigMode::kAdvancedEditor: {
      AdvancedEditor editor(app);
      editor.RunModal(nullptr, &filter);
      break;
    }
    case ConfigMode::kShowUrl: {
      HtmlWindow window(app, app.commandLine.text, app.commandLine.width, app.commandLine.height);
      window.RunModal(nullptr, &filter);
      break;
    }
    case ConfigMode::kHelp: {
      std::wstring help = std::wstring(app.context->installFolder) + L"main.chm";
      app.services.Execute(nullptr, L"open", help.c_str(), L"", SW_SHOW);
      break;
    }
    case ConfigMode::kSettings: {
      SettingsDialog dialog(app, dispatch.startPage);
      dialog.RunModal(nullptr, &filter);
      break;
    }
    case ConfigMode::kDictionary:
    case ConfigMode::kOutputLookup:
    case ConfigMode::kClipboardLookup:
    case ConfigMode::kKeyEditor:
    case ConfigMode::kAddWordManual:
    case ConfigMode::kAddWordRecent:
      RunToolWindow(app, dispatch.mode, &filter);
      break;
  }
  UnloadImeContext(app.context, app.services);
  app.context = nullptr;
  return 0;
}
