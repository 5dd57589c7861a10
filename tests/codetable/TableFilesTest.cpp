#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "codetable/DmgImport.h"
#include "codetable/DmsText.h"
#include "codetable/RecordRoutines.h"
#include "codetable/TableExport.h"
#include "codetable/TableFiles.h"
#include "codetable/WordList.h"
#include "engine/TableJournal.h"
#include "tests/codetable/CodeTableTestUtil.h"

using namespace zn::test;

namespace {

std::wstring MixedTable(int n) {
  std::wstring text;
  const wchar_t* tags[] = {L"", L"#用", L"#次", L"#类2"};
  for (int i = 0; i < n; ++i) {
    wchar_t line[64];
    swprintf(line, 64, L"词%d\t%lc%lc%ls\r\n", i, L'a' + i % 7, L'a' + (i / 7) % 26, tags[i % 4]);
    text += line;
  }
  return text;
}

std::vector<DmgTestEntry> Without(std::vector<DmgTestEntry> entries, uint32_t category) {
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const DmgTestEntry& e) { return EntryAttr::Category(e.attr) == category; }),
                entries.end());
  return entries;
}

void StoreAt(MappedFile* t, uint32_t offset, uint32_t value) { DmgStoreU32(t->view, t->size, offset, value); }
uint32_t SlotAt(uint32_t position) { return kDmgOffsetTableOffset + 4 * position; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Codes(const MappedFile* t) {
  std::vector<std::string> codes;
  for (const DmgTestEntry& e : TableEntries(t)) codes.push_back(e.code);
  return codes;
}

}  // namespace

// A dead writer copied slot 2 over slot 3 (ac listed twice, ad not at all),
// or stored the count 0 every whole-table writer stores first. Purging
// category 5 must work on the table as it was before that change, and a
// change that cannot be undone now makes it fail without writing.
TEST(TableFilesTest, PurgeAfterADeadWritersHalfChangeWorksOnTheRestoredTable) {
  TempDir dir;
  const std::wstring path = dir.File(L"t.dmg");
  std::vector<DmgTestEntry> entries;
  const wchar_t* words = L"甲乙丙丁戊己庚辛壬癸";
  for (int i = 0; i < 10; ++i) {
    const uint32_t category = i == 7 || i == 8 ? 5 : 1;
    entries.push_back({std::string("a") + static_cast<char>('a' + i), std::wstring(1, words[i]),
                       EntryAttr::WithCategory(0x100, category)});
  }
  const std::vector<std::string> kept = {"aa", "ab", "ac", "ad", "ae", "af", "ag", "aj"};
  const HalfChange copySlot = [](MappedFile* t) { StoreAt(t, SlotAt(3), U32At(t, SlotAt(2))); };
  const HalfChange countZero = [](MappedFile* t) { StoreAt(t, kDmgCountOffset, 0); };
  for (const HalfChange* steps : {&copySlot, &countZero}) {
    const char* what = steps == &copySlot ? "slot copied" : "count 0";
    ASSERT_TRUE(WriteFileBytes(path, BuildDmgBytes(entries)));
    ASSERT_TRUE(LeaveHalfChanged(path, *steps));
    auto t = OpenTableFile(path);
    EXPECT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 5)) << what;
    EXPECT_EQ(kept, Codes(t.get())) << what;
    EXPECT_EQ(0u, U32At(t.get(), kDmgChangingOffset)) << what;
    EXPECT_FALSE(Exists(path + kTableJournalSuffix)) << what;
    EXPECT_TRUE(CheckDmgTable(t.get(), nullptr).Sound()) << what;
  }

  ASSERT_TRUE(WriteFileBytes(path, BuildDmgBytes(entries)));
  ASSERT_TRUE(LeaveHalfChanged(path, countZero));
  const std::vector<uint8_t> halfDone = ReadFileBytes(path);
  HANDLE held = CreateFileW((path + kTableJournalSuffix).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  {
    auto t = OpenTableFile(path);
    EXPECT_EQ(0, PurgeCategoryEntries(t.get(), 1u << 5)) << "a table still changing is busy";
  }
  EXPECT_EQ(halfDone, ReadFileBytes(path));
  CloseHandle(held);
  auto t = OpenTableFile(path);
  EXPECT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 5));
  EXPECT_EQ(kept, Codes(t.get()));
}

