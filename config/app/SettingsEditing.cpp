// Rules of the text-mode editor.
#include "config/app/SettingsEditing.h"

namespace {

bool EndsWith(const std::wstring& text, const wchar_t* suffix) {
  const size_t n = wcslen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

}  // namespace

std::optional<std::wstring> BackupFileName(const std::wstring& chosen) {
  std::wstring name = chosen;
  for (wchar_t& c : name) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  if (name.empty() || name.back() == L'\\') return std::nullopt;
  // Choosing an existing back-up to replace must not stack the suffix.
  if (!EndsWith(name, kBackupSuffix)) {
    if (EndsWith(name, L".txt")) name.resize(name.size() - 4);
    name += kBackupSuffix;
  }
  if (name.size() > 259) return std::nullopt;
  return name;
}

LineColours ColoursOfLine(const std::wstring& line) {
  if (line.compare(0, 2, L"//") == 0) return {kCommentColour, line.size(), kCommentColour};
  if (line.compare(0, 2, L"[-") == 0) return {kPlainColour, line.size(), kPlainColour};
  size_t equals = line.find(L'=', line.empty() || line[0] != L'=' ? 0 : 1);
  if (equals == std::wstring::npos) return {kPlainColour, line.size(), kPlainColour};
  return {kPlainColour, equals + 1, kValueColour};
}

bool FindWithWrap(const std::function<bool(LONG, CHARRANGE&)>& finder, LONG& start,
                  CHARRANGE& found) {
  if (finder(start, found) || (start != 0 && finder(0, found))) {
    start = found.cpMax;
    return true;
  }
  start = 0;
  return false;
}

std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') {
      out += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool ShownTextIsCut(const std::wstring& loaded, const std::wstring& shown) {
  return WithCrLf(shown).size() < WithCrLf(loaded).size();
}

DWORD CreateDirectoryPath(const std::wstring& path) {
  if (path.empty() || path.size() >= MAX_PATH) return 0;
  for (size_t at = path.find(L'\\'); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    // Failures of single levels (a drive, an existing folder) are expected.
    if (at > 0) CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  return attributes;
}
