// Typing benchmark: a 200,000-record main.dmg and a full temp.dmg (or the
// tables of a data folder), a trace of key strokes in zntype's key notation
// (generated from the table when no file is given), replayed through the
// key runner as the console host types them. Reports median and 99th
// percentile per key stroke, the peak working set and the heap allocations
// made while typing.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/common/AllocationCounter.h"
#include "engine/ConfigBlocks.h"
#include "engine/Candidates.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/Search.h"
#include "engine/SearchCache.h"
#include "engine/ImeContext.h"
#include "engine/KeyTables.h"
#include "engine/MappedFile.h"
#include "tests/common/TempDir.h"
#include "tests/engine/DmgTestTables.h"
#include "tools/common/TypingHost.h"
#include "tools/zntype/KeyScript.h"


namespace {

using zn::test::DmgTestEntry;

std::vector<DmgTestEntry> GenerateMain(std::mt19937& rng, int count) {
  std::vector<DmgTestEntry> entries;
  entries.reserve(count);
  std::uniform_int_distribution<int> letter(0, 24);  // a..y: z is the wildcard
  std::uniform_int_distribution<int> lengthPick(0, 99);
  std::uniform_int_distribution<int> han(0x4E00, 0x9FA5);
  std::uniform_int_distribution<int> order(0, 5000);
  for (int i = 0; i < count; ++i) {
    const int p = lengthPick(rng);
    const int len = p < 2 ? 1 : p < 12 ? 2 : p < 30 ? 3 : 4;
    std::string code;
    for (int k = 0; k < len; ++k) code.push_back(static_cast<char>('a' + letter(rng)));
    std::wstring word;
    const int chars = len == 4 && p % 3 == 0 ? 2 + p % 3 : 1;
    for (int k = 0; k < chars; ++k) word.push_back(static_cast<wchar_t>(han(rng)));
    entries.push_back({code, word, (1u << 24) | static_cast<uint32_t>(order(rng))});
  }
  return entries;
}

std::wstring GenerateTrace(const std::vector<DmgTestEntry>& entries, std::mt19937& rng,
                           int minKeys) {
  std::wstring trace;
  int keys = 0;
  std::uniform_int_distribution<size_t> pick(0, entries.size() - 1);
  std::uniform_int_distribution<int> action(0, 99);
  while (keys < minKeys) {
    const std::string& code = entries[pick(rng)].code;
    for (char ch : code) {
      trace.push_back(static_cast<wchar_t>(ch));
      ++keys;
    }
    const int a = action(rng);
    if (a < 8) {
      trace += L"{Backspace}";
      trace.push_back(static_cast<wchar_t>(code.back()));
      keys += 2;
    }
    if (a >= 8 && a < 14) {
      trace += L"{PageDown}{PageUp}";
      keys += 2;
    }
    if (a < 60) {
      trace.push_back(L' ');
    } else if (a < 90) {
      trace.push_back(L'1');
    } else {
      trace += L"{Esc}";
    }
    ++keys;
  }
  return trace;
}

bool ReadTextFile(const std::wstring& path, std::wstring* out) {
  const std::vector<uint8_t> bytes = zn::test::ReadFileBytes(path);
  if (bytes.empty()) return false;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    out->assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    return true;
  }
  const int n = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<int>(bytes.size()), nullptr, 0);
  out->resize(n);
  MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                      static_cast<int>(bytes.size()), out->data(), n);
  return true;
}

