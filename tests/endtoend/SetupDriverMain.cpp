// setupdriver: the setup program and installer.exe run as a user runs them.
//
//   setupdriver install PACKAGE
//   setupdriver repair|uninstall INSTALLER
//
// Prints the step log and the time taken; exits 0 when the run finished.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/Product.h"
#include "tests/endtoend/SetupDriver.h"

namespace {

void PrintUtf8(const std::wstring& text) {
  std::string bytes = zn::e2e::Narrow(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: setupdriver install PACKAGE | repair INSTALLER | uninstall INSTALLER\n");
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
