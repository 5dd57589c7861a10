// A window of known colours for checking how screenshots are taken: four
// solid blocks and one drawn from a 32-bit DIB, top-left of the screen.
// colour_card.exe DONE-FILE: prints "ready" once painted, exits when
// DONE-FILE exists (or after 20 s).
#include <windows.h>

#include <cstdio>

#include "tests/screenshots/ColourCardLayout.h"

namespace {

LRESULT CALLBACK CardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  for (int i = 0; i < kCardBlocks; ++i) {
    const CardBlock& block = kCardLayout[i];
    RECT r{block.x, 0, block.x + kCardBlockSize, kCardBlockSize};
    if (block.fromDib) {
      // 0x00RRGGBB words, as a DIB section holds them.
      static DWORD pixels[kCardBlockSize * kCardBlockSize];
      for (DWORD& p : pixels) p = (block.red << 16) | (block.green << 8) | block.blue;
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = kCardBlockSize;
      info.bmiHeader.biHeight = -kCardBlockSize;  // top-down
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, block.x, 0, kCardBlockSize, kCardBlockSize, 0, 0, 0, kCardBlockSize,
                        pixels, &info, DIB_RGB_COLORS);
    } else {
      HBRUSH brush = CreateSolidBrush(RGB(block.red, block.green, block.blue));
      FillRect(dc, &r, brush);
      DeleteObject(brush);
    }
  }
  EndPaint(window, &paint);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  WNDCLASSW wc{};
  wc.lpfnWndProc = CardProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZnColourCard";
  if (!RegisterClassW(&wc)) return 1;
  HWND card = CreateWindowExW(WS_EX_TOPMOST, L"ZnColourCard", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                              kCardWidth, kCardBlockSize, nullptr, nullptr, wc.hInstance, nullptr);
  if (!card) return 1;
  UpdateWindow(card);
  GdiFlush();
  std::printf("ready\n");
  std::fflush(stdout);
  const DWORD end = GetTickCount() + 20000;
  while (GetTickCount() < end && GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(30);
  }
  DestroyWindow(card);
  return 0;
}
