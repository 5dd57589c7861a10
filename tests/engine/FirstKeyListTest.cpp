// Kept one- and two-key lists against the search itself: every list, page by page,
// under each setting that changes a list, after commits that move a word and
// after another process changes the table in place.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>

#include "engine/DataLock.h"
#include "engine/EntryCommands.h"
#include "engine/ImeOptionBits.h"
#include "engine/SearchCache.h"
#include "tests/common/ChildProcess.h"
#include "tests/engine/CoreTestData.h"
#include "tests/engine/RoadTestContext.h"
#include "tests/engine/WriterClient.h"

namespace zn::test {
namespace {

const wchar_t kCodes[] = L"abcdefghijklmnopqrstuvwxyz";

// Words of one to three characters from a small set, so that many repeat;
// every category, deleted and pinned records, orders with many ties, and
// more words under 'a' than one search lists.
std::vector<DmgTestEntry> MainWords(uint32_t seed, bool other) {
  std::mt19937 rng(seed);
  std::vector<DmgTestEntry> entries;
  for (wchar_t letter = L'a'; letter <= L'y'; ++letter) {
    const int n = letter == L'a' ? 1300 : letter == L'x' ? 1 : 30 + static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) {
      std::string code(1, static_cast<char>(letter));
      const int len = letter == L'x' ? 1 : 1 + static_cast<int>(rng() % 4);
      for (int k = 1; k < len; ++k) code.push_back(static_cast<char>('a' + rng() % 25));
      std::wstring word;
      const int chars = 1 + static_cast<int>(rng() % 3);
      for (int k = 0; k < chars; ++k) word.push_back(static_cast<wchar_t>((other ? 0x5000 : 0x4E00) + rng() % 40));
      const uint32_t pick = rng() % 100;
      const uint32_t category = pick < 70 ? 1 : pick < 80 ? 2 : pick < 90 ? 3 : 4;
      uint32_t attr = Attr(category, rng() % 12, pick % 17 == 0);
      if (pick % 23 == 0) attr |= EntryAttr::kDeleted;
      entries.push_back({code, word, attr});
    }
  }
  return entries;
}

class FirstKeyLists : public ::testing::Test {
 protected:
  void SetUp() override {
    // A data folder: its tables share the folder's lock page with other processes.
    ASSERT_TRUE(WriteFileBytes(road.dir().File(L"config.dsc"), road.configBytes()));
    road.SetMain(MainWords(7, false));
    road.SetTemp({{"ab", L"临时", 7}, {"b", L"临", 3}, {"cde", L"乙", 9}, {"a", L"一", 2}});
    ASSERT_NE(road.get()->files[kFileMain]->lockPage, nullptr);
  }
  void TearDown() override { KeepFirstKeyLists(true); }

  // Everything a one-key code shows: the result, the list, the composition
  // and every page with its slots' texts, commit texts and list indexes.
  std::wstring Shown(const std::wstring& code, ImeContext* c = nullptr) {
    if (!c) c = road.get();
    ResetInput(c);
    for (size_t i = 0; i <= code.size(); ++i) c->code[i] = code.c_str()[i];
    c->codeLength = c->cursor = static_cast<int32_t>(code.size());
    const int result = RebuildCandidates(c);
    std::wstring out = L"result " + std::to_wstring(result) + L"\n";
    for (int i = 0; i < c->candidateCount; ++i) {
      const CandidateItem& item = c->candidates[i];
      const MappedFile* table = c->files[item.kind == kKindTemp ? kFileTemp : kFileMain];
      out += std::to_wstring(item.kind) + L" " + std::to_wstring(item.entry - table->view) + L" " +
             std::to_wstring(item.value) + L" " + std::wstring(item.hint, 3) + L"\n";
    }
    out += L"composition " + std::wstring(c->composition, c->compositionLength) + L"\n";
    if (result > kSearchListed) return out;
    for (int page = 0; page < 400; ++page) {
      out += L"page";
      for (int s = 0; s < c->slotsFilled; ++s) {
        out += L" " + std::wstring(c->pageSlots[s].text) + L"|" + std::wstring(c->slotCommitTexts[s].text) +
               L"|" + std::to_wstring(c->slotListIndex[s]);
      }
      out += L"\n";
      if (c->pageLastCarry == 0 && c->pageLast + 1 >= c->candidateCount) break;
      TurnPage(c, c->slotsFilled - c->selection);
    }
    return out;
  }