// Every whole-table writer, run on a table a dead writer left half changed,
// leaves the bytes it leaves when run on the table as it was before that
// change; while the change cannot be undone, each fails and writes nothing.
TEST(TableFilesTest, WritersAfterADeadWritersHalfChangeMatchTheUntouchedTable) {
  TempDir dir;
  const std::wstring clean = dir.File(L"clean.dmg"), dirty = dir.File(L"dirty.dmg");
  ASSERT_TRUE(WriteFileBytes(dir.File(L"fresh.dmg"), BuildDmgBytes(RandomEntries(5, 30))));
  auto fresh = OpenTableFile(dir.File(L"fresh.dmg"));
  WriteText(dir.File(L"import.txt"), L"新\tzzya\r\n旧\tzzyb#用\r\n");
  WriteText(dir.File(L"list.txt"), L"甲乙\r\n丙丁\r\n");
  // Each opens the table itself: a second view would keep a rollback from
  // cutting a grown file back.
  using Writer = std::function<int(const std::wstring& path, uint32_t param)>;
  const auto on = [](int (*write)(MappedFile*, uint32_t)) {
    return [write](const std::wstring& path, uint32_t param) { return write(OpenTableFile(path).get(), param); };
  };
  const std::vector<std::pair<const char*, Writer>> writers = {
      {"purge", on([](MappedFile* t, uint32_t p) { return PurgeCategoryEntries(t, (2u << p % 6) | (2u << (p >> 8) % 6)); })},
      {"sort", on([](MappedFile* t, uint32_t) { return SortOffsetTable(t, nullptr); })},
      {"delete", on([](MappedFile* t, uint32_t p) { return DeleteRecordAt(t, p % 20); })},
      {"empty", on([](MappedFile* t, uint32_t) { return EmptyTable(t); })},
      {"index", on([](MappedFile* t, uint32_t) { return RebuildKeyIndex(t, nullptr, nullptr); })},
      {"replace", [&](const std::wstring& path, uint32_t) { return ReplaceLiveTable(OpenTableFile(path).get(), fresh.get()); }},
      {"import", [&](const std::wstring& path, uint32_t) {
         auto t = OpenTableFile(path);
         CDmgImport import{};
         import.mainTable = t.get();
         const int added = ImportWordFile(&import, dir.File(L"import.txt").c_str());
         ClearDmgImport(&import);
         return added;
       }},
      {"wordlist", [&](const std::wstring& path, uint32_t) {
         bool hash = false;
         return MergeWordListViaTempTable(path.c_str(), dir.File(L"list.txt").c_str(), &hash, nullptr, dir.path().c_str());
       }},
  };
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    std::vector<DmgTestEntry> entries = RandomEntries(seed, 20 + rng() % 60);
    for (DmgTestEntry& e : entries) e.attr = EntryAttr::WithCategory(e.attr, 1 + rng() % 6);
    std::vector<uint8_t> base = BuildDmgBytes(entries);
    const uint32_t n = static_cast<uint32_t>(entries.size());
    // Slots out of order now and then, so that a sort has work to do.
    if (seed % 3 == 0) {
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t j = rng() % n, slot = GetU32(base, kTestHeaderSize + 4 * i);
        PutU32(base, kTestHeaderSize + 4 * i, GetU32(base, kTestHeaderSize + 4 * j));
        PutU32(base, kTestHeaderSize + 4 * j, slot);
      }
    }
    std::vector<std::pair<int, uint32_t>> steps;
    for (uint32_t k = 1 + rng() % 4; k > 0; --k) steps.push_back({static_cast<int>(rng() % 6), rng()});
    const HalfChange halfChange = [&](MappedFile* t) {
      std::mt19937 junk(seed);
      for (auto [kind, r] : steps) {
        const uint32_t records = t->size - kDmgRecordBase;
        switch (kind) {
          case 0: StoreAt(t, SlotAt(r % n), U32At(t, SlotAt((r >> 16) % n))); break;
          case 1: StoreAt(t, kDmgCountOffset, r % (n + 1)); break;
          case 2: StoreAt(t, kDmgEdgeOffset, kDmgRecordBase + r % records); break;
          case 3: for (uint32_t i = 0; i < 64; ++i) t->view[kDmgRecordBase + (r + i) % records] = junk(); break;
          case 4: for (uint32_t i = 0; i < 512; ++i) t->view[kDmgKeyIndexOffset + (r + i) % kDmgKeyIndexBytes] = junk(); break;
          case 5: {
            // Grown, and the new bytes listed: the rollback cuts the file back.
            const uint32_t old = t->size;
            if (!ResizeMappedFile(t, old + 1 + r % 4096)) break;
            for (uint32_t i = old; i < t->size; ++i) t->view[i] = junk();
            StoreAt(t, SlotAt(r % n), old);
            break;
          }
        }
      }
    };
    for (const auto& [name, write] : writers) {
      const uint32_t param = rng();
      for (bool undoable : {true, false}) {
        if (!undoable && seed % 3 != 1) continue;
        ASSERT_TRUE(WriteFileBytes(clean, base));
        ASSERT_TRUE(WriteFileBytes(dirty, base));
        const int cleanResult = write(clean, param);
        ASSERT_TRUE(LeaveHalfChanged(dirty, halfChange));
        if (!undoable) {
          HANDLE held = CreateFileW((dirty + kTableJournalSuffix).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
          ASSERT_NE(INVALID_HANDLE_VALUE, held);
          const std::vector<uint8_t> halfDone = ReadFileBytes(dirty);
          // The import tells a busy table apart from nothing to add.
          EXPECT_EQ(std::string(name) == "import" ? kAppendBusy : 0, write(dirty, param))
              << name << " seed " << seed << ": busy";
          EXPECT_EQ(halfDone, ReadFileBytes(dirty)) << name << " seed " << seed << ": written while busy";
          CloseHandle(held);
        }
        EXPECT_EQ(cleanResult, write(dirty, param)) << name << " seed " << seed;
        EXPECT_TRUE(ReadFileBytes(clean) == ReadFileBytes(dirty)) << name << " seed " << seed;
        EXPECT_FALSE(Exists(dirty + kTableJournalSuffix)) << name << " seed " << seed;
      }
    }
  }
}

