// The text-mode settings editor: the whole settings as one text in a rich
// edit, with find, apply, back-up and restore.
#pragma once

#include <string>

#include "ui/dialogs/Dialog.h"
#include "ui/dialogs/RichEdit.h"

struct ConfigApp;

class AdvancedEditor : public Dialog {
 public:
  explicit AdvancedEditor(ConfigApp& app);

  // Applies text to the live blocks and starts a framework switch when the
  // text changed the framework. Refuses (and says why) a text that is empty,
  // has no settings section, or was cut on loading. True when applied.
  bool ApplyText(const std::wstring& text, bool cutOnLoad);
  bool Modified() const { return modified_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;  // find
  void OnCancel() override;
  void OnSize(int cx, int cy) override;

 private:
  void LoadText(const std::wstring& text);
  void Colour();
  void Find();
  bool ApplyEditor();
  void BackUp();
  void Restore();
  std::wstring DefaultFolder() const;
  void SetModified(bool modified);
  int Say(const wchar_t* text, UINT style, const wchar_t* caption = nullptr);

  ConfigApp& app_;
  RichEditBox edit_;
  bool modified_ = false;
  bool cut_ = false;  // the editor shows less than was loaded
  LONG searchStart_ = 0;
  RECT margins_{};  // of the editor in the client area: left, top, right, bottom
};
