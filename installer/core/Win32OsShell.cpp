// COM pieces of the real installer seam (TSF registration, shell links) and
// the network: HTTP through WinINet, adapter addresses.
#include <windows.h>
#include <exdisp.h>
#include <iphlpapi.h>
#include <msctf.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <wininet.h>
#include <wrl/client.h>

#include "installer/core/ScopedHandle.h"
#include "installer/core/Win32InstallerOs.h"

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<ITfInputProcessorProfiles> Profiles() {
  ComPtr<ITfInputProcessorProfiles> profiles;
  if (FAILED(CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&profiles)))) {
    profiles.Reset();
  }
  return profiles;
}

ComPtr<ITfCategoryMgr> Categories() {
  ComPtr<ITfCategoryMgr> categories;
  if (FAILED(CoCreateInstance(CLSID_TF_CategoryMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&categories)))) {
    categories.Reset();
  }
  return categories;
}

// Runs one call on a fresh profiles object; E_FAIL when none can be made.
template <typename Call>
HRESULT WithProfiles(Call call) {
  ComPtr<ITfInputProcessorProfiles> profiles = Profiles();
  return profiles ? call(profiles.Get()) : E_FAIL;
}

using InternetHandle = ScopedHandle<HINTERNET, BOOL(WINAPI*)(HINTERNET), &InternetCloseHandle>;

bool IsWebAddress(const wchar_t* url) {
  return _wcsnicmp(url, L"http://", 7) == 0 || _wcsnicmp(url, L"https://", 8) == 0;
}

bool IsElevatedProcess() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  TOKEN_ELEVATION elevation{};
  DWORD bytes = 0;
  bool ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &bytes);
  CloseHandle(token);
  // Unknown counts as elevated: the caller then takes the careful road.
  return !ok || elevation.TokenIsElevated != 0;
}

// The shell of the desktop window, which runs as the signed-in user.
ComPtr<IShellDispatch2> DesktopShell() {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                              IID_PPV_ARGS(&windows)))) {
    return nullptr;
  }
  VARIANT none;
  VariantInit(&none);
  long window = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop) !=
          S_OK ||
      !desktop) {
    return nullptr;
  }
  ComPtr<IServiceProvider> provider;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  ComPtr<IShellDispatch2> shell;
  if (FAILED(desktop.As(&provider)) ||
      FAILED(provider->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&browser))) ||
      FAILED(browser->QueryActiveShellView(&view)) ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&background))) ||
      FAILED(background.As(&folderView)) || FAILED(folderView->get_Application(&application)) ||
      !application || FAILED(application.As(&shell))) {
    return nullptr;
  }
  return shell;
}

}  // namespace

bool Win32InstallerOs::OpenAddressAsUser(const wchar_t* url) {
  if (!url || !IsWebAddress(url)) return false;
  // Not elevated: a browser started from here already runs as the user.
  if (!IsElevatedProcess()) return ShellOpen(L"open", url, nullptr, SW_SHOWNORMAL);
  ComPtr<IShellDispatch2> shell = DesktopShell();
  if (!shell) return false;
  BSTR file = SysAllocString(url);
  BSTR verb = SysAllocString(L"open");
  VARIANT none;
  VariantInit(&none);
  VARIANT operation;
  VariantInit(&operation);
  operation.vt = VT_BSTR;
  operation.bstrVal = verb;
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  HRESULT hr = file && verb ? shell->ShellExecute(file, none, none, operation, show) : E_OUTOFMEMORY;
  SysFreeString(file);
  SysFreeString(verb);
  return SUCCEEDED(hr);
}

bool Win32InstallerOs::TsfAvailable() {
  return Profiles() != nullptr;
}

HRESULT Win32InstallerOs::TsfRegister(const GUID& clsid) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) { return p->Register(clsid); });
}

HRESULT Win32InstallerOs::TsfUnregister(const GUID& clsid) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) { return p->Unregister(clsid); });
}

HRESULT Win32InstallerOs::TsfAddLanguageProfile(const GUID& clsid, LANGID language,
                                                const GUID& profile, const wchar_t* description,
                                                const wchar_t* iconFile, int iconIndex) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) {
    return p->AddLanguageProfile(
        clsid, language, profile, description, static_cast<ULONG>(wcslen(description)), iconFile,
        static_cast<ULONG>(wcslen(iconFile)), static_cast<ULONG>(iconIndex));
  });
}

HRESULT Win32InstallerOs::TsfSubstituteKeyboardLayout(const GUID& clsid, LANGID language,
                                                      const GUID& profile, uintptr_t layout) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) {
    return p->SubstituteKeyboardLayout(clsid, language, profile, reinterpret_cast<HKL>(layout));
  });
}

