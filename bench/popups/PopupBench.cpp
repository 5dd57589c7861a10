// Times what the popups do while the user works: painting the soft keyboard
// (every hover change repaints it) and finding a word's dictionary text in a
// large dict.dms (every hovered candidate). Needs a display.
//   popup_bench.exe [--entries N] [--lookups N]
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "codetable/DmsText.h"
#include "engine/ImeContext.h"
#include "engine/MappedFile.h"
#include "ui/popups/DictText.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/windows/SoftKeyboardWindow.h"

namespace {

using bench::MicrosPerTick;
using bench::Report;
using bench::Ticks;

int Arg(int argc, wchar_t** argv, const wchar_t* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], name) == 0) return _wtoi(argv[i + 1]);
  }
  return fallback;
}

void PaintKeyboard(int rounds) {
  auto* context = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSoftKeyboardWidth, kSoftKeyboardHeight);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::vector<double> micros;
  const double perTick = MicrosPerTick();
  for (int i = 0; i < rounds; ++i) {
    const int layout = i % kSoftKeyboardLayouts;
    std::memcpy(context->softKeyboardMap, &SoftKeyboardLayoutTable[layout], kSoftKeyboardRowBytes);
    context->softKeyboardWindow.hoveredItem = i % kSoftKeyCount;
    const double start = Ticks();
    PaintSoftKeyboard(context, dc);
    GdiFlush();
    micros.push_back((Ticks() - start) * perTick);
  }
  Report("soft keyboard: paint (picture, 58 keys)", micros);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  GlobalFree(context);
}

std::wstring Word(uint32_t n) {
  // Two or three characters from the common CJK block.
  std::wstring w;
  w.push_back(static_cast<wchar_t>(0x4E00 + n % 20000));
  w.push_back(static_cast<wchar_t>(0x4E00 + (n / 20000 + n * 7) % 20000));
  if (n % 3 == 0) w.push_back(static_cast<wchar_t>(0x4E00 + (n * 13) % 20000));
  return w;
}

void LookUpEntries(int entries, int lookups) {
  std::vector<DmsTextEntry> table;
  table.reserve(entries);
  const std::wstring body(180, L'释');
  for (int i = 0; i < entries; ++i) {
    table.push_back({Word(static_cast<uint32_t>(i)), body + L"\r\n \r\n" + body + body});
  }
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"zn-popup-bench.dms";
  if (WriteDmsTable(path.c_str(), table) != DmsBuildResult::kDone) return;
  MappedFile* dict = nullptr;
  if (OpenMappedFile(&dict, path.c_str()) <= 0) return;
  std::mt19937 random(42);
  std::vector<double> micros;
  std::vector<wchar_t> text(kDictTextUnits);
  const double perTick = MicrosPerTick();
  int found = 0;
  for (int i = 0; i < lookups; ++i) {
    // Every fourth word is not in the dictionary.
    const uint32_t n = random() % (entries + entries / 3);
    const std::wstring word = n < static_cast<uint32_t>(entries) ? Word(n) : L"无此词" + Word(n);
    bool hit = false;
    const double start = Ticks();
    CopyDictEntryText(dict, word.c_str(), text.data(), kDictTextUnits, &hit);
    micros.push_back((Ticks() - start) * perTick);
    found += hit;
  }
  char what[96];
  std::snprintf(what, sizeof what, "dictionary text: %d entries, %d%% found", entries,
                lookups ? found * 100 / lookups : 0);
  Report(what, micros);
  CloseMappedFile(dict, 0);
  DeleteFileW(path.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  PaintKeyboard(Arg(argc, argv, L"--rounds", 2000));
  LookUpEntries(Arg(argc, argv, L"--entries", 100000), Arg(argc, argv, L"--lookups", 20000));
  return 0;
}
