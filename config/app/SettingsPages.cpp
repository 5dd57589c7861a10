// Module page hosts and the About page.
#include "config/app/SettingsPages.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigServices.h"
#include "config/app/PageUrls.h"
#include "ui/dialogs/Controls.h"

ModulePageHost::ModulePageHost(ConfigApp& app, int templateId, int modulePage)
    : Dialog(templateId, app.resources), app_(app), modulePage_(modulePage) {}

BOOL ModulePageHost::OnInitDialog() {
  ItfTable table(app_.services, app_.context, kItfSettingsPages);
  if (table.get() && table.get()->createPage)
    app_.modulePage = table.get()->createPage(hwnd(), modulePage_, app_.context);
  return TRUE;
}

void ModulePageHost::OnDestroy() {
  ItfTable table(app_.services, app_.context, kItfSettingsPages);
  // The module stores the page's text fields while it closes it.
  if (table.get() && table.get()->destroyPage) table.get()->destroyPage(1);
  app_.modulePage = nullptr;
}

std::wstring AboutLine(const wchar_t* displayName, const wchar_t* versionText,
                       const std::wstring& moduleVersion) {
  return std::wstring(displayName ? displayName : L"") + L": " + (versionText ? versionText : L"") +
         L"\u3000\u3000\u3000星禾程序版本: " + moduleVersion;
}

AboutPage::AboutPage(ConfigApp& app) : Dialog(IDD_ABOUT, app.resources), app_(app) {}

BOOL AboutPage::OnInitDialog() {
  ImeContext* context = app_.context;
  if (!context || !context->softBlock) return TRUE;
  // The version of the module this run really loaded, not of a file that
  // merely has the configured name.
  std::wstring moduleVersion = DottedVersionText(0);
  if (context->moduleHandle) {
    wchar_t path[kPathUnits];
    DWORD n = GetModuleFileNameW(context->moduleHandle, path, kPathUnits);
    if (n > 0 && n < kPathUnits) moduleVersion = DottedVersionText(GetFileVersion(path));
  }
  wchar_t name[41] = L"";
  wchar_t version[41] = L"";
  lstrcpynW(name, context->softBlock->displayName, 41);
  lstrcpynW(version, context->softBlock->versionText, 41);
  SetItemText(hwnd(), IDC_ABOUT_TEXT, AboutLine(name, version, moduleVersion).c_str());
  RECT place = ItemRect(hwnd(), IDC_BROWSER_FRAME);
  HWND browser = app_.services.CreateBrowser(hwnd(), IDC_BROWSER, place);
  if (browser) app_.services.Navigate(browser, HelpTopicUrl(context->installFolder, L"About.html").c_str());
  return TRUE;
}
