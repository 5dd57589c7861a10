// A KeyRunnerOutput for tests: every call as one line of text, plus the
// committed text, the composition and the page as they stand.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "frontend/common/KeyRunnerOutput.h"

namespace zn::test {

class RecordingKeyOutput : public KeyRunnerOutput {
 public:
  void StartComposition() override {
    Record(L"start");
    ++depth;
  }
  void UpdateComposition(const CompositionView& view) override {
    composition.assign(view.text, view.lenUnits);
    code.assign(view.code, view.codeUnits);
    caret = view.caretUnits;
    Record(L"composition " + composition + (view.associations ? L" (associations)" : L""));
  }
  void CommitText(const wchar_t* text, int lenUnits) override {
    committed.append(text, lenUnits);
    Record(L"commit " + std::wstring(text, lenUnits));
  }
  void EndComposition() override {
    Record(L"end");
    --depth;
    composition.clear();
    code.clear();
    page.clear();
  }
  void UpdateCandidates(const CandidateView& view) override {
    page.clear();
    for (int i = 0; i < view.count; ++i) page.emplace_back(view.slots[i].text);
    selection = view.selection;
    pageNumber = view.page;
    Record(L"candidates " + std::to_wstring(view.count) + L" sel " + std::to_wstring(view.selection));
  }
  void UpdateStatus(uint32_t changes) override {
    wchar_t text[32];
    std::swprintf(text, 32, L"status 0x%X", changes);
    Record(text);
  }
  void ShowTip(const wchar_t* text) override { Record(std::wstring(L"tip ") + text); }
  void SoftKeyboardChanged() override { Record(L"softkeyboard"); }

  // The calls since the last Take, then forgets them.
  std::vector<std::wstring> Take() {
    std::vector<std::wstring> taken;
    taken.swap(calls);
    return taken;
  }
  std::wstring TakeCommitted() {
    std::wstring taken;
    taken.swap(committed);
    return taken;
  }

  std::vector<std::wstring> calls;
  std::wstring committed;
  std::wstring composition;
  std::wstring code;
  int caret = 0;
  std::vector<std::wstring> page;
  int selection = 0;
  int pageNumber = 0;
  int depth = 0;  // open compositions: 0 or 1 when Start and End pair up

 private:
  void Record(const std::wstring& line) { calls.push_back(line); }
};

}  // namespace zn::test
