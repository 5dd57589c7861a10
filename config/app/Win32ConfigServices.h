// The real outside effects of config.
#pragma once

#include "config/app/ConfigServices.h"

class Win32ConfigServices : public ConfigServices {
 public:
  int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) override;
  int TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner) override;
  const OsServices& Os() override;
  bool ChooseFile(const FileChoice& choice, std::wstring& path) override;
  bool Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
               int show) override;
  bool ShowHelp(const wchar_t* helpFile, const wchar_t* topic) override;
  bool SetClipboardText(const wchar_t* text, size_t units) override;
  bool ReadClipboardText(std::wstring& text, size_t maxUnits) override;
  std::wstring KnownFolder(int csidl, bool create) override;
  std::wstring TempFolder() override;
  HMODULE LoadModule(const wchar_t* path) override;
  void ReleaseModule(HMODULE module) override;
  FARPROC ModuleProc(HMODULE module, const char* name) override;
  HWND FindDialog(const wchar_t* title) override;
  void RaiseWindow(HWND window) override;
  bool SendCopyData(HWND window, ULONG_PTR kind, const void* data, DWORD bytes) override;
  HWND CreateBrowser(HWND parent, int id, const RECT& place) override;
  bool Navigate(HWND browser, const wchar_t* url) override;
  std::wstring BrowserTitle(HWND browser) override;
  ProgramRun RunProgram(HWND owner, const wchar_t* file, const wchar_t* parameters, int show,
                        DWORD timeoutMs) override;
  std::vector<std::wstring> InstalledProductKeys() override;

 private:
  Win32DialogServices dialogs_;
};
