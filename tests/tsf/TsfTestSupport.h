// What the text-service tests share: an input context over a copy of the
// shipped data folder (made once per test program), scripted effects, and a
// fixture that runs a CTextService on the fake host and checks, at the end of
// every test, that nothing is left: no fake object, no advised sink, no lock
// fault, and DllCanUnloadNow answers S_OK.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/ImeContext.h"
#include "frontend/tsf/ClassFactory.h"
#include "frontend/tsf/TextService.h"
#include "tests/engine/FakeEffects.h"
#include "tests/tsf/host/FakeHost.h"

namespace zn::test {

// The shipped data folder copied for this test program.
const std::wstring& ShippedDataCopy();

// A clock the test moves by hand (the lone-modifier rule reads it).
class ScriptedClock : public Win32OsServices {
 public:
  uint64_t TickCount64() const override { return now; }
  uint64_t now = 1000000;
};

// Contexts for the service: made over the copy with scripted effects; a
// test may make the next creations fail.
struct TestContexts {
  static ImeContext* Create();
  static void Destroy(ImeContext* context);
  static TextServiceEnvironment Environment(const OsServices* clock = nullptr);
  static int failCreations;  // the next n creations fail
  // The Windows version new contexts see (major 0: the real one).
  static DWORD windowsMajor;
  static DWORD windowsMinor;
  static int live;
  static FakeEffects* effects;
};

// Scripted effects that also note message boxes shown while a document of
// the host was locked (never allowed: the application would hang under it).
class HostEffects : public FakeEffects {
 public:
  int ShowMessage(const wchar_t* text, const wchar_t* caption, uint32_t style) override {
    for (const fakehost::FakeContext* c : host ? host->contexts : std::vector<fakehost::FakeContext*>{}) {
      if (c->InsideLock()) ++messagesInsideLock;
    }
    return FakeEffects::ShowMessage(text, caption, style);
  }
  // A start that fails shows the system's own box, inside whatever lock
  // the key holds; its message loop runs whileShown like any box.
  bool OpenProgram(const wchar_t* file, const wchar_t* parameters, int show) override {
    FakeEffects::OpenProgram(file, parameters, show);
    if (!launchFails) return true;
    if (whileShown) whileShown();
    return false;
  }
  fakehost::FakeThreadMgr* host = nullptr;
  int messagesInsideLock = 0;
  bool launchFails = false;
};

class TsfTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the service (count 1 held by the test) and the thread manager.
  void MakeService();
  HRESULT Activate(DWORD flags = 0);
  // Presses and releases a key; typed is what the application types when
  // the key reaches it.
  bool Press(UINT vk, wchar_t typed = 0);
  // Types a string of lower-case letters, digits and spaces.
  void Type(const std::wstring& keys);
  std::wstring Document() const { return context_ ? context_->text() : L""; }
  // The document with [ ] around the composition and | at the caret.
  std::wstring Marked() const { return context_ ? context_->Marked() : L""; }
  // Modifier keys held in the thread's keyboard state (Shift, Ctrl ...).
  void Hold(std::initializer_list<int> keys);
  void ReleaseAll();
  CTextService* Service() { return static_cast<CTextService*>(service_.Get()); }
  ImeContext* Ime() { return Service()->imeContext(); }

  HostEffects effects_;
  ScriptedClock clock_;
  // What MakeService gives the service; a test may change it first.
  TextServiceEnvironment environment_;
  ComPtr<fakehost::FakeThreadMgr> host_;
  ComPtr<ITfTextInputProcessorEx> service_;
  fakehost::FakeContext* context_ = nullptr;  // the focused document's context
  TfClientId client_ = 1;
};

}  // namespace zn::test
