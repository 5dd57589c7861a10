// A scripted effects seam for tests: records what the engine asked for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/Effects.h"

namespace zn::test {

class FakeEffects : public Effects {
 public:
  bool ReadClipboardText(wchar_t* out, int capacity) override {
    out[0] = 0;
    if (!clipboardOpens) return false;
    int n = 0;
    for (; n < capacity - 1 && n < static_cast<int>(clipboard.size()); ++n) out[n] = clipboard[n];
    out[n] = 0;
    return true;
  }
  int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t) override {
    messages.push_back(std::wstring(caption) + L"|" + text);
    // A modal box runs the host's message loop: whatever the host does
    // there happens before the box returns.
    if (whileShown) whileShown();
    return messageResult;
  }
  bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int) override {
    programs.push_back(std::wstring(file) + L" " + (parameters ? parameters : L""));
    return true;
  }
  void SendKeyEvent(uint8_t virtualKey, uint8_t, uint32_t flags) override {
    keys.push_back(virtualKey | (flags << 8));
  }
  int ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                       uint32_t style) override {
    messageOwners.push_back(owner);
    messageStyles.push_back(style);
    return ShowMessage(text, caption, style);
  }
  void ReadLocalTime(LocalTimeParts* out) override { *out = now; }
  bool ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) override {
    helpTopics.push_back(std::wstring(helpFile) + L"|" + topic);
    return true;
  }

  ProcessToken QueryProcessToken() override { return token; }

  // An ordinary user's process unless a test says otherwise.
  ProcessToken token{true, false, 0x2000};
  bool clipboardOpens = true;
  std::wstring clipboard;
  int messageResult = 1;
  std::function<void()> whileShown;
  std::vector<std::wstring> messages;
  std::vector<std::wstring> programs;
  std::vector<uint32_t> keys;
  std::vector<void*> messageOwners;
  std::vector<uint32_t> messageStyles;
  // Wednesday 26 June 2013, 09:05:07.
  LocalTimeParts now{2013, 6, 26, 3, 9, 5, 7};
  std::vector<std::wstring> helpTopics;
};

}  // namespace zn::test
