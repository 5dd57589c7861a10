// What the console host shows for typed keys, from the data layer alone: the
// code, the records of main.dmg whose code equals or begins with it, paged,
// and the text a selection commits.
#pragma once

#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "tools/zntype/KeyScript.h"

struct ShownCandidate {
  std::wstring word;
  std::wstring hint;  // rest of a longer code, empty for an exact match
};

class TypingHost {
 public:
  explicit TypingHost(ImeContext* context);

  // Applies one key; false when the host does not handle it.
  bool Apply(const KeyStroke& key);

  std::wstring Code() const;
  std::wstring Composition() const;
  std::wstring Commit() const;
  std::vector<ShownCandidate> Page() const;
  int PageIndex() const { return page_; }
  int Selection() const { return selection_; }
  int PageSize() const;

 private:
  bool TakesAsCode(wchar_t ch) const;
  void Search();
  void ClearCode();
  void CommitText(const std::wstring& text);
  bool CommitSlot(int slot);

  ImeContext* context_;
  std::vector<ShownCandidate> candidates_;
  int page_ = 0;
  int selection_ = 0;
};
