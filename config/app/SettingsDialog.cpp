// The settings dialog: tabs, page switching, Ctrl+Tab, help and the
// virtualised settings copy.
#include "config/app/SettingsDialog.h"

#include <shlobj.h>

#include <cstring>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigServices.h"
#include "engine/DataLock.h"
#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "ui/dialogs/Controls.h"

namespace {

// Posted by the keyboard filter for Ctrl+Tab.
constexpr WPARAM kNextTabCommand = 0x1400;
// The module's pages of the two hosted tabs.
constexpr int kModuleOptionsPage = 1;
constexpr int kModuleAppearancePage = 3;

}  // namespace

SettingsDialog::SettingsDialog(ConfigApp& app, int startPage)
    : Dialog(IDD_SETTINGS, app.resources),
      app_(app),
      startPage_(startPage),
      about_(app),
      system_(app),
      options_(app, IDD_OPTIONS_HOST, kModuleOptionsPage),
      appearance_(app, IDD_APPEARANCE_HOST, kModuleAppearancePage),
      codeTables_(app) {}

SettingsDialog::~SettingsDialog() {
  if (images_) ImageList_Destroy(images_);
}

Dialog* SettingsDialog::PageFor(int page) {
  switch (page) {
    case kPageOptions: return &options_;
    case kPageAppearance: return &appearance_;
    case kPageSystem: return &system_;
    case kPageAbout: return &about_;
    case kPageCodeTables: return &codeTables_;
    default: return nullptr;
  }
}

void SettingsDialog::AddTabImages() {
  images_ = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 4);
  if (!images_) return;
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  for (const SettingsTab& tab : kSettingsTabs) {
    HICON icon = module ? static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(tab.moduleIcon),
                                                        IMAGE_ICON, 32, 32, 0))
                        : nullptr;
    // Without the module's icons the tabs keep their place in the list.
    if (!icon) icon = static_cast<HICON>(
        LoadImageW(app_.resources, MAKEINTRESOURCEW(IDI_CONFIG), IMAGE_ICON, 32, 32, 0));
    ImageList_AddIcon(images_, icon);
    if (icon) DestroyIcon(icon);
  }
}

BOOL SettingsDialog::OnInitDialog() {
  icon_ = LoadIconW(app_.resources, MAKEINTRESOURCEW(IDI_CONFIG));
  SetWindowIcons(hwnd(), icon_, icon_);
  SetWindowTextW(hwnd(), InstanceTitle(kTitleSettings, app_.displayName).c_str());
  app_.mainWindow = hwnd();

  HWND tabs = Item(IDC_TABS);
  AddTabImages();
  SendMessageW(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(92, 40));

  uint32_t mask = 0;
  if (app_.context && app_.context->imeBlock) {
    mask = app_.context->imeBlock->interfaceFlags;
    if (mask == 0) {
      mask = 0xFFFF;
      DataWriteLock lock(app_.context);
      if (lock.Held()) app_.context->imeBlock->interfaceFlags = mask;
    }
  }
  layout_ = LayoutSettingsTabs(mask, startPage_);
  for (int position = 0; position < layout_.count; ++position) {
    const int row = TabRowOfPage(layout_.pages[position]);
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<wchar_t*>(kSettingsTabs[row].text);
    item.iImage = row;  // the image list holds the tabs' icons in table order
    SendMessageW(tabs, TCM_INSERTITEMW, position, reinterpret_cast<LPARAM>(&item));
  }
  tabPosition_ = layout_.selected;
  SendMessageW(tabs, TCM_SETCURSEL, tabPosition_, 0);
  SwitchSettingsPage();
  return FALSE;
}

void SettingsDialog::SwitchSettingsPage() {
  HWND tabs = Item(IDC_TABS);
  int selected = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
  if (selected < 0 || selected >= layout_.count) return;
  if (current_) {
    if (current_->hwnd()) ShowWindow(current_->hwnd(), SW_HIDE);
    // Pages are made anew on every selection, so each reads the live settings.
    current_->DestroyPage();
    current_ = nullptr;
  }
  Dialog* page = PageFor(layout_.pages[selected]);
  if (!page) return;
  HWND window = page->CreatePage(hwnd());
  if (!window) return;
  current_ = page;
  FitToItem(hwnd(), IDC_PAGE_FRAME, window);
  ShowWindow(window, SW_SHOW);
  InvalidateRect(window, nullptr, TRUE);
  SetFocus(window);
}

bool SettingsDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE) {
    SwitchSettingsPage();
    result = 0;
    return true;
  }
  return false;
}

bool SettingsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == 0x10) {
        result = 0;
        return true;
      }
      if (wParam == kNextTabCommand) {
        tabPosition_ = NextTabPosition(tabPosition_, layout_.count);
        SendMessageW(Item(IDC_TABS), TCM_SETCURSEL, tabPosition_, 0);
        SwitchSettingsPage();
        result = 0;
        return true;
      }
      return false;
    case WM_HELP:
      ShowMainHelp();
      result = TRUE;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_PAINT:
      if (!IsIconic(hwnd())) return false;
      {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd(), &paint);
        SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(hwnd(), &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
        EndPaint(hwnd(), &paint);
      }
      result = 0;
      return true;
    default:
      return false;
  }
}

void SettingsDialog::ShowMainHelp() {
  if (!app_.context) return;
  std::wstring help = std::wstring(app_.context->installFolder) + L"main.chm";
  app_.services.ShowHelp(help.c_str(), nullptr);
}

void SettingsDialog::OnOk() {
  SyncVirtualizedSettings();
  Dialog::OnOk();
}

void SettingsDialog::OnDestroy() {
  if (current_) current_->DestroyPage();
  current_ = nullptr;
  app_.mainWindow = nullptr;
}

void SettingsDialog::SyncVirtualizedSettings() {
  ImeContext* context = app_.context;
  if (!context || !context->files[kFileConfig]) return;
  // Without the IME name the pattern would match some other product's copy.
  if (!context->imeName[0]) return;
  std::wstring cache = app_.services.KnownFolder(CSIDL_INTERNET_CACHE, false);
  if (cache.empty() || GetFileAttributesW(cache.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (cache.back() != L'\\') cache += L'\\';
  const MappedFile* live = context->files[kFileConfig];
  for (wchar_t drive = L'c'; drive <= L'y'; ++drive) {
    wchar_t path[kPathUnits];
    if (FormatString(path, kPathUnits, L"%sVirtualized\\%c\\ProgramData\\ZinnorIME3\\%s\\config.dsc",
                     cache.c_str(), drive, context->imeName) != S_OK)
      return;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) continue;
    MappedFile* copy = nullptr;
    if (OpenMappedFile(&copy, path) <= 0 || !copy) return;
    if (IsWritableMapping(copy)) {
      bool sized = copy->size == live->size || ResizeMappedFile(copy, live->size);
      if (sized) {
        std::memcpy(copy->view, live->view, live->size);
        FlushMappedFile(copy);
      }
      CloseMappedFile(copy, 1);
    } else {
      // A copy this user cannot write would keep serving stale settings.
      CloseMappedFile(copy, 0);
      DeleteFileW(path);
    }
    return;
  }
}
