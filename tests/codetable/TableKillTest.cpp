// Whole-table writers killed at random moments: afterwards, once the open or
// a reader that had the table mapped has dealt with what the writer left,
// the table is either byte for byte as before or holds every word of the
// finished change, sound and findable.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "codetable/TableFiles.h"
#include "codetable/WordList.h"
#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/FolderLockPage.h"
#include "engine/TableJournal.h"
#include "tests/codetable/CodeTableTestUtil.h"
#include "tests/common/ChildProcess.h"

using namespace zn::test;

namespace {

const std::wstring kData = ZN_TEST_DATA_DIR;
constexpr int kKills = 50;

using WordSet = std::set<std::pair<std::string, std::wstring>>;

WordSet Words(const std::vector<DmgTestEntry>& entries) {
  WordSet out;
  for (const DmgTestEntry& e : entries) out.insert({e.code, e.word});
  return out;
}

std::vector<DmgTestEntry> WithCategory(std::vector<DmgTestEntry> entries, uint32_t category) {
  for (DmgTestEntry& e : entries) e.attr = EntryAttr::WithCategory(e.attr, category);
  return entries;
}

// User words (category 2) none of which is in base.
std::vector<DmgTestEntry> UserWords(const std::vector<DmgTestEntry>& base, size_t n) {
  const WordSet taken = Words(base);
  std::vector<DmgTestEntry> out;
  for (const DmgTestEntry& e : RandomEntries(977, n * 2)) {
    if (out.size() < n && !taken.count({e.code, e.word})) out.push_back(e);
  }
  return WithCategory(out, 2);
}

std::vector<DmgTestEntry> Joined(std::vector<DmgTestEntry> a, const std::vector<DmgTestEntry>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One writer and the table before and after it.
struct KillCase {
  std::wstring writer;
  std::vector<uint8_t> before;
  WordSet after;
  std::vector<uint8_t> fresh;  // replace: the new table
  std::wstring importText;     // import, wordlist: the word list
  std::wstring definition;     // compile: the definition text
};

// Every record is found by its code, or in a word list by its text.
bool EveryWordFindable(MappedFile* table) {
  const DmgView view = GetDmgView(table);
  if (view.type != kDmgTypeWordList) return EveryCodeFindable(table);
  for (uint32_t i = 0; i < view.countRecords; ++i) {
    DmgRecord rec;
    if (!ReadDmgRecord(view, i, &rec) || FindRecord(table, rec.word, nullptr) <= 0) return false;
  }
  return true;
}

enum class Outcome { kUnchanged, kFinished, kBroken };

class TableKillTest : public ::testing::Test {
 protected:
  std::wstring Main() const { return dir_.File(L"main.dmg"); }

  void Reset(const KillCase& c) {
    DeleteFileW((Main() + kTableJournalSuffix).c_str());
    // The system may release a killed writer's view of the file a moment
    // after the process has ended; until then the file cannot be cut.
    bool written = false;
    for (int tries = 0; tries < 200 && !(written = WriteFileBytes(Main(), c.before)); ++tries) Sleep(10);
    ASSERT_TRUE(written);
    if (!c.fresh.empty()) ASSERT_TRUE(WriteFileBytes(dir_.File(L"fresh.dmg"), c.fresh));
    if (!c.importText.empty()) WriteText(dir_.File(c.writer == L"wordlist" ? L"list.txt" : L"import.txt"), c.importText);
    if (!c.definition.empty()) WriteText(dir_.File(L"definition.txt"), c.definition);
  }

  Outcome Examine(const KillCase& c, std::string* why) {
    const std::vector<uint8_t> bytes = ReadFileBytes(Main());
    if (bytes == c.before) return Outcome::kUnchanged;
    // A compile ends as its whole run did, byte for byte.
    if (!compiled_.empty()) {
      *why = "neither the old nor the compiled table";
      return bytes == compiled_ ? Outcome::kFinished : Outcome::kBroken;
    }
    // Only a change that never began leaves its journal.
    if (GetFileAttributesW((Main() + kTableJournalSuffix).c_str()) != INVALID_FILE_ATTRIBUTES) {
      *why = "journal left behind a changed table";
      return Outcome::kBroken;
    }
    MappedFile* table = nullptr;
    OpenMappedFile(&table, Main().c_str());
    Outcome outcome = Outcome::kBroken;
    if (U32At(table, kDmgChangingOffset) != 0) {
      *why = "still marked as changing";
    } else if (!CheckDmgTable(table, nullptr).Sound()) {
      *why = "table not sound";
    } else if (Words(TableEntries(table)) != c.after) {
      *why = "words differ: " + std::to_string(GetDmgView(table).countRecords) + " records";
    } else if (!EveryWordFindable(table)) {
      *why = "a word cannot be found by its code";
    } else {
      outcome = Outcome::kFinished;
    }
    CloseMappedFile(table, 0);
    return outcome;
  }

  // What opening the data folder does with each table.
  void OpenAsTheEngineDoes() {
    MappedFile* table = nullptr;
    OpenMappedFile(&table, Main().c_str());
    RecoverIfAbandoned(table);
    CloseMappedFile(table, 1);
  }

  // Starts the writer; returns once it is about to run. The build tool
  // sets no event: it is timed from its start.
  std::unique_ptr<ChildProcess> Start(const KillCase& c, HANDLE event, const std::wstring& name) {
    ResetEvent(event);
    const bool tool = c.writer == L"compile";
    const std::wstring exe = tool ? std::wstring(ZN_DMGTOOL_EXE) : BesideThisProgram(L"table_writer_child.exe");
    const std::wstring args = tool ? L"compile " + Quoted(Main()) + L" " + Quoted(dir_.File(L"definition.txt"))
                                   : c.writer + L" " + Quoted(dir_.path()) + L" " + name;
    // Under load a start now and then fails while the last child is still
    // being torn down: tried again, each with an output file of its own.
    std::unique_ptr<ChildProcess> child;
    for (int tries = 0; tries < 5 && !(child && child->Started()); ++tries) {
      if (tries) Sleep(100);
      child = std::make_unique<ChildProcess>(exe, args, dir_.File(L"child" + std::to_wstring(starts_++) + L".txt"));
    }
    EXPECT_TRUE(child->Started());
    if (!tool) EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 30000));
    return child;
  }

