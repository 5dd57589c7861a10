// The black-box host's window: an EDIT control with the IME layout active,
// fed with SendInput, recording the IME messages it receives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/zntype/KeyScript.h"

void PrintUtf8(const std::wstring& text);

struct HostMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class HostSession {
 public:
  // Creates the window, activates the layout for it and sets Chinese input.
  bool Open(HKL layout);
  void Close();
  ~HostSession() { Close(); }

  // Sends one key stroke of a key script (its modifiers held around it).
  void Press(const KeyStroke& key);
  void PumpFor(int ms);
  std::wstring EditText() const;
  // One line per IME message the EDIT got (composition and notifications).
  std::wstring MessageLog() const;
  const std::vector<HostMessage>& messages() const { return messages_; }
  // The messages that arrived while key i was handled.
  std::vector<HostMessage> MessagesOfKey(size_t i) const;
  bool UiWindowCreatedByHost() const { return ownUi_; }
  // The EDIT's input context holds a composition.
  bool CompositionOpen() const;
  RECT FrameRect() const {
    RECT r{};
    GetWindowRect(frame_, &r);
    return r;
  }

 private:
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void EnsureUiWindow(HKL layout);
  void PumpUntilIdle();

  HWND frame_ = nullptr;
  HWND edit_ = nullptr;
  HWND ui_ = nullptr;
  bool ownUi_ = false;
  WNDPROC editProc_ = nullptr;
  HKL previousLayout_ = nullptr;
  std::vector<HostMessage> messages_;
  std::vector<size_t> keyStarts_;  // index into messages_ where each key began
};
