// Tokenising the installer's command line. Whole tokens only: a path that
// merely contains "-r" must not select a repair.
#include "installer/core/CommandLine.h"

#include <cwctype>

#include "engine/ConfigBlocks.h"
#include "engine/WideString.h"

namespace {

bool SameIgnoringCase(const std::wstring& token, const wchar_t* name) {
  size_t n = wcslen(name);
  if (token.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::towlower(token[i]) != std::towlower(name[i])) return false;
  }
  return true;
}

bool StartsIgnoringCase(const std::wstring& token, const wchar_t* prefix) {
  size_t n = wcslen(prefix);
  return token.size() >= n && SameIgnoringCase(token.substr(0, n), prefix);
}

bool IsSwitch(const std::wstring& token, wchar_t letter) {
  if (token.size() != 2 || (token[0] != L'/' && token[0] != L'-')) return false;
  return std::towlower(token[1]) == letter;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const wchar_t* line) {
  std::vector<std::wstring> tokens;
  if (!line) return tokens;
  std::wstring current;
  bool inToken = false;
  bool quoted = false;
  for (const wchar_t* p = line; *p; ++p) {
    if (*p == L'"') {
      quoted = !quoted;
      inToken = true;
    } else if (!quoted && (*p == L' ' || *p == L'\t')) {
      if (inToken) tokens.push_back(current);
      current.clear();
      inToken = false;
    } else {
      current += *p;
      inToken = true;
    }
  }
  if (inToken) tokens.push_back(current);
  return tokens;
}

InstallerCommandLine ParseCommandLineTokens(const wchar_t* line) {
  InstallerCommandLine parsed;
  std::vector<std::wstring> tokens = SplitCommandLine(line);
  if (tokens.empty()) {
    parsed.mode = InstallerMode::kInstall;
    return parsed;
  }
  // Families are tested in this order and the last one present wins, so
  // "/u /g" checks for updates whatever the order on the line.
  static constexpr struct {
    wchar_t letter;
    InstallerMode mode;
  } kModes[] = {{L'u', InstallerMode::kUninstall},
                {L'r', InstallerMode::kRepair},
                {L'z', InstallerMode::kNothing},
                {L'g', InstallerMode::kUpdate}};
  bool keySeen = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::wstring& token = tokens[i];
    if (IsSwitch(token, L'n') && !keySeen) {
      keySeen = true;
      // A switch right after /n means the key is missing; it stays a switch.
      bool hasValue = i + 1 < tokens.size() && tokens[i + 1][0] != L'/' && tokens[i + 1][0] != L'-';
      if (hasValue && IsProductKeyText(tokens[i + 1])) parsed.productKey = tokens[i + 1];
      if (hasValue) ++i;
    } else if (IsSwitch(token, L'f')) {
      parsed.tempCopy = true;
    } else if (StartsIgnoringCase(token, L"/GUID=")) {
      parsed.frameworkSwitch = true;
      std::wstring key = token.substr(6);
      if (IsProductKeyText(key)) parsed.switchKey = key;
    } else if (StartsIgnoringCase(token, L"/EMMODE=")) {
      std::wstring value = token.substr(8);
      parsed.embeddedMode = (value == L"1" || value == L"2" || value == L"3") ? value[0] - L'0' : 0;
    }
  }
  for (const auto& family : kModes) {
    for (const std::wstring& token : tokens) {
      if (IsSwitch(token, family.letter)) parsed.mode = family.mode;
    }
  }
  return parsed;
}

bool ParseInstallerCommandLine(InstallerState& state, const wchar_t* line) {
  InstallerCommandLine parsed = ParseCommandLineTokens(line);
  state.mode = parsed.mode;
  state.tempCopy = parsed.tempCopy;
  CopyStringBounded(state.productKey, kKeyUnits, parsed.productKey.c_str());
  return true;
}
