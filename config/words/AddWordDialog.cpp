// The add-word dialog over its rules in AddWord.h.
#include "config/words/AddWordDialog.h"

#include "config/app/ConfigApp.h"
#include "config/app/ConfigContext.h"
#include "config/app/ConfigServices.h"
#include "config/words/AddWord.h"
#include "config/words/WordResources.h"
#include "engine/ImeContext.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr wchar_t kLengthHint[] = L"可用 ↑、↓ 更改词长";
constexpr int kModuleIcon = 121;
constexpr int kRecentRecords = 16;

}  // namespace

AddWordDialog::AddWordDialog(ConfigApp& app, AddWordMode mode, uint32_t category)
    : Dialog(IDD_ADD_WORD, app.resources), app_(app), mode_(mode), category_(category) {}

void AddWordDialog::SetEntry(const std::wstring& code, const std::wstring& word) {
  oldCode_ = code;
  oldWord_ = word;
}

std::wstring AddWordDialog::RecentText() const {
  wchar_t text[128];
  JoinSettingRecords(app_.context, kRecentRecords, text);
  return text;
}

BOOL AddWordDialog::OnInitDialog() {
  HMODULE module = app_.context ? app_.context->moduleHandle : nullptr;
  if (HICON icon = module ? LoadIconW(module, MAKEINTRESOURCEW(kModuleIcon)) : nullptr) {
    SetWindowIcons(hwnd(), icon, icon);
  }
  SendMessageW(Item(IDC_ADD_WORD), EM_LIMITTEXT, kAddWordUnits, 0);
  SendMessageW(Item(IDC_ADD_CODE), EM_LIMITTEXT, kAddWordUnits, 0);
  const wchar_t* title = L"添加词条 - ";
  if (mode_ == AddWordMode::kRecent) {
    title = L"在线加词 - ";
    wordChars_ = kDefaultTailChars;
    source_ = RecentText();
    if (source_.empty()) source_ = L"在线加词";
    ShowItem(hwnd(), IDC_ADD_CLIPBOARD, true);
    ShowWordTail();
  } else {
    ShowItem(hwnd(), IDC_ADD_CLIPBOARD, false);
  }
  if (mode_ == AddWordMode::kChange) {
    title = L"修改词条 - ";
    settingCode_ = true;
    SetItemText(hwnd(), IDC_ADD_WORD, oldWord_.c_str());
    SetItemText(hwnd(), IDC_ADD_CODE, oldCode_.c_str());
    settingCode_ = false;
  }
  SetWindowTextW(hwnd(), (title + app_.displayName).c_str());
  ResetAddWordHint();
  return TRUE;
}

void AddWordDialog::ShowWordTail() {
  if (mode_ != AddWordMode::kRecent) return;
  std::wstring tail;
  if (!WordTail(source_, &wordChars_, &tail)) return;
  SetItemText(hwnd(), IDC_ADD_WORD, tail.c_str());
}

void AddWordDialog::SwitchWordSource() {
  if (IsItemChecked(hwnd(), IDC_ADD_CLIPBOARD)) {
    std::wstring text;
    if (!app_.services.ReadClipboardText(text, kAddWordUnits)) text.clear();
    source_ = text;
  } else {
    source_ = RecentText();
  }
  if (source_.empty()) source_ = L"手动加词";
  ShowWordTail();
}

void AddWordDialog::BuildCodeForWord() {
  if (mode_ == AddWordMode::kChange || !app_.context) return;
  const std::wstring code = ::BuildCodeForWord(app_.context->files[kFileDanzi],
                                               app_.context->dmeBlock,
                                               GetItemText(hwnd(), IDC_ADD_WORD));
  settingCode_ = true;
  SetItemText(hwnd(), IDC_ADD_CODE, code.c_str());
  settingCode_ = false;
  ResetAddWordHint();
}

void AddWordDialog::ResetAddWordHint() {
  SetItemText(hwnd(), IDC_ADD_HINT, mode_ == AddWordMode::kRecent ? kLengthHint : L"");
}

void AddWordDialog::CommitUserWord() {
  if (!app_.context) return;
  AddWordRequest request;
  request.word = GetItemText(hwnd(), IDC_ADD_WORD);
  request.code = GetItemText(hwnd(), IDC_ADD_CODE);
  request.category = category_;
  request.beforeSystem = IsItemChecked(hwnd(), IDC_ADD_BEFORE_SYSTEM);
  if (mode_ == AddWordMode::kChange) {
    request.change = true;
    request.oldCode = oldCode_;
    request.oldWord = oldWord_;
  }
  const AddWordOutcome outcome = ::CommitUserWord(app_.context->files[kFileMain], request);
  SetItemText(hwnd(), IDC_ADD_HINT, AddWordHint(outcome));
  if (AddWordSucceeded(outcome)) EndModal(IDOK);
}

bool AddWordDialog::OnCommand(int id, int code, HWND) {
  if (id == IDC_ADD_WORD && code == EN_CHANGE) {
    BuildCodeForWord();
    return true;
  }
  if (id == IDC_ADD_CODE && code == EN_CHANGE) {
    if (!settingCode_) ResetAddWordHint();
    return true;
  }
  if (id == IDC_ADD_CLIPBOARD && code == BN_CLICKED) {
    SwitchWordSource();
    return true;
  }
  return false;
}

void AddWordDialog::OnOk() {
  CommitUserWord();
}

bool AddWordDialog::PreTranslateMessage(MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_RETURN:
      CommitUserWord();
      return true;
    case VK_ESCAPE:
      EndModal(IDCANCEL);
      return true;
    case VK_UP:
    case VK_DOWN:
      if (mode_ != AddWordMode::kRecent) return false;
      wordChars_ += msg.wParam == VK_UP ? 1 : -1;
      if (wordChars_ > kMaxTailChars) wordChars_ = kMaxTailChars;
      if (wordChars_ < 0) wordChars_ = 0;
      ShowWordTail();
      return true;
    default:
      return false;
  }
}
