// Mending what a writer cut off in the middle of a change leaves: each case
// stops one of the engine's writes part way, as a killed host would, then
// checks that the repair makes the table sound without dropping a record.
#include <gtest/gtest.h>

#include <set>

#include "engine/DmgTable.h"
#include "engine/TempWords.h"
#include "tests/common/TempDir.h"
#include "tests/engine/TableChecks.h"

using namespace zn::test;

namespace {

uint32_t Slot(const MappedFile* t, uint32_t i) {
  uint32_t v;
  std::memcpy(&v, t->view + kTestHeaderSize + 4 * i, 4);
  return v;
}
void SetSlot(MappedFile* t, uint32_t i, uint32_t v) { std::memcpy(t->view + kTestHeaderSize + 4 * i, &v, 4); }
uint32_t Word(const MappedFile* t, uint32_t at) {
  uint32_t v;
  std::memcpy(&v, t->view + at, 4);
  return v;
}
void SetWord(MappedFile* t, uint32_t at, uint32_t v) { std::memcpy(t->view + at, &v, 4); }

std::vector<uint8_t> Bytes(const MappedFile* t) { return std::vector<uint8_t>(t->view, t->view + t->size); }

std::set<std::pair<std::string, std::wstring>> Keys(const std::vector<DmgTestEntry>& entries) {
  std::set<std::pair<std::string, std::wstring>> keys;
  for (const DmgTestEntry& e : entries) keys.insert({e.code, e.word});
  return keys;
}

// Sound, and listing exactly the expected entries.
void ExpectSoundWith(const MappedFile* table, const std::vector<DmgTestEntry>& expected) {
  const TableFaults check = CheckCodeTableFile(Bytes(table));
  EXPECT_TRUE(check.Sound()) << check.Text();
  EXPECT_EQ(Keys(check.entries), Keys(expected));
  EXPECT_TRUE(CheckDmgTable(table, nullptr).Sound());
}

class CodeTableRepair : public ::testing::Test {
 protected:
  MappedFilePtr Table(uint32_t gap) {
    entries_ = RandomEntries(gap + 3, 300);
    return OpenTableFile(dir_.File(L"t" + std::to_wstring(++n_) + L".dmg"),
                         BuildDmgBytes(entries_, {1, gap, true}));
  }
  TempDir dir_;
  std::vector<DmgTestEntry> entries_;
  int n_ = 0;
};

}  // namespace

TEST_F(CodeTableRepair, PlacingCutOffLeavesOldRecordsListedAndIsMended) {
  for (uint32_t stopAt : {0u, 1u, 150u, 299u}) {
    SCOPED_TRACE(stopAt);
    MappedFilePtr table = Table(5000);
    ASSERT_EQ(AppendRecord(table.get(), RecordBytes({"aaa", L"新", 0x02000400}).data()), 1);
    // The place loop copies slots one up from the top and was cut off
    // before slot stopAt: one record named twice, the new one named nowhere.
    for (uint32_t i = 300; i > stopAt; --i) SetSlot(table.get(), i, Slot(table.get(), i - 1));
    EXPECT_FALSE(CheckDmgTable(table.get(), nullptr).Sound());
    ASSERT_EQ(RepairDmgTable(table.get(), nullptr), 1);
    ExpectSoundWith(table.get(), entries_);
  }
}

TEST_F(CodeTableRepair, GrowingAppendCutOffBeforeTheEdgeMovedIsMended) {
  MappedFilePtr table = Table(4);
  const uint32_t edge = Word(table.get(), 0);
  const uint32_t oldEnd = table->size;
  DmgRecord lowest;
  ASSERT_TRUE(ReadDmgRecordAt(GetDmgView(table.get()), edge, &lowest));
  const std::vector<uint8_t> moved(table->view + edge, table->view + edge + lowest.sizeBytes);
  // The lowest record was copied to the grown end and its slot repointed;
  // the writer died before it moved the edge.
  ASSERT_EQ(ResizeMappedFile(table.get(), oldEnd + lowest.sizeBytes), 1);
  std::memcpy(table->view + oldEnd, moved.data(), moved.size());
  for (uint32_t i = 0; i < 300; ++i) {
    if (Slot(table.get(), i) == edge) SetSlot(table.get(), i, oldEnd);
  }
  const std::vector<uint8_t> record = RecordBytes({"aaa", L"新", 0x02000400});
  EXPECT_EQ(AppendRecord(table.get(), record.data()), 0);
  EXPECT_FALSE(CheckDmgTable(table.get(), nullptr).edgeOk);
  ASSERT_EQ(RepairDmgTable(table.get(), nullptr), 1);
  ExpectSoundWith(table.get(), entries_);
  ASSERT_EQ(AppendRecord(table.get(), record.data()), 1);
  ASSERT_EQ(PlaceNewRecord(table.get(), nullptr, -1), 1);
  ASSERT_EQ(RebuildKeyIndex(table.get()), 1);
  entries_.push_back({"aaa", L"新", 0x02000400});
  ExpectSoundWith(table.get(), entries_);
}