  // Each one- and two-key code as the search shows it, and twice from kept lists.
  void CompareEveryCode() {
    const uint64_t servedBefore = FirstKeyListsServed();
    std::vector<std::wstring> codes;
    for (const wchar_t* p = kCodes; *p; ++p) {
      codes.push_back(std::wstring(1, *p));
      for (const wchar_t* q = kCodes; *q; ++q) codes.push_back(std::wstring{*p, *q});
    }
    for (const std::wstring& code : codes) {
      SCOPED_TRACE(code);
      KeepFirstKeyLists(false);
      const std::wstring searched = Shown(code);
      KeepFirstKeyLists(true);
      EXPECT_EQ(Shown(code), searched);
      EXPECT_EQ(Shown(code), searched);
    }
    // Every one-key code but the wildcard, and the two-key codes that list
    // something, came from kept lists.
    EXPECT_GE(FirstKeyListsServed() - servedBefore, 150u);
  }

  // Commits the last candidate of code whose order a commit changes (a
  // longer code, so that its two-key list changes too), holding the lock as a
  // commit does.
  void CommitLastMovable(const std::wstring& code) {
    ImeContext* c = road.get();
    road.Search(code.c_str());
    int page = 0, chosenPage = -1, chosen = 0;
    for (; page < 400; ++page) {
      for (int s = 1; s <= c->slotsFilled; ++s) {
        if (FrequencyWouldChange(c, s)) {
          chosenPage = page;
          chosen = s;
        }
      }
      if (c->pageLastCarry == 0 && c->pageLast + 1 >= c->candidateCount) break;
      TurnPage(c, c->slotsFilled - c->selection);
    }
    ASSERT_GE(chosenPage, 0);
    road.Search(code.c_str());
    for (page = 0; page < chosenPage; ++page) TurnPage(c, c->slotsFilled - c->selection);
    DataWriteLock lock(c->files[kFileMain]);
    ASSERT_TRUE(lock.Held());
    AdjustFrequency(c, chosen);
  }

  bool RunWriter(const std::wstring& args) {
    ChildProcess writer(BesideThisProgram(L"engine_data_writer.exe"), args, road.dir().File(L"writer.txt"));
    return writer.Started() && writer.Finish(20000);
  }

