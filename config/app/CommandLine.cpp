// Tokenising and reading config's command line.
#include "config/app/CommandLine.h"

#include <cwchar>
#include <vector>

#include "engine/ConfigBlocks.h"

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

struct Token {
  std::wstring text;
  bool quoted;
};

std::vector<Token> Tokenise(const wchar_t* line) {
  std::vector<Token> tokens;
  if (!line) return tokens;
  const wchar_t* p = line;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    const bool quoted = *p == L'"' || *p == L'\'';
    // Whole tokens are read here; the capacities are applied per switch.
    size_t length = 0;
    const wchar_t* q = p + (quoted ? 1 : 0);
    while (q[length] && (quoted ? q[length] != *p : !IsBlank(q[length]))) ++length;
    std::wstring text(length + 1, L'\0');
    size_t used = CopyQuotedArgument(p, text.data(), length + 1);
    text.resize(wcslen(text.c_str()));
    tokens.push_back({std::move(text), quoted});
    p += used;
  }
  return tokens;
}

std::wstring Cut(const std::wstring& text, size_t units) {
  return text.size() > units ? text.substr(0, units) : text;
}

int ToInt(const std::wstring& text) {
  long value = std::wcstol(Cut(text, kSizeValueChars).c_str(), nullptr, 10);
  if (value > 0x7FFFFFFFL) return 0x7FFFFFFF;
  if (value < -0x7FFFFFFFL) return -0x7FFFFFFF;
  return static_cast<int>(value);
}

}  // namespace

size_t CopyQuotedArgument(const wchar_t* source, wchar_t* destination, size_t capacity) {
  if (destination && capacity) destination[0] = L'\0';
  if (!source) return 0;
  const wchar_t mark = (*source == L'"' || *source == L'\'') ? *source : L'\0';
  size_t at = mark ? 1 : 0;
  size_t n = 0;
  while (source[at] && (mark ? source[at] != mark : !IsBlank(source[at]))) {
    if (destination && n + 1 < capacity) destination[n++] = source[at];
    ++at;
  }
  if (destination && capacity) destination[n] = L'\0';
  if (mark && source[at] == mark) ++at;
  return at;
}

ConfigCommandLine ParseConfigCommandLine(const wchar_t* commandLine) {
  ConfigCommandLine result;
  std::vector<Token> tokens = Tokenise(commandLine);
  bool haveUrl = false;
  bool haveWord = false;
  std::wstring url;
  std::wstring word;
  std::wstring width;
  std::wstring height;
  for (size_t i = 0; i < tokens.size(); ++i) {
    // A quoted token is always a value.
    if (tokens[i].quoted) continue;
    const std::wstring& name = tokens[i].text;
    std::wstring* target = nullptr;
    if (name == L"/n") {
      target = &result.productKey;
    } else if (name == L"/do") {
      target = &result.keyword;
    } else if (name == L"/showurl") {
      haveUrl = true;
      target = &url;
    } else if (name == L"/showurlCX") {
      target = &width;
    } else if (name == L"/showurlCY") {
      target = &height;
    } else if (name == L"/dict") {
      haveWord = true;
      target = &word;
    } else {
      continue;
    }
    target->clear();
    if (i + 1 < tokens.size()) *target = tokens[++i].text;
  }
  result.productKey = Cut(result.productKey, kProductKeyChars);
  result.keyword = Cut(result.keyword, kKeywordUnits);
  if (haveUrl) {
    result.keyword = L"showurl";
    result.text = Cut(url, kKeywordUnits);
    result.width = width.empty() ? -1 : ToInt(width);
    result.height = height.empty() ? -1 : ToInt(height);
  } else if (haveWord) {
    result.keyword = L"dict";
    result.text = Cut(word, kKeywordUnits);
  }
  return result;
}

