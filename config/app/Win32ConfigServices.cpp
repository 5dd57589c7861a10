// The Win32 side of config's seam: the only config file that calls the
// shell, the clipboard, file dialogs, module loading and the browser
// control directly.
#include "config/app/Win32ConfigServices.h"

#include <commdlg.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shlobj.h>

#include "engine/ConfigBlocks.h"
#include "engine/Effects.h"
#include "engine/Product.h"

namespace {

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

// ATL's host window class; the library stays loaded for the process since
// every browser window needs it.
HMODULE AtlLibrary() {
  static HMODULE atl = [] {
    HMODULE module = LoadLibraryW(L"atl.dll");
    auto init = module ? reinterpret_cast<AtlAxWinInitFn>(
                             reinterpret_cast<void*>(GetProcAddress(module, "AtlAxWinInit")))
                       : nullptr;
    return init && init() ? module : nullptr;
  }();
  return atl;
}

// The browser of a host window, or null; the caller releases it.
IWebBrowser2* BrowserOf(HWND host) {
  HMODULE atl = AtlLibrary();
  if (!atl || !host) return nullptr;
  auto getControl = reinterpret_cast<AtlAxGetControlFn>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  IUnknown* control = nullptr;
  if (!getControl || FAILED(getControl(host, &control)) || !control) return nullptr;
  IWebBrowser2* browser = nullptr;
  HRESULT hr = control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
  control->Release();
  return SUCCEEDED(hr) ? browser : nullptr;
}

}  // namespace

int Win32ConfigServices::ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption,
                                     UINT style) {
  return dialogs_.ShowMessage(owner, text, caption, style);
}

int Win32ConfigServices::TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
  return dialogs_.TrackMenu(menu, flags, x, y, owner);
}

const OsServices& Win32ConfigServices::Os() {
  return DefaultOs();
}

bool Win32ConfigServices::ChooseFile(const FileChoice& choice, std::wstring& path) {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = choice.owner;
  ofn.lpstrFilter = choice.filter.empty() ? nullptr : choice.filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = choice.title;
  ofn.lpstrDefExt = choice.defaultExtension;
  ofn.lpstrInitialDir = choice.startFolder.empty() ? nullptr : choice.startFolder.c_str();
  ofn.Flags = choice.flags;
  BOOL chosen = choice.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return false;
  path = file;
  return true;
}

bool Win32ConfigServices::Execute(HWND owner, const wchar_t* verb, const wchar_t* file,
                                  const wchar_t* parameters, int show) {
  HINSTANCE result = ShellExecuteW(owner, verb && *verb ? verb : nullptr, file, parameters,
                                   nullptr, show);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32ConfigServices::ShowHelp(const wchar_t* helpFile, const wchar_t* topic) {
  return DefaultEffects().ShowHelpFileTopic(helpFile, topic);
}

bool Win32ConfigServices::SetClipboardText(const wchar_t* text, size_t units) {
  if (!text) return false;
  if (!OpenClipboard(nullptr)) return false;
  // Without emptying it, an older ANSI text stays beside ours and programs
  // that paste CF_TEXT get the stale one.
  EmptyClipboard();
  bool placed = false;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, (units + 1) * sizeof(wchar_t));
  if (block) {
    if (auto* copy = static_cast<wchar_t*>(GlobalLock(block))) {
      size_t n = 0;
      while (n < units && text[n]) {
        copy[n] = text[n];
        ++n;
      }
      copy[n] = L'\0';
      GlobalUnlock(block);
      placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
    // The clipboard owns the block only once it was placed.
    if (!placed) GlobalFree(block);
  }
  CloseClipboard();
  return placed;
}

bool Win32ConfigServices::ReadClipboardText(std::wstring& text, size_t maxUnits) {
  std::wstring buffer(maxUnits + 1, L'\0');
  if (!DefaultEffects().ReadClipboardText(buffer.data(), static_cast<int>(maxUnits + 1))) {
    text.clear();
    return false;
  }
  text = buffer.c_str();
  return true;
}

std::wstring Win32ConfigServices::KnownFolder(int csidl, bool create) {
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(SHGetFolderPathW(nullptr, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr, 0, path)))
    return {};
  return path;
}