  RoadContext road;
};

TEST_F(FirstKeyLists, KeptListsShowWhatTheSearchShows) {
  ImeConfigBlock* ime = road.ime();
  DmeConfigBlock* dme = road.dme();
  struct Setting {
    const wchar_t* name;
    void (*apply)(ImeContext*);
  };
  const Setting settings[] = {
      {L"exact codes", [](ImeContext*) {}},
      {L"prefix hints", [](ImeContext* c) { c->dmeBlock->codeOptions |= kDmeOptPrefixHints; }},
      {L"hints without a match",
       [](ImeContext* c) { c->dmeBlock->codeOptions = kDmeOptHintsWithoutMatch; }},
      {L"words from two keys", [](ImeContext* c) { c->dmeBlock->codeOptions = kDmeOptPrefixHints | (2u << 24); }},
      {L"secondary listed", [](ImeContext* c) { c->imeBlock->optionFlags |= kImeOptListSecondary; }},
      {L"auxiliary listed", [](ImeContext* c) { c->imeBlock->optionFlags |= kImeOptAuxiliaryCode; }},
      {L"secondary only", [](ImeContext* c) { c->stateFlags |= kStateSecondaryOnly; }},
      {L"secondary when empty",
       [](ImeContext* c) {
         c->stateFlags &= ~kStateSecondaryOnly;
         c->imeBlock->optionFlags = kImeOptMainCode | kImeOptSecondaryWhenEmpty;
         c->dmeBlock->codeOptions = 0;
       }},
      {L"single characters first", [](ImeContext* c) { c->imeBlock->sortWord |= 0x8; }},
      {L"sorted by code", [](ImeContext* c) { c->imeBlock->sortWord = (c->imeBlock->sortWord & ~0x8u) | 0x10; }},
      {L"duplicates hidden", [](ImeContext* c) { c->imeBlock->spaceWord |= ImeBits::kNoDuplicates; }},
      {L"page of three", [](ImeContext* c) { SetImePageSize(c->imeBlock, 3); }},
      {L"wildcard first key", [](ImeContext* c) { c->dmeBlock->codeOptions |= kDmeOptWildcardFirstKey | kDmeOptPrefixHints; }},
      {L"b ends a code", [](ImeContext* c) { c->dmeBlock->keyCharFlags['b'] |= kKeyCharTerminator; }},
      {L"unique commit and clearing",
       [](ImeContext* c) { c->dmeBlock->commitLengths = (1u << 24) | (1u << 8); }},
  };
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.name);
    setting.apply(road.get());
    CompareEveryCode();
  }

  // Another context of the process maps the same tables at other addresses.
  ImeContext* second = static_cast<ImeContext*>(std::malloc(sizeof(ImeContext)));
  std::memcpy(second, road.get(), sizeof(ImeContext));
  second->files[kFileMain] = second->files[kFileTemp] = nullptr;
  ASSERT_GT(OpenMappedFile(&second->files[kFileMain], road.get()->files[kFileMain]->path), 0);
  ASSERT_GT(OpenMappedFile(&second->files[kFileTemp], road.get()->files[kFileTemp]->path), 0);
  for (const wchar_t* code : {L"a", L"ab", L"q"}) {
    KeepFirstKeyLists(false);
    const std::wstring searched = Shown(code, second);
    KeepFirstKeyLists(true);
    Shown(code);
    const uint64_t served = FirstKeyListsServed();
    EXPECT_EQ(Shown(code, second), searched);
    EXPECT_EQ(FirstKeyListsServed(), served + 1);
  }
  CloseMappedFile(second->files[kFileMain], 1);
  CloseMappedFile(second->files[kFileTemp], 1);
  std::free(second);

  // A commit that moves a word, in each frequency mode, with and without
  // duplicates hidden.
  dme->commitLengths = 0;
  dme->codeOptions = kDmeOptPrefixHints;
  for (uint32_t spaceWord : {ime->spaceWord & ~ImeBits::kNoDuplicates, ime->spaceWord | ImeBits::kNoDuplicates}) {
    ime->spaceWord = spaceWord;
    for (uint32_t mode : {1u, 2u, 4u}) {
      SCOPED_TRACE(mode);
      ime->sortWord = (ime->sortWord & ~0x1Fu) | mode;
      CompareEveryCode();
      for (const wchar_t* code : {L"a", L"b", L"ab", L"ac"}) CommitLastMovable(code);
      CompareEveryCode();
    }
  }

  // This process changes entries from the candidate menu within a hold.
  ime->sortWord &= ~0x1Fu;
  for (int command : {kEntryMoveDown, kEntryTogglePinned, kEntryToggleSecondary, kEntryDelete}) {
    SCOPED_TRACE(command);
    Shown(L"b");
    {
      DataWriteLock lock(road.get()->files[kFileMain]);
      ASSERT_TRUE(lock.Held());
      ShowEntryInfo(road.get(), nullptr, 0, command);
    }
    CompareEveryCode();
  }

  // Another process gives the last word listed under 'a' the highest order.
  Shown(L"a");
  const ImeContext* c = road.get();
  int lastAt = c->candidateCount - 1;
  while (lastAt > 0 && c->candidates[lastAt].value != c->candidates[0].value) --lastAt;
  const CandidateItem last = c->candidates[lastAt];
  const DmgView view = GetDmgView(c->files[kFileMain]);
  uint32_t position = 0;
  DmgRecord rec;
  while (position < view.countRecords && ReadDmgRecord(view, position, &rec) &&
         view.base + rec.offset != last.entry) {
    ++position;
  }
  ASSERT_LT(position, view.countRecords);
  ASSERT_TRUE(RunWriter(L"order " + Quoted(road.dir().path()) + L" " + std::to_wstring(position) + L" 60000"));
  CompareEveryCode();
  Shown(L"a");
  int movedTo = 0;
  while (movedTo < c->candidateCount && c->candidates[movedTo].entry != last.entry) ++movedTo;
  EXPECT_LT(movedTo, lastAt / 2);

  // Another process replaces main.dmg in place by a table of the same length.
  const std::vector<uint8_t> other = BuildDmgBytes(MainWords(7, true));
  ASSERT_EQ(other.size(), c->files[kFileMain]->size);
  TempDir elsewhere;
  ASSERT_TRUE(WriteFileBytes(elsewhere.File(L"main.dmg"), other));
  ASSERT_TRUE(RunWriter(L"replace " + Quoted(road.dir().path()) + L" \"" + elsewhere.File(L"main.dmg") + L"\""));
  CompareEveryCode();
}

