// Commits made while another process holds the data folder's lock past the
// wait: a typist with temporary words on types a long seeded run while a
// second process keeps the lock for 3 s; once the lock comes back, the
// history, the promotions into main.dmg and temp.dmg must be what the same
// keys make on a folder nobody else writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/DataLock.h"
#include "engine/DmgTable.h"
#include "engine/ImeOptionBits.h"
#include "engine/TempWords.h"
#include "tests/common/ChildProcess.h"
#include "tests/engine/DmgTestTables.h"
#include "tests/frontend/RunnerTestSupport.h"
#include "tools/common/TypingHost.h"

using namespace zn::test;

namespace {

// One word the typist commits: its code, then the key of its slot.
struct Pick {
  std::wstring code;
  std::wstring word;
};

// Single characters under two-letter codes (their commits make temporary
// words), words of two under three-letter codes, and temporary words under
// "x..." codes that no main word has; at most five words a code, so every
// word is on the first page. Temporary words are made of two single
// characters only, under four-letter codes no typed code is.
struct SeededWords {
  std::vector<std::pair<std::string, std::wstring>> main;
  std::vector<std::pair<std::string, std::wstring>> temp;
  std::vector<Pick> picks;

  explicit SeededWords(uint32_t seed, int commits) {
    std::mt19937 rng(seed);
    std::set<std::string> codes;
    std::set<std::wstring> words;
    auto letter = [&] { return static_cast<char>('a' + rng() % 6); };
    auto add = [&](std::vector<std::pair<std::string, std::wstring>>* to, const std::string& code,
                   const std::wstring& word) {
      if (!words.insert(word).second) return;
      codes.insert(code);
      to->push_back({code, word});
    };
    for (int i = 0; i < 30; ++i) {
      add(&main, std::string{letter(), letter()}, std::wstring(1, static_cast<wchar_t>(0x4E00 + i)));
    }
    for (int i = 0; i < 40; ++i) {
      const std::wstring word{static_cast<wchar_t>(0x5000 + rng() % 60), static_cast<wchar_t>(0x5000 + rng() % 60)};
      add(&main, std::string{letter(), letter(), letter()}, word);
    }
    for (int i = 0; i < 30; ++i) {
      const std::wstring word{static_cast<wchar_t>(0x6000 + i), static_cast<wchar_t>(0x6100 + rng() % 60)};
      add(&temp, std::string{'x', letter(), letter(), letter()}, word);
    }
    // No code with more words than a page.
    auto fits = [](const std::vector<std::pair<std::string, std::wstring>>& list) {
      std::vector<std::pair<std::string, std::wstring>> kept;
      std::map<std::string, int> perCode;
      for (const auto& entry : list) {
        if (++perCode[entry.first] <= 5) kept.push_back(entry);
      }
      return kept;
    };
    main = fits(main);
    temp = fits(temp);
    for (int i = 0; i < commits; ++i) {
      const uint32_t kind = rng() % 10;
      const auto& list = kind < 9 ? main : temp;
      // Mostly single characters: two in a row make a temporary word.
      const size_t singles = 30 < main.size() ? 30 : main.size();
      const auto& entry = kind < 6 ? list[rng() % singles] : list[rng() % list.size()];
      picks.push_back({std::wstring(entry.first.begin(), entry.first.end()), entry.second});
    }
  }
};

class Typist : public RunnerRoad {
 public:
  explicit Typist(const SeededWords& words) {
    EXPECT_TRUE(WriteFileBytes(road.dir().File(L"config.dsc"), road.configBytes()));
    SetWords(words.main);
    std::vector<uint8_t> temp(kTempTableBytes);
    WriteEmptyTempTable(temp.data(), kTempTableBytes);
    road.SetTable(kFileTemp, temp, L"temp.dmg");
    for (const auto& [code, word] : words.temp) {
      EXPECT_EQ(AddTempRecord(ctx()->files[kFileTemp], RecordBytes({code, word, 0}).data(),
                              &kDefaultRecordCompareOps),
                1);
    }
    // 临时词功能开启, 临时词上屏即存, 智能模式生成临时词; orders stay.
    ime()->optionFlags |= kImeOptTempWords | kImeOptTempWordSaves | kImeOptSmartTempWords;
    ime()->sortWord &= ~ImeBits::kFrequencyModes;
    ime()->recentCommitCount = 0;
    dme()->commitLengths = 0;
    // Two characters: two code letters of each. No rule for longer words.
    for (WordFormationRule& rule : dme()->wordRules) rule.elements[0] = 0;
    const uint16_t two[] = {0x101, 0x102, 0x201, 0x202, 0};
    std::copy(std::begin(two), std::end(two), dme()->wordRules[2].elements);
  }