std::wstring Win32ConfigServices::TempFolder() {
  wchar_t path[MAX_PATH + 1] = L"";
  DWORD n = GetTempPathW(MAX_PATH + 1, path);
  if (n == 0 || n > MAX_PATH) return {};
  std::wstring folder = path;
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

HMODULE Win32ConfigServices::LoadModule(const wchar_t* path) {
  return LoadLibraryW(path);
}

void Win32ConfigServices::ReleaseModule(HMODULE module) {
  if (module) FreeLibrary(module);
}

FARPROC Win32ConfigServices::ModuleProc(HMODULE module, const char* name) {
  return module ? GetProcAddress(module, name) : nullptr;
}

HWND Win32ConfigServices::FindDialog(const wchar_t* title) {
  return FindWindowW(L"#32770", title);
}

void Win32ConfigServices::RaiseWindow(HWND window) {
  // The window belongs to another process that may hang: nothing here waits
  // for it to answer.
  ShowWindowAsync(window, SW_RESTORE);
  constexpr UINT kFlags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS;
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
  SetForegroundWindow(window);
}

bool Win32ConfigServices::SendCopyData(HWND window, ULONG_PTR kind, const void* data,
                                       DWORD bytes) {
  COPYDATASTRUCT copy{kind, bytes, const_cast<void*>(data)};
  DWORD_PTR result = 0;
  // A hung first instance must not hang this one too.
  return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &result) != 0;
}

HWND Win32ConfigServices::CreateBrowser(HWND parent, int id, const RECT& place) {
  if (!AtlLibrary()) return nullptr;
  return CreateWindowExW(0, L"AtlAxWin", L"{8856F961-340A-11D0-A96B-00C04FD705A2}",
                         WS_CHILD | WS_VISIBLE, place.left, place.top, place.right - place.left,
                         place.bottom - place.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

bool Win32ConfigServices::Navigate(HWND browser, const wchar_t* url) {
  IWebBrowser2* web = BrowserOf(browser);
  if (!web) return false;
  BSTR target = SysAllocString(url);
  VARIANT empty;
  VariantInit(&empty);
  HRESULT hr = target ? web->Navigate(target, &empty, &empty, &empty, &empty) : E_OUTOFMEMORY;
  SysFreeString(target);
  web->Release();
  return SUCCEEDED(hr);
}

std::wstring Win32ConfigServices::BrowserTitle(HWND browser) {
  IWebBrowser2* web = BrowserOf(browser);
  if (!web) return {};
  std::wstring title;
  BSTR name = nullptr;
  if (SUCCEEDED(web->get_LocationName(&name)) && name) title = name;
  SysFreeString(name);
  web->Release();
  return title;
}

ProgramRun Win32ConfigServices::RunProgram(HWND owner, const wchar_t* file,
                                           const wchar_t* parameters, int show, DWORD timeoutMs) {
  ProgramRun run;
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.nShow = show;
  if (!ShellExecuteExW(&info)) return run;
  run.started = true;
  if (!info.hProcess) return run;
  run.ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(info.hProcess, &run.exitCode);
  CloseHandle(info.hProcess);
  return run;
}

std::vector<std::wstring> Win32ConfigServices::InstalledProductKeys() {
  std::vector<std::wstring> keys;
  HKEY root = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZN_REGISTRY_ROOT, 0, KEY_READ | KEY_WOW64_64KEY, &root) !=
      ERROR_SUCCESS)
    return keys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD units = 256;
    if (RegEnumKeyExW(root, i, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DWORD bytes = 0;
    if (IsProductKeyText(name) &&
        RegGetValueW(root, name, L"InstallLocation", RRF_RT_REG_SZ, nullptr, nullptr, &bytes) ==
            ERROR_SUCCESS &&
        bytes > sizeof(wchar_t))
      keys.push_back(name);
  }
  RegCloseKey(root);
  return keys;
}
