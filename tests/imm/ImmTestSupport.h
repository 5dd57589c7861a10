// Test scaffolding for the IMM32 front end: a real input context whose
// messages reach a focused window that records them, with the front end's
// contexts created from a scratch data folder through scripted seams.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeDeclarations.h"
#include "frontend/imm/ImmModule.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"

namespace zn::test {

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::wstring result;  // GCS_RESULTSTR text read while the message arrived
  bool operator==(const RecordedMessage& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

// A top-level window with the focus that records the IME messages it gets.
class RecordingWindow {
 public:
  RecordingWindow() {
    static const ATOM kClass = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"ZnImmTestRecorder";
      return RegisterClassW(&wc);
    }();
    (void)kClass;
    window_ = CreateWindowExW(0, L"ZnImmTestRecorder", L"recorder", WS_OVERLAPPEDWINDOW, 10, 10,
                              200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
  }
  ~RecordingWindow() { DestroyWindow(window_); }
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND get() const { return window_; }
  std::vector<RecordedMessage> messages;
  HIMC himc = nullptr;  // where result strings are read from

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    const bool ime = m == WM_IME_STARTCOMPOSITION || m == WM_IME_ENDCOMPOSITION ||
                     m == WM_IME_COMPOSITION || m == WM_IME_NOTIFY || m == WM_IME_CHAR;
    if (self && ime) {
      self->Record(m, wp, lp);
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  }
  void Record(UINT m, WPARAM wp, LPARAM lp) {
    RecordedMessage r{m, wp, lp, {}};
    if (m == WM_IME_COMPOSITION && (lp & GCS_RESULTSTR) && himc) {
      wchar_t text[300] = {};
      LONG bytes = ImmGetCompositionStringW(himc, GCS_RESULTSTR, text, sizeof(text) - 2);
      if (bytes > 0) r.result.assign(text, bytes / sizeof(wchar_t));
    }
    messages.push_back(r);
  }
  HWND window_ = nullptr;
};

// A real input context served by the front end, whose messages go to a
// RecordingWindow, with contexts made from a scratch data folder.
class ImcFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDataFolder(os_, dir_.path(), config_);
    ImmModule().seams = ImmSeams{&os_, &effects_};
    himc_ = ImmCreateContext();
    ASSERT_NE(himc_, nullptr);
    window_.himc = himc_;
    {
      LockedImc imc(himc_);
      ASSERT_TRUE(imc);
      imc->hWnd = window_.get();
      imc->fOpen = TRUE;
      imc->fdwConversion = IME_CMODE_NATIVE | IME_CMODE_SYMBOL;
    }
  }
  void TearDown() override {
    if (selected_) ImeSelect(himc_, FALSE);
    ImmDestroyContext(himc_);
    ImmModule() = ImmModuleState{};
  }
  bool Select() {
    selected_ = ImeSelect(himc_, TRUE) != FALSE;
    return selected_;
  }
  bool Deselect() {
    selected_ = false;
    return ImeSelect(himc_, FALSE) != FALSE;
  }
  ImeContext* Context() {
    ImcLock lock(himc_);
    return lock.context();
  }
  // Messages recorded since the last call.
  std::vector<RecordedMessage> TakeMessages() {
    std::vector<RecordedMessage> out;
    out.swap(window_.messages);
    return out;
  }

  TempDir dir_;
  std::vector<uint8_t> config_ = DefaultConfig();
  FakeOs os_;
  FakeEffects effects_;
  RecordingWindow window_;
  HIMC himc_ = nullptr;
  bool selected_ = false;
};

}  // namespace zn::test