  // Types the code, then the key of the slot showing the word.
  bool Commit(const Pick& pick) {
    Type(pick.code);
    for (size_t slot = 0; slot < out.page.size(); ++slot) {
      if (out.page[slot] != pick.word) continue;
      return Type(std::wstring(1, static_cast<wchar_t>(L'1' + slot))) == pick.word;
    }
    Tap(VK_ESCAPE);
    return false;
  }

  // Listed records of a table in offset order: code, word and attribute.
  std::vector<std::wstring> Records(DataFile file) const {
    std::vector<std::wstring> out;
    const DmgView view = GetDmgView(ctx()->files[file]);
    for (uint32_t i = 0; i < view.countRecords; ++i) {
      DmgRecord r;
      if (!ReadDmgRecord(view, i, &r) || !r.code) continue;
      wchar_t code[kDmgMaxCodeBytes + 1];
      wchar_t word[kDmgMaxCodeBytes + 1];
      CodeBytesToText(r.code, code, kDmgMaxCodeBytes + 1);
      CopyRecordWord(r, word, kDmgMaxCodeBytes + 1);
      out.push_back(std::wstring(code) + L" " + word + L" " + std::to_wstring(r.attr));
    }
    return out;
  }
  std::vector<std::wstring> History() const {
    std::vector<std::wstring> out;
    for (int i = 0; i < ime()->recentCommitCount; ++i) out.push_back(ime()->recentCommits[i].word);
    return out;
  }
  int Promoted() const {
    int n = 0;
    for (const std::wstring& r : Records(kFileMain)) n += r.ends_with(L" " + std::to_wstring(kPromotedAttribute));
    return n;
  }
};

enum class HolderEnds { kLetsGo, kKilled };

void TypeWhileHeld(HolderEnds ends) {
  const SeededWords words(0x5EED + static_cast<uint32_t>(ends), 1000);
  // The same keys on a folder nobody else writes.
  Typist free(words);
  for (size_t i = 0; i < words.picks.size(); ++i) ASSERT_TRUE(free.Commit(words.picks[i])) << "pick " << i;
  ASSERT_TRUE(free.Commit(words.picks.front()));
  ASSERT_GT(free.Promoted(), 10);
  const std::vector<std::wstring> freeTemp = free.Records(kFileTemp);
  ASSERT_GT(freeTemp.size(), words.temp.size() + 50);

  Typist held(words);
  ChildProcess holder(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(held.road.dir().path()),
                      held.road.dir().File(L"holder.txt"));
  ASSERT_EQ(holder.FirstLine(10000), "held");
  const ULONGLONG start = GetTickCount64();
  for (size_t i = 0; i < words.picks.size(); ++i) ASSERT_TRUE(held.Commit(words.picks[i])) << "pick " << i;
  const ULONGLONG typed = GetTickCount64() - start;
  ASSERT_LT(typed, 3000u) << "the run outlasted the hold";
  EXPECT_EQ(held.Promoted(), 0) << "nothing is written while the lock is held";
  EXPECT_TRUE(HasKeptCommits());
  Sleep(static_cast<DWORD>(3000 - typed));
  if (ends == HolderEnds::kLetsGo) {
    holder.CloseInput();
    ASSERT_TRUE(holder.Finish(10000));
  } else {
    holder.Kill();
  }
  // The next commit gets the lock and stores what was kept, in order.
  const ULONGLONG storing = GetTickCount64();
  ASSERT_TRUE(held.Commit(words.picks.front()));
  size_t keys = 0;
  for (const Pick& pick : words.picks) keys += pick.code.size() + 1;
  std::printf("%zu commits (%zu keys) typed in %llu ms while held, stored in %llu ms; promotions %d of %d, "
              "temporary words %zu of %zu\n",
              words.picks.size(), keys, static_cast<unsigned long long>(typed),
              static_cast<unsigned long long>(GetTickCount64() - storing), held.Promoted(), free.Promoted(),
              held.Records(kFileTemp).size(), freeTemp.size());
  EXPECT_FALSE(HasKeptCommits());
  EXPECT_EQ(held.History(), free.History());
  EXPECT_EQ(held.Promoted(), free.Promoted());
  EXPECT_EQ(held.Records(kFileMain), free.Records(kFileMain));
  EXPECT_EQ(held.Records(kFileTemp), freeTemp);
}

TEST(HeldLockCommits, KeptCommitsAreStoredInOrderWhenTheHolderLetsGo) { TypeWhileHeld(HolderEnds::kLetsGo); }

TEST(HeldLockCommits, KeptCommitsAreStoredInOrderWhenTheHolderIsKilled) { TypeWhileHeld(HolderEnds::kKilled); }

// What is kept stays in the process when a context is closed while the
// holder still has the lock (the closing waits for nobody), and a context of
// the folder closed after the holder let go stores it.
TEST(HeldLockCommits, AContextClosedOnceTheHolderLetGoStoresWhatWasKept) {
  TempDir dir;
  std::wstring folder = dir.path();
  if (folder.back() != L'\\') folder += L'\\';
  std::vector<uint8_t> config = DefaultConfig();
  ConfigBlockSet set{};
  LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &set);
  set.ime->optionFlags = kImeOptMainCode;
  set.ime->recentCommitCount = 0;
  SetImePageSize(set.ime, 5);
  set.dme->codeOptions = 0;
  set.dme->commitLengths = 0;
  for (int c = 'a'; c <= 'z'; ++c) set.dme->keyCharFlags[c] = kKeyCharStartsCode | kKeyCharContinuesCode;
  WriteShippedKeyFunctions(set.dme);
  ASSERT_TRUE(WriteFileBytes(folder + L"config.dsc", config));
  ASSERT_TRUE(WriteFileBytes(folder + L"main.dmg", BuildDmgBytes({{"a", L"工", Attr(1, 9)}, {"b", L"子", Attr(1, 9)}})));
  FakeOs os;
  PointAtDataFolder(os, folder);
  FakeEffects effects;
  auto type = [&](ImeContext* context, const wchar_t* text) {
    TypingHost host(context, os);
    for (const wchar_t* c = text; *c; ++c) {
      KeyStroke key;
      if (CharToKeyStroke(*c, &key)) host.Press(key);
    }
    return std::wstring(host.Output(), host.OutputUnits());
  };
  auto open = [&] {
    ImeContext* context = CreateImeContext(&os);
    if (context) context->effects = &effects;
    return context;
  };

  ChildProcess holder(BesideThisProgram(L"engine_data_writer.exe"), L"hold " + Quoted(folder),
                      folder + L"holder.txt");
  ASSERT_EQ(holder.FirstLine(10000), "held");
  ImeContext* typist = open();
  ImeContext* other = open();
  ASSERT_TRUE(typist && other);
  EXPECT_EQ(type(typist, L"a b "), L"工子");
  ULONGLONG start = GetTickCount64();
  DestroyImeContext(typist);
  EXPECT_LT(GetTickCount64() - start, 500u) << "no second wait for the same holder";
  EXPECT_TRUE(HasKeptCommits());

  holder.CloseInput();
  ASSERT_TRUE(holder.Finish(10000));
  DestroyImeContext(other);
  EXPECT_FALSE(HasKeptCommits());
  ImeContext* reader = open();
  ASSERT_TRUE(reader);
  ASSERT_EQ(reader->imeBlock->recentCommitCount, 2);
  EXPECT_EQ(std::wstring(reader->imeBlock->recentCommits[0].word), L"工");
  EXPECT_EQ(std::wstring(reader->imeBlock->recentCommits[1].word), L"子");
  DestroyImeContext(reader);
}

}  // namespace
