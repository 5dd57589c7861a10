// Entry point of zinIME.ime. Attach only records the module handle: no data
// file is opened and nothing is registered before a front end asks for it.
#include <windows.h>

#include "engine/Os.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // The engine reads the product key from this module's string table.
  if (reason == DLL_PROCESS_ATTACH) SetEngineModule(instance);
  return TRUE;
}
