// difftyping: types the same seeded scripts into four hosts of the module
// and compares the text: the console host's key runner, the text service on
// the fake TSF host, a real EDIT and a real RichEdit control (riched20) fed
// through SendInput with the module installed as an IME. Each host runs in a
// process of its own, one after the other. The first difference is printed
// with the keys that led to it.
//
//   difftyping --data DIR --module FILE [--scripts N] [--keys N] [--seed S]
//   difftyping --target NAME --data DIR --module FILE --in SCRIPTS --out TRACE
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/realapps/TypingScripts.h"
#include "tests/realapps/TypingTargets.h"

namespace {

constexpr const wchar_t* kTargets[] = {L"console", L"tsf", L"edit", L"richedit"};
constexpr int kTargetCount = 4;

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

void Print(const std::wstring& text) {
  const std::string bytes = Utf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += L"\\n";
    } else if (c == L'\\') {
      out += L"\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// One host's trace: per script, per key, whether a composition was open and
// the text ("=" when unchanged).
int RunTarget(const std::wstring& name, const std::wstring& data, const std::wstring& module,
              const std::wstring& in, const std::wstring& out) {
  std::wstring error;
  std::unique_ptr<TypingTarget> target = MakeTypingTarget(name, data, module, &error);
  if (!target) {
    Print(L"difftyping: " + error + L"\n");
    return 2;
  }
  std::string trace;
  for (const std::string& line : ReadLines(in)) {
    std::vector<KeyStroke> keys;
    if (!ParseKeyScript(Wide(line), &keys, &error)) {
      Print(L"difftyping: " + error + L"\n");
      return 2;
    }
    target->Clear();
    std::wstring last;
    trace += "script\n";
    for (const KeyStroke& key : keys) {
      target->Press(key);
      std::wstring text = target->Text();
      trace += target->Composing() ? "o\t" : "c\t";
      trace += text == last ? "=" : Utf8(Escaped(text));
      trace += "\n";
      last = std::move(text);
    }
  }
  target.reset();
  std::ofstream(out.c_str(), std::ios::binary) << trace;
  return 0;
}

struct Step {
  bool composing;
  std::string text;
};
using Trace = std::vector<std::vector<Step>>;  // per script, per key

Trace ReadTrace(const std::wstring& path) {
  Trace trace;
  for (const std::string& line : ReadLines(path)) {
    if (line == "script") {
      trace.emplace_back();
    } else if (!trace.empty() && line.size() >= 2) {
      std::string text = line.substr(2);
      if (text == "=") text = trace.back().empty() ? "" : trace.back().back().text;
      trace.back().push_back({line[0] == 'o', text});
    }
  }
  return trace;
}

bool RunChild(const std::wstring& arguments, double* seconds) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(process.hProcess, 20 * 60 * 1000) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 9);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return code == 0;
}

// A trailing backslash would escape the closing quote.
std::wstring Quoted(std::wstring text) {
  while (!text.empty() && text.back() == L'\\') text.pop_back();
  return L"\"" + text + L"\"";
}

// The first key after which two hosts, neither composing, show different
// text; or, failing that, a different text at the end of a script.
bool Compare(const std::vector<std::wstring>& scripts, const std::vector<uint64_t>& seeds,
             const Trace (&traces)[kTargetCount]) {
  for (size_t s = 0; s < scripts.size(); ++s) {
    std::vector<KeyStroke> keys;
    std::wstring error;
    ParseKeyScript(scripts[s], &keys, &error);
    for (int t = 0; t < kTargetCount; ++t) {
      if (traces[t].size() <= s || traces[t][s].size() != keys.size()) {
        Print(std::wstring(L"the ") + kTargets[t] + L" host did not type script " +
              std::to_wstring(seeds[s]) + L" to its end\n");
        return false;
      }
    }
    for (size_t k = 0; k < keys.size(); ++k) {
      const bool last = k + 1 == keys.size();
      bool anyComposing = false;
      bool same = true;
      for (int t = 0; t < kTargetCount; ++t) {
        anyComposing = anyComposing || traces[t][s][k].composing;
        same = same && traces[t][s][k].text == traces[0][s][k].text;
      }
      if (same || (anyComposing && !last)) continue;
      std::wstring led;
      for (size_t i = k >= 40 ? k - 39 : 0; i <= k; ++i) led += keys[i].name;
      Print(L"script " + std::to_wstring(seeds[s]) + L", key " + std::to_wstring(k + 1) + L" of " +
            std::to_wstring(keys.size()) + L": the texts differ\n  keys: " +
            (k >= 40 ? L"…" : L"") + led + L"\n");
      for (int t = 0; t < kTargetCount; ++t) {
        const Step& step = traces[t][s][k];
        Print(std::wstring(L"  ") + kTargets[t] + (step.composing ? L" (composing)" : L"") +
              L": " + Wide(step.text) + L"\n");
      }
      return false;
    }
  }
  return true;
}

