// Entry point of zinIME.ime. Attach records the module handle, registers the
// window classes (the IME's UI window with them), hands the settings pages to
// ZNITFGetObject, the windows' commands to both front ends and the windows
// to the text service; no data file is opened before a front end asks for it.
#include <windows.h>

#include "engine/ItfObject.h"
#include "engine/Os.h"
#include "frontend/imm/DeferredMessages.h"
#include "frontend/imm/ImeCommands.h"
#include "frontend/imm/KeyHook.h"
#include "frontend/imm/TextServiceNotices.h"
#include "frontend/imm/UiWindow.h"
#include "frontend/settings/SettingsPages.h"
#include "frontend/tsf/TextService.h"
#include "frontend/windows/SkinnedImeWindows.h"
#include "ui/windows/WindowClasses.h"
#include "ui/windows/WindowCommands.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // The engine reads the product key from this module's string table.
    SetEngineModule(instance);
    SetSettingsPageHooks(settings_pages::CreateSettingsPage, settings_pages::DestroySettingsPage);
    RegisterSkinWindowClasses(instance, UiWindowProc);
    SetWindowCommandTarget(FrontEnd::kImm, &ImmCommandTarget());
    SetDefaultTextServiceWindows(&ModuleImeWindows());
    SetImmCandidateNotifier(&NotifyTextServiceCandidates);
    SetWindowCommandTarget(FrontEnd::kTsf, &TextServiceWindowCommands());
  } else if (reason == DLL_THREAD_DETACH) {
    RemoveThreadKeyHook();
    ReleaseThreadDeferredMessages();
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    DropDeferredImeMessages();
    RemoveKeyHooks();
    SetWindowCommandTarget(FrontEnd::kTsf, nullptr);
    // Only on FreeLibrary: at process exit the classes go with the process.
    SetWindowCommandTarget(FrontEnd::kImm, nullptr);
    UnregisterSkinWindowClasses(instance);
    SetSettingsPageHooks(nullptr, nullptr);
  }
  return TRUE;
}