  // Runs the writer once whole, then kills it kills times: every other time
  // at a random moment of its whole run, counted from just before it starts
  // (journal writing included), and otherwise at a random moment after a
  // reader mapping the table saw the change begin. That reader recovers the
  // table through its own view; the open's check follows. With readersFirst
  // the reader lets go of its view and two reader processes come first.
  void RunKills(const KillCase& c, int kills, bool readersFirst = false) {
    using Clock = std::chrono::steady_clock;
    const std::wstring name = L"zn-tablekill-" + std::to_wstring(GetCurrentProcessId());
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_TRUE(event);
    Reset(c);
    long long fullUs = 0, changeUs = 0;
    {
      MappedFile* reader = nullptr;
      OpenMappedFile(&reader, Main().c_str());
      const Clock::time_point started = Clock::now();
      auto child = Start(c, event, name);
      const Clock::time_point begun = WaitForChangeWord(reader, *child, true);
      changeUs = std::chrono::duration_cast<std::chrono::microseconds>(
                     WaitForChangeWord(reader, *child, false) - begun).count();
      ASSERT_TRUE(child->Finish(120000)) << child->Output();
      if (c.writer == L"compile") {
        fullUs = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
      } else {
        ASSERT_EQ(1, std::sscanf(child->Output().c_str(), "done %lld", &fullUs));
      }
      CloseMappedFile(reader, 0);
    }
    std::string why;
    ASSERT_EQ(Outcome::kFinished, Examine(c, &why)) << why;
    if (c.writer == L"compile") compiled_ = ReadFileBytes(Main());

    std::mt19937 rng(static_cast<unsigned>(fullUs) ^ 0x5eed);
    std::uniform_int_distribution<long long> anyMoment(0, fullUs + fullUs / 5);
    std::uniform_int_distribution<long long> changeMoment(0, changeUs);
    int unchanged = 0, finished = 0, inside = 0;
    for (int k = 0; k < kills; ++k) {
      Reset(c);
      const bool inChange = k % 2;
      MappedFile* reader = nullptr;
      if (inChange) OpenMappedFile(&reader, Main().c_str());
      const long long delayUs = inChange ? changeMoment(rng) : anyMoment(rng);
      {
        auto child = Start(c, event, name);
        const Clock::time_point from = inChange ? WaitForChangeWord(reader, *child, true) : Clock::now();
        while (Clock::now() < from + std::chrono::microseconds(delayUs)) {
        }
        child->Kill();
      }
      const std::vector<uint8_t> left = ReadFileBytes(Main());
      uint32_t word = 0;
      if (left.size() >= kDmgChangingOffset + 4) std::memcpy(&word, left.data() + kDmgChangingOffset, 4);
      if (word) ++inside;
      if (readersFirst) {
        CloseMappedFile(reader, 0);
        reader = nullptr;
        ReadAtOnce(c, delayUs);
      }
      if (reader) {
        RecoverIfAbandoned(reader);
        RemapIfResized(reader);
        CloseMappedFile(reader, 1);
      }
      OpenAsTheEngineDoes();
      const Outcome outcome = Examine(c, &why);
      EXPECT_NE(Outcome::kBroken, outcome) << c.writer << " killed " << delayUs << " us after "
                                           << (inChange ? "the change began" : "the start") << ": " << why;
      if (outcome == Outcome::kUnchanged) ++unchanged;
      if (outcome == Outcome::kFinished) ++finished;
    }
    CloseHandle(event);
    std::printf("%ls: whole run %lld us, change %lld us; %d kills inside the change; %d rolled back, %d finished\n",
                c.writer.c_str(), fullUs, changeUs, inside, unchanged, finished);
  }

