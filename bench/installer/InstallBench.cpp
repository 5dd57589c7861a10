// Time to install the setup program into a Wine prefix and to uninstall it
// again, as a user clicks through both, over a number of cycles:
//
//   install_bench PACKAGE [CYCLES]
//
// Run it in a fresh prefix (bench/installer/run.sh makes one): each cycle
// leaves the prefix as it found it.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "engine/Product.h"
#include "tests/endtoend/SetupDriver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: install_bench PACKAGE [CYCLES]\n");
    return 2;
  }
  int cycles = argc > 2 ? _wtoi(argv[2]) : 5;
  wchar_t programs[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programs))) return 2;
  std::wstring installer = std::wstring(programs) + L"\\" ZN_INSTALL_FOLDER_NAME L"\\installer.exe";
  std::vector<double> installs;
  std::vector<double> uninstalls;
  for (int i = 0; i < cycles; ++i) {
    zn::e2e::RunResult install = zn::e2e::InstallPackage(argv[1]);
    if (!install.finished) {
      std::printf("install %d failed\n", i + 1);
      return 1;
    }
    zn::e2e::RunResult uninstall =
        zn::e2e::RunMaintenance(installer, ZN_PRODUCT_GUID_TEXT, false);
    if (!uninstall.finished) {
      std::printf("uninstall %d failed\n", i + 1);
      return 1;
    }
    installs.push_back(install.seconds * 1e6);
    uninstalls.push_back(uninstall.seconds * 1e6);
    std::printf("cycle %d: install %.2f s, uninstall %.2f s\n", i + 1, install.seconds,
                uninstall.seconds);
  }
  bench::Report("install (setup program start to end)", installs);
  bench::Report("uninstall (installer.exe /u start to end)", uninstalls);
  return 0;
}
