// Two real processes typing on one data folder at once, with temporary words
// made, listed, committed and promoted into main.dmg while a full temp.dmg
// lets its oldest words go: both tables stay sound, no word is lost, and
// every committed temporary word is a user word or still temporary.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>

#include "engine/ConfigBlocks.h"
#include "engine/TempWords.h"
#include "tests/common/TempDir.h"
#include "tests/engine/CoreTestData.h"
#include "tests/common/ChildProcess.h"
#include "tests/engine/TableChecks.h"

using namespace zn::test;

namespace {

constexpr int kTrials = 6;
constexpr int kRounds = 400;
constexpr int kWriters = 2;
constexpr int kTempFilled = 500;

// Two-letter codes of single characters; temporary words of 2..4 characters
// take the first two code letters of each character.
std::vector<DmgTestEntry> MainEntries() {
  std::vector<DmgTestEntry> entries;
  for (int i = 0; i < 240; ++i) {
    std::string code = {static_cast<char>('a' + i % 24), static_cast<char>('a' + i / 24 % 24)};
    entries.push_back({code, std::wstring(1, static_cast<wchar_t>(0x4E00 + i)), 0x01000000u | 100});
  }
  return entries;
}

std::vector<uint8_t> FolderConfig() {
  std::vector<uint8_t> config = DefaultConfig();
  ConfigBlockSet blocks{};
  LocateConfigBlocks(config.data(), static_cast<uint32_t>(config.size()), &blocks);
  blocks.ime->optionFlags |=
      kImeOptMainCode | kImeOptTempWords | kImeOptTempWordSaves | kImeOptSmartTempWords;
  blocks.ime->sortWord = (blocks.ime->sortWord & ~0x7u) | 0x4;  // count commits
  blocks.dme->wordRules[2] = WordFormationRule{{0x0101, 0x0102, 0x0201, 0x0202}};
  blocks.dme->wordRules[3] = WordFormationRule{{0x0101, 0x0201, 0x0301, 0x0302}};
  blocks.dme->wordRules[4] = WordFormationRule{{0x0101, 0x0201, 0x0301, 0x0401}};
  // Longer words too, so that every commit makes several and temp.dmg stays
  // full: the oldest words give way while the writers list them.
  for (uint16_t m = 5; m <= 16; ++m) {
    blocks.dme->wordRules[m] =
        WordFormationRule{{0x0101, 0x0201, 0x0301, static_cast<uint16_t>(m << 8 | 1)}};
  }
  return config;
}

// Fills temp.dmg with count two-letter-coded pairs of main.dmg's characters,
// as the rule for two characters codes them. Near the 512 slots, every new
// temporary word makes the oldest give way while the writers list them.
void FillTemp(const std::wstring& path, const std::vector<DmgTestEntry>& main, int count) {
  MappedFile* temp = nullptr;
  ASSERT_GT(OpenMappedFile(&temp, path.c_str()), 0);
  const int n = static_cast<int>(main.size());
  for (int i = 0; i < count; ++i) {
    const DmgTestEntry& a = main[i % n];
    const DmgTestEntry& b = main[(i + 1 + i / n) % n];
    std::wstring code(a.code.begin(), a.code.end());
    code.append(b.code.begin(), b.code.end());
    DmgRecordBuffer record = BuildRecordFromText(code.data(), (a.word + b.word).c_str(), nullptr);
    ASSERT_TRUE(record);
    ASSERT_EQ(AddTempRecord(temp, record.get(), &kDefaultRecordCompareOps), 1);
  }
  CloseMappedFile(temp, 1);
}

// The words of a helper's "T code hexword" (committed temporary word) or
// "P code hexword" (promotion) lines.
std::set<std::pair<std::string, std::wstring>> Words(const std::string& output, const char* wanted) {
  std::set<std::pair<std::string, std::wstring>> words;
  std::istringstream lines(output);
  std::string tag, code, hex;
  while (lines >> tag >> code >> hex) {
    std::wstring word;
    for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
      word.push_back(static_cast<wchar_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
    }
    if (tag == wanted) words.insert({code, word});
  }
  return words;
}

}  // namespace

TEST(ConcurrentWriters, TwoProcessesTypingAtOnceKeepBothTablesSound) {
  const std::vector<DmgTestEntry> shipped = MainEntries();
  std::vector<uint8_t> emptyTemp(kTempTableBytes);
  WriteEmptyTempTable(emptyTemp.data(), kTempTableBytes);
  int damaged = 0;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE(trial);
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"config.dsc"), FolderConfig()));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"main.dmg"), BuildDmgBytes(shipped)));
    ASSERT_TRUE(WriteFileBytes(dir.File(L"temp.dmg"), emptyTemp));
    FillTemp(dir.File(L"temp.dmg"), shipped, kTempFilled);
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
      const std::wstring args = L"type " + Quoted(dir.path()) + L" " + std::to_wstring(trial * 10 + w) +
                                L" " + std::to_wstring(kRounds);
      writers.push_back(std::make_unique<ChildProcess>(BesideThisProgram(L"engine_data_writer.exe"), args, dir.File(L"out" + std::to_wstring(w))));
    }
    std::set<std::pair<std::string, std::wstring>> promoted;
    std::set<std::pair<std::string, std::wstring>> committed;
    for (auto& writer : writers) {
      ASSERT_TRUE(writer->Finish(60000)) << writer->Output();
      for (const auto& word : Words(writer->Output(), "P")) promoted.insert(word);
      for (const auto& word : Words(writer->Output(), "T")) committed.insert(word);
    }
    const TableFaults main = CheckCodeTableFile(ReadFileBytes(dir.File(L"main.dmg")));
    const TableFaults temp = CheckTempTableFile(ReadFileBytes(dir.File(L"temp.dmg")));
    std::set<std::pair<std::string, std::wstring>> listed;
    for (const DmgTestEntry& e : main.entries) listed.insert({e.code, e.word});
    int lost = 0;
    std::string lostCodes;
    for (const DmgTestEntry& e : shipped) {
      if (listed.count({e.code, e.word})) continue;
      ++lost;
      lostCodes += e.code + " ";
    }
    for (const auto& word : promoted) {
      if (listed.count(word)) continue;
      ++lost;
      lostCodes += word.first + " ";
    }
    // A committed temporary word is a user word now, or still temporary.
    std::set<std::pair<std::string, std::wstring>> kept = listed;
    for (const DmgTestEntry& e : temp.entries) kept.insert({e.code, e.word});
    int lostTemporary = 0;
    for (const auto& word : committed) {
      if (kept.count(word)) continue;
      ++lostTemporary;
      lostCodes += word.first + " ";
    }
    EXPECT_TRUE(main.Sound()) << "main.dmg: " << main.Text();
    EXPECT_TRUE(temp.Sound()) << "temp.dmg: " << temp.Text();
    EXPECT_EQ(lost, 0) << lostCodes;
    EXPECT_EQ(lostTemporary, 0) << lostCodes << "of " << committed.size();
    // The trial only counts when the writers really met: words were promoted.
    EXPECT_FALSE(promoted.empty());
    damaged += !main.Sound() || !temp.Sound() || lost > 0 || lostTemporary > 0;
  }
  EXPECT_EQ(damaged, 0);
}