TEST(TableFilesTest, PurgeCategoriesAndEmpty) {
  TempDir dir;
  ASSERT_EQ(200, CompileText(dir, MixedTable(200), L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  std::vector<DmgTestEntry> before = TableEntries(t.get());
  std::vector<uint8_t> bytes(t.get()->view, t.get()->view + t.get()->size);

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 5));  // nothing of category 5
  EXPECT_EQ(0, std::memcmp(bytes.data(), t.get()->view, bytes.size()));

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), 1u << 2));
  EXPECT_EQ(Without(before, 2), TableEntries(t.get()));
  EXPECT_TRUE(IsTableConsistent(t.get()));
  ASSERT_EQ(1, RebuildKeyIndex(t.get(), nullptr, nullptr));
  EXPECT_TRUE(EveryCodeFindable(t.get()));
  EXPECT_EQ(bytes.size(), t.get()->size);

  ASSERT_EQ(1, PurgeCategoryEntries(t.get(), (1u << 1) | (1u << 3) | (1u << 17)));
  EXPECT_EQ(0u, U32At(t.get(), kDmgCountOffset));
  EXPECT_EQ(t.get()->size, U32At(t.get(), kDmgEdgeOffset));

  ASSERT_EQ(200, CompileText(dir, MixedTable(200), L"u.dmg"));
  auto u = OpenTableFile(dir.File(L"u.dmg"));
  ASSERT_EQ(1, EmptyTable(u.get()));
  EXPECT_EQ(0u, U32At(u.get(), kDmgCountOffset));
  EXPECT_EQ(u.get()->size, U32At(u.get(), kDmgEdgeOffset));
  for (uint32_t i = 0; i < kDmgKeyIndexBytes; i += 4) ASSERT_EQ(0u, U32At(u.get(), kDmgKeyIndexOffset + i));
}

TEST(TableFilesTest, EmptyTempTableHasItsFixedSlots) {
  TempDir dir;
  ASSERT_EQ(1, CreateEmptyTempTable(dir.File(L"temp.dmg").c_str()));
  auto t = OpenTableFile(dir.File(L"temp.dmg"));
  ASSERT_EQ(kTempTableBytes, t.get()->size);
  EXPECT_EQ(0u, U32At(t.get(), kDmgCountOffset));
  EXPECT_NE(kDmgTypeCode, U32At(t.get(), kDmgTypeOffset));
  EXPECT_EQ(68236u, U32At(t.get(), kDmgOffsetTableOffset));
  EXPECT_EQ(68236u + 390u * 511, U32At(t.get(), kDmgOffsetTableOffset + 4 * 511));
  EXPECT_LE(68236u + 390u * 512, t.get()->size);
}