// Another process writes in place and keeps the lock, or dies holding it:
// from its first byte on, every list shows what the search shows; once the
// lock is free again lists are kept and served as before.
TEST_F(FirstKeyLists, AWriterStillHoldingTheLockIsSeenFromItsFirstByte) {
  const std::vector<std::wstring> codes = {L"a", L"ab", L"b", L"ba", L"c", L"q"};
  const auto compare = [&](const char* when) {
    for (const std::wstring& code : codes) {
      KeepFirstKeyLists(false);
      const std::wstring searched = Shown(code);
      KeepFirstKeyLists(true);
      EXPECT_EQ(Shown(code), searched) << when << " " << std::string(code.begin(), code.end());
    }
  };
  // The record listed last under 'a' and under its first two keys.
  const auto lastUnderA = [&] {
    Shown(L"a");
    const ImeContext* c = road.get();
    const DmgView view = GetDmgView(c->files[kFileMain]);
    DmgRecord rec;
    for (uint32_t i = 0; i < view.countRecords; ++i) {
      if (ReadDmgRecord(view, i, &rec) && view.base + rec.offset == c->candidates[c->candidateCount - 1].entry) {
        return std::to_string(i);
      }
    }
    return std::string("0");
  };
  WriterClient writer(road.dir().path());
  ASSERT_TRUE(writer.Started());
  for (const std::string command : {"order %1 60000", "pin %1", "category %1 3", "delete %1"}) {
    SCOPED_TRACE(command);
    compare("before");
    std::string line = command;
    line.replace(line.find("%1"), 2, lastUnderA());
    ASSERT_EQ(writer.Send(line + " keep"), "ok");
    compare("while the writer holds the lock");
    ASSERT_EQ(writer.Send("release"), "ok");
    compare("after");
  }
  ASSERT_EQ(writer.Send("order " + lastUnderA() + " 50000 keep"), "ok");
  writer.Kill();
  compare("while a dead writer holds the lock");
  {
    // This process takes the lock over from the dead writer.
    DataWriteLock lock(road.get());
    ASSERT_TRUE(lock.Held() && lock.TookOver());
  }
  compare("after the lock was taken over");
  const uint64_t served = FirstKeyListsServed();
  compare("kept again");
  EXPECT_GE(FirstKeyListsServed(), served + codes.size() - 2) << "kept and served again";
}