HRESULT Win32InstallerOs::TsfEnableLanguageProfile(const GUID& clsid, LANGID language,
                                                   const GUID& profile, bool enable) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) {
    return p->EnableLanguageProfile(clsid, language, profile, enable ? TRUE : FALSE);
  });
}

HRESULT Win32InstallerOs::TsfEnableLanguageProfileByDefault(const GUID& clsid, LANGID language,
                                                            const GUID& profile, bool enable) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) {
    return p->EnableLanguageProfileByDefault(clsid, language, profile, enable ? TRUE : FALSE);
  });
}

HRESULT Win32InstallerOs::TsfRemoveLanguageProfile(const GUID& clsid, LANGID language,
                                                   const GUID& profile) {
  return WithProfiles([&](ITfInputProcessorProfiles* p) {
    return p->RemoveLanguageProfile(clsid, language, profile);
  });
}

HRESULT Win32InstallerOs::TsfRegisterCategory(const GUID& clsid, const GUID& category) {
  ComPtr<ITfCategoryMgr> categories = Categories();
  return categories ? categories->RegisterCategory(clsid, category, clsid) : E_FAIL;
}

HRESULT Win32InstallerOs::TsfUnregisterCategory(const GUID& clsid, const GUID& category) {
  ComPtr<ITfCategoryMgr> categories = Categories();
  return categories ? categories->UnregisterCategory(clsid, category, clsid) : E_FAIL;
}

bool Win32InstallerOs::StartCom() {
  // S_FALSE (already started on this thread) still needs its stop.
  return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void Win32InstallerOs::StopCom() {
  CoUninitialize();
}

bool Win32InstallerOs::CreateShellLink(const ShellLinkSpec& link) {
  ComPtr<IShellLinkW> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&shellLink)))) {
    return false;
  }
  if (FAILED(shellLink->SetPath(link.target.c_str())) ||
      FAILED(shellLink->SetDescription(link.description.c_str())) ||
      FAILED(shellLink->SetWorkingDirectory(link.workingFolder.c_str())) ||
      FAILED(shellLink->SetArguments(link.arguments.c_str())) ||
      FAILED(shellLink->SetShowCmd(link.showCommand))) {
    return false;
  }
  if (!link.iconPath.empty() &&
      FAILED(shellLink->SetIconLocation(link.iconPath.c_str(), link.iconIndex))) {
    return false;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(shellLink.As(&file))) return false;
  return SUCCEEDED(file->Save(link.linkPath.c_str(), TRUE));
}

void Win32InstallerOs::NotifyFolderChanged(const wchar_t* folder) {
  SHChangeNotify(SHCNE_ALLEVENTS, SHCNF_PATHW | SHCNF_FLUSH, folder, nullptr);
}

bool Win32InstallerOs::HttpGet(const wchar_t* url, uint32_t maxBytes, HttpResponse* out) {
  *out = HttpResponse{};
  if (!url || !IsWebAddress(url)) return false;
  InternetHandle session(
      InternetOpenW(L"zinIME installer", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.get()) return false;
  InternetHandle request(InternetOpenUrlW(
      session.get(), url, nullptr, 0,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0));
  if (!request.get()) return false;
  DWORD status = 0;
  DWORD bytes = sizeof(status);
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &bytes, nullptr)) {
    return false;
  }
  out->status = status;
  uint8_t chunk[8192];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request.get(), chunk, sizeof(chunk), &got)) return false;
    if (got == 0) break;
    size_t room = maxBytes - out->body.size();
    if (got > room) {
      out->body.insert(out->body.end(), chunk, chunk + room);
      out->truncated = true;
      break;
    }
    out->body.insert(out->body.end(), chunk, chunk + got);
  }
  return true;
}

bool Win32InstallerOs::ListMacAddresses(std::vector<MacAddress>* out) {
  out->clear();
  ULONG bytes = 0;
  if (GetAdaptersInfo(nullptr, &bytes) != ERROR_BUFFER_OVERFLOW || bytes == 0) return false;
  std::vector<uint8_t> buffer(bytes);
  auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(adapter, &bytes) != ERROR_SUCCESS) return false;
  for (; adapter; adapter = adapter->Next) {
    UINT length = adapter->AddressLength;
    if (length == 0) continue;
    if (length > sizeof(adapter->Address)) length = sizeof(adapter->Address);
    out->push_back(MacAddress(adapter->Address, adapter->Address + length));
  }
  return true;
}
