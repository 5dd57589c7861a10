// The Win32 implementation of the effects seam: the only engine file that
// touches the clipboard, message boxes, ShellExecuteW, keybd_event and the
// process token.
#include "engine/Effects.h"

#include <windows.h>
#include <shellapi.h>

bool Win32Effects::ReadClipboardText(wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return false;
  out[0] = 0;
  if (!OpenClipboard(nullptr)) return false;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data) {
    const SIZE_T sizeBytes = GlobalSize(data);
    const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (text) {
      // The block need not be terminated within its size: never read past it.
      const SIZE_T maxUnits = sizeBytes / sizeof(wchar_t);
      int n = 0;
      while (n < capacity - 1 && static_cast<SIZE_T>(n) < maxUnits && text[n]) {
        out[n] = text[n];
        ++n;
      }
      out[n] = 0;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return true;
}

int Win32Effects::ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) {
  return MessageBoxW(nullptr, text, caption, style);
}

bool Win32Effects::OpenProgram(const wchar_t* file, const wchar_t* parameters, int showCommand) {
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", file, parameters, nullptr, showCommand);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

void Win32Effects::SendKeyEvent(uint8_t virtualKey, uint8_t scanCode, uint32_t flags) {
  keybd_event(virtualKey, scanCode, flags, 0);
}

int Win32Effects::ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                                   uint32_t style) {
  return MessageBoxW(static_cast<HWND>(owner), text, caption, style);
}

void Win32Effects::ReadLocalTime(LocalTimeParts* out) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  *out = LocalTimeParts{t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond};
}

bool Win32Effects::ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) {
  // HTML Help is loaded only when asked for. The library stays loaded: its
  // viewer window lives on in the host process after this call returns.
  using HtmlHelpFn = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);
  HMODULE library = LoadLibraryW(L"hhctrl.ocx");
  if (!library) return false;
  auto htmlHelp = reinterpret_cast<HtmlHelpFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")));
  if (!htmlHelp) return false;
  constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
  return htmlHelp(nullptr, helpFile, kDisplayTopic, reinterpret_cast<DWORD_PTR>(topic)) != nullptr;
}

ProcessToken Win32Effects::QueryProcessToken() {
  ProcessToken result;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return result;
  TOKEN_ELEVATION elevation{};
  DWORD bytes = 0;
  // The label holds one SID: a fixed buffer is enough and nothing is allocated.
  alignas(TOKEN_MANDATORY_LABEL) uint8_t label[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &bytes) &&
      GetTokenInformation(token, TokenIntegrityLevel, label, sizeof(label), &bytes)) {
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
    const UCHAR parts = sid && IsValidSid(sid) ? *GetSidSubAuthorityCount(sid) : 0;
    if (parts > 0) {
      result.known = true;
      result.elevated = elevation.TokenIsElevated != 0;
      result.integrityRid = *GetSidSubAuthority(sid, parts - 1u);
    }
  }
  CloseHandle(token);
  return result;
}

Effects& DefaultEffects() {
  static Win32Effects effects;
  return effects;
}
