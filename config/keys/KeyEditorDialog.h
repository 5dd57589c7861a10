// The key-function editor: a keyboard of owner-drawn buttons and three
// modifier boxes; a click on a key opens the menu of key functions and the
// choice is written at once into the key tables of config.dsc.
#pragma once

#include <windows.h>

#include <array>

#include "config/keys/KeyEditorRules.h"
#include "ui/dialogs/Dialog.h"

struct ConfigApp;

inline constexpr wchar_t kKeyEditorCaption[] = L"星禾输入法生成器";
inline constexpr COLORREF kDefinedKeyFace = RGB(255, 128, 128);

// Paints a key button: a light red face when the key has functions, else the
// menu colour; the caption centred on one line; a grey frame, a focus
// rectangle when focused, an inner frame when pressed.
void DrawKeyButton(const DRAWITEMSTRUCT& item, bool defined);

class KeyEditorDialog : public Dialog {
 public:
  explicit KeyEditorDialog(ConfigApp& app);
  ~KeyEditorDialog() override;

  KeyModifiers Modifiers() const;
  // What a click on a key button does, after the menu returned command
  // (0: none chosen). Public so tests can drive a click without the menu.
  void ApplyKeyCommand(int buttonId, int command);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void CreateKeyButtons();
  void UpdateModifierButtons();
  void OnKeyButton(int buttonId);
  int ShowKeyMenu(uint64_t flags);
  bool Confirm(const wchar_t* text);
  // The key's flags now, 0 when it has no entry.
  uint64_t CurrentFlags(KeyCode code);

  ConfigApp& app_;
  void DeleteCompactFonts();
  // Smaller fonts of the dialog's face by pixel height, for the labels the
  // dialog font cannot fit on their key.
  std::array<HFONT, 32> compactFonts_{};
};
