// An ImeWindows for tests of the front ends: records each call with the
// context it was for, creates no window.
#pragma once

#include <string>
#include <vector>

#include "frontend/common/ImeWindows.h"

namespace zn::test {

class RecordingImeWindows : public ImeWindows {
 public:
  struct Call {
    std::wstring what;
    ImeContext* context;
    std::wstring detail;
  };

  void ShowCandidateWindow(ImeContext* c) override { Record(L"ShowCandidateWindow", c); }
  void UpdateCandidateWindow(ImeContext* c) override { Record(L"UpdateCandidateWindow", c); }
  void HideCandidateWindow(ImeContext* c) override { Record(L"HideCandidateWindow", c); }
  void MoveCandidateWindow(ImeContext* c) override { Record(L"MoveCandidateWindow", c); }
  void DestroyCandidateWindow(ImeContext* c) override { Record(L"DestroyCandidateWindow", c); }
  void ShowStatusWindow(ImeContext* c) override { Record(L"ShowStatusWindow", c); }
  void UpdateStatusWindow(ImeContext* c) override { Record(L"UpdateStatusWindow", c); }
  void HideStatusWindow(ImeContext* c) override { Record(L"HideStatusWindow", c); }
  void ShowSoftKeyboard(ImeContext* c) override { Record(L"ShowSoftKeyboard", c); }
  void HideSoftKeyboard(ImeContext* c) override { Record(L"HideSoftKeyboard", c); }
  HWND RequestTipsWindow(ImeContext* c, int x, int y, int type, const wchar_t* text) override {
    Record(L"RequestTipsWindow", c,
           std::to_wstring(x) + L"," + std::to_wstring(y) + L"," + std::to_wstring(type) + L"," +
               (text ? text : L""));
    return nullptr;
  }
  HWND RequestDictWindow(ImeContext* c, int candidateIndex) override {
    Record(L"RequestDictWindow", c, std::to_wstring(candidateIndex));
    return nullptr;
  }
  void DestroyTipsWindow(ImeContext* c) override { Record(L"DestroyTipsWindow", c); }
  void TrackMenu(ImeContext* c, ImeMenu menu, HWND, int slot) override {
    Record(L"TrackMenu", c, std::to_wstring(static_cast<int>(menu)) + L"," + std::to_wstring(slot));
  }
  void DestroyWindows(ImeContext* c) override { Record(L"DestroyWindows", c); }

  // The names of the calls, in order.
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const Call& call : calls) names.push_back(call.what);
    return names;
  }

  std::vector<Call> calls;

 private:
  void Record(const wchar_t* what, ImeContext* c, std::wstring detail = {}) {
    calls.push_back({what, c, std::move(detail)});
  }
};

}  // namespace zn::test