TEST_F(CodeTableRepair, UnsortedSlotsAndStrayOffsetsAreMended) {
  MappedFilePtr table = Table(64);
  // Slots swapped by a cut-off sort, one naming no record, one naming a
  // record another slot names.
  const uint32_t a = Slot(table.get(), 10), b = Slot(table.get(), 200);
  SetSlot(table.get(), 10, b);
  SetSlot(table.get(), 200, a);
  SetSlot(table.get(), 50, 12);
  SetSlot(table.get(), 51, Slot(table.get(), 250));
  const std::vector<DmgTestEntry> listed = CheckCodeTableFile(Bytes(table.get())).entries;
  ASSERT_EQ(RepairDmgTable(table.get(), nullptr), 1);
  // Everything some slot named before is listed once; the records whose only
  // slots were overwritten cannot be found again and are not invented.
  const TableFaults check = CheckCodeTableFile(Bytes(table.get()));
  EXPECT_TRUE(check.Sound()) << check.Text();
  EXPECT_EQ(Keys(check.entries), Keys(listed));
  EXPECT_EQ(check.entries.size(), 298u);
}

TEST_F(CodeTableRepair, HalfRebuiltIndexIsMended) {
  MappedFilePtr table = Table(64);
  // Rows of a rebuild cut off part way: some still those of an older table.
  for (uint32_t row = 'a'; row <= 'k'; ++row) {
    std::memcpy(table->view + 0x88 + row * 512, table->view + 0x88 + (row + 1) * 512, 512);
  }
  EXPECT_FALSE(CheckCodeTableFile(Bytes(table.get())).Sound());
  ASSERT_EQ(RepairDmgTable(table.get(), nullptr), 1);
  ExpectSoundWith(table.get(), entries_);
}

TEST_F(CodeTableRepair, UntrustworthyHeaderIsLeftAlone) {
  MappedFilePtr table = Table(4);
  SetWord(table.get(), 4, (table->size - kTestHeaderSize) / 4 + 1);
  const std::vector<uint8_t> before = Bytes(table.get());
  EXPECT_FALSE(CheckDmgTable(table.get(), nullptr).headerOk);
  EXPECT_EQ(RepairDmgTable(table.get(), nullptr), 0);
  EXPECT_EQ(Bytes(table.get()), before);
}

namespace {

class TempTableRepair : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> empty(kTempTableBytes);
    WriteEmptyTempTable(empty.data(), kTempTableBytes);
    temp_ = OpenTableFile(dir_.File(L"temp.dmg"), empty);
    ASSERT_TRUE(temp_);
  }
  void Fill(uint32_t n) {
    for (const DmgTestEntry& e : RandomEntries(n, n)) {
      ASSERT_EQ(AddTempRecord(temp_.get(), RecordBytes({e.code, e.word, 0}).data(), nullptr), 1);
      words_.push_back({e.code, e.word, 0});
    }
  }
  uint32_t Count() { return Word(temp_.get(), 4); }
  uint32_t AgeAt(uint32_t position) { return Word(temp_.get(), Slot(temp_.get(), position)); }
  void ExpectSoundListing(const std::vector<DmgTestEntry>& expected) {
    const TableFaults check = CheckTempTableFile(Bytes(temp_.get()));
    EXPECT_TRUE(check.Sound()) << check.Text();
    EXPECT_EQ(Keys(check.entries), Keys(expected));
  }

  TempDir dir_;
  MappedFilePtr temp_;
  std::vector<DmgTestEntry> words_;
};

}  // namespace

TEST_F(TempTableRepair, SortCutOffBetweenTheTwoStoresOfASwap) {
  Fill(40);
  // One slot overwritten with its neighbour: the slot it held is named nowhere.
  SetSlot(temp_.get(), 7, Slot(temp_.get(), 30));
  ASSERT_EQ(RepairTempTable(temp_.get(), nullptr), 1);
  ExpectSoundListing(words_);
  EXPECT_EQ(Count(), 40u);
}

TEST_F(TempTableRepair, ReplacingTheOldestCutOffAfterAgingPartly) {
  Fill(kTempSlotCount);
  uint32_t oldest = 0;
  for (uint32_t p = 0; p < kTempSlotCount; ++p) {
    if (AgeAt(p) == 0) oldest = p;
  }
  // The oldest is marked as being replaced, half the others aged.
  const DmgTestEntry gone = CheckTempTableFile(Bytes(temp_.get())).entries[oldest];
  SetWord(temp_.get(), Slot(temp_.get(), oldest), 0xFFFFFFFFu);
  for (uint32_t p = 0; p < kTempSlotCount; p += 2) {
    if (p != oldest) SetWord(temp_.get(), Slot(temp_.get(), p), AgeAt(p) - 1);
  }
  ASSERT_EQ(RepairTempTable(temp_.get(), nullptr), 1);
  std::vector<DmgTestEntry> left;
  for (const DmgTestEntry& e : words_) {
    if (e.code != gone.code || e.word != gone.word) left.push_back(e);
  }
  ExpectSoundListing(left);
  ASSERT_EQ(AddTempRecord(temp_.get(), RecordBytes({"zzzz", L"新词", 0}).data(), nullptr), 1);
  left.push_back({"zzzz", L"新词", 0});
  ExpectSoundListing(left);
}

TEST_F(TempTableRepair, RemovalCutOffWhileTheSlotsMovedDown) {
  Fill(60);
  const std::vector<DmgTestEntry> listed = CheckTempTableFile(Bytes(temp_.get())).entries;
  // Position 20 marked and the slots behind it moved down to position 40.
  SetWord(temp_.get(), Slot(temp_.get(), 20), 0xFFFFFFFFu);
  for (uint32_t i = 20; i < 40; ++i) SetSlot(temp_.get(), i, Slot(temp_.get(), i + 1));
  ASSERT_EQ(RepairTempTable(temp_.get(), nullptr), 1);
  std::vector<DmgTestEntry> left = listed;
  left.erase(left.begin() + 20);
  ExpectSoundListing(left);
  EXPECT_EQ(Count(), 59u);
}
