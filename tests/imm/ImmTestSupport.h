// Test scaffolding for the IMM32 front end: a real input context whose
// messages reach a focused window that records them, with the front end's
// contexts created from a scratch data folder through scripted seams.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "frontend/common/KeyEvent.h"
#include "frontend/imm/DeferredMessages.h"
#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeDeclarations.h"
#include "frontend/imm/ImmModule.h"
#include "frontend/imm/UiWindow.h"
#include "tests/common/RecordingImeWindows.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"
#include "tools/common/TypingView.h"
#include "ui/windows/WindowClasses.h"

namespace zn::test {

// The classes the module registers at attach, with the UI window's procedure,
// registered once for this test program.
inline void RegisterModuleClasses() {
  static const int kRegistered = RegisterSkinWindowClasses(GetModuleHandleW(nullptr), UiWindowProc);
  (void)kRegistered;
}

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
  std::vector<UINT> keyDowns;  // virtual keys of the WM_KEYDOWN messages that reached it
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
    if (self && m == WM_KEYDOWN) self->keyDowns.push_back(static_cast<UINT>(wp));
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
  // Fills the data folder the contexts are made from.
  virtual void PrepareData() { MakeDataFolder(os_, dir_.path(), config_); }

  void SetUp() override {
    PrepareData();
    ImmModule().seams = ImmSeams{&os_, &effects_, &windows_};
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
  // One key event as the system hands it to the IME: ImeProcessKey and, for
  // a taken key, ImeToAsciiEx. Returns whether the key was taken.
  bool Key(uint8_t vk, bool up = false) {
    if (up) {
      keys_[vk] &= ~0x80;
    } else {
      if (vk == VK_CAPITAL) keys_[vk] ^= 1;
      keys_[vk] |= 0x80;
    }
    const uint32_t scan = ScanOf(vk);
    const LPARAM data = MakeKeyData(scan, up);
    if (!ImeProcessKey(himc_, vk, data, keys_)) return false;
    ImeToAsciiEx(vk, scan, keys_, nullptr, 0, himc_);
    PumpUntilDelivered();
    return true;
  }
  // Runs the thread's message loop, as the host's would, until the messages
  // the module holds back after a result are out.
  static void PumpUntilDelivered() {
    for (int round = 0; round < 200 && ImeMessagesDeferred(); ++round) {
      PumpMessages();
      if (ImeMessagesDeferred()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  static void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Key down and up; returns whether the down was taken.
  bool Tap(uint8_t vk) {
    const bool taken = Key(vk);
    Key(vk, true);
    return taken;
  }
  // Lowercase letters, digits and blanks (Space).
  void Type(const std::wstring& text) {
    for (wchar_t c : text) {
      Tap(static_cast<uint8_t>(c == L' ' ? VK_SPACE : (c >= L'a' && c <= L'z' ? c - 32 : c)));
    }
  }
  static uint32_t ScanOf(uint8_t vk) {
    switch (vk) {
      case VK_SHIFT: return 0x2A;
      case VK_LSHIFT: return 0x2A;
      case VK_CONTROL: return 0x1D;
      case VK_MENU: return 0x38;
      default: return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) & 0xFF;
    }
  }
  // The results the window received, joined.
  std::wstring Results() const {
    std::wstring text;
    for (const RecordedMessage& m : window_.messages) text += m.result;
    return text;
  }
  std::wstring CompositionString(DWORD index) {
    wchar_t text[300] = {};
    const LONG bytes = ImmGetCompositionStringW(himc_, index, text, sizeof(text) - 2);
    return bytes > 0 ? std::wstring(text, bytes / sizeof(wchar_t)) : std::wstring();
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
  RecordingImeWindows windows_;
  RecordingWindow window_;
  uint8_t keys_[256] = {};
  HIMC himc_ = nullptr;
  bool selected_ = false;
};

// The same on a copy of the data folder this build ships.
class ShippedImcFixture : public ImcFixture {
 protected:
  void PrepareData() override {
    copy_ = CopyDataFolder(ZN_TEST_DATA_DIR);
    ASSERT_FALSE(copy_.empty());
    os_.values[L"IMEName"] = L"zinIME";
    os_.values[L"InstallLocation"] = ZN_TEST_DATA_DIR;
    os_.values[L"DataLocation"] = copy_;
  }
  void TearDown() override {
    ImcFixture::TearDown();
    RemoveDataFolderCopy(copy_);
  }
  std::wstring copy_;
};

}  // namespace zn::test
