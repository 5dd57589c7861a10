// mkconfig OUTPUT: writes an empty four-block config.dsc (26,732 bytes) with
// the product identity and the defaults needed to type.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "engine/ConfigBlocks.h"

namespace {

void Say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, lstrlenA(text), &written, nullptr);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 2) {
    Say("usage: mkconfig OUTPUT\n");
    return 2;
  }
  std::vector<uint8_t> bytes(kConfigFileSize);
  WriteDefaultConfigContainer(bytes.data(), kConfigFileSize);
  HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Say("mkconfig: cannot create the output file\n");
    return 1;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), kConfigFileSize, &written, nullptr);
  ok = CloseHandle(file) && ok;
  LocalFree(argv);
  if (!ok || written != kConfigFileSize) {
    Say("mkconfig: write failed\n");
    return 1;
  }
  return 0;
}
