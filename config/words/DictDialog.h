// The mini dictionary: looks a word up in dict.dms on a worker thread,
// hands it to web look-ups, and takes words from later starts of config by
// WM_COPYDATA, raising itself when one arrives.
#pragma once

#include <string>

#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/DialogWorker.h"
#include "ui/dialogs/RichEdit.h"

struct ConfigApp;

class DictDialog : public Dialog {
 public:
  DictDialog(ConfigApp& app, std::wstring word);

  // The word of the last look-up and its shown result (for tests).
  const std::wstring& word() const { return word_; }
  std::wstring ResultText() const { return result_.Text(); }
  int lookups() const { return lookups_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void StartDictLookup();
  void ShowLookupResult(const std::wstring& text);
  void ShowWebLookupMenu();
  void OpenWebLookup(int command);
  bool ReceiveDictWord(const COPYDATASTRUCT* data);
  void RaiseDictWindow();

  ConfigApp& app_;
  std::wstring word_;
  RichEditBox result_;
  int lookups_ = 0;
  DialogWorker<std::wstring> worker_;
};
