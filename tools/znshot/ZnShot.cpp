// znshot: types keys through the key runner on a copy of a data folder, shows
// the real candidate window and status bar for the result (and the soft
// keyboard with a layout, when asked), and saves a PNG of the screen region
// that holds them (for the README and for looking at a skin). Needs a
// display.
//   znshot --data DIR --out FILE.png [--keys STRING] [--skin FILE.col]
//          [--soft-keyboard LAYOUT]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/ImeContext.h"
#include "engine/WideString.h"
#include "frontend/common/ContextAssembly.h"
#include "frontend/windows/SkinnedImeWindows.h"
#include "tools/common/PrintingEffects.h"
#include "tools/common/ScreenShot.h"
#include "tools/common/TypingHost.h"
#include "tools/common/TypingView.h"
#include "tools/zntype/KeyScript.h"
#include "ui/popups/SoftKeyboard.h"
#include "ui/skin/SkinLoader.h"
#include "ui/windows/WindowClasses.h"

namespace {

constexpr int kMargin = 16;

struct Options {
  std::wstring data;
  std::wstring out;
  std::wstring keys = L"xc";
  std::wstring skin;
  int softKeyboard = 0;  // layout 1-13 to show, 0 none
};

// A soft-keyboard layout 1-13, or -1 for anything else.
int LayoutNumber(const wchar_t* text) {
  if (!*text || wcsspn(text, L"0123456789") != wcslen(text) || wcslen(text) > 3) return -1;
  const int n = _wtoi(text);
  return n >= 1 && n <= kSoftKeyboardLayouts ? n : -1;
}

bool Parse(int argc, wchar_t** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    if (name == L"--data") o->data = argv[i + 1];
    else if (name == L"--out") o->out = argv[i + 1];
    else if (name == L"--keys") o->keys = argv[i + 1];
    else if (name == L"--skin") o->skin = argv[i + 1];
    else if (name == L"--soft-keyboard") o->softKeyboard = LayoutNumber(argv[i + 1]);
    else return false;
  }
  if (o->softKeyboard < 0) {
    std::fwprintf(stderr, L"znshot: --soft-keyboard takes a layout from 1 to %d\n",
                  kSoftKeyboardLayouts);
    return false;
  }
  if (!o->data.empty() && o->data.back() != L'\\') o->data += L'\\';
  return !o->data.empty() && !o->out.empty();
}

// Lets the display catch up with the windows' pictures.
void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

RECT Union(HWND a, HWND b, HWND c) {
  RECT r{0, 0, 0, 0};
  for (HWND w : {a, b, c}) {
    RECT wr;
    if (!w || !IsWindowVisible(w) || !GetWindowRect(w, &wr)) continue;
    if (r.right == r.left) {
      r = wr;
    } else {
      UnionRect(&r, &r, &wr);
    }
  }
  InflateRect(&r, kMargin, kMargin);
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  return r;
}

// A white page behind the windows, as a document would be.
HWND Page(int width, int height) {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_WHITERECT, 0, 0, width,
                         height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

int Run(const Options& options) {
  std::vector<KeyStroke> keys;
  std::wstring error;
  if (!ParseKeyScript(options.keys, &keys, &error)) {
    std::fwprintf(stderr, L"znshot: %ls\n", error.c_str());
    return 2;
  }
  const std::wstring data = CopyDataFolder(options.data);
  if (data.empty() || !WriteHostRegistryValues(data)) {
    std::fwprintf(stderr, L"znshot: cannot prepare a copy of %ls\n", options.data.c_str());
    return 1;
  }
  ImeContext* context = CreateContextWithSkin();
  if (!context) {
    std::fwprintf(stderr, L"znshot: no input context on %ls\n", options.data.c_str());
    RemoveDataFolderCopy(data);
    return 1;
  }
  // The skins lie in the tessel\ folder beside the data files.
  CopyStringBounded(context->installFolder, kPathUnits, options.data.c_str());
  if (!options.skin.empty()) CopyStringBounded(context->skinBlock->skinName, 40, options.skin.c_str());
  LoadSelectedSkin(context);
  PrintingEffects effects;
  context->effects = &effects;
  {
    TypingHost host(context);
    for (const KeyStroke& key : keys) host.Press(key);
    // The soft-keyboard switch steps from off through the layouts.
    for (int n = 0; n < options.softKeyboard; ++n) {
      host.RunKeyFunction(KeyFunction::kSoftKeyboard);
    }
  }
  RegisterSkinWindowClasses(GetModuleHandleW(nullptr), nullptr);
  HWND page = Page(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  context->caretPosition = {kMargin + 24, kMargin};
  ImeWindows& windows = ModuleImeWindows();
  windows.ShowCandidateWindow(context);
  const RECT cand = {context->candidateWindow.position.x, context->candidateWindow.position.y,
                     context->candidateWindow.position.x + context->candidateWindow.size.cx,
                     context->candidateWindow.position.y + context->candidateWindow.size.cy};
  // The status bar below the candidate window (the copy's settings keep it).
  context->skinBlock->statusX = kMargin + 24;
  context->skinBlock->statusY = (cand.bottom > 0 ? cand.bottom : kMargin + 40) + 12;
  windows.ShowStatusWindow(context);
  // The soft keyboard below the status bar.
  const ImeWindowState& status = context->statusWindow;
  context->softKeyboardWindow.position = {kMargin + 24, status.position.y + status.size.cy + 12};
  windows.ShowSoftKeyboard(context);
  Pump(500);
  const RECT region = Union(context->candidateWindow.window, context->statusWindow.window,
                            context->softKeyboardWindow.window);
  const bool saved = SaveScreenRect(region, options.out);
  windows.DestroyWindows(context);
  DestroyWindow(page);
  context->effects = nullptr;
  DestroyContextWithSkin(context);
  RemoveDataFolderCopy(data);
  if (!saved) {
    std::fwprintf(stderr, L"znshot: nothing to save (no window shown?)\n");
    return 1;
  }
  std::wprintf(L"saved %ls (%ld x %ld)\n", options.out.c_str(), region.right - region.left,
               region.bottom - region.top);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) {
    std::fwprintf(stderr,
                  L"usage: znshot --data DIR --out FILE.png [--keys STRING] [--skin FILE.col]"
                  L" [--soft-keyboard 1-%d]\n", kSoftKeyboardLayouts);
    return 2;
  }
  return Run(options);
}
