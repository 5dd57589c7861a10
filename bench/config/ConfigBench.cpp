// Times what the text-mode settings editor does when it opens (write the
// whole-settings text, read and decode it) and when it saves (apply the text
// to the blocks), on a copy of a config.dsc: config_bench.exe CONFIG.DSC
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "codetable/TableFiles.h"
#include "config/settingstext/SettingsText.h"
#include "engine/ConfigBlocks.h"
#include "engine/ItfObject.h"
#include "tests/common/TestFiles.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: config_bench CONFIG.DSC\n");
    return 2;
  }
  std::vector<uint8_t> config = zn::test::ReadFileBytes(argv[1]);
  ConfigBlockSet blocks{};
  if (!LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &blocks)) {
    std::fprintf(stderr, "not a settings file\n");
    return 1;
  }
  ItfObject* itf = nullptr;
  ZNITFGetObject(kItfSettingsText, &itf);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"zn-bench-settings.txt";
  constexpr int kSamples = 300;
  std::vector<double> writes, reads, applies;
  std::wstring text;
  for (int i = 0; i < kSamples; ++i) {
    double t0 = bench::Micros();
    if (WriteSettingsText(blocks.ime, blocks.dme, blocks.skin, itf, path.c_str()) != 0) return 1;
    double t1 = bench::Micros();
    DecodedText decoded;
    if (ReadWholeTextFile(path.c_str(), &decoded) != kReadTextDone) return 1;
    double t2 = bench::Micros();
    text.assign(decoded.Text(), decoded.LenUnits());
    double t3 = bench::Micros();
    ParseSettingsText(text.c_str(), blocks.ime, blocks.dme, blocks.skin, itf);
    double t4 = bench::Micros();
    writes.push_back(t1 - t0);
    reads.push_back(t2 - t1);
    applies.push_back(t4 - t3);
  }
  std::printf("settings text: %zu units\n", text.size());
  bench::Report("editor open: write settings text", writes);
  bench::Report("editor open: read and decode", reads);
  bench::Report("editor save: apply the text", applies);
  DeleteFileW(path.c_str());
  if (itf) itf->release(itf);
  return 0;
}
