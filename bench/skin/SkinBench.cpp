// Times loading skin archives and measures the memory a load costs: the
// shipped skin, and archives built to cost a host time and memory (a picture
// declaring a 2 GB text chunk, every picture slot at 2048 x 2048, pictures
// filling the whole pixel budget, 32 MB of incompressible pictures).
//   bench_skin.exe [--shipped PATH]    timings (median, p99) and memory
//   bench_skin.exe --one PATH          (internal) one load, prints its peak
#include <windows.h>
#include <shellapi.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "tests/common/ChildProcess.h"
#include "tests/ui/HostileSkins.h"

namespace {

double NowMs() { return bench::Ticks() * bench::MicrosPerTick() / 1000; }

// CPU time of this thread in ms (coarse: the system's tick), to tell a load's
// own cost from the waiting a busy machine adds to the wall clock.
double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

// Writing to memory never touched before, MB at a time: on some machines
// (virtual ones especially) the first touch of a page dominates a load.
double FreshMemoryMsPerMegabyte() {
  constexpr size_t kBytes = 32u << 20;
  const double t0 = NowMs();
  auto* p = static_cast<volatile uint8_t*>(VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  for (size_t i = 0; p && i < kBytes; i += 4096) p[i] = 1;
  const double ms = NowMs() - t0;
  if (p) VirtualFree(const_cast<uint8_t*>(p), 0, MEM_RELEASE);
  return ms / 32;
}

// A file that reports no size (as /proc files do), read to its end.
std::string ReadStreamText(const std::wstring& path) {
  std::string text;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  return text;
}

// Peak memory of this process in MB: resident and address space. Under Wine
// the Windows counters stand still, so the Linux process's own figures are
// read; it is found by a token on its command line (files are opened by the
// Wine server, whose /proc/self is not ours).
struct Megabytes {
  double resident = -1;
  double reserved = -1;
};
Megabytes PeakMemory(const std::string& token) {
  Megabytes peak;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring pid = found.cFileName;
      if (pid[0] < L'0' || pid[0] > L'9') continue;
      if (ReadStreamText(L"Z:\\proc\\" + pid + L"\\cmdline").find(token) == std::string::npos) continue;
      const std::string status = ReadStreamText(L"Z:\\proc\\" + pid + L"\\status");
      auto field = [&](const char* name) {
        const size_t at = status.find(name);
        return at == std::string::npos ? -1.0 : std::atof(status.c_str() + at + std::strlen(name)) / 1024;
      };
      peak.resident = field("VmHWM:");
      peak.reserved = field("VmPeak:");
      break;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  if (peak.resident >= 0) return peak;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  peak.resident = counters.PeakWorkingSetSize / 1048576.0;
  peak.reserved = counters.PeakPagefileUsage / 1048576.0;
  return peak;
}

int LoadOnce(const std::wstring& path) {
  SkinValues values;
  SkinImageSet images;
  const int loaded = LoadSkinArchive(&values, &images, path.c_str());
  FreeSkin(&images);
  return loaded;
}

// Pictures of random pixels, 1000 x 1000 each (4 MB of PNG apiece, under the
// entry limit), stored: a 32 MB archive that decodes to 8 M pixels.
std::vector<uint8_t> NoiseSkin() {
  std::mt19937 rng(7);
  zn::test::ZipWriter zip;
  zip.Add("skin.ini", zn::test::Utf16Ini(zn::test::SampleIni(L"噪声")), false);
  for (int i = 0; i < 8; ++i) {
    zn::test::PngPicture picture{1000, 1000};
    picture.pixels.resize(4000000);
    for (uint8_t& b : picture.pixels) b = static_cast<uint8_t>(rng());
    char name[32];
    SkinPictureFileName(i < 5 ? i : kPictureFirstButton + 3 * (i - 5), name);
    zip.Add(name, zn::test::EncodePng(picture), false);
  }
  return zip.Build();
}

// The five window pictures filling the budget exactly, of blank pixels.
std::vector<uint8_t> BudgetSkin() {
  using zn::test::EncodePng;
  using zn::test::PngPicture;
  zn::test::ZipWriter zip;
  zip.Add("skin.ini", zn::test::Utf16Ini(zn::test::SampleIni(L"预算")), true);
  const PngPicture sizes[] = {{2048, 2048}, {2048, 2044}, {64, 32}, {64, 32}, {64, 64}};
  for (int i = 0; i < 5; ++i) zip.Add(zn::test::kRequiredPictures[i], EncodePng(sizes[i]), true);
  return zip.Build();
}

struct Case {
  const char* name;
  std::wstring path;
  uint64_t archiveBytes;
};

// The peak memory (resident, and address space) a fresh process adds by
// loading path once, in MB.
Megabytes MemoryOfOneLoad(const std::wstring& self, const std::wstring& path, const std::wstring& out,
                          int* loaded) {
  const std::wstring token =
      L"zn-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
  Megabytes megabytes;
  zn::test::ChildProcess child(self, L"--one \"" + path + L"\" " + token, out);
  if (child.Finish(60000)) std::sscanf(child.Output().c_str(), "%lf %lf %d", &megabytes.resident, &megabytes.reserved, loaded);
  return megabytes;
}

void Measure(const std::wstring& self, const Case& c, int runs) {
  std::vector<double> ms;
  int loaded = 0;
  const double cpu0 = ThreadCpuMs();
  for (int i = 0; i < runs; ++i) {
    const double t0 = NowMs();
    loaded = LoadOnce(c.path);
    ms.push_back(NowMs() - t0);
  }
  const double cpu = (ThreadCpuMs() - cpu0) / runs;
  std::sort(ms.begin(), ms.end());
  int childLoaded = -1;
  const Megabytes memory = MemoryOfOneLoad(self, c.path, c.path + L".memory", &childLoaded);
  std::printf("%-34s %8.1f KB  %s  median %6.1f ms  p99 %6.1f ms  cpu %6.1f ms  peak +%5.1f MB\n",
              c.name, c.archiveBytes / 1024.0, loaded ? "loaded " : "refused", ms[ms.size() / 2],
              ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], cpu, memory.resident);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc == 4 && std::wstring(argv[1]) == L"--one") {
    const std::wstring wide = argv[3];
    const std::string token(wide.begin(), wide.end());
    const Megabytes before = PeakMemory(token);
    const int loaded = LoadOnce(argv[2]);
    const Megabytes after = PeakMemory(token);
    std::printf("%.1f %.1f %d\n", after.resident - before.resident, after.reserved - before.reserved, loaded);
    return 0;
  }
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring shipped = ZN_BENCH_SHIPPED_SKIN;
  if (argc == 3 && std::wstring(argv[1]) == L"--shipped") shipped = argv[2];

