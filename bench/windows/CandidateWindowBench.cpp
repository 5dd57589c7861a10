// Times the candidate window per key stroke with the shipped skin and a
// ten-candidate page: the layout alone, and layout + placement + painting +
// UpdateLayeredWindow as a refresh after a key does. Needs a display.
//   candidate_window_bench.exe [--skin PATH\skin.col] [--strokes N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "engine/ConfigBlocks.h"
#include "engine/ImeContext.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/CandidateLayout.h"
#include "ui/windows/CandidateWindow.h"
#include "ui/windows/GdiTextMeasurer.h"
#include "ui/windows/WindowArea.h"
#include "ui/windows/WindowClasses.h"

namespace {

using bench::MicrosPerTick;
using bench::Report;
using bench::Ticks;

std::wstring DefaultSkin() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  // bench\windows\<exe> in the build tree; the skins are in data\tessel.
  for (int i = 0; i < 3; ++i) path.erase(path.find_last_of(L'\\'));
  return path + L"\\data\\tessel\\skin.col";
}

const wchar_t* const kWords[] = {L"经济", L"纟", L"红", L"经", L"结构", L"组织", L"给",
                                 L"终于", L"绿色", L"继续"};

void FillPage(ImeContext* c, int stroke) {
  const wchar_t* codes[] = {L"x", L"xc", L"xca", L"xcag"};
  const wchar_t* code = codes[stroke % 4];
  c->compositionLength = static_cast<int32_t>(wcslen(code));
  wcscpy(c->composition, code);
  c->slotsFilled = 10;
  c->candidateCount = 40;
  c->pageFirst = 0;
  c->pageLast = 9;
  c->selection = stroke % 10;
  for (int k = 0; k < 10; ++k) {
    PageSlot& slot = c->pageSlots[k];
    wcscpy(slot.text, kWords[(k + stroke) % 10]);
    slot.length = static_cast<int32_t>(wcslen(slot.text));
    c->slotListIndex[k] = k;
    c->candidates[k].kind = 0x40;
    c->candidates[k].entry = reinterpret_cast<const uint8_t*>(slot.text);
    c->candidates[k].hint[0] = k % 3 ? L'g' : 0;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring skinPath = DefaultSkin();
  int strokes = 2000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!wcscmp(argv[i], L"--skin")) skinPath = argv[i + 1];
    if (!wcscmp(argv[i], L"--strokes")) strokes = std::max(10, _wtoi(argv[i + 1]));
  }
  std::vector<uint8_t> config(kConfigFileSize);
  WriteDefaultConfigContainer(config.data(), kConfigFileSize);
  ConfigBlockSet blocks{};
  LocateConfigBlocks(config.data(), kConfigFileSize, &blocks);
  auto* c = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
  c->imeBlock = blocks.ime;
  c->dmeBlock = blocks.dme;
  c->skinBlock = blocks.skin;
  c->softBlock = blocks.soft;
  c->skinBlock->appearanceFlags = 0x1 | 0x2 | 0x4 | 0x8;
  c->imeBlock->optionFlags &= ~0x4C0u;
  c->caretPosition = {300, 200};
  c->inputContext = reinterpret_cast<void*>(1);  // laid out as the IMM32 front end does
  c->skin = static_cast<SkinData*>(GlobalAlloc(GPTR, sizeof(SkinData)));
  if (!LoadSkinArchive(&c->skin->values, &c->skin->images, skinPath.c_str())) {
    std::fwprintf(stderr, L"cannot load the skin %ls\n", skinPath.c_str());
    return 1;
  }
  if (!RegisterSkinWindowClasses(GetModuleHandleW(nullptr), nullptr)) return 1;
  HWND window = CreateCandidateWindow(c);
  if (!window) {
    std::fprintf(stderr, "no candidate window (no display?)\n");
    return 1;
  }
  SkinWindowArea* area = WindowAreaOf(c);
  const double us = MicrosPerTick();
  std::vector<double> layout;
  std::vector<double> draw;
  std::vector<double> push;
  std::vector<double> stroke;
  for (int i = 0; i < strokes; ++i) {
    FillPage(c, i);
    double t0 = Ticks();
    {
      GdiTextMeasurer measurer(area->candidate.fonts);
      LayoutCandidateWindow(c, measurer);
    }
    double t1 = Ticks();
    RenderCandidateWindow(c);
    double t2 = Ticks();
    PushSurface(area->candidate.surface, window, c->candidateWindow.position);
    double t3 = Ticks();
    layout.push_back((t1 - t0) * us);
    draw.push_back((t2 - t1) * us);
    push.push_back((t3 - t2) * us);
    t0 = Ticks();
    RelayoutCandidateWindow(window);
    ShowCandidateWindow(window);
    stroke.push_back((Ticks() - t0) * us);
  }
  std::printf("candidate window %ld x %ld, 10 candidates, %d strokes\n", c->candidateWindow.size.cx,
              c->candidateWindow.size.cy, strokes);
  Report("layout (measure, arrange, background)", layout);
  Report("paint into the DIB (text, alpha, buttons)", draw);
  Report("relayout + repaint (the two above)", [&] {
    std::vector<double> sum(layout.size());
    for (size_t i = 0; i < sum.size(); ++i) sum[i] = layout[i] + draw[i];
    return sum;
  }());
  Report("UpdateLayeredWindow (the display's part)", push);
  Report("whole refresh of one key stroke", stroke);
  DestroyWindow(window);
  return 0;
}
