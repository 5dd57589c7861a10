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

void SendKey(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
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

bool HostSession::Open(HKL layout) {
  gSession = this;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZnImeHostFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
  frame_ = CreateWindowExW(0, wc.lpszClassName, L"zinIME host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           40, 40, 480, 160, nullptr, nullptr, wc.hInstance, nullptr);
  if (!frame_) return false;
  edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                          10, 10, 440, 32, frame_, nullptr, wc.hInstance, nullptr);
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
  HIMC himc = ImmGetContext(edit_);
  if (!himc) return false;
  // Wine starts contexts made while the IME is active in 0x5A9 (English and
  // full width here): type Chinese with Chinese punctuation.
  ImmSetOpenStatus(himc, TRUE);
  ImmSetConversionStatus(himc, IME_CMODE_NATIVE | IME_CMODE_SYMBOL, IME_SMODE_NONE);
  ImmReleaseContext(edit_, himc);
  EnsureUiWindow(layout);
  PumpUntilIdle();
  messages_.clear();
  return true;
}

void HostSession::EnsureUiWindow(HKL layout) {
  HWND imeWindow = ImmGetDefaultIMEWnd(edit_);
  if (imeWindow) ui_ = FindWindowExW(imeWindow, nullptr, kUiClass, nullptr);
  if (!ui_) EnumThreadWindows(GetCurrentThreadId(), FindUi, reinterpret_cast<LPARAM>(&ui_));
  if (ui_) return;
  // The system did not make the IME's UI window: make it from the module's
  // class and pass it the IME messages, as the default IME window would.
  wchar_t path[MAX_PATH];
  if (!ImmGetIMEFileNameW(layout, path, MAX_PATH)) return;
  HMODULE module = GetModuleHandleW(path);
  if (!module) {
    const wchar_t* base = wcsrchr(path, L'\\');
    module = GetModuleHandleW(base ? base + 1 : path);
  }
  ui_ = CreateWindowExW(0, kUiClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module, nullptr);
  if (!ui_) return;
  ownUi_ = true;
  HIMC himc = ImmGetContext(edit_);
  SetWindowLongPtrW(ui_, 0, reinterpret_cast<LONG_PTR>(himc));
  ImmReleaseContext(edit_, himc);
  SendMessageW(ui_, WM_IME_SELECT, TRUE, reinterpret_cast<LPARAM>(layout));
  SendMessageW(ui_, WM_IME_SETCONTEXT, TRUE, ISC_SHOWUIALL);
  SendMessageW(ui_, WM_IME_NOTIFY, IMN_OPENSTATUSWINDOW, 0);
}

LRESULT CALLBACK HostSession::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostSession* self = gSession;
  if (self && IsImeMessage(message)) {
    if (message != WM_IME_SETCONTEXT && message != WM_IME_SELECT)
      self->messages_.push_back({message, wParam, lParam});
    if (self->ownUi_ && self->ui_) SendMessageW(self->ui_, message, wParam, lParam);
  }
  return CallWindowProcW(self->editProc_, window, message, wParam, lParam);
}

void HostSession::Press(const KeyStroke& key) {
  // Another program on the display may have taken the focus meanwhile.
  if (GetForegroundWindow() != frame_) SetForegroundWindow(frame_);
  if (GetFocus() != edit_) SetFocus(edit_);
  keyStarts_.push_back(messages_.size());
  const WORD vk = static_cast<WORD>(key.virtualKey);
  if (key.ctrl) SendKey(VK_CONTROL, false);
  if (key.alt) SendKey(VK_MENU, false);
  if (key.shift) SendKey(VK_SHIFT, false);
  SendKey(vk, false);
  SendKey(vk, true);
  if (key.shift) SendKey(VK_SHIFT, true);
  if (key.alt) SendKey(VK_MENU, true);
  if (key.ctrl) SendKey(VK_CONTROL, true);
  PumpUntilIdle();
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
  wchar_t text[512] = {};
  GetWindowTextW(edit_, text, 512);
  return text;
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
  if (ownUi_ && ui_) DestroyWindow(ui_);
  ui_ = nullptr;
  ownUi_ = false;
  if (previousLayout_) ActivateKeyboardLayout(previousLayout_, 0);
  previousLayout_ = nullptr;
  if (frame_) DestroyWindow(frame_);
  frame_ = edit_ = nullptr;
  gSession = nullptr;
}
