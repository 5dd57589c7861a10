// A keyboard for key-runner tests: a context on small test tables, a
// keyboard-state table, a scripted clock and effects, and key events sent
// as a keyboard makes them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/KeyTables.h"
#include "frontend/common/KeyRunner.h"
#include "tests/common/RecordingKeyOutput.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"
#include "tests/engine/RoadTestContext.h"
#include "tools/zntype/KeyScript.h"

namespace zn::test {

class RunnerRoad {
 public:
  RunnerRoad() {
    ctx()->effects = &effects;
    ctx()->os = &clock;
    // The launchers read the install folder of this product key.
    wcscpy(ctx()->productKey, clock.productKey.c_str());
    clock.values[L"InstallLocation"] = L"C:\\zin";
    clock.values[L"IMEName"] = L"zinIME";
    wcscpy(ctx()->installFolder, L"C:\\zin\\");
  }

  ImeContext* ctx() const { return road.get(); }
  ImeConfigBlock* ime() const { return road.ime(); }
  DmeConfigBlock* dme() const { return road.dme(); }

  // One key event with the keyboard state as it stands; a taken key is run.
  KeyDecision Event(uint8_t vk, bool up, uint32_t keyData = 0) {
    if (up) {
      keys[vk] &= ~0x80;
    } else {
      if (vk == VK_CAPITAL) keys[vk] ^= 1;
      keys[vk] |= 0x80;
    }
    if (keyData == 0) keyData = MakeKeyData(ScanOf(vk), up);
    const KeyDecision decision = runner.TestKey(ctx(), KeyEvent{vk, keyData}, KeyState(keys));
    if (decision == KeyDecision::kTake) runner.RunPendingKey(ctx(), out);
    if (decision == KeyDecision::kPassAfterCancel) runner.Cancel(ctx(), out);
    return decision;
  }
  KeyDecision Tap(uint8_t vk) {
    const KeyDecision down = Event(vk, false);
    Event(vk, true);
    return down;
  }
  // Types text as key strokes (Shift held for shifted characters); returns
  // what the host received from the module.
  std::wstring Type(const std::wstring& text) {
    out.TakeCommitted();
    for (wchar_t c : text) {
      KeyStroke key;
      if (!CharToKeyStroke(c, &key)) continue;
      if (key.shift) Event(VK_SHIFT, false);
      Tap(static_cast<uint8_t>(key.virtualKey));
      if (key.shift) Event(VK_SHIFT, true);
    }
    return out.TakeCommitted();
  }
  // Key-function flags with no key (menus, hot keys).
  std::wstring RunFlags(uint64_t flags) {
    out.TakeCommitted();
    runner.RunKeyFunction(ctx(), flags, out);
    return out.TakeCommitted();
  }
  // Feeds the key events the module injected back in, as the system does.
  void ReplayInjectedKeys() {
    std::vector<uint32_t> injected;
    injected.swap(effects.keys);
    for (uint32_t k : injected) {
      const bool up = ((k >> 8) & KEYEVENTF_KEYUP) != 0;
      Event(static_cast<uint8_t>(k & 0xFF), up, MakeKeyData(0x3A, up));
    }
  }

  static uint32_t ScanOf(uint8_t vk) {
    switch (vk) {
      case VK_SHIFT: return 0x2A;
      case VK_CONTROL: return 0x1D;
      case VK_MENU: return 0x38;
      default: return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) & 0xFF;
    }
  }

  // Order values of the test words: a higher one lists first.
  void SetWords(const std::vector<std::pair<std::string, std::wstring>>& words) {
    std::vector<DmgTestEntry> entries;
    uint32_t order = 1000;
    for (const auto& [code, word] : words) entries.push_back({code, word, Attr(1, order--)});
    road.SetMain(entries);
  }

  FakeOs clock;
  FakeEffects effects;
  RoadContext road;
  KeyRunner runner{clock};
  RecordingKeyOutput out;
  uint8_t keys[256] = {};
};

}  // namespace zn::test
