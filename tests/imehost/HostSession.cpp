// The host window and its input.
#include "tests/imehost/HostSession.h"

#include <imm.h>

#include <cstdio>

#include "tests/common/MessagePump.h"

namespace {

constexpr wchar_t kUiClass[] = L"ZINNOR3UI";
HostSession* gSession = nullptr;

bool IsImeMessage(UINT m) {
  return m == WM_IME_STARTCOMPOSITION || m == WM_IME_ENDCOMPOSITION || m == WM_IME_COMPOSITION ||
         m == WM_IME_NOTIFY || m == WM_IME_SETCONTEXT || m == WM_IME_SELECT ||
         m == WM_IME_CONTROL || m == WM_IME_COMPOSITIONFULL || m == WM_IME_REQUEST;
}

const wchar_t* MessageName(UINT m) {
  switch (m) {
    case WM_IME_STARTCOMPOSITION: return L"WM_IME_STARTCOMPOSITION";
    case WM_IME_ENDCOMPOSITION: return L"WM_IME_ENDCOMPOSITION";
    case WM_IME_COMPOSITION: return L"WM_IME_COMPOSITION";
    case WM_IME_NOTIFY: return L"WM_IME_NOTIFY";
    default: return L"?";
  }
}

BOOL CALLBACK FindUi(HWND window, LPARAM found) {
  wchar_t name[32];
  if (GetClassNameW(window, name, 32) && lstrcmpW(name, kUiClass) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void PrintUtf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

bool HostSession::Open(HKL layout, HostControl control) {
  gSession = this;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZnImeHostFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
  const bool multiLine = control != HostControl::kEdit;
  frame_ = CreateWindowExW(0, wc.lpszClassName, L"zinIME host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           40, 40, 480, multiLine ? 260 : 160, nullptr, nullptr, wc.hInstance,
                           nullptr);
  if (!frame_) return false;
  const wchar_t* controlClass = L"EDIT";
  DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
  if (multiLine) style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                         ES_WANTRETURN;
  if (control == HostControl::kRichEdit) {
    // The control WordPad is built on.
    if (!LoadLibraryW(L"riched20.dll")) return false;
    controlClass = L"RichEdit20W";
  }
  edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, controlClass, L"", style, 10, 10, 440,
                          multiLine ? 200 : 32, frame_, nullptr, wc.hInstance, nullptr);
  if (!edit_) return false;
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           L"SimSun");
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  editProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  ShowWindow(frame_, SW_SHOW);
  SetForegroundWindow(frame_);
  SetFocus(edit_);
  PumpUntilIdle();

  previousLayout_ = ActivateKeyboardLayout(layout, 0);
  if (!previousLayout_ || GetKeyboardLayout(0) != layout) return false;
  PumpUntilIdle();
  messages_.clear();
  return true;
}

HWND HostSession::SystemUiWindow() const {
  HWND ui = nullptr;
  HWND imeWindow = ImmGetDefaultIMEWnd(edit_);
  if (imeWindow) ui = FindWindowExW(imeWindow, nullptr, kUiClass, nullptr);
  if (!ui) EnumThreadWindows(GetCurrentThreadId(), FindUi, reinterpret_cast<LPARAM>(&ui));
  return ui;
}

LRESULT CALLBACK HostSession::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostSession* self = gSession;
  if (self && IsImeMessage(message) && message != WM_IME_SETCONTEXT && message != WM_IME_SELECT)
    self->messages_.push_back({message, wParam, lParam});
  return CallWindowProcW(self->editProc_, window, message, wParam, lParam);
}

void HostSession::Press(const KeyStroke& key) {
  // Another program on the display may have taken the focus meanwhile.
  if (GetForegroundWindow() != frame_) SetForegroundWindow(frame_);
  if (GetFocus() != edit_) SetFocus(edit_);
  keyStarts_.push_back(messages_.size());
  const UINT last = SendKeyStroke(key);
  PumpUntilKeyUp(last);
}

void HostSession::PumpUntilKeyUp(UINT vk) {
  // The key-down was handled (and the IME called) before its key-up came
  // out of the queue; whatever the IME posted meanwhile is drained after it.
  UINT sided = vk;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) sided = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) sided = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) sided = VK_MENU;
  const ULONGLONG end = GetTickCount64() + 3000;
  bool seen = false;
  while (GetTickCount64() < end) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (seen) return;
      MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      continue;
    }
    if ((msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) && msg.wParam == sided)
      seen = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  PumpUntilIdle();  // the key-up never came: fall back to a quiet spell
}

void HostSession::PumpUntilIdle() { zn::test::PumpUntilQuiet(5); }

void HostSession::PumpFor(int ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) PumpUntilIdle();
}

bool HostSession::CompositionOpen() const {
  HIMC himc = ImmGetContext(edit_);
  const LONG bytes = ImmGetCompositionStringW(himc, GCS_COMPSTR, nullptr, 0);
  ImmReleaseContext(edit_, himc);
  return bytes > 0;
}

std::wstring HostSession::EditText() const {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
  return text;
}

void HostSession::ClearText() {
  SetWindowTextW(edit_, L"");
  PumpUntilIdle();
}

std::vector<HostMessage> HostSession::MessagesOfKey(size_t i) const {
  if (i >= keyStarts_.size()) return {};
  const size_t end = i + 1 < keyStarts_.size() ? keyStarts_[i + 1] : messages_.size();
  return std::vector<HostMessage>(messages_.begin() + keyStarts_[i], messages_.begin() + end);
}

std::wstring HostSession::MessageLog() const {
  std::wstring log;
  for (const HostMessage& m : messages_) {
    wchar_t line[128];
    wsprintfW(line, L"%s %lu 0x%lx\n", MessageName(m.message),
              static_cast<unsigned long>(m.wParam), static_cast<unsigned long>(m.lParam));
    log += line;
  }
  return log;
}

void HostSession::Close() {
  if (previousLayout_) ActivateKeyboardLayout(previousLayout_, 0);
  previousLayout_ = nullptr;
  if (frame_) DestroyWindow(frame_);
  frame_ = edit_ = nullptr;
  gSession = nullptr;
}
