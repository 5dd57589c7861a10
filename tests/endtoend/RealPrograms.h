// Typing into programs nobody on this project wrote (Wine's Notepad and
// WordPad) as a user of the installed product does: the framework switched
// to IMM32 with the installer's own switch, the layout selected in the
// program's window as the system's language switcher does, keys sent through
// the system's input path, and the text read back from the program's control.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zn::e2e {

// installer.exe /EMMODE=0 /GUID=<key>, run to its end; false when it failed
// to start or did not end.
bool SwitchToImm32(const std::wstring& installer, const std::wstring& productKey);

// The installed keyboard layout whose IME file is moduleName (e.g.
// "zinIME.ime"), as the system's list of layouts has it; null when none.
HKL FindImeLayout(const std::wstring& moduleName);

class RealProgram {
 public:
  // Starts the program and waits for its main window and its text control
  // (a window whose class contains controlClass, e.g. "Edit" or "RichEdit").
  bool Start(const std::wstring& program, const wchar_t* controlClass);
  ~RealProgram();

  // Brings the program to the front and asks its window for the layout
  // with WM_INPUTLANGCHANGEREQUEST.
  void SelectLayout(HKL layout);
  // Types a key script (zntype's notation) with SendInput, key by key;
  // after each key, onKey(the key's name) runs.
  bool Type(const std::wstring& keys, const std::function<void(const std::wstring&)>& onKey);
  std::wstring Text() const;
  RECT WindowRect() const;
  HWND window() const { return window_; }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  HWND control_ = nullptr;
};

}  // namespace zn::e2e
