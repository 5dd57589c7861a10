// The order of composition messages every IMM32 host relies on: one
// WM_IME_STARTCOMPOSITION opens a composition and one WM_IME_ENDCOMPOSITION
// closes it; updates and the result come only inside; after the result
// nothing but the end. Notifications may come at any time.
#pragma once

#include <windows.h>
#include <imm.h>

namespace zn::test {

class ImeMessageRules {
 public:
  // Feeds the next message the host got; null when it keeps the rules, else
  // what it broke.
  const wchar_t* Feed(UINT message, LPARAM lParam) {
    switch (message) {
      case WM_IME_STARTCOMPOSITION:
        if (open_) return L"a second start before the end";
        open_ = true;
        result_ = false;
        return nullptr;
      case WM_IME_ENDCOMPOSITION:
        if (!open_) return L"an end without a start";
        open_ = false;
        return nullptr;
      case WM_IME_COMPOSITION:
        if (!open_) return L"a composition message outside a composition";
        if (result_) return L"a composition message after the result";
        if (lParam & GCS_RESULTSTR) result_ = true;
        return nullptr;
      default:
        return nullptr;
    }
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
  bool result_ = false;
};

}  // namespace zn::test
