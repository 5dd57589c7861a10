// zntype: a console typing host. Creates an input context on a data folder
// (writing the registry values the engine reads), replays key strokes from
// --keys or standard input and prints what a user would see after each key,
// as text or, with --json, one JSON object per key. Output is UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "engine/Product.h"
#include "tools/zntype/KeyScript.h"
#include "tools/zntype/TypingHost.h"

namespace {

struct Options {
  std::wstring data;
  std::wstring keys;
  bool haveKeys = false;
  bool json = false;
};

void Write(HANDLE out, const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Fail(const std::wstring& text) {
  Write(GetStdHandle(STD_ERROR_HANDLE), L"zntype: " + text + L"\n");
}

bool ParseOptions(Options* options) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--json") {
      options->json = true;
    } else if (arg == L"--data" && i + 1 < argc) {
      options->data = argv[++i];
    } else if (arg == L"--keys" && i + 1 < argc) {
      options->keys = argv[++i];
      options->haveKeys = true;
    } else {
      ok = false;
    }
  }
  LocalFree(argv);
  return ok && !options->data.empty();
}

std::wstring ReadStandardInput() {
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(in, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

// The values the installer would have written, under this program's product key.
bool WriteRegistryValues(const std::wstring& dataFolder) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  std::wstring install(self, n);
  install.erase(install.find_last_of(L'\\') + 1);
  HKEY key = nullptr;
  std::wstring path = std::wstring(ZN_REGISTRY_ROOT) + L"\\" + ZN_PRODUCT_GUID_TEXT;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (auto [name, value] : {std::pair<const wchar_t*, std::wstring>{L"IMEName", ZN_IME_NAME},
                             {L"InstallLocation", install},
                             {L"DataLocation", dataFolder}}) {
    ok = ok && RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
                   ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

std::wstring JsonString(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      out += L'\\';
      out += c;
    } else if (c < 0x20) {
      wchar_t escape[8];
      wsprintfW(escape, L"\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + L"\"";
}

std::wstring Shown(const ShownCandidate& c) {
  return c.hint.empty() ? c.word : c.word + L"(" + c.hint + L")";
}

std::wstring Describe(const KeyStroke& key, const TypingHost& host, bool json) {
  auto page = host.Page();
  if (json) {
    std::wstring list;
    for (size_t i = 0; i < page.size(); ++i) list += (i ? L"," : L"") + JsonString(Shown(page[i]));
    return L"{\"key\":" + JsonString(key.name) + L",\"code\":" + JsonString(host.Code()) +
           L",\"composition\":" + JsonString(host.Composition()) + L",\"candidates\":[" + list +
           L"],\"selection\":" + std::to_wstring(host.Selection()) + L",\"page\":" +
           std::to_wstring(host.PageIndex()) + L",\"commit\":" + JsonString(host.Commit()) +
           L"}\n";
  }
  std::wstring line = L"[" + key.name + L"] code: " + host.Code();
  if (!page.empty()) {
    line += L"\n   page " + std::to_wstring(host.PageIndex() + 1) + L":";
    for (size_t i = 0; i < page.size(); ++i) {
      line += (static_cast<int>(i) == host.Selection() ? L"  >" : L"   ") +
              std::to_wstring((i + 1) % 10) + L"." + Shown(page[i]);
    }
  }
  if (!host.Commit().empty()) line += L"\n   commit: " + host.Commit();
  return line + L"\n";
}

}  // namespace

int main() {
  Options options;
  if (!ParseOptions(&options)) {
    Fail(L"usage: zntype --data DIR [--keys STRING] [--json]");
    return 2;
  }
  if (options.data.back() != L'\\') options.data += L'\\';
  std::vector<KeyStroke> keys;
  std::wstring error;
  if (!ParseKeyScript(options.haveKeys ? options.keys : ReadStandardInput(), &keys, &error)) {
    Fail(error);
    return 2;
  }
  if (!WriteRegistryValues(options.data)) {
    Fail(L"cannot write the product's registry values");
    return 1;
  }
  ImeContext* context = CreateImeContext();
  if (!context) {
    Fail(L"no input context: config.dsc and main.dmg must be in " + options.data);
    return 1;
  }
  TypingHost host(context);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  for (const KeyStroke& key : keys) {
    host.Apply(key);
    Write(out, Describe(key, host, options.json));
  }
  DestroyImeContext(context);
  return 0;
}
