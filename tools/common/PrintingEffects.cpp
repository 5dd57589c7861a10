// The printing effects of the console host.
#include "tools/common/PrintingEffects.h"

#include <windows.h>

#include <cwctype>

namespace {

std::wstring KeyEventText(uint8_t virtualKey, uint32_t flags) {
  wchar_t text[48];
  wsprintfW(text, L"key 0x%02X %s", virtualKey, (flags & KEYEVENTF_KEYUP) ? L"up" : L"down");
  return text;
}

// The button a box of this style returns for the scripted answer.
int Button(uint32_t style, PrintingEffects::Answer answer) {
  const bool yes = answer == PrintingEffects::Answer::kYes;
  switch (style & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return yes ? IDYES : IDNO;
    case MB_OKCANCEL:
      return yes ? IDOK : IDCANCEL;
    default:
      return IDOK;
  }
}

const wchar_t* ButtonName(int button) {
  switch (button) {
    case IDYES: return L"yes";
    case IDNO: return L"no";
    case IDCANCEL: return L"cancel";
    default: return L"ok";
  }
}

bool ReadNumber(const std::wstring& text, size_t at, size_t digits, int* out) {
  if (at + digits > text.size()) return false;
  int n = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (!std::iswdigit(text[i])) return false;
    n = n * 10 + (text[i] - L'0');
  }
  *out = n;
  return true;
}

}  // namespace

bool PrintingEffects::ReadClipboardText(wchar_t* out, int capacity) {
  if (capacity <= 0) return false;
  int n = 0;
  for (; n < capacity - 1 && n < static_cast<int>(clipboard_.size()); ++n) out[n] = clipboard_[n];
  out[n] = 0;
  return true;
}

int PrintingEffects::ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) {
  const int button = Button(style, answer_);
  log_.push_back(std::wstring(L"message [") + (caption ? caption : L"") + L"] " +
                 (text ? text : L"") + L" -> " + ButtonName(button));
  return button;
}

bool PrintingEffects::OpenProgram(const wchar_t* file, const wchar_t* parameters, int) {
  std::wstring line = std::wstring(L"launch ") + (file ? file : L"");
  if (parameters && parameters[0]) line += std::wstring(L" ") + parameters;
  log_.push_back(line);
  return true;
}

void PrintingEffects::SendKeyEvent(uint8_t virtualKey, uint8_t, uint32_t flags) {
  log_.push_back(KeyEventText(virtualKey, flags));
}

int PrintingEffects::ShowOwnedMessage(void*, const wchar_t* text, const wchar_t* caption,
                                      uint32_t style) {
  return ShowMessage(text, caption, style);
}

void PrintingEffects::ReadLocalTime(LocalTimeParts* out) {
  if (useFixedTime_) {
    *out = fixedTime_;
    return;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  *out = LocalTimeParts{now.wYear, now.wMonth,  now.wDay,   now.wDayOfWeek,
                        now.wHour, now.wMinute, now.wSecond};
}

bool PrintingEffects::ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) {
  std::wstring line = std::wstring(L"help ") + (helpFile ? helpFile : L"");
  if (topic && topic[0]) line += std::wstring(L" ") + topic;
  log_.push_back(line);
  return true;
}

std::vector<std::wstring> PrintingEffects::TakeLog() {
  std::vector<std::wstring> taken;
  taken.swap(log_);
  return taken;
}

bool ParseLocalTime(const std::wstring& text, LocalTimeParts* out) {
  // YYYY-MM-DD hh:mm:ss
  if (text.size() != 19 || text[4] != L'-' || text[7] != L'-' ||
      (text[10] != L' ' && text[10] != L'T') || text[13] != L':' || text[16] != L':') {
    return false;
  }
  int year, month, day, hour, minute, second;
  if (!ReadNumber(text, 0, 4, &year) || !ReadNumber(text, 5, 2, &month) ||
      !ReadNumber(text, 8, 2, &day) || !ReadNumber(text, 11, 2, &hour) ||
      !ReadNumber(text, 14, 2, &minute) || !ReadNumber(text, 17, 2, &second)) {
    return false;
  }
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  // A round trip through FILETIME rejects impossible dates and finds the weekday.
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft) || !FileTimeToSystemTime(&ft, &st)) return false;
  if (st.wDay != day || st.wMonth != month) return false;
  *out = LocalTimeParts{st.wYear, st.wMonth,  st.wDay,   st.wDayOfWeek,
                        st.wHour, st.wMinute, st.wSecond};
  return true;
}
