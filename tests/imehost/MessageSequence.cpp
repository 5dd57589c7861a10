// Expected IME messages of typed codes.
#include "tests/imehost/MessageSequence.h"

#include <imm.h>

#include "tests/common/ImeMessageRules.h"

namespace {

constexpr LPARAM kUpdate = 0x1BF;         // reading, composition, clauses, cursor, delta
constexpr LPARAM kResult = 0x19BF;        // ... and the result with its clause
constexpr WPARAM kCancelNotice = 768;
constexpr WPARAM kAnchorNotice = 512;

std::vector<HostMessage> Expected(bool firstOfCode, bool space) {
  if (space) {
    return {{WM_IME_NOTIFY, kCancelNotice, 0},
            {WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 1},
            {WM_IME_COMPOSITION, 0, kResult},
            {WM_IME_ENDCOMPOSITION, 0, 0}};
  }
  std::vector<HostMessage> expected;
  if (firstOfCode) expected.push_back({WM_IME_STARTCOMPOSITION, 0, 0});
  expected.push_back({WM_IME_COMPOSITION, 0, kUpdate});
  if (firstOfCode) expected.push_back({WM_IME_NOTIFY, IMN_CHANGECANDIDATE, 1});
  expected.push_back({WM_IME_NOTIFY, IMN_OPENCANDIDATE, 1});
  expected.push_back({WM_IME_NOTIFY, kAnchorNotice, 0});
  return expected;
}

std::wstring Describe(const std::vector<HostMessage>& messages) {
  std::wstring text;
  for (const HostMessage& m : messages) {
    wchar_t line[64];
    wsprintfW(line, L" %x/%lu/0x%lx", m.message, static_cast<unsigned long>(m.wParam),
              static_cast<unsigned long>(m.lParam));
    text += line;
  }
  return text;
}

std::wstring KeyReport(size_t i, const std::vector<KeyStroke>& keys) {
  return L"key " + std::to_wstring(i) + L" (" + keys[i].name + L")";
}

}  // namespace

bool CheckWellFormed(const std::vector<KeyStroke>& keys, const HostSession& session,
                     std::wstring* report) {
  zn::test::ImeMessageRules rules;
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::vector<HostMessage> got = session.MessagesOfKey(i);
    for (const HostMessage& m : got) {
      if (const wchar_t* broken = rules.Feed(m.message, m.lParam)) {
        *report = KeyReport(i, keys) + L": " + broken + L";" + Describe(got);
        return false;
      }
    }
  }
  return true;
}

bool CheckCodeSequence(const std::vector<KeyStroke>& keys, const HostSession& session,
                       std::wstring* report) {
  bool firstOfCode = true;
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool space = keys[i].virtualKey == VK_SPACE;
    const std::vector<HostMessage> expected = Expected(firstOfCode, space);
    const std::vector<HostMessage> got = session.MessagesOfKey(i);
    bool same = expected.size() == got.size();
    for (size_t k = 0; same && k < got.size(); ++k) {
      same = got[k].message == expected[k].message && got[k].wParam == expected[k].wParam &&
             got[k].lParam == expected[k].lParam;
    }
    if (!same) {
      *report = KeyReport(i, keys) + L": expected" + Describe(expected) + L", got" + Describe(got);
      return false;
    }
    firstOfCode = space;
  }
  return true;
}
