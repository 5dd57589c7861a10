// Times the code-table routines on a 200,000-record code table: the two
// range lookups of every key stroke, the write lock and the check before a
// write, adding one word, and re-indexing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/common/BenchTiming.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "tests/engine/DmgTestTables.h"

namespace {

using bench::MicrosPerTick;
using bench::Report;
using bench::Ticks;

std::string RandomCode(std::mt19937& rng, size_t len) {
  std::string code;
  for (size_t i = 0; i < len; ++i) code.push_back(static_cast<char>('a' + rng() % 25));
  return code;
}

// One word added per sample, the way the engine adds a user word.
bool TimeAppends(MappedFile* table, std::mt19937& rng, const char* label) {
  const double us = MicrosPerTick();
  std::vector<double> samples;
  for (int i = 0; i < 2000; ++i) {
    zn::test::DmgTestEntry e{RandomCode(rng, 1 + rng() % 4) + "z", L"新词", 0x02000400};
    std::vector<uint8_t> rec = zn::test::RecordBytes(e);
    double t0 = Ticks();
    bool ok = AppendRecord(table, rec.data()) && PlaceNewRecord(table, nullptr, -1);
    samples.push_back((Ticks() - t0) * us);
    if (!ok) {
      std::fprintf(stderr, "append failed\n");
      return false;
    }
  }
  Report(label, samples);
  return true;
}

}  // namespace

