// IMM32 key-stroke benchmark: the shipped data folder (copied), a real input
// context served by the front end, key strokes of real codes given as the
// system gives them (ImeProcessKey for the key-down and key-up, ImeToAsciiEx
// for a taken key) with the messages delivered to a window that reads the
// results as a host does. The skinned windows are replaced by a counting
// stand-in. Reports median and tail latencies per key stroke and the heap
// allocations made while typing. Needs a display (xvfb-run). With
// --no-delivery the input context has no window, so the messages are built
// but not handed to the system: the module's own share of a key stroke.
//   wine imm_bench.exe --data Z:\path\to\data\ [--words N] [--no-delivery]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/common/AllocationCounter.h"
#include "engine/DmgTable.h"
#include "frontend/common/ImeWindows.h"
#include "frontend/common/KeyEvent.h"
#include "frontend/imm/ImcLock.h"
#include "frontend/imm/ImeDeclarations.h"
#include "frontend/imm/ImmModule.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/FakeEffects.h"
#include "tools/common/TypingView.h"


namespace {

// Counts what the front end asks of the windows; draws nothing.
class CountingWindows : public ImeWindows {
 public:
  void ShowCandidateWindow(ImeContext*) override { ++calls; }
  void UpdateCandidateWindow(ImeContext*) override { ++calls; }
  void HideCandidateWindow(ImeContext*) override { ++calls; }
  void DestroyCandidateWindow(ImeContext*) override { ++calls; }
  void ShowStatusWindow(ImeContext*) override { ++calls; }
  void UpdateStatusWindow(ImeContext*) override { ++calls; }
  void HideStatusWindow(ImeContext*) override { ++calls; }
  void ShowSoftKeyboard(ImeContext*) override { ++calls; }
  void HideSoftKeyboard(ImeContext*) override { ++calls; }
  HWND RequestTipsWindow(ImeContext*, int, int, int, const wchar_t*) override { return nullptr; }
  HWND RequestDictWindow(ImeContext*, int) override { return nullptr; }
  void DestroyTipsWindow(ImeContext*) override {}
  void TrackMenu(ImeContext*, ImeMenu, HWND, int) override {}
  void DestroyWindows(ImeContext*) override {}
  long calls = 0;
};

HIMC gHimc = nullptr;
long gMessages = 0;
long gResultUnits = 0;

// A host window: takes every IME message and reads each result.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_IME_COMPOSITION || message == WM_IME_NOTIFY ||
      message == WM_IME_STARTCOMPOSITION || message == WM_IME_ENDCOMPOSITION) {
    ++gMessages;
    if (message == WM_IME_COMPOSITION && (lParam & GCS_RESULTSTR)) {
      wchar_t text[260];
      const LONG bytes = ImmGetCompositionStringW(gHimc, GCS_RESULTSTR, text, sizeof(text));
      if (bytes > 0) gResultUnits += bytes / 2;
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Key strokes of codes taken from main.dmg, each ended by Space, a digit or
// Backspace and Space, as a typist would.
std::vector<uint8_t> MakeTrace(const MappedFile* main, int words, std::mt19937& rng) {
  std::vector<std::string> codes;
  const DmgView view = GetDmgView(main);
  DmgRecord r;
  for (uint32_t i = 0; i < view.countRecords; i += 5) {
    if (!ReadDmgRecord(view, i, &r) || !r.code || r.codeLen < 1) continue;
    std::string code(reinterpret_cast<const char*>(r.code + 1), r.codeLen);
    if (code.find_first_not_of("abcdefghijklmnopqrstuvwxy") == std::string::npos)
      codes.push_back(code);
  }
  std::vector<uint8_t> keys;
  if (codes.empty()) return keys;
  std::uniform_int_distribution<size_t> pick(0, codes.size() - 1);
  std::uniform_int_distribution<int> ending(0, 99);
  for (int w = 0; w < words; ++w) {
    const std::string& code = codes[pick(rng)];
    for (char c : code) keys.push_back(static_cast<uint8_t>(c - 'a' + 'A'));
    const int e = ending(rng);
    if (e < 10) keys.push_back(VK_BACK);
    keys.push_back(e < 70 ? VK_SPACE : static_cast<uint8_t>('1' + e % 3));
  }
  return keys;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring data;
  int words = 4000;
  bool deliver = true;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--no-delivery") deliver = false;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::wstring(argv[i]) == L"--data") data = argv[i + 1];
    if (std::wstring(argv[i]) == L"--words") words = _wtoi(argv[i + 1]);
  }
  if (data.empty()) {
    std::fwprintf(stderr, L"usage: imm_bench --data FOLDER [--words N]\n");
    return 2;
  }
  // Typing adjusts frequencies and learns words: work on a copy.
  const std::wstring copy = CopyDataFolder(data);
  if (copy.empty()) {
    std::fwprintf(stderr, L"cannot copy %ls\n", data.c_str());
    return 1;
  }
  zn::test::FakeOs os;
  os.values[L"IMEName"] = L"zinIME";
  os.values[L"InstallLocation"] = data;
  os.values[L"DataLocation"] = copy;
  zn::test::FakeEffects effects;
  CountingWindows windows;
  ImmModule().seams = ImmSeams{&os, &effects, &windows};

  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZnImmBenchHost";
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
  ShowWindow(host, SW_SHOW);
  SetFocus(host);
  gHimc = ImmCreateContext();
  {
    LockedImc imc(gHimc);
    if (!imc) {
      std::fwprintf(stderr, L"no input context (is there a display?)\n");
      return 1;
    }
    imc->hWnd = host;
    imc->fOpen = TRUE;
    imc->fdwConversion = IME_CMODE_NATIVE | IME_CMODE_SYMBOL;
  }
  if (!ImeSelect(gHimc, TRUE)) {
    std::fwprintf(stderr, L"no context for %ls\n", copy.c_str());
    return 1;
  }
  if (!deliver) {
    // Messages to no window are dropped before the system sees them.
    LockedImc imc(gHimc);
    imc->hWnd = nullptr;
  }
  std::mt19937 rng(20260101);
  std::vector<uint8_t> trace;
  {
    ImcLock lock(gHimc);
    trace = MakeTrace(lock.context()->files[kFileMain], words, rng);
  }
  uint8_t state[256] = {};
  std::vector<double> micros;
  micros.reserve(trace.size());
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  long taken = 0;
  const long long allocationsBefore = gAllocations.load();
  for (uint8_t vk : trace) {
    const uint32_t scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) & 0xFF;
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    state[vk] |= 0x80;
    if (ImeProcessKey(gHimc, vk, MakeKeyData(scan, false), state)) {
      ImeToAsciiEx(vk, scan, state, nullptr, 0, gHimc);
      ++taken;
    }
    state[vk] &= ~0x80;
    ImeProcessKey(gHimc, vk, MakeKeyData(scan, true), state);
    QueryPerformanceCounter(&b);
    micros.push_back((b.QuadPart - a.QuadPart) * 1e6 / frequency.QuadPart);
  }
  const long long allocationsWhileTyping = gAllocations.load() - allocationsBefore;
  ImeSelect(gHimc, FALSE);
  ImmDestroyContext(gHimc);
  DestroyWindow(host);
  RemoveDataFolderCopy(copy);

  if (micros.empty()) {
    std::fwprintf(stderr, L"no keys\n");
    return 1;
  }
  std::vector<double> sorted = micros;
  std::sort(sorted.begin(), sorted.end());
  auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
  std::wprintf(L"IMM32 key strokes%ls: %zu (%ld taken), %ld messages, %ld result units, "
               L"%ld window calls\n",
               deliver ? L"" : L" without delivery", micros.size(), taken, gMessages, gResultUnits,
               windows.calls);
  std::wprintf(L"per key stroke: median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n", at(0.5),
               at(0.9), at(0.99), sorted.back());
  std::wprintf(L"heap allocations while typing: %lld\n", allocationsWhileTyping);
  return 0;
}
