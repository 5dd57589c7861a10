// A console host for the key runner: turns key strokes of a key script into
// the key events a keyboard makes (modifiers down, the key down and up,
// modifiers up) with the keyboard state beside them, serves combination keys
// as hot keys, and collects the text the host application would receive.
// Keys the module injects (Caps Lock, Backspace, keyboard( commands) are
// forwarded to the context's own effects and then come back as key events,
// as the system delivers them. Nothing is allocated per key.
#pragma once

#include <cstdint>

#include "engine/Effects.h"
#include "engine/ImeContext.h"
#include "frontend/common/KeyRunner.h"
#include "tools/zntype/KeyScript.h"

class TypingHost : private KeyRunnerOutput {
 public:
  // The host puts its own effects in front of the context's while it lives.
  explicit TypingHost(ImeContext* context, const OsServices& clock = DefaultOs());
  ~TypingHost() override;
  TypingHost(const TypingHost&) = delete;
  TypingHost& operator=(const TypingHost&) = delete;

  // One key stroke; false when the module took none of its events (the host
  // then typed the key's character itself, if it has one).
  bool Press(const KeyStroke& key);
  // Key-function flags with no key, e.g. an entry operation of the
  // candidate-word menu. False when nothing was done.
  bool RunKeyFunction(uint64_t flags);

  // Text the host received since the last ClearOutput.
  const wchar_t* Output() const { return output_; }
  int OutputUnits() const { return outputUnits_; }
  void ClearOutput() {
    outputUnits_ = 0;
    output_[0] = 0;
  }
  ImeContext* context() const { return context_; }
  KeyRunner& runner() { return runner_; }
  bool CapsLockOn() const { return (keys_[0x14] & 1) != 0; }

 private:
  // Effects in front of the context's: key events are queued for replay.
  class ReplayEffects : public Effects {
   public:
    explicit ReplayEffects(TypingHost& host) : host_(host) {}
    bool ReadClipboardText(wchar_t* out, int capacity) override;
    int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) override;
    bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int showCommand) override;
    void SendKeyEvent(uint8_t virtualKey, uint8_t scanCode, uint32_t flags) override;
    int ShowOwnedMessage(void* owner, const wchar_t* text, const wchar_t* caption,
                         uint32_t style) override;
    void ReadLocalTime(LocalTimeParts* out) override;
    bool ShowHelpFileTopic(const wchar_t* helpFile, const wchar_t* topic) override;
    ProcessToken QueryProcessToken() override;

   private:
    TypingHost& host_;
  };
  struct QueuedKey {
    uint8_t virtualKey;
    uint8_t scanCode;
    bool up;
  };

  // One key event through the runner; true when the module took it.
  bool Event(uint8_t vk, uint32_t scan, bool up, wchar_t typed);
  void ReplayInjected();
  void Type(const wchar_t* text, int units);

  // KeyRunnerOutput: the console host keeps only the committed text; the
  // code, composition and page are read from the context.
  void StartComposition() override {}
  void UpdateComposition(const CompositionView&) override {}
  void CommitText(const wchar_t* text, int lenUnits) override { Type(text, lenUnits); }
  void EndComposition() override {}
  void UpdateCandidates(const CandidateView&) override {}
  void UpdateStatus(uint32_t) override {}
  void ShowTip(const wchar_t*) override {}
  void SoftKeyboardChanged() override {}

  static constexpr int kOutputUnits = 4096;
  static constexpr int kQueueCapacity = 64;
  ImeContext* context_;
  Effects* innerEffects_;
  ReplayEffects effects_;
  KeyRunner runner_;
  uint8_t keys_[256] = {};
  uint16_t scans_[256] = {};
  QueuedKey queue_[kQueueCapacity] = {};
  int queued_ = 0;
  wchar_t output_[kOutputUnits + 1] = {};
  int outputUnits_ = 0;
};