struct Options {
  std::wstring trace;
  std::wstring data;
  bool verbose = false;
  long codeOptions = 0x27;  // as shipped: hints, wildcard repeat
  bool codeOptionsGiven = false;  // also overrides the data folder's settings
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--verbose") options.verbose = true;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring flag = argv[i];
    if (flag == L"--trace") options.trace = argv[i + 1];
    if (flag == L"--data") options.data = argv[i + 1];
    if (flag == L"--code-options") {
      options.codeOptions = std::wcstol(argv[i + 1], nullptr, 0);
      options.codeOptionsGiven = true;
    }
  }
  std::mt19937 rng(20260101);
  zn::test::TempDir dir;
  std::vector<DmgTestEntry> entries;
  std::wstring folder = options.data;
  if (folder.empty()) {
    folder = dir.path();
    entries = GenerateMain(rng, 200000);
    zn::test::WriteFileBytes(dir.File(L"main.dmg"), zn::test::BuildDmgBytes(entries));
    std::vector<DmgTestEntry> temp;
    for (int i = 0; i < 512; ++i) {
      DmgTestEntry e = entries[rng() % entries.size()];
      e.word += L"词";
      e.attr = static_cast<uint32_t>(i);
      temp.push_back(e);
    }
    zn::test::WriteFileBytes(dir.File(L"temp.dmg"), zn::test::BuildDmgBytes(temp));
    std::vector<uint8_t> config(kConfigFileSize);
    WriteDefaultConfigContainer(config.data(), kConfigFileSize);
    ConfigBlockSet set{};
    LocateConfigBlocks(config.data(), kConfigFileSize, &set);
    set.ime->optionFlags = kImeOptMainCode;
    set.dme->codeOptions = static_cast<uint32_t>(options.codeOptions);
    WriteShippedKeyFunctions(set.dme);
    zn::test::WriteFileBytes(dir.File(L"config.dsc"), config);
  } else {
    // Typing adjusts frequencies and learns words: work on a copy so the
    // benchmark never changes the folder it was pointed at.
    if (folder.back() != L'\\') folder += L'\\';
    for (const wchar_t* name : {L"config.dsc", L"main.dmg", L"temp.dmg"}) {
      CopyFileW((folder + name).c_str(), dir.File(name).c_str(), FALSE);
    }
    folder = dir.path();
  }

  auto* context = static_cast<ImeContext*>(std::calloc(1, sizeof(ImeContext)));
  const wchar_t* names[] = {L"config.dsc", L"main.dmg", L"temp.dmg"};
  const DataFile files[] = {kFileConfig, kFileMain, kFileTemp};
  for (int i = 0; i < 3; ++i) {
    OpenMappedFile(&context->files[files[i]], (folder + names[i]).c_str());
  }
  ConfigBlockSet set{};
  if (!context->files[kFileConfig] || !context->files[kFileMain] ||
      !LocateConfigBlocks(context->files[kFileConfig]->view, context->files[kFileConfig]->size, &set)) {
    std::fwprintf(stderr, L"cannot open the tables in %ls\n", folder.c_str());
    return 1;
  }
  context->softBlock = set.soft;
  context->imeBlock = set.ime;
  context->dmeBlock = set.dme;
  context->skinBlock = set.skin;
  context->pageLast = -1;
  if (options.codeOptionsGiven) set.dme->codeOptions = static_cast<uint32_t>(options.codeOptions);

  std::wstring script;
  if (!options.trace.empty()) {
    if (!ReadTextFile(options.trace, &script)) {
      std::fwprintf(stderr, L"cannot read %ls\n", options.trace.c_str());
      return 1;
    }
  } else {
    if (entries.empty()) {
      const DmgView view = GetDmgView(context->files[kFileMain]);
      DmgRecord r;
      for (uint32_t i = 0; i < view.countRecords; i += 7) {
        if (!ReadDmgRecord(view, i, &r) || !r.code) continue;
        std::string code(reinterpret_cast<const char*>(r.code + 1), r.codeLen);
        if (code.find_first_not_of("abcdefghijklmnopqrstuvwxy") == std::string::npos) {
          entries.push_back({code, L"", 0});
        }
      }
    }
    script = GenerateTrace(entries, rng, 20000);
  }
  std::vector<KeyStroke> keys;
  std::wstring error;
  if (!ParseKeyScript(script, &keys, &error)) {
    std::fwprintf(stderr, L"bad trace: %ls\n", error.c_str());
    return 1;
  }

  if (options.verbose) {
    LARGE_INTEGER f, a, b, c2;
    QueryPerformanceFrequency(&f);
    for (int round = 0; round < 3; ++round) {
      context->code[0] = L'n';
      context->code[1] = 0;
      context->codeLength = context->cursor = 1;
      QueryPerformanceCounter(&a);
      SearchCandidates(context);
      QueryPerformanceCounter(&b);
      SortCandidates(context);
      QueryPerformanceCounter(&c2);
      std::wprintf(L"search %.1f us (%d), sort %.1f us\n", (b.QuadPart - a.QuadPart) * 1e6 / f.QuadPart,
                   context->candidateCount, (c2.QuadPart - b.QuadPart) * 1e6 / f.QuadPart);
      // The parts of the sort: the ordering alone (keyed, then the Shell
      // sort on the same list) and the first page.
      auto micros = [&](LARGE_INTEGER from, LARGE_INTEGER to) {
        return (to.QuadPart - from.QuadPart) * 1e6 / f.QuadPart;
      };
      LARGE_INTEGER d, e2, g, h;
      SearchCandidates(context);
      QueryPerformanceCounter(&d);
      const bool keyed = SortCandidatesByKey(context);
      QueryPerformanceCounter(&e2);
      SearchCandidates(context);
      QueryPerformanceCounter(&g);
      ShellSortCandidates(context);
      QueryPerformanceCounter(&h);
      std::wprintf(L"  keyed order %.1f us (%ls), shell sort %.1f us", micros(d, e2),
                   keyed ? L"used" : L"declined", micros(g, h));
      context->pageFirst = context->pageFirstCarry = context->pageLastCarry = 0;
      context->pageLast = -1;
      QueryPerformanceCounter(&d);
      FillNextCandidatePage(context);
      QueryPerformanceCounter(&e2);
      std::wprintf(L", first page %.1f us\n", micros(d, e2));
    }
    ResetInput(context);
  }
  TypingHost host(context);
  std::vector<double> micros(keys.size());
  std::vector<double> firstKeys;  // strokes that leave a one-key code: the longest lists
  std::vector<double> committing;  // strokes that deliver text: the shared files are written
  std::vector<double> others;
  firstKeys.reserve(keys.size());
  committing.reserve(keys.size());
  others.reserve(keys.size());
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  long long committedUnits = 0;
  const uint64_t keptBefore = FirstKeyListsServed();
  const long long allocationsBefore = gAllocations.load();
  const uint64_t locksBefore = DataWriteLock::TakesOnThisThread();
  const uint64_t lockCallsBefore = DataWriteLock::SystemCallsOnThisThread();
  for (size_t i = 0; i < keys.size(); ++i) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    host.Press(keys[i]);
    QueryPerformanceCounter(&t1);
    const int units = host.OutputUnits();
    committedUnits += units;
    if (options.verbose && i < 12) {
      std::wprintf(L"%ls -> code [%ls] count %d out [%ls] %.1f\n", keys[i].name.c_str(), context->code,
                   context->candidateCount, host.Output(),
                   static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
    }
    host.ClearOutput();
    micros[i] = static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 /
                static_cast<double>(frequency.QuadPart);
    if (context->codeLength == 1) firstKeys.push_back(micros[i]);
    (units > 0 ? committing : others).push_back(micros[i]);
  }
  const long long typingAllocations = gAllocations.load() - allocationsBefore;
  const uint64_t typingLocks = DataWriteLock::TakesOnThisThread() - locksBefore;
  const uint64_t typingLockCalls = DataWriteLock::SystemCallsOnThisThread() - lockCallsBefore;
  std::vector<double> sorted = micros;
  std::sort(sorted.begin(), sorted.end());
  auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  const DmgView mainView = GetDmgView(context->files[kFileMain]);
  std::wprintf(L"tables: %ls (main.dmg %u records)\n", options.data.empty() ? L"generated" : options.data.c_str(),
               mainView.countRecords);
  std::wprintf(L"key strokes: %zu, committed units: %lld\n", keys.size(), committedUnits);
  std::wprintf(L"per key stroke: median %.2f us, p99 %.2f us, max %.2f us\n", at(0.5), at(0.99),
               sorted.back());
  auto report = [](const wchar_t* what, std::vector<double>& v) {
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    auto q = [&](double f) { return v[static_cast<size_t>(f * (v.size() - 1))]; };
    std::wprintf(L"%ls: %zu, median %.2f us, p90 %.2f us, p99 %.2f us\n", what, v.size(), q(0.5),
                 q(0.9), q(0.99));
  };
  report(L"strokes leaving a one-key code", firstKeys);
  std::wprintf(L"one- and two-key lists served kept: %llu\n",
               static_cast<unsigned long long>(FirstKeyListsServed() - keptBefore));
  report(L"strokes delivering text", committing);
  report(L"other strokes", others);
  std::wprintf(L"write locks taken: %llu, system calls made by them: %llu\n",
               static_cast<unsigned long long>(typingLocks),
               static_cast<unsigned long long>(typingLockCalls));
  std::wprintf(L"peak working set: %.1f MB\n", memory.PeakWorkingSetSize / 1048576.0);
  std::wprintf(L"heap allocations while typing: %lld\n", typingAllocations);
  for (MappedFile*& f : context->files) {
    if (f) CloseMappedFile(f, 1);
  }
  std::free(context);
  return 0;
}