  // Reader processes open the table as the engine does, at once after a
  // kill: the first while this process holds the file without sharing
  // writes, so that it reads a copy it may not write back (as a process
  // without write access to the folder does), the second freely. Each must
  // find the table no longer changing and sound, with the records of before
  // or after.
  void ReadAtOnce(const KillCase& c, long long delayUs) {
    uint32_t beforeCount = 0;
    std::memcpy(&beforeCount, c.before.data() + kDmgCountOffset, 4);
    for (bool copy : {true, false}) {
      HANDLE held = INVALID_HANDLE_VALUE;
      if (copy) held = CreateFileW(Main().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      // A start that fails under load (see Start) is tried again.
      std::unique_ptr<ChildProcess> read;
      for (int tries = 0; tries < 5 && !(read && read->Started()); ++tries) {
        if (tries) Sleep(100);
        read = std::make_unique<ChildProcess>(BesideThisProgram(L"table_writer_child.exe"),
                                              L"read " + Quoted(dir_.path()),
                                              dir_.File(L"read" + std::to_wstring(starts_++) + L".txt"));
      }
      const bool ok = read->Finish(30000);
      if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
      unsigned records = 0;
      std::sscanf(read->Output().c_str(), "unchanging, sound, %u records", &records);
      EXPECT_TRUE(ok && (records == beforeCount || records == c.after.size()))
          << (copy ? "copy" : "mapping") << " read after a kill " << delayUs << " us in: " << read->Output();
    }
  }

  // When the table's change word became set (or clear), as a reader
  // mapping it sees it; the writer's end also ends the wait.
  static std::chrono::steady_clock::time_point WaitForChangeWord(const MappedFile* reader, ChildProcess& child,
                                                                 bool set) {
    const auto* word = reinterpret_cast<const volatile uint32_t*>(reader->view + kDmgChangingOffset);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((*word != 0) != set && std::chrono::steady_clock::now() < limit && !child.Finish(0)) {
    }
    return std::chrono::steady_clock::now();
  }

  TempDir dir_;
  int starts_ = 0;
  std::vector<uint8_t> compiled_;  // what a whole compile left
};

// A table of 20,000 system words and 2,000 user words and its parts.
struct SmallTables {
  std::vector<DmgTestEntry> system = WithCategory(RandomEntries(61, 20000), 1);
  std::vector<DmgTestEntry> user = UserWords(system, 2000);
  std::vector<DmgTestEntry> all = Joined(system, user);
};
const SmallTables& Small() {
  static const SmallTables tables;
  return tables;
}

std::wstring ImportText(const std::vector<DmgTestEntry>& words) {
  std::wstring text;
  for (const DmgTestEntry& e : words) text += e.word + L"\t" + std::wstring(e.code.begin(), e.code.end()) + L"#用\r\n";
  return text;
}

TEST_F(TableKillTest, ReplaceKilledLeavesOldOrNewTable) {
  KillCase c{L"replace", BuildDmgBytes(Small().system), Words(Small().all)};
  c.fresh = BuildDmgBytes(Small().all);
  RunKills(c, kKills);
}

TEST_F(TableKillTest, ReplaceOfTheShippedTableKilled) {
  const std::vector<uint8_t> shipped = ReadFileBytes(kData + L"main.dmg");
  ASSERT_GT(shipped.size(), 1000000u);
  ASSERT_TRUE(WriteFileBytes(dir_.File(L"shipped.dmg"), shipped));
  MappedFile* table = nullptr;
  OpenMappedFile(&table, dir_.File(L"shipped.dmg").c_str());
  const std::vector<DmgTestEntry> system = TableEntries(table);
  CloseMappedFile(table, 0);
  const std::vector<DmgTestEntry> all = Joined(system, UserWords(system, 24));
  KillCase c{L"replace", shipped, Words(all)};
  c.fresh = BuildDmgBytes(all);
  RunKills(c, kKills);
}

TEST_F(TableKillTest, WordListReplaceKilledLeavesOldOrNewList) {
  std::wstring older, newer;
  WordSet after;
  for (const DmgTestEntry& e : Small().all) {
    if (&e < &Small().all[Small().system.size()]) older += e.word + L"\r\n";
    newer += e.word + L"\r\n";
    after.insert({"", e.word});
  }
  WriteText(dir_.File(L"older.txt"), older);
  ASSERT_GT(BuildWordListTable(dir_.File(L"older.txt").c_str(), dir_.File(L"older.dmg").c_str(), nullptr, nullptr), 0);
  KillCase c{L"wordlist", ReadFileBytes(dir_.File(L"older.dmg")), after};
  c.importText = newer;
  RunKills(c, kKills);
}

// Another writer grows the word list while the merge waits for the lock;
// the merge is then killed inside its change. Its journal must hold the
// table as grown, or the rollback cuts off the other writer's records while
// the restored header still lists them.
TEST_F(TableKillTest, WordListMergeKilledAfterAnotherWriterGrewTheTableKeepsItsRecords) {
  ASSERT_TRUE(WriteFileBytes(dir_.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
  std::wstring older, newer;
  WordSet after;
  for (const DmgTestEntry& e : Small().all) {
    if (&e < &Small().all[2000]) {
      older += e.word + L"\r\n";
      after.insert({"", e.word});
    }
    newer += e.word + L"\r\n";
  }
  const DmgTestEntry added{"", L"加上的词", 65534};
  after.insert({"", added.word});
  WriteText(dir_.File(L"older.txt"), older);
  ASSERT_GT(BuildWordListTable(dir_.File(L"older.txt").c_str(), dir_.File(L"older.dmg").c_str(), nullptr, nullptr), 0);
  KillCase c{L"wordlist", ReadFileBytes(dir_.File(L"older.dmg")), after};
  c.importText = newer;
  Reset(c);
  const std::wstring name = L"zn-tablegrow-" + std::to_wstring(GetCurrentProcessId());
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_TRUE(event);
  MappedFile* table = nullptr;
  OpenMappedFile(&table, Main().c_str());
  ASSERT_TRUE(IsWritableMapping(table) && table->lockPage);
  const uint32_t sizeBefore = table->size;
  std::unique_ptr<ChildProcess> child;
  {
    DataWriteLock lock(table);
    ASSERT_TRUE(lock.Held());
    child = Start(c, event, name);
    // The merge has mapped the table once it queues for the lock.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (table->lockPage->view->next == 0 && std::chrono::steady_clock::now() < limit && !child->Finish(0)) Sleep(1);
    ASSERT_NE(0, table->lockPage->view->next) << child->Output();
    const std::vector<uint8_t> record = RecordBytes(added, kDmgTypeWordList);
    ASSERT_TRUE(AppendRecord(table, record.data()));
    ASSERT_TRUE(PlaceNewRecord(table, nullptr, -1));
    ASSERT_GT(table->size, sizeBefore);
  }
  WaitForChangeWord(table, *child, true);
  child->Kill();
  CloseMappedFile(table, 1);
  CloseHandle(event);
  const std::vector<uint8_t> left = ReadFileBytes(Main());
  ASSERT_NE(0u, GetU32(left, kDmgChangingOffset)) << "the merge ended before the kill: " << child->Output();
  OpenAsTheEngineDoes();
  MappedFile* recovered = nullptr;
  OpenMappedFile(&recovered, Main().c_str());
  EXPECT_EQ(0u, U32At(recovered, kDmgChangingOffset));
  EXPECT_TRUE(CheckDmgTable(recovered, nullptr).Sound());
  EXPECT_TRUE(Words(TableEntries(recovered)) == after) << GetDmgView(recovered).countRecords << " records";
  EXPECT_TRUE(EveryWordFindable(recovered));
  CloseMappedFile(recovered, 0);
}

TEST_F(TableKillTest, PurgeKilledKeepsEveryWordOrDropsTheCategoryWhole) {
  KillCase c{L"purge", BuildDmgBytes(Small().all), Words(Small().system)};
  RunKills(c, kKills);
}

TEST_F(TableKillTest, EmptyKilledLeavesFullOrEmptyTable) {
  KillCase c{L"empty", BuildDmgBytes(Small().all), {}};
  RunKills(c, kKills);
}

TEST_F(TableKillTest, GrowingImportKilledKeepsEveryWord) {
  KillCase c{L"import", BuildDmgBytes(Small().system), Words(Small().all)};
  c.importText = ImportText(Small().user);
  RunKills(c, kKills);
}

TEST_F(TableKillTest, ImportKilledThenReadAtOnceSeesTheTableWhole) {
  ASSERT_TRUE(WriteFileBytes(dir_.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
  KillCase c{L"import", BuildDmgBytes(Small().system), Words(Small().all)};
  c.importText = ImportText(Small().user);
  RunKills(c, 30, true);
}

// The user category replaced by other words: purge and import are one
// change, so a kill anywhere leaves the old words or the new ones, never an
// emptied category.
TEST_F(TableKillTest, CategoryReplaceKilledLeavesTheOldOrTheNewCategory) {
  const WordSet taken = Words(Small().all);
  std::vector<DmgTestEntry> replacement;
  for (const DmgTestEntry& e : RandomEntries(4099, 4000)) {
    if (replacement.size() < 2000 && !taken.count({e.code, e.word})) replacement.push_back(e);
  }
  replacement = WithCategory(replacement, 2);
  KillCase c{L"replacecategory", BuildDmgBytes(Small().all), Words(Joined(Small().system, replacement))};
  c.importText = ImportText(replacement);
  RunKills(c, kKills);
}

TEST_F(TableKillTest, CompileOntoALiveFolderKilledLeavesOldOrCompiledTable) {
  // Settings beside the table: a folder processes type from.
  ASSERT_TRUE(WriteFileBytes(dir_.File(L"config.dsc"), ReadFileBytes(kData + L"config.dsc")));
  KillCase c{L"compile", BuildDmgBytes(Small().system), Words(Small().all)};
  for (const DmgTestEntry& e : Small().all) {
    c.definition += e.word + L"\t" + std::wstring(e.code.begin(), e.code.end()) + L"\r\n";
  }
  RunKills(c, 20);
}

TEST_F(TableKillTest, SortKilledLosesNoRecord) {
  // The slots listed backwards: every swap of the sort is needed.
  std::vector<uint8_t> bytes = BuildDmgBytes(Small().all);
  const uint32_t n = static_cast<uint32_t>(Small().all.size());
  for (uint32_t i = 0; i < n / 2; ++i) {
    for (int b = 0; b < 4; ++b) std::swap(bytes[kTestHeaderSize + 4 * i + b], bytes[kTestHeaderSize + 4 * (n - 1 - i) + b]);
  }
  KillCase c{L"sort", bytes, Words(Small().all)};
  RunKills(c, kKills);
}

TEST_F(TableKillTest, IndexRebuildKilledIsFinished) {
  DmgBuildOptions noIndex;
  noIndex.index = false;
  KillCase c{L"index", BuildDmgBytes(Small().all, noIndex), Words(Small().all)};
  RunKills(c, kKills);
}

// The journal itself: what a later open or reader does with it.
class TableJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = BuildDmgBytes(Small().system);
    ASSERT_TRUE(WriteFileBytes(Main(), before_));
    OpenMappedFile(&table_, Main().c_str());
    ASSERT_TRUE(IsWritableMapping(table_));
  }
  void TearDown() override { CloseMappedFile(table_, 1); }
  std::wstring Main() const { return dir_.File(L"main.dmg"); }
  std::wstring Journal() const { return Main() + kTableJournalSuffix; }
  bool JournalExists() const { return GetFileAttributesW(Journal().c_str()) != INVALID_FILE_ATTRIBUTES; }
  // What a writer killed part way through a change leaves: the records
  // hidden and overwritten, the journal kept. Done on a thread that ends
  // without ending the change, as a killed one would.
  // An index rebuild leaves its key set and nothing else changed yet.
  void LeaveHalfDone(bool index = false) {
    HANDLE thread = CreateThread(nullptr, 0, index ? LeaveIndexRebuild : LeaveRewrite, table_, 0, nullptr);
    DWORD code = 1;
    WaitForSingleObject(thread, 10000);
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    ASSERT_EQ(0u, code);
  }
  static DWORD WINAPI LeaveRewrite(void* table) {
    auto* t = static_cast<MappedFile*>(table);
    auto* change = new TableChange(t, TableChangeScope::kWholeFile);
    if (!change->Ready()) return 1;
    DmgStoreU32(t->view, t->size, kDmgCountOffset, 0);
    std::memset(t->view + t->size - 5000, 0xEE, 5000);
    return 0;
  }
  static DWORD WINAPI LeaveIndexRebuild(void* table) {
    auto* change = new TableChange(static_cast<MappedFile*>(table), static_cast<const wchar_t*>(nullptr));
    return change->Ready() ? 0 : 1;
  }
  bool AddWord() {
    const std::vector<uint8_t> added = RecordBytes({"zzzz", L"新", 0x02000400});
    return AppendRecord(table_, added.data()) && PlaceNewRecord(table_, nullptr, -1);
  }
  std::vector<uint8_t> TableBytes() const { return {table_->view, table_->view + table_->size}; }

  TempDir dir_;
  std::vector<uint8_t> before_;
  MappedFile* table_ = nullptr;
};

TEST_F(TableJournalTest, JournalOfAChangeThatNeverBeganIsIgnored) {
  // Cut before its end mark, or whole but the writer died before marking
  // the table: either way the table was not touched, and words added since
  // must survive the next open.
  for (bool whole : {false, true}) {
    LeaveHalfDone();
    if (!whole) {
      std::vector<uint8_t> journal = ReadFileBytes(Journal());
      journal.resize(journal.size() - 8);
      ASSERT_TRUE(WriteFileBytes(Journal(), journal));
    }
    std::memcpy(table_->view, before_.data(), before_.size());
    const std::vector<uint8_t> added = RecordBytes({"zzzz", L"新", 0x02000400});
    ASSERT_TRUE(AppendRecord(table_, added.data()));
    ASSERT_TRUE(PlaceNewRecord(table_, nullptr, -1));
    EXPECT_FALSE(JournalExists()) << "a writer removes a journal no change owns";
    const std::vector<uint8_t> now(table_->view, table_->view + table_->size);
    MappedFile* opened = nullptr;
    OpenMappedFile(&opened, Main().c_str());
    EXPECT_FALSE(RecoverIfAbandoned(opened)) << whole;
    CloseMappedFile(opened, 1);
    EXPECT_EQ(now, ReadFileBytes(Main())) << whole;
    EXPECT_EQ(Small().system.size() + 1, GetDmgView(table_).countRecords);
    CloseMappedFile(table_, 1);
    ASSERT_TRUE(WriteFileBytes(Main(), before_));
    OpenMappedFile(&table_, Main().c_str());
  }
}

TEST_F(TableJournalTest, ReaderWithTheTableMappedSeesTheRollbackButLeavesALiveWriterAlone) {
  MappedFile* reader = nullptr;
  OpenMappedFile(&reader, Main().c_str());
  LeaveHalfDone();
  // Another thread holds the lock for the writer still at work.
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  struct Pair { MappedFile* table; HANDLE held, release; } pair{table_, held, release};
  HANDLE thread = CreateThread(nullptr, 0, [](void* p) -> DWORD {
    auto* s = static_cast<Pair*>(p);
    DataWriteLock lock(s->table);
    SetEvent(s->held);
    WaitForSingleObject(s->release, INFINITE);
    return 0;
  }, &pair, 0, nullptr);
  WaitForSingleObject(held, 5000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RecoverIfAbandoned(reader));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));  // no wait
  EXPECT_TRUE(JournalExists());
  SetEvent(release);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(held);
  CloseHandle(release);

  // The writer is gone now: the reader's next look puts the table right.
  EXPECT_TRUE(RecoverIfAbandoned(reader));
  EXPECT_EQ(0, std::memcmp(before_.data(), reader->view, before_.size()));
  EXPECT_EQ(Words(Small().system), Words(TableEntries(reader)));
  EXPECT_FALSE(JournalExists());
  EXPECT_FALSE(RecoverIfAbandoned(reader));
  CloseMappedFile(reader, 1);
}

TEST_F(TableJournalTest, WriterThatFailsPartWayRollsBackAtOnce) {
  {
    TableChange change(table_, TableChangeScope::kHeaderAndSlots);
    ASSERT_TRUE(change.Ready());
    // Nested in it: covered, no journal of its own.
    TableChange inner(table_, TableChangeScope::kWholeFile);
    EXPECT_TRUE(inner.Ready());
    DmgStoreU32(table_->view, table_->size, kDmgOffsetTableOffset, 12345);
    DmgStoreU32(table_->view, table_->size, kDmgCountOffset, 7);
  }
  EXPECT_EQ(0, std::memcmp(before_.data(), table_->view, before_.size()));
  EXPECT_FALSE(JournalExists());
  // A finished change keeps what it wrote.
  {
    TableChange change(table_, TableChangeScope::kHeader);
    DmgStoreU32(table_->view, table_->size, kDmgCountOffset, 0);
    change.Done();
  }
  EXPECT_EQ(0u, U32At(table_, kDmgCountOffset));
  EXPECT_EQ(0u, U32At(table_, kDmgChangingOffset));
  EXPECT_FALSE(JournalExists());
}

TEST_F(TableJournalTest, PlantedHugeJournalIsNeitherReadNorKept) {
  // Anyone may set the word and put a file of any length beside the table.
  *reinterpret_cast<volatile uint32_t*>(table_->view + kDmgChangingOffset) = 0x5A5A5A5A;
  HANDLE file = CreateFileW(Journal().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  LARGE_INTEGER length;
  length.QuadPart = 1500ll << 20;
  ASSERT_TRUE(SetFilePointerEx(file, length, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  PROCESS_MEMORY_COUNTERS before{}, after{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)));
  EXPECT_TRUE(RecoverIfAbandoned(table_));
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after)));
  EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, size_t{64} << 20);
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(before_, TableBytes());

  // Nor does a short whole journal that claims the table was far longer.
  LeaveHalfDone();
  std::vector<uint8_t> journal = ReadFileBytes(Journal());
  const uint32_t claimed = 1500u << 20;
  // The length before sits just ahead of the part count and the one part.
  const size_t lengthAt = journal.size() - 8 - table_->size - 8 - 8;
  std::memcpy(journal.data() + lengthAt, &claimed, 4);
  uint32_t sum = 2166136261u;
  for (size_t i = 0; i + 8 < journal.size(); ++i) sum = (sum ^ journal[i]) * 16777619u;
  std::memcpy(journal.data() + journal.size() - 8, &sum, 4);
  ASSERT_TRUE(WriteFileBytes(Journal(), journal));
  EXPECT_TRUE(RecoverIfAbandoned(table_));
  EXPECT_EQ(before_.size(), table_->size);
  EXPECT_FALSE(JournalExists());
}

