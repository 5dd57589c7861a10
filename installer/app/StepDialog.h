// Base of the install wizard, the repair and the uninstall dialogs: the
// banner with its page state, the step log and bar, the action button, and
// one worker thread whose busy flag keeps the dialog from closing.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "installer/core/InstallerOs.h"
#include "installer/core/InstallerState.h"
#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogWorker.h"

class StepDialog : public Dialog, public StepLog {
 public:
  enum PageState { kReady = 0, kWorking = 1, kFinished = 2, kFailed = 3 };

  StepDialog(int templateId, int iconId, InstallerState& state, InstallerOs& os,
             HINSTANCE instance);
  ~StepDialog() override;

  // The step log; from any thread. position < 0 leaves the bar.
  void Append(int position, const wchar_t* text) override;
  void ReplaceLine(const wchar_t* waiting, const wchar_t* text) override;

  bool Busy() const { return busy_; }
  int PageState() const { return page_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The action button: its finish text closes the dialog, else OnAction runs.
  void OnOk() override;
  // Closing is refused while the worker runs.
  void OnCancel() override;

  virtual void OnAction() = 0;
  // The worker's result, on the dialog's thread.
  virtual void OnWorkDone(int result) = 0;
  // The banner's text for the current page state: a welcome line and the
  // state's line, or (second empty) the state's line alone.
  virtual void BannerText(std::wstring* first, std::wstring* second) = 0;

  // Runs work on the worker thread with the busy flag set; the flag drops
  // when it ends and OnWorkDone gets its result.
  void StartWork(std::function<int()> work);
  void SetPageState(int state);
  void ShowProgress(bool shown);
  void SetActionText(const wchar_t* text);
  HINSTANCE instance() const { return instance_; }

  InstallerState& state_;
  InstallerOs& os_;

 private:
  HINSTANCE instance_;
  int iconId_;
  std::atomic<bool> busy_{false};
  std::atomic<int> page_{kReady};
  DialogWorker<int> worker_;
};
