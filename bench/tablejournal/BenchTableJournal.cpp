// Times each whole-table command on a copy of the shipped main.dmg (path as
// the argument), and beside it the journal alone (written, flushed, marked,
// then dropped as a finished change drops it): the command without its
// journal costs the difference. Also the check an open makes when no writer
// died.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "codetable/DmgImport.h"
#include "codetable/TableFiles.h"
#include "engine/DmgTable.h"
#include "engine/TableJournal.h"
#include "tests/engine/DmgTestTables.h"

namespace {

using bench::Micros;
using bench::Report;
using namespace zn::test;

constexpr int kRuns = 15;

struct Folder {
  std::wstring path;
  std::wstring Main() const { return path + L"main.dmg"; }
};

// Runs the command kRuns times, each on a fresh copy of bytes.
void TimeCommand(const Folder& folder, const char* label, const std::vector<uint8_t>& bytes,
                 const std::function<bool(MappedFile*)>& command) {
  std::vector<double> samples;
  for (int i = 0; i < kRuns; ++i) {
    MappedFilePtr table = OpenTableFile(folder.Main(), bytes);
    if (!table) return;
    const double t0 = Micros();
    const bool ok = command(table.get());
    samples.push_back(Micros() - t0);
    if (!ok) std::fprintf(stderr, "%s failed\n", label);
  }
  Report(label, samples);
}

void TimeJournal(const Folder& folder, const char* label, const std::vector<uint8_t>& bytes,
                 TableChangeScope scope, bool index = false) {
  MappedFilePtr table = OpenTableFile(folder.Main(), bytes);
  std::vector<double> samples;
  for (int i = 0; i < kRuns; ++i) {
    const double t0 = Micros();
    {
      auto change = index ? std::make_unique<TableChange>(table.get(), nullptr)
                          : std::make_unique<TableChange>(table.get(), scope);
      change->Done();
    }
    samples.push_back(Micros() - t0);
  }
  Report(label, samples);
}

std::vector<DmgTestEntry> UserWords(const std::vector<DmgTestEntry>& base, size_t n) {
  std::set<std::pair<std::string, std::wstring>> taken;
  for (const DmgTestEntry& e : base) taken.insert({e.code, e.word});
  std::vector<DmgTestEntry> out;
  for (DmgTestEntry& e : RandomEntries(977, n * 2)) {
    if (out.size() < n && !taken.count({e.code, e.word})) {
      e.attr = EntryAttr::WithCategory(e.attr, 2);
      out.push_back(e);
    }
  }
  return out;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_tablejournal <main.dmg>\n");
    return 2;
  }
  const std::vector<uint8_t> shipped = ReadFileBytes(argv[1]);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  Folder folder{std::wstring(temp) + L"bench_tablejournal\\"};
  CreateDirectoryW(folder.path.c_str(), nullptr);
  MappedFilePtr probe = OpenTableFile(folder.Main(), shipped);
  if (!probe) return 1;
  const std::vector<DmgTestEntry> system = TableEntries(probe.get());
  probe.reset();
  const std::vector<DmgTestEntry> user = UserWords(system, 2000);
  std::vector<DmgTestEntry> all = system;
  all.insert(all.end(), user.begin(), user.end());
  const std::vector<uint8_t> withUser = BuildDmgBytes(all);
  std::vector<uint8_t> reversed = withUser;
  const uint32_t n = static_cast<uint32_t>(all.size());
  for (uint32_t i = 0; i < n / 2; ++i) {
    for (int b = 0; b < 4; ++b) std::swap(reversed[kTestHeaderSize + 4 * i + b], reversed[kTestHeaderSize + 4 * (n - 1 - i) + b]);
  }
  DmgBuildOptions noIndex;
  noIndex.index = false;
  const std::vector<uint8_t> unindexed = BuildDmgBytes(all, noIndex);
  std::printf("main.dmg: %zu records, %zu bytes; with 2000 user words %zu bytes\n", system.size(),
              shipped.size(), withUser.size());

  const std::wstring freshPath = folder.path + L"fresh.dmg";
  WriteFileBytes(freshPath, withUser);
  TimeCommand(folder, "replace (shipped -> +2000 words)", shipped, [&](MappedFile* live) {
    MappedFilePtr fresh = OpenTableFile(freshPath);
    return ReplaceLiveTable(live, fresh.get()) == 1;
  });
  TimeJournal(folder, "  journal: whole file", shipped, TableChangeScope::kWholeFile);
  TimeCommand(folder, "purge category 2 (2000 words)", withUser,
              [](MappedFile* t) { return PurgeCategoryEntries(t, 1u << 2) == 1; });
  TimeJournal(folder, "  journal: whole file", withUser, TableChangeScope::kWholeFile);
  TimeCommand(folder, "empty", withUser, [](MappedFile* t) { return EmptyTable(t) == 1; });
  TimeJournal(folder, "  journal: header", withUser, TableChangeScope::kHeader);
  std::wstring text = L"\xFEFF";
  for (const DmgTestEntry& e : user) text += e.word + L"\t" + std::wstring(e.code.begin(), e.code.end()) + L"#用\r\n";
  const std::wstring list = folder.path + L"import.txt";
  WriteFileBytes(list, text.data(), text.size() * 2);
  TimeCommand(folder, "grow-import (2000 words)", shipped, [&](MappedFile* t) {
    CDmgImport import{};
    import.mainTable = t;
    const int added = ImportWordFile(&import, list.c_str());
    ClearDmgImport(&import);
    return added == 2000;
  });
  TimeJournal(folder, "  journal: whole file", shipped, TableChangeScope::kWholeFile);
  TimeCommand(folder, "sort (slots reversed)", reversed, [](MappedFile* t) { return SortTable(t, nullptr) == 1; });
  TimeJournal(folder, "  journal: header and slots", reversed, TableChangeScope::kHeaderAndSlots);
  TimeCommand(folder, "index rebuild (from zero)", unindexed,
              [](MappedFile* t) { return RebuildKeyIndex(t) == 1; });
  TimeJournal(folder, "  journal: index key set", unindexed, TableChangeScope::kHeader, true);

  // What an open or a reader's remap check pays when no writer died.
  MappedFilePtr table = OpenTableFile(folder.Main(), shipped);
  std::vector<double> samples;
  for (int i = 0; i < 2000; ++i) {
    const double t0 = Micros();
    RecoverIfAbandoned(table.get());
    samples.push_back(Micros() - t0);
  }
  Report("open-time check of a mapped table", samples);

  // And when anyone set the word and put a large file where the journal goes.
  const std::wstring journal = folder.Main() + kTableJournalSuffix;
  samples.clear();
  for (int i = 0; i < 5; ++i) {
    *reinterpret_cast<volatile uint32_t*>(table->view + kDmgChangingOffset) = 0x5A5A5A5A;
    HANDLE file = CreateFileW(journal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER length;
    length.QuadPart = 1500ll << 20;
    SetFilePointerEx(file, length, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    const double t0 = Micros();
    RecoverIfAbandoned(table.get());
    samples.push_back(Micros() - t0);
    DeleteFileW(journal.c_str());
  }
  Report("open-time check, planted 1.5 GB journal", samples);
  table.reset();
  DeleteFileW(folder.Main().c_str());
  DeleteFileW(freshPath.c_str());
  DeleteFileW(list.c_str());
  RemoveDirectoryW(folder.path.c_str());
  return 0;
}