int main() {
  using namespace zn::test;
  const double us = MicrosPerTick();
  std::mt19937 rng(2024);
  std::vector<DmgTestEntry> entries;
  std::set<std::pair<std::string, std::wstring>> seen;
  while (entries.size() < 200000) {
    std::string code = RandomCode(rng, 1 + rng() % 4);
    std::wstring word;
    for (size_t i = 0, n = 1 + rng() % 4; i < n; ++i) word.push_back(static_cast<wchar_t>(0x4E00 + rng() % 20000));
    if (!seen.insert({code, word}).second) continue;
    entries.push_back({code, word, 0x01000000u | (rng() & 0xFFFF)});
  }
  DmgBuildOptions options;
  options.index = false;
  std::vector<uint8_t> bytes = BuildDmgBytes(entries, options);

  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"bench_dmg_main.dmg";
  MappedFilePtr table = OpenTableFile(path, bytes);
  if (!table || !IsWritableMapping(table.get())) {
    std::fprintf(stderr, "cannot map %ls\n", path.c_str());
    return 1;
  }
  std::printf("table: %zu records, %u bytes\n", entries.size(), table->size);

  std::vector<double> samples;
  for (int i = 0; i < 5; ++i) {
    double t0 = Ticks();
    RebuildKeyIndex(table.get());
    samples.push_back((Ticks() - t0) * us);
  }
  Report("RebuildKeyIndex (whole table)", samples);

  // Lookups are timed in batches of 64 different codes (the counter ticks
  // at 100 ns here); a sample is the mean of one batch.
  const int kBatch = 64, kBatches = 4000;
  std::vector<std::string> codes(kBatch * kBatches);
  for (size_t len = 1; len <= 4; ++len) {
    for (auto& c : codes) c = RandomCode(rng, len);
    for (int variant = 0; variant < 4; ++variant) {
      bool prefix = variant & 1, viewOnly = variant & 2;
      samples.clear();
      volatile uint32_t sink = 0;
      for (int b = 0; b < kBatches; ++b) {
        double t0 = Ticks();
        for (int k = 0; k < kBatch; ++k) {
          const std::string& c = codes[b * kBatch + k];
          auto* p = reinterpret_cast<const uint8_t*>(c.data());
          uint32_t n = static_cast<uint32_t>(len);
          DmgRange r;
          if (viewOnly) {
            DmgView view = GetDmgView(table.get());
            r = prefix ? FindPrefixRange(view, p, n) : FindExactCodeRange(view, p, n);
          } else {
            r = prefix ? FindPrefixRange(table.get(), p, n) : FindExactCodeRange(table.get(), p, n);
          }
          sink = sink + r.end - r.start;
        }
        samples.push_back((Ticks() - t0) * us / kBatch);
      }
      char label[80];
      std::snprintf(label, sizeof(label), "%s len %zu%s", prefix ? "FindPrefixRange" : "FindExactCodeRange",
                    len, viewOnly ? " (view)" : " (remap check)");
      Report(label, samples);
    }
  }

  // The write lock of a table outside a data folder (a byte-range lock on
  // the file) and of a data folder's table (the folder's lock page): taken
  // and let go, taken again by a nested writer, and taken over from a dead
  // holder.
  std::wstring folder = std::wstring(dir) + L"bench_dmg_lock\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  WriteFileBytes(folder + L"config.dsc", std::vector<uint8_t>(64, 0));
  MappedFilePtr folderTable = OpenTableFile(folder + L"main.dmg", BuildDmgBytes(RandomEntries(5, 50)));
  if (!folderTable || !folderTable->lockPage) {
    std::fprintf(stderr, "cannot open the lock page in %ls\n", folder.c_str());
    return 1;
  }
  for (MappedFile* locked : {table.get(), folderTable.get()}) {
    const char* where = locked == table.get() ? "table file" : "folder page";
    char label[80];
    samples.clear();
    const uint64_t callsBefore = DataWriteLock::SystemCallsOnThisThread();
    for (int i = 0; i < 2000; ++i) {
      double t0 = Ticks();
      { DataWriteLock lock(locked); }
      samples.push_back((Ticks() - t0) * us);
    }
    std::snprintf(label, sizeof(label), "DataWriteLock take and release (%s, %.2f calls each)", where,
                  (DataWriteLock::SystemCallsOnThisThread() - callsBefore) / 2000.0);
    Report(label, samples);
    DataWriteLock outer(locked);
    samples.clear();
    for (int i = 0; i < 2000; ++i) {
      double t0 = Ticks();
      { DataWriteLock inner(locked); }
      samples.push_back((Ticks() - t0) * us);
    }
    std::snprintf(label, sizeof(label), "DataWriteLock nested (%s)", where);
    Report(label, samples);
  }
  {
    // A holder in a slot whose life byte nobody holds: a process that died.
    FolderLockPage* page = folderTable->lockPage;
    const LONG slot = (page->slot + 1) & (kLockPageSlots - 1);
    const LONG64 dead = 0x5A5A5A5A5A5A5000LL | slot;
    samples.clear();
    for (int i = 0; i < 500; ++i) {
      page->view->slotTokens[slot] = dead;
      page->view->owner = dead;
      double t0 = Ticks();
      {
        DataWriteLock lock(folderTable.get());
        if (!lock.TookOver()) {
          std::fprintf(stderr, "the dead holder's lock was not taken over\n");
          return 1;
        }
      }
      samples.push_back((Ticks() - t0) * us);
    }
    page->view->slotTokens[slot] = 0;
    Report("DataWriteLock take-over from a dead holder", samples);
  }
  samples.clear();
  for (int i = 0; i < 5; ++i) {
    double t0 = Ticks();
    RepairDmgTable(table.get(), nullptr);
    samples.push_back((Ticks() - t0) * us);
  }
  Report("RepairDmgTable (sound table: checks only)", samples);

  if (!TimeAppends(table.get(), rng, "AppendRecord + PlaceNewRecord, 4-byte gap")) return 1;
  // The same on a copy whose free gap holds every new record, so no append
  // has to grow and remap the file.
  options.gapBytes = 1 << 20;
  std::wstring gapPath = std::wstring(dir) + L"bench_dmg_gap.dmg";
  {
    MappedFilePtr gapTable = OpenTableFile(gapPath, BuildDmgBytes(entries, options));
    if (!gapTable || !TimeAppends(gapTable.get(), rng, "AppendRecord + PlaceNewRecord, large gap")) {
      return 1;
    }
  }
  DeleteFileW(gapPath.c_str());

  samples.clear();
  for (int i = 0; i < 5; ++i) {
    double t0 = Ticks();
    RebuildKeyIndex(table.get());
    samples.push_back((Ticks() - t0) * us);
  }
  Report("RebuildKeyIndex after 2000 adds", samples);
  table.reset();
  DeleteFileW(path.c_str());
  return 0;
}
