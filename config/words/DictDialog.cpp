// The mini dictionary window.
#include "config/words/DictDialog.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigModes.h"
#include "config/app/ConfigResources.h"
#include "config/app/ConfigServices.h"
#include "config/words/DictLookup.h"
#include "config/words/WordResources.h"
#include "engine/ImeContext.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr UINT kLookupDone = WM_APP + 20;
constexpr UINT_PTR kRaiseTimer = 1;
constexpr UINT kRaiseDelayMs = 100;
constexpr int kModuleIcon = 111;
constexpr LONG kResultTwips = 196;
constexpr LONG kResultOffsetTwips = 60;

}  // namespace

DictDialog::DictDialog(ConfigApp& app, std::wstring word)
    : Dialog(IDD_DICTIONARY, app.resources), app_(app), word_(std::move(word)) {}

BOOL DictDialog::OnInitDialog() {
  result_.Attach(Item(IDC_DICT_RESULT));
  result_.EnableContextMenu(app_.resources, IDM_RICH_EDIT, &app_.services);
  result_.SetLimit(0);  // back to the control's default
  SendMessageW(Item(IDC_DICT_WORD), EM_LIMITTEXT, kCopiedWordUnits, 0);
  if (!word_.empty()) {
    SetItemText(hwnd(), IDC_DICT_WORD, word_.c_str());
    StartDictLookup();
  }
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  if (HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(kModuleIcon)) : nullptr) {
    SetWindowIcons(hwnd(), icon, icon);
  }
  // A second start of config finds this window by this title.
  SetWindowTextW(hwnd(), InstanceTitle(kTitleDictionary, app_.displayName).c_str());
  return TRUE;
}

void DictDialog::StartDictLookup() {
  word_ = GetItemText(hwnd(), IDC_DICT_WORD);
  const MappedFile* dict = app_.context ? app_.context->files[kFileDictionary] : nullptr;
  // The job has its own copy of the word; a newer look-up makes its result
  // stale, and the worker drops it.
  worker_.Start(hwnd(), kLookupDone, [dict, word = word_](const std::atomic<bool>&) {
    return DictLookupText(dict, word);
  });
}

void DictDialog::ShowLookupResult(const std::wstring& text) {
  ++lookups_;
  result_.SetText(text.c_str());
  HWND edit = result_.hwnd();
  result_.Select(0, -1);
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  format.dwMask = CFM_SIZE | CFM_OFFSET | CFM_FACE | CFM_COLOR;
  format.dwEffects &= ~CFE_AUTOCOLOR;
  format.yHeight = kResultTwips;
  format.yOffset = kResultOffsetTwips;
  lstrcpynW(format.szFaceName, L"宋体", LF_FACESIZE);
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  result_.Select(0, 0);
}

void DictDialog::ShowWebLookupMenu() {
  HMENU menu = LoadMenuW(app_.resources, MAKEINTRESOURCEW(IDM_WEB_LOOKUP));
  if (!menu) return;
  POINT at;
  GetCursorPos(&at);
  const int command = app_.services.TrackMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                              at.x, at.y, hwnd());
  DestroyMenu(menu);
  if (command) OpenWebLookup(command);
}

void DictDialog::OpenWebLookup(int command) {
  word_ = GetItemText(hwnd(), IDC_DICT_WORD);
  const std::wstring url = WebLookupUrl(command, word_);
  if (!url.empty()) app_.services.Execute(hwnd(), L"open", url.c_str(), L"", SW_SHOW);
}

bool DictDialog::ReceiveDictWord(const COPYDATASTRUCT* data) {
  const std::wstring word = ReceivedDictWord(data);
  if (!word.empty()) {
    SetItemText(hwnd(), IDC_DICT_WORD, word.c_str());
    StartDictLookup();
  }
  SetTimer(hwnd(), kRaiseTimer, kRaiseDelayMs, nullptr);
  return true;
}

void DictDialog::RaiseDictWindow() {
  KillTimer(hwnd(), kRaiseTimer);
  // Minimising first lets a window of a background process take the
  // foreground when it is restored.
  if (!IsIconic(hwnd())) ShowWindow(hwnd(), SW_MINIMIZE);
  app_.services.RaiseWindow(hwnd());
}

bool DictDialog::OnCommand(int id, int code, HWND) {
  if (id == IDC_DICT_WEB && code == BN_CLICKED) {
    ShowWebLookupMenu();
    return true;
  }
  if (id == kWebLookupCharacters || id == kWebLookupEnglish || id == kWebLookupSearch ||
      id == kWebLookupChineseSearch) {
    OpenWebLookup(id);
    return true;
  }
  return false;
}

void DictDialog::OnOk() {
  StartDictLookup();
}

void DictDialog::OnDestroy() {
  worker_.Stop();
}

bool DictDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case kLookupDone:
      if (auto text = worker_.Take(wParam, lParam)) ShowLookupResult(*text);
      result = 0;
      return true;
    case WM_COPYDATA:
      result = ReceiveDictWord(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
      return true;
    case WM_TIMER:
      if (wParam != kRaiseTimer) return false;
      RaiseDictWindow();
      result = 0;
      return true;
    default:
      return false;
  }
}
