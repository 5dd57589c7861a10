// Entry point of zinIME.ime. Attach records the module handle, registers the
// window classes (the IME's UI window with them), hands the settings pages to
// ZNITFGetObject and the windows' commands to the IMM32 front end; no data
// file is opened before a front end asks for it.
#include <windows.h>

#include "engine/ItfObject.h"
#include "engine/Os.h"
#include "frontend/imm/ImeCommands.h"
#include "frontend/imm/UiWindow.h"
#include "frontend/settings/SettingsPages.h"
#include "ui/windows/WindowClasses.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // The engine reads the product key from this module's string table.
    SetEngineModule(instance);
    SetSettingsPageHooks(settings_pages::CreateSettingsPage, settings_pages::DestroySettingsPage);
    RegisterSkinWindowClasses(instance, UiWindowProc);
    SetWindowCommandTarget(FrontEnd::kImm, &ImmCommandTarget());
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Only on FreeLibrary: at process exit the classes go with the process.
    SetWindowCommandTarget(FrontEnd::kImm, nullptr);
    UnregisterSkinWindowClasses(instance);
    SetSettingsPageHooks(nullptr, nullptr);
  }
  return TRUE;
}
