// A scripted CodeTableUi for the code-table command tests: a chosen file,
// one answer for every question, and records of what was asked, told,
// shown and opened.
#pragma once

#include <cwchar>
#include <string>
#include <vector>

#include "codetable/Progress.h"

namespace zn::test {

class ScriptedUi : public CodeTableUi {
 public:
  bool ChooseTextFile(const wchar_t*, const wchar_t*, wchar_t* path) override {
    if (chosen.empty()) return false;
    wcscpy(path, chosen.c_str());
    return true;
  }
  UiAnswer Ask(const wchar_t* text, const wchar_t*, UiIcon) override {
    asked.push_back(text);
    return answer;
  }
  void Tell(const wchar_t* text, const wchar_t*, UiIcon icon) override {
    told.push_back(text);
    toldIcons.push_back(icon);
  }
  void ShowProgress(bool shown) override { progressShown = shown; }
  void SetProgress(int percent) override { percents.push_back(percent); }
  void OpenDocument(const wchar_t* path) override { opened = path; }

  std::wstring chosen;
  UiAnswer answer = UiAnswer::kYes;
  std::vector<std::wstring> asked, told;
  std::vector<UiIcon> toldIcons;
  bool progressShown = false;
  std::vector<int> percents;
  std::wstring opened;
};

}  // namespace zn::test
