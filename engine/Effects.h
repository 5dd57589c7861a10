// The engine's outside effects (clipboard, message boxes, launching programs,
// synthetic keys) behind one small interface, so tests can script them.
#pragma once

#include <cstdint>

// The local wall-clock time, as the user's calendar shows it.
struct LocalTimeParts {
  uint16_t year;
  uint16_t month;      // 1..12
  uint16_t day;        // 1..31
  uint16_t dayOfWeek;  // 0 Sunday .. 6 Saturday
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
};

// What the process's own access token says (Effects::QueryProcessToken).
struct ProcessToken {
  bool known = false;         // false: the token could not be read
  bool elevated = false;      // an administrator's full token
  uint32_t integrityRid = 0;  // mandatory level: 0x1000 low, 0x2000 medium, 0x3000 high
};

class Effects {
 public:
  virtual ~Effects() = default;

  // Copies the clipboard's Unicode text into out (capacity in units, the
  // terminator included; the text is cut to fit). out is "" when the
  // clipboard holds no text. Returns false when the clipboard cannot be opened.
  virtual bool ReadClipboardText(wchar_t* out, int capacity) = 0;
  // A modal message box; returns the button id (IDOK, IDYES ...).
  virtual int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) = 0;
  // ShellExecuteW with the "open" verb; true when the program was started.
  virtual bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int showCommand) = 0;
  // One keybd_event call.
  virtual void SendKeyEvent(uint8_t virtualKey, uint8_t scanCode, uint32_t flags) = 0;

  // The members below have defaults so that fakes written before them still
  // build; the Win32 implementation overrides every one.

  // A message box owned by a host window (null: none); returns the button id.
  virtual int ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                               uint32_t style) {
    (void)owner;
    return ShowMessage(text, caption, style);
  }
  // The local time now.
  virtual void ReadLocalTime(LocalTimeParts* out) { *out = LocalTimeParts{}; }
  // Opens a compiled help file at a topic in the HTML Help viewer; true when
  // the viewer came up.
  virtual bool ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) {
    (void)helpFile;
    (void)topic;
    return false;
  }
  // The process's token; a seam that cannot tell says unknown, which the
  // engine treats as untrusted.
  virtual ProcessToken QueryProcessToken() { return ProcessToken{}; }
};

class Win32Effects : public Effects {
 public:
  bool ReadClipboardText(wchar_t* out, int capacity) override;
  int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) override;
  bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int showCommand) override;
  void SendKeyEvent(uint8_t virtualKey, uint8_t scanCode, uint32_t flags) override;
  int ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                       uint32_t style) override;
  void ReadLocalTime(LocalTimeParts* out) override;
  bool ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) override;
  ProcessToken QueryProcessToken() override;
};

// The real effects; stateless, shared by every context of the process.
Effects& DefaultEffects();
