// The update dialog. Lines of a running check come from the worker as
// posted messages, each owning its text, so only this thread writes the box.
#include "installer/app/UpdateDialog.h"

#include "engine/WideString.h"
#include "installer/app/DialogParts.h"
#include "installer/app/InstallerResources.h"
#include "installer/core/Messages.h"
#include "installer/core/ProductPaths.h"
#include "ui/dialogs/Controls.h"

namespace {

constexpr UINT kLineMessage = WM_APP + 30;
constexpr UINT kDoneMessage = WM_APP + 31;

// Hands the check's lines to the dialog's thread.
class PostingReporter : public UpdateReporter {
 public:
  explicit PostingReporter(HWND dialog) : dialog_(dialog) {}
  void Status(const wchar_t* text) override {
    auto* line = new std::wstring(text ? text : L"");
    if (!PostMessageW(dialog_, kLineMessage, 0, reinterpret_cast<LPARAM>(line))) delete line;
  }
  void Progress(uint64_t) override {}

 private:
  HWND dialog_;
};

// Lines the dialog's own thread adds.
class DirectReporter : public UpdateReporter {
 public:
  explicit DirectReporter(std::wstring* lines) : lines_(lines) {}
  void Status(const wchar_t* text) override { *lines_ += std::wstring(text) + L"\r\n"; }
  void Progress(uint64_t) override {}

 private:
  std::wstring* lines_;
};

}  // namespace

UpdateDialog::UpdateDialog(InstallerState& state, InstallerOs& os, HINSTANCE instance)
    : Dialog(IDD_UPDATE, instance), state_(state), os_(os), instance_(instance) {}

UpdateDialog::~UpdateDialog() {
  worker_.Stop();
}

BOOL UpdateDialog::OnInitDialog() {
  state_.owner = hwnd();
  SetDialogIcons(hwnd(), instance_, IDI_UPDATE);
  displayName_ = ReadProductValue(os_, state_.productKey, L"DisplayName");
  wchar_t text[512];
  if (displayName_.empty()) {
    SetWindowTextW(hwnd(), kUpdateTitleUnknown);
  } else {
    FormatString(text, 512, kUpdateTitle, displayName_.c_str());
    SetWindowTextW(hwnd(), text);
  }
  std::wstring version = ReadProductValue(os_, state_.productKey, L"DisplayVersion");
  FormatString(text, 512, kUpdateIntro, version.c_str());
  intro_ = text;
  ResetText();
  return TRUE;
}

void UpdateDialog::ResetText() {
  SetItemText(hwnd(), IDC_LOG, intro_.c_str());
  LRESULT end = SendDlgItemMessageW(hwnd(), IDC_LOG, WM_GETTEXTLENGTH, 0, 0);
  SendDlgItemMessageW(hwnd(), IDC_LOG, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void UpdateDialog::AppendLine(const wchar_t* text) {
  AppendLogLine(Item(IDC_LOG), text);
}

void UpdateDialog::OnOk() {
  if (busy_) return;
  EnableItem(hwnd(), IDOK, false);
  busy_ = true;
  ResetText();
  std::wstring key = state_.productKey;
  HWND dialog = hwnd();
  worker_.Start(dialog, kDoneMessage, [this, key, dialog](const std::atomic<bool>&) {
    PostingReporter reporter(dialog);
    return RunUpdateCheck(os_, key, &reporter);
  });
}

void UpdateDialog::Finish(const UpdateCheckResult& result) {
  std::wstring lines;
  DirectReporter reporter(&lines);
  if (result.kind == UpdateCheckResult::Kind::kNoTarget) {
    os_.ShowMessage(hwnd(), kMsgUpdateInitFailed, kCaptionUpdate, MB_OK | MB_ICONSTOP);
  } else {
    OfferDownload(os_, hwnd(), result, &reporter);
  }
  if (!lines.empty()) {
    lines.resize(lines.size() - 2);
    AppendLine(lines.c_str());
  }
  AppendLine(kUpdateSeparator);
  busy_ = false;
  EnableItem(hwnd(), IDOK, true);
}

bool UpdateDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case kLineMessage: {
      std::unique_ptr<std::wstring> line(reinterpret_cast<std::wstring*>(lParam));
      AppendLine(line->c_str());
      return true;
    }
    case kDoneMessage: {
      // Lines posted before the result are shown first.
      MSG msg;
      while (PeekMessageW(&msg, hwnd(), kLineMessage, kLineMessage, PM_REMOVE)) {
        std::unique_ptr<std::wstring> line(reinterpret_cast<std::wstring*>(msg.lParam));
        AppendLine(line->c_str());
      }
      std::unique_ptr<UpdateCheckResult> outcome = worker_.Take(wParam, lParam);
      if (outcome) Finish(*outcome);
      return true;
    }
    case WM_DRAWITEM: {
      if (wParam != IDC_BANNER) return false;
      wchar_t text[256];
      FormatString(text, 256, kUpdateWelcome, displayName_.c_str());
      const BannerLine line{text, 30, 22, FW_NORMAL};
      DrawBanner(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam),
                 LoadProgramIcon(instance_, IDI_UPDATE, 48), &line, 1);
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

void UpdateDialog::OnCancel() {
  if (busy_) {
    os_.ShowMessage(hwnd(), kMsgUpdateBusy, kCaptionUpdate, MB_OK | MB_ICONQUESTION);
    return;
  }
  EndModal(IDCANCEL);
}
