// config's one seam for outside effects: message boxes and menus (through
// the dialog layer's interface), file choosers, starting programs, help,
// clipboard, known folders, registry reads, module loading, other
// instances' windows and the browser control. Win32ConfigServices is the
// real one; tests use a scripted fake.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/Os.h"
#include "ui/dialogs/DialogServices.h"

struct FileChoice {
  HWND owner = nullptr;
  bool save = false;
  const wchar_t* title = L"";
  // Pairs of display text and pattern, as one string with NUL separators.
  std::wstring filter;
  const wchar_t* defaultExtension = nullptr;  // without the dot
  std::wstring startFolder;
  DWORD flags = 0;
};

// A program started and waited for.
struct ProgramRun {
  bool started = false;
  bool ended = false;  // within the time given
  DWORD exitCode = 0;
};

class ConfigServices : public DialogServices {
 public:
  // Registry reads and clocks, for the context and the readers of the
  // product's registry values.
  virtual const OsServices& Os() = 0;
  // An open or save dialog; true with path set when the user chose a file.
  virtual bool ChooseFile(const FileChoice& choice, std::wstring& path) = 0;
  // ShellExecuteW; true only when the program really was started.
  virtual bool Execute(HWND owner, const wchar_t* verb, const wchar_t* file,
                       const wchar_t* parameters, int show) = 0;
  // Opens a compiled help file at a topic (null: its start page).
  virtual bool ShowHelp(const wchar_t* helpFile, const wchar_t* topic) = 0;
  // Replaces the clipboard's content with text (units of it); false when the
  // clipboard could not be opened or the data not placed.
  virtual bool SetClipboardText(const wchar_t* text, size_t units) = 0;
  // The clipboard's Unicode text cut to maxUnits; false when unavailable.
  virtual bool ReadClipboardText(std::wstring& text, size_t maxUnits) = 0;
  // A shell folder (CSIDL_*), empty when it does not exist.
  virtual std::wstring KnownFolder(int csidl, bool create) = 0;
  // The temporary folder, ending in a backslash; empty when unknown.
  virtual std::wstring TempFolder() = 0;
  virtual HMODULE LoadModule(const wchar_t* path) = 0;
  virtual void ReleaseModule(HMODULE module) = 0;
  virtual FARPROC ModuleProc(HMODULE module, const char* name) = 0;
  // A top-level dialog of another instance with this exact title.
  virtual HWND FindDialog(const wchar_t* title) = 0;
  // Restores window and brings it to the front.
  virtual void RaiseWindow(HWND window) = 0;
  // WM_COPYDATA without waiting on a hung window; false when it failed.
  virtual bool SendCopyData(HWND window, ULONG_PTR kind, const void* data, DWORD bytes) = 0;
  // The web browser control as a child window of parent (null when the
  // control cannot be hosted), and navigation of it.
  virtual HWND CreateBrowser(HWND parent, int id, const RECT& place) = 0;
  virtual bool Navigate(HWND browser, const wchar_t* url) = 0;
  // The title of the page shown, empty until a page has loaded.
  virtual std::wstring BrowserTitle(HWND browser) = 0;

  // Starts a program (elevation asked for as its manifest requires) and
  // waits up to timeoutMs for it to end.
  virtual ProgramRun RunProgram(HWND owner, const wchar_t* file, const wchar_t* parameters,
                                int show, DWORD timeoutMs) = 0;
  // The keys of the installed products: those below HKLM\Software\ZinnorIME3
  // that name an install folder.
  virtual std::vector<std::wstring> InstalledProductKeys() = 0;
};