  zn::test::TempDir dir;
  std::vector<Case> cases;
  auto add = [&](const char* name, const std::wstring& file, const std::vector<uint8_t>& bytes) {
    zn::test::WriteFileBytes(dir.File(file), bytes);
    cases.push_back({name, dir.File(file), bytes.size()});
  };
  const std::vector<uint8_t> shippedBytes = zn::test::ReadFileBytes(shipped);
  cases.push_back({"shipped skin", shipped, shippedBytes.size()});
  add("bar.png with a 2 GB text chunk", L"bar.col", zn::test::HugeTextChunkSkin(false));
  add("every picture with a 2 GB chunk", L"all.col", zn::test::HugeTextChunkSkin(true));
  add("50 pictures of 2048 x 2048", L"large.col", zn::test::LargePictureSkin());
  add("pictures filling the pixel budget", L"budget.col", BudgetSkin());
  add("32 MB of incompressible pictures", L"noise.col", NoiseSkin());
  std::printf("Skin loading (25 runs each, 10 for archives over 1 MB; memory in a fresh process)\n");
  std::printf("first touch of fresh memory on this machine: %.1f ms per MB\n", FreshMemoryMsPerMegabyte());
  for (const Case& c : cases) Measure(self, c, c.archiveBytes > (1u << 20) ? 10 : 25);
  LocalFree(argv);
  return 0;
}
