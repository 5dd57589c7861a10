// Driving modal dialogs from a second thread, as a user would: wait for the
// dialog and its controls, click, read texts.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace zn::test {

// Waits until a visible dialog of title exists whose control readyId exists
// too (a dialog is found before its controls are made, and early clicks are
// lost). Null after timeoutMs.
inline HWND WaitForDialog(const wchar_t* title, int readyId = IDOK, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    HWND dialog = FindWindowW(L"#32770", title);
    if (dialog && IsWindowVisible(dialog) && GetDlgItem(dialog, readyId)) return dialog;
    Sleep(20);
  }
  return nullptr;
}

// Waits for a condition checked every 20 ms; false after timeoutMs.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

inline void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

inline std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[1024] = L"";
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

// Runs body on a second thread while the calling thread runs a modal loop;
// Join() after the loop returned. When the loop is still running some
// seconds after the body finished (the body gave up, or a click was lost),
// the driver ends it with WM_QUIT, so the test fails instead of hanging.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void()> body, int graceMs = 8000)
      : owner_(GetCurrentThreadId()), thread_([this, body = std::move(body), graceMs] {
          body();
          if (!WaitUntil([this] { return done_.load(); }, graceMs)) {
            rescued_ = true;
            PostThreadMessageW(owner_, WM_QUIT, 0, 0);
          }
        }) {}
  ~DialogDriver() { Join(); }
  // Call on the thread that ran the loop; true when the driver had to end it.
  bool Join() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return rescued_;
  }

 private:
  DWORD owner_;
  std::atomic<bool> done_{false};
  std::atomic<bool> rescued_{false};
  std::thread thread_;
};

}  // namespace zn::test
