// The add-word dialog: a word and its code written into main.dmg, typed by
// hand, taken from the recent output or the clipboard, or changed from an
// entry chosen in the code-table view.
#pragma once

#include <cstdint>
#include <string>

#include "ui/dialogs/Dialog.h"

struct ConfigApp;

enum class AddWordMode {
  kManual = 0,  // a typed word
  kRecent = 1,  // the tail of the recent output or the clipboard
  kChange = 2,  // an existing entry
};

class AddWordDialog : public Dialog {
 public:
  AddWordDialog(ConfigApp& app, AddWordMode mode, uint32_t category);
  // The entry a change starts from.
  void SetEntry(const std::wstring& code, const std::wstring& word);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;
  bool PreTranslateMessage(MSG& msg) override;

 private:
  void ShowWordTail();
  void SwitchWordSource();
  void BuildCodeForWord();
  void ResetAddWordHint();
  void CommitUserWord();
  std::wstring RecentText() const;

  ConfigApp& app_;
  AddWordMode mode_;
  uint32_t category_;
  std::wstring source_;  // recent output or clipboard text (mode 1)
  int wordChars_ = 2;
  std::wstring oldCode_;
  std::wstring oldWord_;
  bool settingCode_ = false;
};
