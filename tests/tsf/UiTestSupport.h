// What the tests of the candidate list, the language bar, the display
// attributes and the commands share: a service with the recording window
// facade, a registry in memory, recorded IMM32 notices, and the shared
// settings put back after every test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/ImeOptionBits.h"
#include "tests/common/RecordingImeWindows.h"
#include "tests/tsf/TsfTestSupport.h"

namespace zn::test {

// HKCU binary values kept in memory; writes can be refused.
class MemoryRegistry : public Win32OsServices {
 public:
  bool ReadUserBinary(const wchar_t* key, const wchar_t* name, void* out, uint32_t capacity,
                      uint32_t* size) const override {
    auto it = values.find(std::wstring(key) + L"|" + name);
    if (size) *size = 0;
    if (it == values.end() || it->second.size() > capacity) return false;
    if (!it->second.empty()) memcpy(out, it->second.data(), it->second.size());
    if (size) *size = static_cast<uint32_t>(it->second.size());
    return true;
  }
  bool WriteUserBinary(const wchar_t* key, const wchar_t* name, const void* data, uint32_t size) const override {
    if (!writable) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    values[std::wstring(key) + L"|" + name] = std::vector<uint8_t>(bytes, bytes + size);
    return true;
  }
  mutable std::map<std::wstring, std::vector<uint8_t>> values;
  bool writable = true;
};

struct ImmNotice {
  HWND window;
  WPARAM notification;
  LPARAM lists;
};

class UiTest : public TsfTest {
 public:
  static std::vector<ImmNotice>& Notices() {
    static std::vector<ImmNotice> notices;
    return notices;
  }
  static void RecordNotice(HWND window, WPARAM notification, LPARAM lists) {
    Notices().push_back({window, notification, lists});
  }

 protected:
  void SetUp() override {
    TsfTest::SetUp();
    environment_.windows = &windows_;
    environment_.registry = &registry_;
    environment_.notifyImm = &RecordNotice;
    Notices().clear();
  }
  // Activates with the settings block saved, the placeholder style, the
  // status bar (not the language bar) and a typed code dropped (not
  // committed) on a mode switch, unless options say otherwise.
  void Start(uint32_t set = 0, DWORD flags = 0) {
    ASSERT_EQ(Activate(flags), S_OK);
    if (!saved_) savedIme_ = *Ime()->imeBlock;
    saved_ = true;
    Ime()->imeBlock->optionFlags =
        (savedIme_.optionFlags & ~(ImeBits::kTsfStyles | ImeBits::kStatusInLanguageBar | ImeBits::kHideStatus |
                                   ImeBits::kCommitOnSwitch)) |
        set;
  }
  void TearDown() override {
    if (service_ && Ime() && saved_) *Ime()->imeBlock = savedIme_;
    TsfTest::TearDown();
  }
  int Count(const std::wstring& name) const {
    int n = 0;
    for (const std::wstring& c : windows_.Names()) n += c == name;
    return n;
  }
  std::vector<std::wstring> Tips() const {
    std::vector<std::wstring> tips;
    for (const auto& call : windows_.calls) {
      if (call.what != L"RequestTipsWindow") continue;
      // "x,y,type,text": the text may hold commas itself.
      size_t at = 0;
      for (int i = 0; i < 3; ++i) at = call.detail.find(L',', at) + 1;
      tips.push_back(call.detail.substr(at));
    }
    return tips;
  }
  LONG Global(const GUID& guid) { return host_->compartments()->ValueOf(guid); }
  // Whether two interfaces of an object answer with one IUnknown.
  static bool SameObject(IUnknown* a, IUnknown* b) {
    ComPtr<IUnknown> x;
    ComPtr<IUnknown> y;
    return a && b && SUCCEEDED(a->QueryInterface(IID_PPV_ARGS(&x))) &&
           SUCCEEDED(b->QueryInterface(IID_PPV_ARGS(&y))) && x.Get() == y.Get();
  }

  RecordingImeWindows windows_;
  MemoryRegistry registry_;
  ImeConfigBlock savedIme_{};
  bool saved_ = false;
};

}  // namespace zn::test
