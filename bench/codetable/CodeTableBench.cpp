// Medians of compile, import and export over the full Wubi definition, with
// the process's peak working set.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "codetable/DmgImport.h"
#include "codetable/DmgMake.h"
#include "codetable/TableExport.h"
#include "codetable/TableFiles.h"

namespace {

constexpr int kRuns = 5;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Print(const char* what, const std::vector<double>& runs) {
  std::printf("%-8s median %.3f s  (min %.3f, max %.3f, %d runs)\n", what, Median(runs),
              *std::min_element(runs.begin(), runs.end()), *std::max_element(runs.begin(), runs.end()),
              static_cast<int>(runs.size()));
}

// 10,000 coded words that the Wubi table does not hold ("z" starts no code).
void WriteImportList(const std::wstring& path) {
  std::wstring text = L"\xFEFF";
  for (int i = 0; i < 10000; ++i) {
    wchar_t line[48];
    swprintf(line, 48, L"词%d\tz%lc%lc%lc\r\n", i, L'a' + i % 26, L'a' + (i / 26) % 26,
             L'a' + (i / 676) % 26);
    text += line;
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 2) {
    std::fprintf(stderr, "usage: codetable_bench <wubi definition.txt>\n");
    return 2;
  }
  wchar_t tempDir[MAX_PATH];
  GetTempPathW(MAX_PATH, tempDir);
  std::wstring dir = std::wstring(tempDir) + L"zn-codetable-bench\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  std::wstring mainPath = dir + L"main.dmg", workPath = dir + L"work.dmg";
  std::wstring listPath = dir + L"words.txt", outPath = dir + L"export.txt";
  const wchar_t* sources[] = {argv[1]};

  std::vector<double> compile, import, exportRuns;
  int records = 0;
  for (int i = 0; i < kRuns; ++i) {
    auto start = std::chrono::steady_clock::now();
    records = CompileTableFiles(sources, 1, mainPath.c_str(), nullptr, dir.c_str());
    compile.push_back(Seconds(start));
  }
  if (records <= 0) {
    std::fprintf(stderr, "compile failed\n");
    return 1;
  }
  WriteImportList(listPath);
  int added = 0;
  for (int i = 0; i < kRuns; ++i) {
    CopyFileW(mainPath.c_str(), workPath.c_str(), FALSE);
    CDmgImport imp{};
    OpenMappedFile(&imp.mainTable, workPath.c_str());
    auto start = std::chrono::steady_clock::now();
    added = ImportWordFile(&imp, listPath.c_str());
    import.push_back(Seconds(start));
    ClearDmgImport(&imp);
    CloseMappedFile(imp.mainTable, 1);
  }
  MappedFile* table = nullptr;
  OpenMappedFile(&table, mainPath.c_str());
  for (int i = 0; i < kRuns; ++i) {
    auto start = std::chrono::steady_clock::now();
    ExportTableText(table, outPath.c_str(), nullptr, 0, nullptr, nullptr, nullptr);
    exportRuns.push_back(Seconds(start));
  }
  CloseMappedFile(table, 0);

  std::printf("compiled %d records, imported %d words\n", records, added);
  Print("compile", compile);
  Print("import", import);
  Print("export", exportRuns);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
  std::printf("peak working set %.1f MB\n", pmc.PeakWorkingSetSize / 1048576.0);
  for (const std::wstring& p : {mainPath, workPath, listPath, outPath, dir + kScratchFileName}) DeleteFileW(p.c_str());
  RemoveDirectoryW(dir.c_str());
  LocalFree(argv);
  return 0;
}