int RunComparison(const std::wstring& data, const std::wstring& module, int scriptCount,
                  int minKeys, uint64_t firstSeed) {
  const std::vector<std::string> codes = LoadWubiCodes(data + L"main.dmg");
  if (codes.empty()) {
    Print(L"difftyping: no codes in " + data + L"main.dmg\n");
    return 2;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp) + L"difftyping-" +
                            std::to_wstring(GetCurrentProcessId());
  std::vector<std::wstring> scripts;
  std::vector<uint64_t> seeds;
  std::string lines;
  size_t keyCount = 0;
  for (int i = 0; i < scriptCount; ++i) {
    seeds.push_back(firstSeed + static_cast<uint64_t>(i));
    scripts.push_back(MakeTypingScript(seeds.back(), codes, minKeys));
    std::vector<KeyStroke> keys;
    std::wstring error;
    ParseKeyScript(scripts.back(), &keys, &error);
    keyCount += keys.size();
    lines += Utf8(scripts.back()) + "\n";
  }
  std::ofstream((base + L".keys").c_str(), std::ios::binary) << lines;
  Print(std::to_wstring(scriptCount) + L" scripts, " + std::to_wstring(keyCount) + L" keys\n");

  Trace traces[kTargetCount];
  bool ok = true;
  for (int t = 0; t < kTargetCount && ok; ++t) {
    const std::wstring out = base + L"." + kTargets[t];
    double seconds = 0;
    ok = RunChild(std::wstring(L"--target ") + kTargets[t] + L" --data " + Quoted(data) +
                      L" --module " + Quoted(module) + L" --in " + Quoted(base + L".keys") +
                      L" --out " + Quoted(out),
                  &seconds);
    wchar_t line[160];
    swprintf(line, 160, L"%-9ls %6.1f s, %5.2f ms a key%ls\n", kTargets[t], seconds,
             1000.0 * seconds / static_cast<double>(keyCount), ok ? L"" : L" (failed)");
    Print(line);
    traces[t] = ReadTrace(out);
    DeleteFileW(out.c_str());
  }
  if (ok) ok = Compare(scripts, seeds, traces);
  if (!ok) Print(L"scripts kept in " + base + L".keys\n");
  else DeleteFileW((base + L".keys").c_str());
  if (ok) Print(L"the four hosts typed the same text\n");
  return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring target, data, module, in, out;
  int scripts = 30;
  int keys = 200;
  uint64_t seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring a = argv[i];
    const wchar_t* v = argv[i + 1];
    if (a == L"--target") target = v;
    else if (a == L"--data") data = v;
    else if (a == L"--module") module = v;
    else if (a == L"--in") in = v;
    else if (a == L"--out") out = v;
    else if (a == L"--scripts") scripts = _wtoi(v);
    else if (a == L"--keys") keys = _wtoi(v);
    else if (a == L"--seed") seed = static_cast<uint64_t>(_wtoi64(v));
    else data.clear(), i = argc;
  }
  if (data.empty() || module.empty() || (argc % 2) == 0) {
    Print(L"usage: difftyping --data DIR --module FILE [--scripts N] [--keys N] [--seed S]\n");
    return 2;
  }
  if (data.back() != L'\\') data += L'\\';
  if (!target.empty()) return RunTarget(target, data, module, in, out);
  return RunComparison(data, module, scripts, keys, seed);
}
