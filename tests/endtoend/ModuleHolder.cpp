// A program that keeps a module loaded, as any application typing with the
// input method does: module_holder MODULE EVENT loads the module, signals
// the named event and waits to be ended.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HMODULE module = LoadLibraryW(argv[1]);
  if (!module) return 3;
  HANDLE loaded = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  if (loaded) {
    SetEvent(loaded);
    CloseHandle(loaded);
  }
  Sleep(120000);
  FreeLibrary(module);
  return 0;
}
