// A scripted stand-in for config's seam: registry values from a FakeOs,
// recorded messages, program starts and navigations, answers and chosen
// files set by the test, an in-memory clipboard and a fake module whose
// ZNITFGetObject the test provides, or the real built module.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "config/app/ConfigServices.h"
#include "engine/ItfObject.h"
#include "tests/engine/CoreTestData.h"

namespace zn::test {

// The handle the fake hands out for the module; never dereferenced.
inline HMODULE FakeModuleHandle() {
  return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A10000));
}

class FakeConfigServices : public ConfigServices {
 public:
  struct Message {
    std::wstring text;
    std::wstring caption;
    UINT style;
  };
  struct Start {
    std::wstring file;
    std::wstring parameters;
    int show;
  };

  FakeOs os;
  std::vector<Message> messages;
  std::deque<int> answers;  // button ids for the next message boxes; IDOK when empty
  std::vector<Start> starts;
  bool startSucceeds = true;
  std::deque<std::wstring> chosenFiles;  // empty string: the user cancelled
  std::vector<FileChoice> choices;
  std::wstring clipboard;
  std::map<int, std::wstring> folders;  // by CSIDL
  std::wstring temp;
  bool moduleLoads = false;
  std::wstring loadedPath;
  FARPROC getObject = nullptr;  // the fake module's ZNITFGetObject
  // When set, the module is this file (the built zinIME.ime) instead of the
  // system folder's, which a test prefix does not have: config asks for the
  // system path (recorded in loadedPath) and gets the real module.
  std::wstring realModule;
  std::map<std::wstring, HWND> dialogs;  // FindDialog answers by title
  std::vector<HWND> raised;
  std::vector<std::wstring> copyData;
  std::vector<std::wstring> navigations;
  int menuAnswer = 0;

  int ShowMessage(HWND, const wchar_t* text, const wchar_t* caption, UINT style) override {
    messages.push_back({text, caption ? caption : L"", style});
    if (answers.empty()) return IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  int TrackMenu(HMENU, UINT, int, int, HWND) override { return menuAnswer; }
  const OsServices& Os() override { return os; }
  bool ChooseFile(const FileChoice& choice, std::wstring& path) override {
    choices.push_back(choice);
    if (chosenFiles.empty()) return false;
    path = chosenFiles.front();
    chosenFiles.pop_front();
    return !path.empty();
  }
  bool Execute(HWND, const wchar_t*, const wchar_t* file, const wchar_t* parameters,
               int show) override {
    starts.push_back({file, parameters ? parameters : L"", show});
    return startSucceeds;
  }
  bool ShowHelp(const wchar_t*, const wchar_t*) override { return true; }
  bool SetClipboardText(const wchar_t* text, size_t units) override {
    clipboard.assign(text, units);
    return true;
  }
  bool ReadClipboardText(std::wstring& text, size_t maxUnits) override {
    text = clipboard.substr(0, maxUnits);
    return true;
  }
  std::wstring KnownFolder(int csidl, bool) override {
    auto it = folders.find(csidl & 0xFF);
    return it == folders.end() ? std::wstring() : it->second;
  }
  std::wstring TempFolder() override { return temp; }
  HMODULE LoadModule(const wchar_t* path) override {
    loadedPath = path;
    if (!realModule.empty()) return LoadLibraryW(realModule.c_str());
    return moduleLoads ? FakeModuleHandle() : nullptr;
  }
  void ReleaseModule(HMODULE module) override {
    if (module && module != FakeModuleHandle()) FreeLibrary(module);
  }
  FARPROC ModuleProc(HMODULE module, const char* name) override {
    if (module && module != FakeModuleHandle()) return GetProcAddress(module, name);
    if (module != FakeModuleHandle() || std::string(name) != "ZNITFGetObject") return nullptr;
    return getObject;
  }
  HWND FindDialog(const wchar_t* title) override {
    auto it = dialogs.find(title);
    return it == dialogs.end() ? nullptr : it->second;
  }
  void RaiseWindow(HWND window) override { raised.push_back(window); }
  bool SendCopyData(HWND, ULONG_PTR, const void* data, DWORD bytes) override {
    copyData.emplace_back(static_cast<const wchar_t*>(data), bytes / sizeof(wchar_t));
    return true;
  }
  HWND CreateBrowser(HWND parent, int id, const RECT& place) override {
    return CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE, place.left, place.top,
                         place.right - place.left, place.bottom - place.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }
  bool Navigate(HWND, const wchar_t* url) override {
    navigations.push_back(url);
    return true;
  }
  std::wstring BrowserTitle(HWND) override { return {}; }

  // RunProgram records into starts; startSucceeds decides whether it starts.
  bool runEnds = true;
  DWORD runExitCode = 0;
  ProgramRun RunProgram(HWND owner, const wchar_t* file, const wchar_t* parameters, int show,
                        DWORD) override {
    ProgramRun run;
    run.started = Execute(owner, L"", file, parameters, show);
    run.ended = run.started && runEnds;
    run.exitCode = run.ended ? runExitCode : 0;
    return run;
  }
  std::vector<std::wstring> installedKeys;
  std::vector<std::wstring> InstalledProductKeys() override { return installedKeys; }
};

}  // namespace zn::test