// The live table is mapped by another reader (as a running IME maps
// main.dmg) while it is replaced, once by a smaller and once by a larger table.
TEST(TableFilesTest, ReplaceLiveTableInPlace) {
  TempDir dir;
  ASSERT_EQ(300, CompileText(dir, MixedTable(300), L"big.dmg"));
  ASSERT_EQ(40, CompileText(dir, MixedTable(40), L"small.dmg"));
  ASSERT_EQ(300, CompileText(dir, MixedTable(300), L"live1.dmg"));
  ASSERT_EQ(40, CompileText(dir, MixedTable(40), L"live2.dmg"));
  for (auto [liveName, freshName] : {std::pair{L"live1.dmg", L"small.dmg"}, std::pair{L"live2.dmg", L"big.dmg"}}) {
    auto fresh = OpenTableFile(dir.File(freshName));
    auto live = OpenTableFile(dir.File(liveName));
    auto reader = OpenTableFile(dir.File(liveName));
    uint32_t oldSize = live.get()->size;
    // Header fields of the live table that the replacement keeps.
    DmgStoreU32(live.get()->view, live.get()->size, 0x74, 1234);
    ASSERT_EQ(1, ReplaceLiveTable(live.get(), fresh.get()));
    EXPECT_EQ(std::max(oldSize, fresh.get()->size), live.get()->size);
    EXPECT_EQ(1234u, U32At(live.get(), 0x74));
    EXPECT_EQ(TableEntries(fresh.get()), TableEntries(live.get()));
    EXPECT_TRUE(IsTableConsistent(live.get()));
    EXPECT_TRUE(EveryCodeFindable(live.get()));
    RemapIfResized(reader.get());
    EXPECT_EQ(TableEntries(fresh.get()), TableEntries(reader.get())) << liveName;
  }
}

TEST(TableFilesTest, DeleteRecordAtKeepsEveryOtherRecord) {
  TempDir dir;
  ASSERT_EQ(50, CompileText(dir, MixedTable(50), L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  std::vector<DmgTestEntry> entries = TableEntries(t.get());
  uint32_t size = t.get()->size;

  ASSERT_EQ(1, DeleteRecordAt(t.get(), 49));  // last slot
  entries.erase(entries.begin() + 49);
  EXPECT_EQ(entries, TableEntries(t.get()));
  // The record lying at the edge.
  uint32_t edge = U32At(t.get(), kDmgEdgeOffset);
  uint32_t atEdge = 0;
  while (U32At(t.get(), kDmgOffsetTableOffset + 4 * atEdge) != edge) ++atEdge;
  ASSERT_EQ(1, DeleteRecordAt(t.get(), atEdge));
  entries.erase(entries.begin() + atEdge);
  EXPECT_EQ(entries, TableEntries(t.get()));
  EXPECT_TRUE(IsTableConsistent(t.get()));
  EXPECT_EQ(size, t.get()->size);

  EXPECT_EQ(0, DeleteRecordAt(t.get(), 48));
  EXPECT_EQ(0, DeleteRecordAt(nullptr, 0));
  // A record whose offset points past the file is refused, nothing moves.
  DmgStoreU32(t.get()->view, t.get()->size, kDmgOffsetTableOffset + 4 * 3, t.get()->size - 2);
  std::vector<uint8_t> bytes(t.get()->view, t.get()->view + t.get()->size);
  EXPECT_EQ(0, DeleteRecordAt(t.get(), 3));
  EXPECT_EQ(0, std::memcmp(bytes.data(), t.get()->view, bytes.size()));

  uint32_t counts[64] = {};
  CountEntriesByClass(t.get(), counts);
  uint32_t sum = 0;
  for (uint32_t c : counts) sum += c;
  EXPECT_EQ(47u, sum);  // the damaged record is not counted
  EXPECT_GT(counts[17], 0u);
}

// Anyone may put a hard link to another file at the name a table, a lookup
// table or an export is written to: the writer refuses and the other file
// keeps its bytes.
TEST(TableFilesTest, WritersRefuseAHardLinkPlantedAtTheirName) {
  TempDir dir, outside;
  const std::vector<uint8_t> secret(100, 0x5A);
  ASSERT_TRUE(WriteFileBytes(outside.File(L"secret.bin"), secret));
  ASSERT_EQ(2, CompileText(dir, L"工\ta\r\n大\td\r\n", L"t.dmg"));
  auto t = OpenTableFile(dir.File(L"t.dmg"));
  for (const wchar_t* name : {L"new.dmg", L"danzi.dmi", L"out.txt"}) {
    ASSERT_TRUE(CreateHardLinkW(dir.File(name).c_str(), outside.File(L"secret.bin").c_str(), nullptr));
  }
  MappedFile* created = nullptr;
  // A table is made new: the planted name goes, what it named stays.
  ASSERT_NE(0u, CreateMappedFile(&created, dir.File(L"new.dmg").c_str(), 4096));
  CloseMappedFile(created, 1);
  EXPECT_EQ(DmsBuildResult::kCannotWrite, WriteDmsTable(dir.File(L"danzi.dmi").c_str(), {{L"工", L"a"}}));
  EXPECT_EQ(0, ExportTableText(t.get(), dir.File(L"out.txt").c_str(), nullptr, 32, nullptr, nullptr, nullptr));
  EXPECT_EQ(secret, ReadFileBytes(outside.File(L"secret.bin")));
}
