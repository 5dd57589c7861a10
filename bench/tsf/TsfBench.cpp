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
  std::vector<double> perKey;
  perKey.reserve(strokes.size() * static_cast<size_t>(rounds));
  {
    ComPtr<ITfTextInputProcessorEx> service;
    *service.GetAddressOf() = new CTextService();
    auto host = fakehost::Make<fakehost::FakeThreadMgr>();
    fakehost::FakeContext* document = host->OpenDocument();
    if (FAILED(service->ActivateEx(host.Get(), 1, 0))) {
      fprintf(stderr, "tsf_bench: the text service did not activate\n");
      return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    uint8_t state[256] = {};
    for (int r = 0; r < rounds; ++r) {
      for (const KeyStroke& key : strokes) {
        state[VK_SHIFT] = key.shift ? 0x80 : 0;
        SetKeyboardState(state);
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        host->PressKey(key.virtualKey, key.ch);
        state[VK_SHIFT] = 0;
        SetKeyboardState(state);
        host->ReleaseKey(key.virtualKey);
        QueryPerformanceCounter(&t1);
        perKey.push_back(Microseconds(t1.QuadPart - t0.QuadPart, frequency.QuadPart));
      }
      // Keep the document small, as a user's line would be.
      document->AppSetText(L"", 0);
    }
    service->Deactivate();
    host->Shutdown();
  }
  RemoveDataFolderCopy(copy);
  CoUninitialize();
  std::sort(perKey.begin(), perKey.end());
  const auto at = [&](double q) { return perKey[static_cast<size_t>(q * static_cast<double>(perKey.size() - 1))]; };
  printf("tsf key strokes: %zu (%d rounds of %zu keys)\n", perKey.size(), rounds, strokes.size());
  printf("per key stroke (key sink + edit session + fake document), microseconds:\n");
  printf("  median %.1f  p90 %.1f  p99 %.1f  max %.1f\n", at(0.5), at(0.9), at(0.99), perKey.back());
  return 0;
}