// A data folder of its own that nothing else of the process has open, with
// the tables of the fixture's folder.
class OwnFolder {
 public:
  explicit OwnFolder(const std::vector<uint8_t>& main) {
    MakeDataFolder(os_, dir_.path());
    EXPECT_TRUE(WriteFileBytes(dir_.File(L"main.dmg"), main));
    EXPECT_TRUE(WriteFileBytes(dir_.File(L"temp.dmg"), BuildDmgBytes({{"ab", L"临时", 7}, {"b", L"临", 3}})));
  }
  ImeContext* Open() { return CreateImeContext(&os_); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  FakeOs os_;
};

// Committed private memory of the process, pages never touched included.
uint64_t CommittedBytes() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const uint8_t* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

// A host opens and closes contexts of one folder around another process's
// writes: after every reopen lists are kept and served again, and what they
// cost goes with the folder's last context.
TEST_F(FirstKeyLists, AFolderOpenedAgainAndAgainKeepsListsInFlatMemory) {
  OwnFolder folder(BuildDmgBytes(MainWords(7, false)));
  uint64_t before = 0;
  int unserved = 0;
  for (int cycle = 0; cycle < 100; ++cycle) {
    SCOPED_TRACE(cycle);
    if (cycle == 1) before = CommittedBytes();
    ImeContext* c = folder.Open();
    ASSERT_NE(c, nullptr);
    for (const wchar_t* code : {L"a", L"ab"}) {
      KeepFirstKeyLists(false);
      const std::wstring searched = Shown(code, c);
      KeepFirstKeyLists(true);
      Shown(code, c);
      const uint64_t served = FirstKeyListsServed();
      EXPECT_EQ(Shown(code, c), searched);
      if (FirstKeyListsServed() != served + 1) ++unserved;
    }
    ASSERT_TRUE(RunWriter(L"order " + Quoted(folder.dir().path()) + L" " + std::to_wstring(cycle * 7) + L" " +
                          std::to_wstring(100 + cycle)));
    const std::wstring kept = Shown(L"a", c);
    KeepFirstKeyLists(false);
    EXPECT_EQ(kept, Shown(L"a", c)) << "after the other process wrote";
    KeepFirstKeyLists(true);
    DestroyImeContext(c);
  }
  EXPECT_EQ(unserved, 0) << "lists not served after a reopen";
  EXPECT_LT(CommittedBytes(), before + (2u << 20)) << "one folder's lists are 4.7 MB";
}

// A table put back between contexts (the same length, edge and count) is
// searched anew: the lists went with the folder's last context.
TEST_F(FirstKeyLists, ATableCopiedOverWhileNoContextIsOpenIsSearchedAnew) {
  OwnFolder folder(BuildDmgBytes(MainWords(7, false)));
  // Another part of the host keeps the folder's settings open throughout.
  MappedFilePtr settings = OpenTableFile(folder.dir().File(L"config.dsc"));
  ASSERT_TRUE(settings && settings->lockPage);
  ImeContext* c = folder.Open();
  ASSERT_NE(c, nullptr);
  for (const wchar_t* code : {L"a", L"ab", L"b", L"q"}) Shown(code, c);
  DestroyImeContext(c);
  // The same records with the orders of another day.
  std::vector<DmgTestEntry> older = MainWords(7, false);
  for (size_t i = 0; i < older.size(); ++i) {
    older[i].attr = (older[i].attr & ~EntryAttr::kOrderMask) | static_cast<uint32_t>(i * 7 % 13);
  }
  TempDir elsewhere;
  const std::vector<uint8_t> other = BuildDmgBytes(older);
  ASSERT_TRUE(WriteFileBytes(elsewhere.File(L"main.dmg"), other));
  ASSERT_TRUE(CopyFileW(elsewhere.File(L"main.dmg").c_str(), folder.dir().File(L"main.dmg").c_str(), FALSE));
  c = folder.Open();
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->files[kFileMain]->size, other.size());
  for (const wchar_t* code : {L"a", L"ab", L"b", L"q"}) {
    SCOPED_TRACE(code);
    KeepFirstKeyLists(false);
    const std::wstring searched = Shown(code, c);
    KeepFirstKeyLists(true);
    EXPECT_EQ(Shown(code, c), searched);
    EXPECT_EQ(Shown(code, c), searched);
  }
  DestroyImeContext(c);
}

}  // namespace
}  // namespace zn::test
