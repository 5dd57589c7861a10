// Time per key stroke through the TSF text service: the host's test and
// real key calls, the taken-decision, the synchronous edit session and the
// document edits of the fake host, on a copy of the shipped data. Prints the
// median, the 99th percentile and the worst key in microseconds.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/tsf/TextService.h"
#include "tests/tsf/host/FakeHost.h"
#include "tools/common/TypingView.h"
#include "tools/zntype/KeyScript.h"

namespace {

constexpr wchar_t kDefaultKeys[] =
    L"wqvb{Space}sfg1ggll{Space}aaaa{Backspace}{Space}tgjd{Space}ytjq{Space}qkb{Esc}hhhh{Space}"
    L"fghg{Space}ddgw{Space}wqvb{PageDown}{Space}";

double Microseconds(LONGLONG ticks, LONGLONG frequency) {
  return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency);
}

// The keyboard state the benchmark presses keys with. Read through the
// service's seam it costs nothing; Wine's GetKeyboardState is a server call
// of about 30 us (well under 1 us on Windows).
uint8_t keyboard[256];

bool ReadKeyboard(uint8_t state[256]) {
  for (int i = 0; i < 256; ++i) state[i] = keyboard[i];
  return true;
}

// Types the strokes rounds times and returns the sorted per-stroke times.
std::vector<double> Run(const std::vector<KeyStroke>& strokes, int rounds, bool seam) {
  std::vector<double> perKey;
  perKey.reserve(strokes.size() * static_cast<size_t>(rounds));
  TextServiceEnvironment environment = DefaultTextServiceEnvironment();
  if (seam) environment.readKeyboard = &ReadKeyboard;
  ComPtr<ITfTextInputProcessorEx> service;
  *service.GetAddressOf() = new CTextService(environment);
  auto host = fakehost::Make<fakehost::FakeThreadMgr>();
  host->keyboard = keyboard;
  fakehost::FakeContext* document = host->OpenDocument();
  if (FAILED(service->ActivateEx(host.Get(), 1, 0))) return perKey;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int r = 0; r < rounds; ++r) {
    for (const KeyStroke& key : strokes) {
      keyboard[VK_SHIFT] = key.shift ? 0x80 : 0;
      if (!seam) SetKeyboardState(keyboard);
      LARGE_INTEGER t0, t1;
      QueryPerformanceCounter(&t0);
      host->PressKey(key.virtualKey, key.ch);
      keyboard[VK_SHIFT] = 0;
      host->ReleaseKey(key.virtualKey);
      QueryPerformanceCounter(&t1);
      perKey.push_back(Microseconds(t1.QuadPart - t0.QuadPart, frequency.QuadPart));
    }
    // Keep the document small, as a user's line would be.
    document->AppSetText(L"", 0);
  }
  service->Deactivate();
  host->Shutdown();
  std::sort(perKey.begin(), perKey.end());
  return perKey;
}

void Report(const char* title, const std::vector<double>& perKey) {
  if (perKey.empty()) {
    printf("%s: the text service did not activate\n", title);
    return;
  }
  const auto at = [&](double q) { return perKey[static_cast<size_t>(q * static_cast<double>(perKey.size() - 1))]; };
  printf("%s (%zu key strokes), microseconds:\n", title, perKey.size());
  printf("  median %.1f  p90 %.1f  p99 %.1f  max %.1f\n", at(0.5), at(0.9), at(0.99), perKey.back());
}

}  // namespace

int wmain() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring data;
  std::wstring keys = kDefaultKeys;
  int rounds = 200;
  for (int i = 1; argv && i + 1 < argc; i += 2) {
    const std::wstring a = argv[i];
    if (a == L"--data") data = argv[i + 1];
    if (a == L"--keys") keys = argv[i + 1];
    if (a == L"--rounds") rounds = _wtoi(argv[i + 1]);
  }
  if (data.empty()) {
    fprintf(stderr, "usage: tsf_bench --data DIR [--keys SCRIPT] [--rounds N]\n");
    return 2;
  }
  if (data.back() != L'\\') data += L'\\';
  std::vector<KeyStroke> strokes;
  std::wstring error;
  if (!ParseKeyScript(keys, &strokes, &error)) return 2;
  const std::wstring copy = CopyDataFolder(data);
  if (copy.empty() || !WriteHostRegistryValues(copy)) return 1;

  CoInitialize(nullptr);
  printf("%d rounds of %zu keys: key sink, taken-decision, edit session and fake document\n", rounds,
         strokes.size());
  Report("keyboard state through the service's seam", Run(strokes, rounds, true));
  Report("keyboard state from Wine's GetKeyboardState", Run(strokes, rounds / 4 + 1, false));
  RemoveDataFolderCopy(copy);
  CoUninitialize();
  return 0;
}
