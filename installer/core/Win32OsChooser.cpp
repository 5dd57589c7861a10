// The folder chooser of the real seam: the Explorer-style open dialog with a
// hook that hides the file parts and takes the folder being shown.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <string>

#include "engine/WideString.h"
#include "installer/core/Messages.h"
#include "installer/core/Win32InstallerOs.h"

namespace {

constexpr wchar_t kChooseLabel[] = L"选择(&O)";
constexpr wchar_t kOpenLabel[] = L"打开(&O)";
constexpr wchar_t kNameLabel[] = L"文件夹名称：";
constexpr wchar_t kStateProperty[] = L"zinInstaller.FolderChooser";
// The file types and the read-only box take this much room at the bottom.
constexpr int kHiddenRowsHeight = 30;

struct ChooserState {
  std::wstring chosen;
  WNDPROC dialogProc = nullptr;
  bool chooseMode = true;  // OK reads 选择: it takes the folder shown
};

ChooserState* StateOf(HWND dialog) {
  return static_cast<ChooserState*>(GetPropW(dialog, kStateProperty));
}

std::wstring DialogPath(HWND dialog, UINT message) {
  wchar_t path[MAX_PATH] = L"";
  LRESULT units = SendMessageW(dialog, message, MAX_PATH, reinterpret_cast<LPARAM>(path));
  if (units <= 0 || units > MAX_PATH) return std::wstring();
  path[MAX_PATH - 1] = L'\0';
  return path;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetChooseMode(HWND dialog, ChooserState* state, bool choose) {
  state->chooseMode = choose;
  SendMessageW(dialog, CDM_SETCONTROLTEXT, IDOK,
               reinterpret_cast<LPARAM>(choose ? kChooseLabel : kOpenLabel));
}

bool IsAbsolute(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
         path.compare(0, 2, L"\\\\") == 0;
}

// The typed name: a whole path as it is, a name below the folder shown;
// nothing typed: the folder shown.
std::wstring ChosenPath(HWND dialog) {
  std::wstring shown = DialogPath(dialog, CDM_GETFOLDERPATH);
  std::wstring typed = DialogPath(dialog, CDM_GETSPEC);
  while (!typed.empty() && typed.back() == L' ') typed.pop_back();
  if (typed.empty()) return shown;
  if (IsAbsolute(typed)) return typed;
  if (shown.empty()) return std::wstring();
  return shown + (shown.back() == L'\\' ? L"" : L"\\") + typed;
}

// OK while it reads 选择: the typed or shown folder, created on request.
void TakeFolder(HWND dialog, ChooserState* state) {
  std::wstring folder = ChosenPath(dialog);
  if (folder.empty()) return;
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    wchar_t text[1024];
    FormatString(text, 1024, kMsgCreateFolderQuestion, folder.c_str());
    if (MessageBoxW(dialog, text, kCaptionChooseFolder, MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    int rc = SHCreateDirectoryExW(dialog, folder.c_str(), nullptr);
    if (rc != ERROR_SUCCESS && !IsFolder(folder)) {
      MessageBoxW(dialog, kMsgCreateFolderFailed, kCaptionChooseFolder, MB_OK | MB_ICONERROR);
      return;
    }
  } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return;
  }
  state->chosen = folder;
  // The dialog ends as cancelled; the folder kept above is the result.
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

LRESULT CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ChooserState* state = StateOf(dialog);
  if (!state) return DefWindowProcW(dialog, message, wParam, lParam);
  WNDPROC original = state->dialogProc;
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED &&
      state->chooseMode) {
    TakeFolder(dialog, state);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(dialog, kStateProperty);
  }
  return CallWindowProcW(original, dialog, message, wParam, lParam);
}

void CentreOverOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT box;
  GetWindowRect(dialog, &box);
  RECT area;
  if (owner) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int width = box.right - box.left;
  int height = box.bottom - box.top - kHiddenRowsHeight;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height, SWP_NOZORDER);
}

void OnInitDone(HWND dialog, ChooserState* state) {
  for (int id : {stc2, cmb1, chx1}) SendMessageW(dialog, CDM_HIDECONTROL, id, 0);
  SendMessageW(dialog, CDM_SETCONTROLTEXT, stc3, reinterpret_cast<LPARAM>(kNameLabel));
  SetChooseMode(dialog, state, true);
  CentreOverOwner(dialog);
  SetPropW(dialog, kStateProperty, state);
  state->dialogProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChooserProc)));
}

UINT_PTR CALLBACK ChooserHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  HWND dialog = GetParent(hook);
  if (message == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    SetPropW(hook, kStateProperty, reinterpret_cast<HANDLE>(ofn->lCustData));
    return TRUE;
  }
  if (message == WM_NCDESTROY) RemovePropW(hook, kStateProperty);
  if (message != WM_NOTIFY) return 0;
  auto* state = static_cast<ChooserState*>(GetPropW(hook, kStateProperty));
  if (!state) return 0;
  switch (reinterpret_cast<const OFNOTIFYW*>(lParam)->hdr.code) {
    case CDN_INITDONE:
      OnInitDone(dialog, state);
      break;
    case CDN_SELCHANGE: {
      // A folder picked in the list goes into the name field; OK then opens it.
      std::wstring path = DialogPath(dialog, CDM_GETFILEPATH);
      std::wstring shown = DialogPath(dialog, CDM_GETFOLDERPATH);
      bool folderPicked = !path.empty() && IsFolder(path) &&
                          CompareStringOrdinal(path.c_str(), -1, shown.c_str(), -1, TRUE) !=
                              CSTR_EQUAL;
      SetChooseMode(dialog, state, !folderPicked);
      if (folderPicked)
        SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
      break;
    }
    case CDN_FOLDERCHANGE:
      SetChooseMode(dialog, state, true);
      SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(L""));
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

bool Win32InstallerOs::PickFolder(HWND owner, const wchar_t* initialFolder, const wchar_t* title,
                                  std::wstring* out) {
  out->clear();
  ChooserState state;
  wchar_t file[MAX_PATH] = L"";
  // A pattern no file name can match: only folders are listed.
  static const wchar_t kFilter[] = L"文件夹\0|\0";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = initialFolder && initialFolder[0] ? initialFolder : nullptr;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK;
  ofn.lpfnHook = ChooserHook;
  ofn.lCustData = reinterpret_cast<LPARAM>(&state);
  if (GetOpenFileNameW(&ofn) && IsFolder(file)) state.chosen = file;
  if (state.chosen.empty() || !IsFolder(state.chosen)) return false;
  *out = state.chosen;
  return true;
}
