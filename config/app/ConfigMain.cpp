// Entry point of config.exe: process-wide set-up, then one run.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "config/app/ConfigApp.h"
#include "config/app/ConfigStartup.h"
#include "config/app/Win32ConfigServices.h"
#include "ui/dialogs/RichEdit.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  // The browser control is an OLE control; it needs a single-threaded apartment.
  HRESULT ole = OleInitialize(nullptr);
  LoadRichEditLibrary();
  Win32ConfigServices services;
  ConfigApp app(services);
  app.resources = instance;
  int code = RunConfig(app, commandLine);
  if (SUCCEEDED(ole)) OleUninitialize();
  return code;
}