TEST_F(TableJournalTest, JournalThatCannotBeReadNowIsKeptAndWritesWait) {
  LeaveHalfDone();
  const std::vector<uint8_t> halfDone = TableBytes();
  const std::vector<uint8_t> journal = ReadFileBytes(Journal());
  // Held open by someone who shares it with no one.
  HANDLE held = CreateFileW(Journal().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  MappedFile* opened = nullptr;
  OpenMappedFile(&opened, Main().c_str());
  EXPECT_FALSE(RecoverIfAbandoned(opened));
  CloseMappedFile(opened, 1);
  EXPECT_NE(0u, U32At(table_, kDmgChangingOffset));
  EXPECT_FALSE(AddWord());
  {
    TableChange change(table_, TableChangeScope::kWholeFile);
    EXPECT_FALSE(change.Ready());
  }
  EXPECT_EQ(halfDone, TableBytes());
  CloseHandle(held);
  EXPECT_EQ(journal, ReadFileBytes(Journal()));

  // Readable again: the next look rolls back.
  EXPECT_TRUE(RecoverIfAbandoned(table_));
  EXPECT_EQ(before_, TableBytes());
  EXPECT_FALSE(JournalExists());
}

TEST_F(TableJournalTest, ChangeThatCannotBeUndoneKeepsItsJournalAndNoNewChangeBegins) {
  // A dead writer's index rebuild that cannot be redone now: its table was
  // cut short of its index meanwhile.
  LeaveHalfDone(true);
  const uint32_t word = U32At(table_, kDmgChangingOffset);
  ASSERT_NE(0u, word);
  CloseMappedFile(table_, 1);
  std::vector<uint8_t> cut = ReadFileBytes(Main());
  cut.resize(0x100);
  ASSERT_TRUE(WriteFileBytes(Main(), cut));
  OpenMappedFile(&table_, Main().c_str());
  ASSERT_TRUE(IsWritableMapping(table_));
  const std::vector<uint8_t> journal = ReadFileBytes(Journal());
  EXPECT_FALSE(RecoverIfAbandoned(table_));
  {
    TableChange change(table_, TableChangeScope::kWholeFile);
    EXPECT_FALSE(change.Ready());
  }
  EXPECT_EQ(journal, ReadFileBytes(Journal()));
  EXPECT_EQ(word, U32At(table_, kDmgChangingOffset));
  EXPECT_EQ(cut, TableBytes());
}

TEST_F(TableJournalTest, JournalOfAnotherChangeIsNeverRolledBack) {
  // The table is copied back from a copy taken during some other change
  // while this change's journal lies beside it.
  LeaveHalfDone();
  const uint32_t word = U32At(table_, kDmgChangingOffset);
  ASSERT_NE(0u, word);
  CloseMappedFile(table_, 1);
  std::vector<uint8_t> copy = BuildDmgBytes(Small().all);
  const uint32_t other = word == 1 ? 2 : 1;
  std::memcpy(copy.data() + kDmgChangingOffset, &other, 4);
  ASSERT_TRUE(WriteFileBytes(Main(), copy));
  OpenMappedFile(&table_, Main().c_str());
  EXPECT_TRUE(RecoverIfAbandoned(table_));
  EXPECT_FALSE(JournalExists());
  std::memset(copy.data() + kDmgChangingOffset, 0, 4);
  EXPECT_EQ(copy, TableBytes());

  // A journal beside a table no change runs on is removed by the next writer.
  LeaveHalfDone();
  std::memcpy(table_->view, copy.data(), copy.size());
  ASSERT_TRUE(JournalExists());
  EXPECT_FALSE(RecoverIfAbandoned(table_));
  EXPECT_TRUE(AddWord());
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(Small().all.size() + 1, GetDmgView(table_).countRecords);
}

}  // namespace
