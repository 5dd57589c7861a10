// Effects of a console host: launches, help, synthetic keys and message boxes
// are written to a log instead of being carried out; message boxes get a
// scripted answer, the clock is real or fixed, the clipboard is a given text.
#pragma once

#include <string>
#include <vector>

#include "engine/Effects.h"

class PrintingEffects : public Effects {
 public:
  enum class Answer { kYes, kNo };

  bool ReadClipboardText(wchar_t* out, int capacity) override;
  int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) override;
  bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int showCommand) override;
  void SendKeyEvent(uint8_t virtualKey, uint8_t scanCode, uint32_t flags) override;
  int ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                       uint32_t style) override;
  void ReadLocalTime(LocalTimeParts* out) override;
  bool ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) override;
  // The real token unless one was set: a console host is refused what the
  // module would be in the same process.
  ProcessToken QueryProcessToken() override {
    return tokenSet_ ? token_ : DefaultEffects().QueryProcessToken();
  }

  void SetAnswer(Answer answer) { answer_ = answer; }
  void SetClipboard(const std::wstring& text) { clipboard_ = text; }
  void SetToken(const ProcessToken& token) {
    token_ = token;
    tokenSet_ = true;
  }
  void SetFixedTime(const LocalTimeParts& time) {
    fixedTime_ = time;
    useFixedTime_ = true;
  }

  // What was asked for since the last TakeLog, one line per effect.
  std::vector<std::wstring> TakeLog();

 private:
  std::vector<std::wstring> log_;
  std::wstring clipboard_;
  Answer answer_ = Answer::kYes;
  LocalTimeParts fixedTime_{};
  bool useFixedTime_ = false;
  ProcessToken token_{};
  bool tokenSet_ = false;
};

// Parses "YYYY-MM-DD hh:mm:ss" (or with "T" between); the day of the week is
// computed. False for malformed text or an impossible date.
bool ParseLocalTime(const std::wstring& text, LocalTimeParts* out);
