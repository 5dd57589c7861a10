// setupdriver: the setup program and installer.exe run as a user runs them.
//
//   setupdriver install PACKAGE
//   setupdriver repair|uninstall INSTALLER
//   setupdriver type INSTALLER KEYS [PICTURE.png]
//
// Prints the step log and the time taken; exits 0 when the run finished.
// type switches the installed product to IMM32 with the installer, starts
// Wine's Notepad, selects the layout in it, types the keys (zntype's
// notation), prints Notepad's text after each key and saves a picture of
// Notepad with the windows of the input method beside it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/Product.h"
#include "tests/endtoend/RealPrograms.h"
#include "tests/endtoend/SetupDriver.h"
#include "tools/common/ScreenShot.h"
#include "ui/windows/WindowClasses.h"

namespace {

void PrintUtf8(const std::wstring& text) {
  std::string bytes = zn::e2e::Narrow(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

// Notepad with the input method's visible candidate window and status bar.
RECT PictureArea(HWND notepad) {
  RECT area{};
  GetWindowRect(notepad, &area);
  for (const wchar_t* name : {kCandidateWindowClass, kStatusWindowClass}) {
    HWND window = FindWindowW(name, nullptr);
    RECT r{};
    if (window && IsWindowVisible(window) && GetWindowRect(window, &r)) UnionRect(&area, &area, &r);
  }
  InflateRect(&area, 16, 16);
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  IntersectRect(&area, &area, &screen);
  return area;
}

bool CandidatesShown() {
  HWND window = FindWindowW(kCandidateWindowClass, nullptr);
  return window && IsWindowVisible(window);
}

int TypeIntoNotepad(const std::wstring& installer, const std::wstring& keys,
                    const std::wstring& picture) {
  using namespace zn::e2e;
  if (!SwitchToImm32(installer, ZN_PRODUCT_GUID_TEXT)) {
    PrintUtf8(L"setupdriver: the installer's switch to IMM32 did not end\n");
    return 1;
  }
  const HKL layout = FindImeLayout(L"zinIME.ime");
  if (!layout) {
    PrintUtf8(L"setupdriver: the switch to IMM32 left no keyboard layout to select\n");
    return 1;
  }
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  RealProgram notepad;
  if (!notepad.Start(std::wstring(system) + L"\\notepad.exe", L"Edit")) {
    PrintUtf8(L"setupdriver: Notepad did not start\n");
    return 1;
  }
  notepad.SelectLayout(layout);
  SetWindowPos(notepad.window(), nullptr, 40, 40, 560, 300, SWP_NOZORDER);
  PrintUtf8(L"layout selected in Notepad\n");
  // The picture shows the last moment candidates were on screen, or the end.
  bool saved = false;
  if (!notepad.Type(keys, [&](const std::wstring& key) {
        PrintUtf8(key + L" → " + notepad.Text() + L"\n");
        if (!picture.empty() && CandidatesShown())
          saved = SaveScreenRect(PictureArea(notepad.window()), picture);
      })) {
    PrintUtf8(L"setupdriver: cannot type the keys\n");
    return 1;
  }
  PrintUtf8(L"text: " + notepad.Text() + L"\n");
  if (picture.empty()) return 0;
  if (!saved) saved = SaveScreenRect(PictureArea(notepad.window()), picture);
  PrintUtf8(saved ? L"picture: " + picture + L"\n" : L"setupdriver: no picture\n");
  return saved ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && argc <= 5 && std::wstring(argv[1]) == L"type")
    return TypeIntoNotepad(argv[2], argv[3], argc == 5 ? argv[4] : L"");
  if (argc != 3) {
    std::printf("usage: setupdriver install PACKAGE | repair INSTALLER | uninstall INSTALLER |"
                " type INSTALLER KEYS [PICTURE.png]\n");
    return 2;
  }
  std::wstring mode = argv[1];
  zn::e2e::RunResult result;
  if (mode == L"install") {
    result = zn::e2e::InstallPackage(argv[2]);
  } else if (mode == L"repair" || mode == L"uninstall") {
    result = zn::e2e::RunMaintenance(argv[2], ZN_PRODUCT_GUID_TEXT, mode == L"repair");
  } else {
    return 2;
  }
  PrintUtf8(result.log);
  if (!result.error.empty()) PrintUtf8(L"setupdriver: " + result.error + L"\n");
  std::printf("%s %s in %.1f s (exit code %lu)\n", result.finished ? "finished" : "failed",
              mode == L"install" ? "install" : mode == L"repair" ? "repair" : "uninstall",
              result.seconds, result.exitCode);
  return result.finished && result.exitCode == 0 ? 0 : 1;
}
