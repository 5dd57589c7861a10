// Script generation for the cross-host typing comparison.
#include "tests/realapps/TypingScripts.h"

#include <algorithm>
#include <cwchar>

#include "engine/DmgTable.h"
#include "engine/MappedFile.h"

namespace {

// splitmix64: the same numbers on every compiler.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_;
};

class ScriptWriter {
 public:
  ScriptWriter(uint64_t seed, const std::vector<std::string>& codes) : random_(seed) {
    for (const std::string& code : codes) byLength_[code.size() - 1].push_back(code);
  }

  // A last code committed with Space, so no composition stays open.
  void Close() {
    Code();
    Key(L"{Space}");
  }

  // Key strokes written so far.
  int keys() const { return keys_; }
  const std::wstring& text() const { return text_; }

  void Phrase() {
    const int pick = random_.Below(100);
    if (pick < 34) {
      Code();
      Key(L"{Space}");
    } else if (pick < 46) {
      // A full code committed by the first letter of the next.
      Code(4);
      Code(1 + random_.Below(4));
      Key(L"{Space}");
    } else if (pick < 54) {
      Code(1 + random_.Below(2));
      Key(std::wstring(1, static_cast<wchar_t>(L'1' + random_.Below(3))));
      Key(L"{Esc}");  // in case that slot was empty
    } else if (pick < 61) {
      Code(1 + random_.Below(2));
      static const wchar_t* const kPaging[] = {L"{PageDown}{Space}", L"={Space}", L"=={PageUp}{Space}",
                                               L"{PageDown}-2", L"={PageDown}3"};
      Keys(kPaging[random_.Below(5)]);
      Key(L"{Esc}");
    } else if (pick < 67) {
      const std::string code = Code(2 + random_.Below(3));
      Key(L"{Backspace}");
      Key(std::wstring(1, static_cast<wchar_t>(code.back())));
      Key(L"{Space}");
    } else if (pick < 70) {
      const std::string code = Code(1 + random_.Below(3));
      for (size_t i = 0; i < code.size(); ++i) Key(L"{Backspace}");
    } else if (pick < 74) {
      Code();
      Key(L"{Esc}");
    } else if (pick < 78) {
      Code();
      Key(L"{Enter}");
    } else if (pick < 82) {
      Key(L"{Backspace}");
    } else if (pick < 85) {
      Key(L"{Enter}");
    } else if (pick < 91) {
      static const wchar_t* const kMarks[] = {L",", L".", L";", L"!", L"?", L"\\"};
      Key(kMarks[random_.Below(6)]);
    } else if (pick < 94) {
      Key(std::wstring(1, static_cast<wchar_t>(L'0' + random_.Below(10))));
    } else if (pick < 98) {
      English();
    } else {
      // A tap while a code is typed, then English, then back.
      Code();
      English();
    }
  }

 private:
  std::string Code(int length = 0) {
    if (length == 0) {
      const int pick = random_.Below(20);
      length = pick < 2 ? 1 : pick < 6 ? 2 : pick < 11 ? 3 : 4;
    }
    const std::vector<std::string>& pool = byLength_[length - 1];
    if (pool.empty()) return {};
    const std::string& code = pool[static_cast<size_t>(random_.Below(static_cast<int>(pool.size())))];
    for (char c : code) Key(std::wstring(1, static_cast<wchar_t>(c)));
    return code;
  }

  void English() {
    static const wchar_t* const kWords[] = {L"ok", L"Wine", L"abc", L"Hi", L"test", L"IME"};
    Key(L"{LShift}");
    Keys(kWords[random_.Below(6)]);
    if (random_.Below(2)) Key(L"{Space}");
    Key(L"{LShift}");
  }

  void Keys(const wchar_t* keys) {
    for (const wchar_t* p = keys; *p;) {
      const wchar_t* end = p + 1;
      if (*p == L'{') end = wcschr(p, L'}') + 1;
      Key(std::wstring(p, end));
      p = end;
    }
  }

  void Key(const std::wstring& key) {
    text_ += key;
    ++keys_;
  }

  Random random_;
  std::vector<std::string> byLength_[4];
  std::wstring text_;
  int keys_ = 0;
};

}  // namespace

std::vector<std::string> LoadWubiCodes(const std::wstring& tablePath) {
  std::vector<std::string> codes;
  MappedFile* table = nullptr;
  OpenMappedFile(&table, tablePath.c_str());
  if (!table) return codes;
  DmgView view = GetDmgView(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord record;
    if (!ReadDmgRecord(view, i, &record) || EntryAttr::Category(record.attr) != 1) continue;
    if (record.codeLen < 1 || record.codeLen > 4) continue;
    std::string code(reinterpret_cast<const char*>(record.code + 1), record.codeLen);
    if (std::all_of(code.begin(), code.end(), [](char c) { return c >= 'a' && c <= 'y'; }))
      codes.push_back(code);
  }
  CloseMappedFile(table, 0);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return codes;
}

std::wstring MakeTypingScript(uint64_t seed, const std::vector<std::string>& codes, int minKeys) {
  ScriptWriter writer(seed, codes);
  while (writer.keys() < minKeys) writer.Phrase();
  writer.Close();
  return writer.text();
}
