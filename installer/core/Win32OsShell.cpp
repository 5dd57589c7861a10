// COM pieces of the real installer seam (TSF registration, shell links) and
// the network: HTTP through WinINet, adapter addresses.
#include <windows.h>
#include <iphlpapi.h>
#include <msctf.h>
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

}  // namespace

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
    if (adapter->AddressLength != 6) continue;
    MacAddress address;
    memcpy(address.data(), adapter->Address, 6);
    out->push_back(address);
  }
  return true;
}
