// The page window.
#include "config/app/HtmlWindow.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigServices.h"
#include "config/app/PageUrls.h"
#include "engine/ImeContext.h"
#include "ui/dialogs/Controls.h"

namespace {

// The browser has no event sink here; its page title is polled instead.
constexpr UINT_PTR kTitleTimer = 1;

}  // namespace

WindowPlacement PlacePageWindow(int width, int height, int screenWidth, int screenHeight) {
  if (width < 1 || height < 1) return {0, 0, 0, 0, false};
  if (width > screenWidth) width = screenWidth;
  if (height > screenHeight) height = screenHeight;
  return {(screenWidth - width) / 2, (screenHeight - height) / 2, width, height, true};
}

HtmlWindow::HtmlWindow(ConfigApp& app, std::wstring url, int width, int height)
    : Dialog(IDD_HTML, app.resources), app_(app), url_(std::move(url)), width_(width), height_(height) {}

BOOL HtmlWindow::OnInitDialog() {
  HICON icon = LoadIconW(app_.resources, MAKEINTRESOURCEW(IDI_CONFIG));
  SetWindowIcons(hwnd(), icon, icon);
  std::wstring folder = app_.context ? app_.context->installFolder : L"";
  std::optional<std::wstring> target = AcceptPageUrl(url_, folder);
  if (!target) {
    std::wstring message = L"不能打开此地址：\r\n" + url_;
    app_.services.ShowMessage(hwnd(), message.c_str(), kProgramCaption, MB_OK | MB_ICONERROR);
    EndModal(IDCANCEL);
    return TRUE;
  }
  RECT client;
  GetClientRect(hwnd(), &client);
  browser_ = app_.services.CreateBrowser(hwnd(), IDC_BROWSER, client);
  if (browser_ && app_.services.Navigate(browser_, target->c_str())) navigated_ = *target;
  WindowPlacement place =
      PlacePageWindow(width_, height_, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  if (place.sized) MoveWindow(hwnd(), place.left, place.top, place.width, place.height, TRUE);
  SetTimer(hwnd(), kTitleTimer, 500, nullptr);
  return TRUE;
}

void HtmlWindow::OnSize(int cx, int cy) {
  if (browser_) MoveWindow(browser_, 0, 0, cx, cy, TRUE);
}

bool HtmlWindow::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_TIMER || wParam != kTitleTimer) return false;
  std::wstring title = browser_ ? app_.services.BrowserTitle(browser_) : std::wstring();
  wchar_t shown[256] = L"";
  GetWindowTextW(hwnd(), shown, 256);
  if (!title.empty() && title != shown) SetWindowTextW(hwnd(), title.c_str());
  result = 0;
  return true;
}
