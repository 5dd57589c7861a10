// The black-box host's window: an EDIT or RichEdit control with the IME
// layout active, fed with SendInput, recording the IME messages it receives.
// It sets no conversion mode and makes no IME window: what the control gets
// is what the system and the module do on their own.
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

enum class HostControl { kEdit, kMultiLineEdit, kRichEdit };

class HostSession {
 public:
  // Creates the window with the control and activates the layout for it.
  bool Open(HKL layout, HostControl control = HostControl::kEdit);
  void Close();
  ~HostSession() { Close(); }

  // Sends one key stroke of a key script (its modifiers held around it).
  void Press(const KeyStroke& key);
  void PumpFor(int ms);
  std::wstring EditText() const;
  void ClearText();
  // One line per IME message the EDIT got (composition and notifications).
  std::wstring MessageLog() const;
  const std::vector<HostMessage>& messages() const { return messages_; }
  // The messages that arrived while key i was handled.
  std::vector<HostMessage> MessagesOfKey(size_t i) const;
  // The IME's UI window, when the system made one.
  HWND SystemUiWindow() const;
  // The EDIT's input context holds a composition.
  bool CompositionOpen() const;
  RECT FrameRect() const {
    RECT r{};
    GetWindowRect(frame_, &r);
    return r;
  }

 private:
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void PumpUntilIdle();
  // Pumps until the key-up of vk was dispatched and the queue is empty.
  void PumpUntilKeyUp(UINT vk);

  HWND frame_ = nullptr;
  HWND edit_ = nullptr;
  WNDPROC editProc_ = nullptr;
  HKL previousLayout_ = nullptr;
  std::vector<HostMessage> messages_;
  std::vector<size_t> keyStarts_;  // index into messages_ where each key began
};
